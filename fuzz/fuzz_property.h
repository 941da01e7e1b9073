// What a fuzz target does when one of its properties fails on an input: it says which, shows
// the bytes where they part, and aborts, so that libFuzzer keeps the input as a crash file
// to replay.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hex_text.h"

inline void Require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property failed: %s\n", property);
        std::abort();
    }
}

inline void RequireEqual(std::string_view got, std::string_view expected, const char* property) {
    if (got == expected) {
        return;
    }
    const auto [at, unused] =
        std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
    const std::size_t from = static_cast<std::size_t>(at - got.begin());
    const std::size_t start = from < 16 ? 0 : from - 16;
    const auto window = [&](std::string_view s) {
        return Hex(std::string(s.substr(std::min(start, s.size()), 48)));
    };
    std::fprintf(stderr,
                 "property failed: %s\n  %zu bytes against %zu expected, first difference at %zu"
                 "\n  got      from %zu: %s\n  expected from %zu: %s\n",
                 property, got.size(), expected.size(), from, start, window(got).c_str(), start,
                 window(expected).c_str());
    std::abort();
}
