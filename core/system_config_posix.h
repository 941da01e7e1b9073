// The POSIX stand-in for the registry key: "SOFTWARE\<Org>\<App>" is the INI file
// "<Org>/<App>.conf" in the first XDG system config dir ($XDG_CONFIG_DIRS, by default
// /etc/xdg) that holds it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The file that stands for the subkey, or nothing when no config dir holds it.
std::optional<std::filesystem::path> FindSystemConfigFile(std::string_view subkey);

// One value of that file; nothing when the file, the section or the key is missing.
std::optional<std::string> ReadSystemConfigValue(std::string_view subkey, std::string_view section,
                                                 std::string_view key);
