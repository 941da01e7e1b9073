#include "notice_file.h"

#include <cstring>
#include <fstream>

std::optional<std::string> ReadNoticeFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error) {
        std::ofstream create(path, std::ios::binary);
    }
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        return std::nullopt;
    }
    std::string text;
    char piece[500];
    while (file.read(piece, sizeof piece) || file.gcount() > 0) {
        const auto count = static_cast<std::size_t>(file.gcount());
        text.append(piece, ::strnlen(piece, count));
    }
    return text;
}
