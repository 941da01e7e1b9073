#pragma once

#include <string>
#include <string_view>

// A JSON string literal for UTF-8 text: quotes, backslashes and control characters escaped,
// everything else passed through.
std::string JsonString(std::string_view text);
