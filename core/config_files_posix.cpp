#include "config_files_posix.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "ini_text.h"

namespace {

// A settings file is a few hundred bytes; anything past this is not a settings file.
constexpr std::streamsize kMaxConfigBytes = 1 << 20;

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = s[i];
        if ((c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// "SOFTWARE\Orvane\Velidor" -> "Orvane/Velidor.conf"; nothing for another form.
std::optional<std::filesystem::path> RelativeConfigPath(std::string_view subkey) {
    constexpr std::string_view root = "SOFTWARE\\";
    if (!StartsWithIgnoringCase(subkey, root)) {
        return std::nullopt;
    }
    std::filesystem::path relative;
    std::string_view rest = subkey.substr(root.size());
    while (!rest.empty()) {
        const auto sep = rest.find('\\');
        const std::string_view part = rest.substr(0, sep);
        if (part.empty() || part == "." || part == ".." || part.find('/') != part.npos) {
            return std::nullopt;
        }
        rest = sep == std::string_view::npos ? std::string_view{} : rest.substr(sep + 1);
        relative /= rest.empty() ? std::string(part) + ".conf" : std::string(part);
    }
    if (relative.empty()) {
        return std::nullopt;
    }
    return relative;
}

std::optional<std::filesystem::path> HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return std::filesystem::path(home);
    }
    std::string buffer(16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return std::filesystem::path(found->pw_dir);
    }
    return std::nullopt;
}

// The user's config dir as XDG defines it: $XDG_CONFIG_HOME when it is an absolute path,
// else ~/.config.
std::optional<std::filesystem::path> UserConfigDir() {
    if (const char* env = std::getenv("XDG_CONFIG_HOME"); env != nullptr && *env == '/') {
        return std::filesystem::path(env);
    }
    const auto home = HomeFolder();
    if (!home) {
        return std::nullopt;
    }
    return *home / ".config";
}

std::optional<std::string> ValueIn(const std::optional<std::filesystem::path>& file,
                                   std::string_view section, std::string_view key) {
    if (!file) {
        return std::nullopt;
    }
    const auto text = ReadConfigText(*file);
    if (!text) {
        return std::nullopt;
    }
    return FindIniValue(*text, section, key);
}

}  // namespace

std::optional<std::filesystem::path> UserConfigFile(std::string_view subkey) {
    const auto relative = RelativeConfigPath(subkey);
    const auto dir = UserConfigDir();
    if (!relative || !dir) {
        return std::nullopt;
    }
    return *dir / *relative;
}

std::optional<std::filesystem::path> FindSystemConfigFile(std::string_view subkey) {
    const auto relative = RelativeConfigPath(subkey);
    if (!relative) {
        return std::nullopt;
    }
    const char* env = std::getenv("XDG_CONFIG_DIRS");
    std::string_view dirs = (env != nullptr && *env != '\0') ? env : "/etc/xdg";
    while (!dirs.empty()) {
        const auto sep = dirs.find(':');
        const std::filesystem::path dir(dirs.substr(0, sep));
        dirs = sep == std::string_view::npos ? std::string_view{} : dirs.substr(sep + 1);
        // Relative entries are invalid in the XDG rules and are skipped.
        if (!dir.is_absolute()) {
            continue;
        }
        std::error_code ec;
        const auto candidate = dir / *relative;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ReadConfigText(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // Read as it comes rather than into a buffer of the largest size: the store reads the
    // file once per value, and a settings file is a few hundred bytes.
    std::string text;
    char chunk[4096];
    do {
        in.read(chunk, sizeof chunk);
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (text.size() > static_cast<std::size_t>(kMaxConfigBytes)) {
            return std::nullopt;
        }
    } while (in);
    if (in.bad()) {
        return std::nullopt;
    }
    return text;
}

std::optional<ConfigValue> ReadConfigValue(std::string_view subkey, std::string_view section,
                                           std::string_view key) {
    for (const auto& file : {UserConfigFile(subkey), FindSystemConfigFile(subkey)}) {
        if (auto text = ValueIn(file, section, key)) {
            return ConfigValue{std::move(*text), *file};
        }
    }
    return std::nullopt;
}
