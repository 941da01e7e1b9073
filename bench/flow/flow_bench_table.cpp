#include "flow_bench_table.h"

#include <algorithm>
#include <cstdarg>

namespace {

// Cells hold UTF-8 only in the figure column; counting code points keeps columns aligned.
std::size_t DisplayWidth(const std::string& text) {
    return static_cast<std::size_t>(std::ranges::count_if(
        text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void PrintCell(std::FILE* out, const std::string& text, std::size_t width, bool last) {
    std::fputs(text.c_str(), out);
    if (!last) {
        for (std::size_t n = DisplayWidth(text); n < width + 2; ++n) {
            std::fputc(' ', out);
        }
    }
}

}  // namespace

TextTable::TextTable(std::vector<std::string> header) : header_(std::move(header)) {}

void TextTable::AddRow(std::vector<std::string> cells) {
    cells.resize(header_.size());
    lines_.push_back({false, std::move(cells)});
}

void TextTable::AddSection(std::string title) {
    lines_.push_back({true, {std::move(title)}});
}

void TextTable::Print(std::FILE* out) const {
    std::vector<std::size_t> widths;
    for (const std::string& cell : header_) {
        widths.push_back(DisplayWidth(cell));
    }
    for (const Line& line : lines_) {
        for (std::size_t i = 0; !line.section && i < line.cells.size(); ++i) {
            widths[i] = std::max(widths[i], DisplayWidth(line.cells[i]));
        }
    }
    const auto printCells = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            PrintCell(out, cells[i], widths[i], i + 1 == cells.size());
        }
        std::fputc('\n', out);
    };
    printCells(header_);
    std::size_t rule = 0;
    for (const std::size_t width : widths) {
        rule += width + 2;
    }
    std::fputs((std::string(rule - 2, '-') + "\n").c_str(), out);
    for (const Line& line : lines_) {
        if (line.section) {
            std::fprintf(out, "%s\n", line.cells.front().c_str());
        } else {
            printCells(line.cells);
        }
    }
}

std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}
