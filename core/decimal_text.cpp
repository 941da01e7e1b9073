#include "decimal_text.h"

#include <limits>

namespace {

bool IsCWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t DecimalTextToInt(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::size_t pos = 0;
    while (pos < text.size() && IsCWhiteSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > limit) {
            magnitude = limit;  // keep going only to consume the digits; the result is pinned
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude);
    }
    return static_cast<std::int32_t>(magnitude == limit ? limit - 1 : magnitude);
}
