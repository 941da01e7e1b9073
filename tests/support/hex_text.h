// Bytes as hexadecimal pairs, so that a failed comparison of byte strings reads clearly.
#pragma once

#include <cstdio>
#include <string>

inline std::string Hex(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X ", static_cast<unsigned char>(c));
        text += byte;
    }
    return text;
}
