#include "json_fields.h"

#include <charconv>
#include <cstddef>

namespace soak {

namespace {

// Where the value of "key" starts, blanks after the colon skipped.
std::optional<std::size_t> ValueAt(std::string_view json, std::string_view key,
                                   std::string_view within) {
    std::size_t from = 0;
    if (!within.empty()) {
        from = json.find("\"" + std::string(within) + "\":");
        if (from == std::string_view::npos) {
            return std::nullopt;
        }
    }
    const std::string quoted = "\"" + std::string(key) + "\":";
    const std::size_t at = json.find(quoted, from);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t value = at + quoted.size();
    while (value < json.size() && (json[value] == ' ' || json[value] == '\n')) {
        ++value;
    }
    return value;
}

std::optional<double> NumberAt(std::string_view json, std::size_t& at) {
    double value = 0;
    const auto [end, ec] = std::from_chars(json.data() + at, json.data() + json.size(), value);
    if (ec != std::errc()) {
        return std::nullopt;
    }
    at = static_cast<std::size_t>(end - json.data());
    return value;
}

}  // namespace

std::optional<double> JsonNumber(std::string_view json, std::string_view key,
                                 std::string_view within) {
    auto at = ValueAt(json, key, within);
    return at ? NumberAt(json, *at) : std::nullopt;
}

std::optional<std::string> JsonWord(std::string_view json, std::string_view key) {
    const auto at = ValueAt(json, key, {});
    if (!at || *at >= json.size() || json[*at] != '"') {
        return std::nullopt;
    }
    const std::size_t end = json.find('"', *at + 1);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(json.substr(*at + 1, end - *at - 1));
}

std::optional<bool> JsonBool(std::string_view json, std::string_view key) {
    const auto at = ValueAt(json, key, {});
    if (!at) {
        return std::nullopt;
    }
    if (json.substr(*at).starts_with("true")) {
        return true;
    }
    if (json.substr(*at).starts_with("false")) {
        return false;
    }
    return std::nullopt;
}

std::optional<std::vector<double>> JsonNumbers(std::string_view json, std::string_view key) {
    auto at = ValueAt(json, key, {});
    if (!at || *at >= json.size() || json[*at] != '[') {
        return std::nullopt;
    }
    std::vector<double> values;
    std::size_t i = *at + 1;
    for (;;) {
        while (i < json.size() && (json[i] == ' ' || json[i] == ',' || json[i] == '\n')) {
            ++i;
        }
        if (i >= json.size()) {
            return std::nullopt;
        }
        if (json[i] == ']') {
            return values;
        }
        const auto value = NumberAt(json, i);
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
    }
}

}  // namespace soak
