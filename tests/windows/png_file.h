// A PNG writer for screenshots: 8-bit RGB, stored (uncompressed) deflate blocks, so it
// needs no library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb holds width * height pixels, three bytes each, top row first.
bool WritePngFile(const std::wstring& path, int width, int height,
                  const std::vector<std::uint8_t>& rgb);
