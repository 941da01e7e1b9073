// File names as this program holds them (UTF-8) to and from the library's paths. The
// narrow path functions take the ANSI code page on Windows, which cannot carry every name
// an operator may give; char8_t text is always read as UTF-8.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
