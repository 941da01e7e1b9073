// A table of texts: a header row and rows of cells, shown by the hosts as a grid.
#pragma once

#include <string>
#include <vector>

struct TextTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};
