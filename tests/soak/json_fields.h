// Just enough JSON reading for the two reports a soak run compares: the runner's and the
// simulated machine's. Both are flat but for a few nested objects, written by programs of
// this project, so a key is found by its quoted name, optionally behind an object's name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace soak {

// The number after "key": (looked for behind "within" when given).
std::optional<double> JsonNumber(std::string_view json, std::string_view key,
                                 std::string_view within = {});
// The text after "key": "...", without unescaping; the keys read this way hold plain words.
std::optional<std::string> JsonWord(std::string_view json, std::string_view key);
std::optional<bool> JsonBool(std::string_view json, std::string_view key);
// The numbers of "key": [a, b, ...].
std::optional<std::vector<double>> JsonNumbers(std::string_view json, std::string_view key);

}  // namespace soak
