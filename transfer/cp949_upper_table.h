#pragma once

#include <cstdint>
#include <span>

// A double-byte character of code page 949 as (lead byte << 8 | trail byte), and its capital.
struct Cp949UpperPair {
    std::uint16_t code;
    std::uint16_t upper;
};

// Every character that has a double-byte capital, sorted by code so a lookup can bisect.
std::span<const Cp949UpperPair> Cp949UpperPairs();
