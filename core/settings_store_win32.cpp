#include "settings_store.h"
#include "wide_text_win32.h"

namespace {

// The sibling application reads its values into a 1024-byte buffer, terminating NUL
// included; a longer value fails to read and leaves the setting alone.
constexpr std::size_t kMaxValueBytes = 1023;

// Closes the key however the read ends.
class OpenKey {
  public:
    explicit OpenKey(std::string_view subkey) {
        // Read access only: full access is refused to a standard user under UAC, and the
        // settings would then silently be the defaults. The 32-bit view is where the
        // sibling application keeps its key, so a 64-bit build sees the same settings.
        opened_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(subkey).c_str(), 0,
                                KEY_READ | KEY_WOW64_32KEY, &key_) == ERROR_SUCCESS;
    }
    ~OpenKey() {
        if (opened_) {
            RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool opened() const { return opened_; }
    HKEY get() const { return key_; }

  private:
    HKEY key_{};
    bool opened_ = false;
};

}  // namespace

BOOL ReadRegistryString(RegistryRoot root, std::string_view subkey, std::string_view name,
                        std::string& out) {
    if (root != RegistryRoot::LocalMachine) {
        return FALSE;
    }
    const OpenKey key(subkey);
    if (!key.opened()) {
        return FALSE;
    }
    const std::wstring valueName = Utf8ToWide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return FALSE;  // a number stored as REG_DWORD is not the text the settings are
    }
    std::wstring wide(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(wide.data()), &read) != ERROR_SUCCESS) {
        return FALSE;
    }
    // The value is used as a C string, as the registry's text would be; it need not end
    // in a NUL, and may hold one early.
    wide.resize(read / sizeof(wchar_t));
    wide.resize(std::min(wide.size(), wide.find(L'\0')));
    std::string text = WideToUtf8(wide);
    if (text.size() > kMaxValueBytes) {
        return FALSE;
    }
    out = std::move(text);
    return TRUE;
}
