// The notice shown in the main window's log box when it opens.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Reads the notice file. Each piece of 500 bytes ends at its first zero byte, as the text
// was always read that way. A missing file is an empty notice and is never created; nothing
// when the path is not a regular file or cannot be read. The bytes are returned as stored.
std::optional<std::string> ReadNoticeFile(const std::filesystem::path& path);
