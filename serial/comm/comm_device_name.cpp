#include "comm_device_name.h"

#include <charconv>

std::optional<int> ParseComPortNumber(std::string_view name) {
    constexpr std::string_view devicePrefix = "\\\\.\\";
    if (name.starts_with(devicePrefix)) {
        name.remove_prefix(devicePrefix.size());
    }
    if (name.size() < 4 || (name[0] | 0x20) != 'c' || (name[1] | 0x20) != 'o' ||
        (name[2] | 0x20) != 'm') {
        return std::nullopt;
    }
    name.remove_prefix(3);
    int number = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (ec != std::errc{} || end != name.data() + name.size() || name.front() == '-') {
        return std::nullopt;
    }
    return number;
}
