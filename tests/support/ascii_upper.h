#pragma once

#include <string>

// a..z as A..Z and nothing else: what the machine must receive of ASCII-only test text.
inline std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}
