#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The size of the directory entry named by path (a folder counts, with size 0), or nothing
// when there is no such entry. The whole 64-bit size: files over 2 GiB are not mistaken for
// small or negative ones.
std::optional<std::int64_t> LookUpFileSize(const std::string& path);
