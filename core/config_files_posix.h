// The POSIX stand-in for the registry key: "SOFTWARE\<Org>\<App>" is the INI file
// "<Org>/<App>.conf" in the XDG config dirs. The user's file ($XDG_CONFIG_HOME, by default
// ~/.config) is this tool's own and is read first; the system's file (the first of
// $XDG_CONFIG_DIRS, by default /etc/xdg, that holds it) is the sibling application's and
// fills in, key by key, what the user's file does not say.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Where the user's file is or would be; nothing for a subkey of another form or when no
// home folder is known.
std::optional<std::filesystem::path> UserConfigFile(std::string_view subkey);

// The first system config dir's file that exists; nothing when none does.
std::optional<std::filesystem::path> FindSystemConfigFile(std::string_view subkey);

struct ConfigValue {
    std::string text;
    std::filesystem::path file;  // the file that holds it
};

// One value: the user's file's when it has the key, else the system file's; nothing when
// neither file, section or key is there.
std::optional<ConfigValue> ReadConfigValue(std::string_view subkey, std::string_view section,
                                           std::string_view key);

// The whole text of a settings file, or nothing when it cannot be read (a file far larger
// than any settings file counts as unreadable).
std::optional<std::string> ReadConfigText(const std::filesystem::path& file);
