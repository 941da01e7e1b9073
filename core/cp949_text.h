#pragma once

#include <string>
#include <string_view>

// Text of code page 949 (the notice file, as the operator's Korean Windows wrote it) as
// UTF-8 for display. A byte sequence the code page does not define becomes U+FFFD, and the
// rest of the text still comes through.
std::string Cp949ToUtf8(std::string_view text);
