#include "system_config_posix.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
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

}  // namespace

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

std::optional<std::string> ReadSystemConfigValue(std::string_view subkey, std::string_view section,
                                                 std::string_view key) {
    const auto path = FindSystemConfigFile(subkey);
    if (!path) {
        return std::nullopt;
    }
    std::ifstream in(*path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(kMaxConfigBytes), '\0');
    in.read(text.data(), kMaxConfigBytes);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return FindIniValue(text, section, key);
}
