// UTF-8, the text of this program, to and from the UTF-16 of the wide Win32 calls.
#pragma once

#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
