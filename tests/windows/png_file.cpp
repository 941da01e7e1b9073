#include "png_file.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char byte : bytes) {
        crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFU;
}

std::uint32_t Adler32(const std::string& bytes) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char byte : bytes) {
        a = (a + static_cast<std::uint8_t>(byte)) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void BigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void Chunk(std::string& png, std::string_view type, const std::string& data) {
    BigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type) + data;
    png += body;
    BigEndian(png, Crc32(body));
}

// A zlib stream of stored deflate blocks, at most 65535 bytes each.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(65535, raw.size() - offset);
        const bool last = offset + length == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    BigEndian(out, Adler32(raw));
    return out;
}

}  // namespace

bool WritePngFile(const std::wstring& path, int width, int height,
                  const std::vector<std::uint8_t>& rgb) {
    const auto rowBytes = static_cast<std::size_t>(width) * 3;
    std::string raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // filter: none
        raw.append(reinterpret_cast<const char*>(rgb.data()) + rowBytes * y, rowBytes);
    }
    std::string header;
    BigEndian(header, static_cast<std::uint32_t>(width));
    BigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", StoredZlib(raw));
    Chunk(png, "IEND", "");

    std::FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}
