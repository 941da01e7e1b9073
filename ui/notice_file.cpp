#include "notice_file.h"

#include <cstring>
#include <fstream>

std::optional<std::string> ReadNoticeFile(const std::filesystem::path& path) {
    // Only read: a tool started in some folder must not leave an empty notice file there. A
    // missing file reads as the empty notice it used to be created as.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return std::string();
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return std::nullopt;
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
