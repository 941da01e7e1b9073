// A plain-text table whose columns line up whatever the cells hold.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class TextTable {
  public:
    explicit TextTable(std::vector<std::string> header);

    void AddRow(std::vector<std::string> cells);
    // Written after the header line and before the next row, left-aligned over all columns.
    void AddSection(std::string title);
    void Print(std::FILE* out) const;

  private:
    struct Line {
        bool section = false;
        std::vector<std::string> cells;
    };
    std::vector<std::string> header_;
    std::vector<Line> lines_;
};

// printf-style formatting into a std::string, for table cells.
std::string Format(const char* format, ...);
