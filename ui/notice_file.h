// The notice shown in the main window's log box when it opens.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Reads the notice file, creating it empty when it is missing. Each piece of 500 bytes
// ends at its first zero byte, as the text was always read that way. Nothing when the
// file can be neither opened nor created. The bytes are returned as stored.
std::optional<std::string> ReadNoticeFile(const std::filesystem::path& path);
