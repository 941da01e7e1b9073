// Read-only access to the settings the sibling DNC application keeps. On Windows this is
// its registry key; elsewhere a text file that holds the same names and values.
#pragma once

#include <string>
#include <string_view>

#include "platform_types.h"

enum class RegistryRoot { LocalMachine };

inline constexpr std::string_view kSettingsSubkey = "SOFTWARE\\Orvane\\Velidor";

// Returns 1 and the value's text when it was read, 0 otherwise (key or value missing, no
// access, or more than 1023 bytes of text). Never writes anything.
BOOL ReadRegistryString(RegistryRoot root, std::string_view subkey, std::string_view name,
                        std::string& out);
