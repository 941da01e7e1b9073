#pragma once

#include <optional>
#include <string_view>

// The port number of a device name "COM%d" or "\\.\COM%d" (any case of "com"), or nothing
// when the name has another form. The number may be 0 or out of any useful range; the
// caller decides what it names.
std::optional<int> ParseComPortNumber(std::string_view deviceName);
