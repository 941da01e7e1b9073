#include "settings_store.h"
#include "system_config_posix.h"

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
    auto value = ReadSystemConfigValue(subkey, "General", name);
    if (!value || value->size() > kMaxValueBytes) {
        return FALSE;
    }
    // The value is used as a C string, as the registry's text would be.
    value->resize(std::min(value->size(), value->find('\0')));
    out = std::move(*value);
    return TRUE;
}
