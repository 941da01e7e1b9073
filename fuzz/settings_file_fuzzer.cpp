// The stored settings read from real files on any bytes. The input is the user's file; a
// byte 0x1E (record separator) in it starts the system's file, the sibling application's,
// which fills in what the user's file does not say. Both are written into XDG config dirs of
// the run's own and read through the real store: every setting LoadPortSettings takes must
// be the last value of its key in the first file that has it, read by the decimal rule; a
// value over 1023 bytes is not read and leaves the setting alone; a value is handed out as
// the C string it holds; a port entry comes from the first file that has it.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "config_files_posix.h"
#include "decimal_text.h"
#include "fuzz_property.h"
#include "ini_text.h"
#include "load_port_settings.h"
#include "scratch_folder.h"
#include "settings_names.h"
#include "settings_store.h"

namespace {

constexpr char kSystemFileMark = '\x1e';
constexpr std::size_t kMaxValueBytes = 1023;

std::filesystem::path g_userFile;
std::filesystem::path g_systemFile;

void WriteFile(const std::filesystem::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    Require(out.good(), "the settings file is written");
}

std::optional<std::string> ValueOfFirstFileThatHasIt(std::string_view user,
                                                     std::optional<std::string_view> system,
                                                     std::string_view section,
                                                     std::string_view key) {
    if (auto value = FindIniValue(user, section, key)) {
        return value;
    }
    return system ? FindIniValue(*system, section, key) : std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::filesystem::path base = MakeScratchFolder("settings");
    // The first system dir holds no file, so the search has to go on to the next.
    for (const char* dir : {"user/Orvane", "system-empty", "system/Orvane"}) {
        std::filesystem::create_directories(base / dir);
    }
    g_userFile = base / "user/Orvane/Velidor.conf";
    g_systemFile = base / "system/Orvane/Velidor.conf";
    ::setenv("XDG_CONFIG_HOME", (base / "user").c_str(), 1);
    const std::string systemDirs =
        (base / "system-empty").string() + ":" + (base / "system").string();
    ::setenv("XDG_CONFIG_DIRS", systemDirs.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto mark = input.find(kSystemFileMark);
    const std::string_view user = input.substr(0, mark);
    const std::optional<std::string_view> system =
        mark == std::string_view::npos ? std::nullopt
                                       : std::optional<std::string_view>(input.substr(mark + 1));
    WriteFile(g_userFile, user);
    if (system) {
        WriteFile(g_systemFile, *system);
    } else {
        std::filesystem::remove(g_systemFile);
    }

    PortSettings sentinel;
    for (const SettingName& setting : kSettingNames) {
        sentinel.*setting.field = 0x5A5A5A5A;
    }
    g_portSettings = sentinel;
    LoadPortSettings();
    for (const SettingName& setting : kSettingNames) {
        const auto value = ValueOfFirstFileThatHasIt(user, system, "General", setting.name);
        const std::int32_t expected = value && value->size() <= kMaxValueBytes
                                          ? DecimalTextToInt(*value)
                                          : sentinel.*setting.field;
        Require(g_portSettings.*setting.field == expected,
                "a setting is its key's last value in the first file that has it");
    }

    // One value's text as the store hands it out, the one the input's size picks.
    const char* name = kSettingNames[size % kSettingNames.size()].name;
    const auto value = ValueOfFirstFileThatHasIt(user, system, "General", name);
    const bool readable = value && value->size() <= kMaxValueBytes;
    std::string text = "untouched";
    const BOOL read = ReadRegistryString(RegistryRoot::LocalMachine, kSettingsSubkey, name, text);
    Require(read == (readable ? TRUE : FALSE), "a value is read when it is there and short");
    RequireEqual(text, readable ? value->substr(0, value->find('\0')) : "untouched",
                 "a value read is the C string it holds; one not read leaves the output alone");

    const auto port = ReadConfigValue(kSettingsSubkey, "Ports", "COM3");
    const auto expectedPort = ValueOfFirstFileThatHasIt(user, system, "Ports", "COM3");
    Require(port.has_value() == expectedPort.has_value(), "a port entry is found where it is");
    if (port) {
        RequireEqual(port->text, *expectedPort, "a port entry is the first file's");
        Require(port->file == (FindIniValue(user, "Ports", "COM3") ? g_userFile : g_systemFile),
                "a port entry names the file it came from");
    }
    return 0;
}
