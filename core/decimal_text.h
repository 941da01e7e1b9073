#pragma once

#include <cstdint>
#include <string_view>

// The C library's decimal rule, as the stored settings have always been read: leading
// white space skipped, an optional sign, then decimal digits up to the first other
// character; no digit gives 0. The text ends at its first NUL, as a C string does.
// Out-of-range numbers saturate at the 32-bit limits instead of being undefined.
std::int32_t DecimalTextToInt(std::string_view text);
