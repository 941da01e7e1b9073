#include "ini_text.h"

namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    std::optional<std::string> found;
    std::string_view current = "General";
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            current = close == std::string_view::npos ? std::string_view{}
                                                      : Trim(line.substr(1, close - 1));
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || !EqualsIgnoringAsciiCase(current, section)) {
            continue;
        }
        if (EqualsIgnoringAsciiCase(Trim(line.substr(0, equals)), key)) {
            found = std::string(Trim(line.substr(equals + 1)));
        }
    }
    return found;
}
