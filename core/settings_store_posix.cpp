#include "config_files_posix.h"
#include "settings_store.h"

namespace {

// The registry read that this stands in for uses a 1024-byte buffer, terminating NUL
// included; a longer value fails to read and leaves the setting alone.
constexpr std::size_t kMaxValueBytes = 1023;

}  // namespace

BOOL ReadRegistryString(RegistryRoot root, std::string_view subkey, std::string_view name,
                        std::string& out) {
    if (root != RegistryRoot::LocalMachine) {
        return FALSE;
    }
    auto value = ReadConfigValue(subkey, "General", name);
    if (!value || value->text.size() > kMaxValueBytes) {
        return FALSE;
    }
    // The value is used as a C string, as the registry's text would be.
    std::string& text = value->text;
    text.resize(std::min(text.size(), text.find('\0')));
    out = std::move(text);
    return TRUE;
}
