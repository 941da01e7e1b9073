#pragma once

#include <cstddef>
#include <string>

// Upper-cases text in code page 949 in place, length unchanged: ASCII a..z, and every
// double-byte character whose capital is itself a double-byte character of the code page.
// A lead byte followed by a trail byte is one character, so a trail byte that happens to
// have the value of a lower-case ASCII letter is never changed on its own; a lead byte with
// no trail byte after it (also at the end) counts as a single byte. Upper-case text comes
// back unchanged, so a growing batch may be converted again and again.
void UpperCaseCp949(char* text, std::size_t length);

inline void UpperCaseCp949(std::string& text) {
    UpperCaseCp949(text.data(), text.size());
}
