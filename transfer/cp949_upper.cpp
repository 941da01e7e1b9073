#include "cp949_upper.h"

#include <algorithm>
#include <cstdint>

#include "cp949_upper_table.h"

namespace {

bool IsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

// The extended Hangul area takes ASCII letter values as trail bytes, which is why a pair must
// be recognised before a byte is taken for a letter.
bool IsTrailByte(unsigned char b) {
    return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
}

void UpperCaseDoubleByte(std::span<const Cp949UpperPair> pairs, char* character) {
    const auto code = static_cast<std::uint16_t>(static_cast<unsigned char>(character[0]) << 8 |
                                                 static_cast<unsigned char>(character[1]));
    const auto found = std::ranges::lower_bound(pairs, code, {}, &Cp949UpperPair::code);
    if (found != pairs.end() && found->code == code) {
        character[0] = static_cast<char>(found->upper >> 8);
        character[1] = static_cast<char>(found->upper & 0xFF);
    }
}

}  // namespace

void UpperCaseCp949(char* text, std::size_t length) {
    const std::span<const Cp949UpperPair> pairs = Cp949UpperPairs();
    std::size_t i = 0;
    while (i < length) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(byte) && i + 1 < length &&
            IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
            UpperCaseDoubleByte(pairs, text + i);
            i += 2;
            continue;
        }
        if (byte >= 'a' && byte <= 'z') {
            text[i] = static_cast<char>(byte - 'a' + 'A');
        }
        ++i;
    }
}
