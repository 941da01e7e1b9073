// The settings file's text on any bytes, as the reader finds values in it and as a save
// rewrites it. A value found comes without the blanks around it and never spans lines, and
// CR LF line ends read as LF ones do. Saving the six settings makes them read back, leaves
// the other keys and sections as they read before, and a second save of the same settings
// changes nothing.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "default_max_len.h"
#include "fuzz_property.h"
#include "ini_text.h"
#include "settings_names.h"

namespace {

// Keys beside the settings, which a save must leave alone.
constexpr std::array<std::pair<const char*, const char*>, 5> kOtherKeys = {{
    {"Ports", "COM1"},
    {"Ports", "COM3"},
    {"Ports", "ComID"},
    {"General", "Other"},
    {"", "ComID"},
}};

void RequireSameValue(const std::optional<std::string>& got,
                      const std::optional<std::string>& expected, const char* property) {
    Require(got.has_value() == expected.has_value(), property);
    if (got) {
        RequireEqual(*got, *expected, property);
    }
}

void CheckValue(std::string_view text, std::string_view crLfText, std::string_view section,
                std::string_view key) {
    const auto value = FindIniValue(text, section, key);
    RequireSameValue(FindIniValue(crLfText, section, key), value, "CR LF reads as LF");
    if (!value || value->empty()) {
        return;
    }
    constexpr std::string_view blanks = " \t\r\f\v";
    Require(blanks.find(value->front()) == std::string_view::npos &&
                blanks.find(value->back()) == std::string_view::npos,
            "a value comes without the blanks around it");
    Require(value->find('\n') == std::string::npos, "a value never spans lines");
}

// Six settings drawn from the input, so that saves of every length and sign come up.
std::vector<std::pair<std::string, std::string>> SettingsToSave(std::string_view input) {
    std::vector<std::pair<std::string, std::string>> values;
    for (std::size_t i = 0; i < kSettingNames.size(); ++i) {
        auto bits = static_cast<std::uint32_t>(input.size() * 2654435761u + i);
        for (std::size_t j = 0; j < 4 && 4 * i + j < input.size(); ++j) {
            bits = bits << 8 | static_cast<unsigned char>(input[4 * i + j]);
        }
        values.emplace_back(kSettingNames[i].name, std::to_string(static_cast<std::int32_t>(bits)));
    }
    return values;
}

void CheckSave(std::string_view text) {
    const auto values = SettingsToSave(text);
    const std::string saved = SetIniValues(text, "General", values);
    for (const auto& [name, value] : values) {
        RequireSameValue(FindIniValue(saved, "General", name), value, "a saved setting reads back");
    }
    for (const auto& [section, key] : kOtherKeys) {
        RequireSameValue(FindIniValue(saved, section, key), FindIniValue(text, section, key),
                         "a save leaves other keys alone");
    }
    RequireEqual(SetIniValues(saved, "General", values), saved,
                 "saving the same settings again changes nothing");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // A few hundred bytes hold every kind of line; longer text only takes longer.
    UseDefaultMaxLen(argc, argv, 512);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string crLfText;
    for (const char c : text) {
        if (c == '\n') {
            crLfText += '\r';
        }
        crLfText += c;
    }
    for (const SettingName& setting : kSettingNames) {
        CheckValue(text, crLfText, "General", setting.name);
    }
    for (const auto& [section, key] : kOtherKeys) {
        CheckValue(text, crLfText, section, key);
    }
    CheckSave(text);
    return 0;
}
