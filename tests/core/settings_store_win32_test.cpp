// The registry read on a key of the test's own, written in the 32-bit view where the
// sibling application keeps its settings.
#include <gtest/gtest.h>

#include <string>

#include "settings_store.h"
#include "wide_text_win32.h"

namespace {

class RegistryStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        subkey_ = "SOFTWARE\\Orvane\\StrandexTest" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(subkey_).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key_, nullptr),
                  ERROR_SUCCESS)
            << "the test needs to write below HKLM\\SOFTWARE";
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(subkey_).c_str(), KEY_WOW64_32KEY, 0);
    }

    void SetText(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        // The count includes the terminating NUL, as the registry's own tools write it.
        ASSERT_EQ(RegSetValueExW(key_, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    std::string subkey_;
    HKEY key_{};
};

TEST_F(RegistryStoreTest, ReadsTextValuesUpTo1023Bytes) {
    SetText(L"Boudrate", L"4800");
    SetText(L"Longest", std::wstring(1023, L'7'));
    SetText(L"TooLong", std::wstring(1024, L'7'));
    SetText(L"Expandable", L"19200", REG_EXPAND_SZ);
    SetText(L"Korean", L"\xD1B5\xC2E0");  // 통신
    const DWORD number = 8;
    ASSERT_EQ(RegSetValueExW(key_, L"DataBit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                             sizeof number),
              ERROR_SUCCESS);

    const struct {
        const char* name;
        BOOL read;
        std::string text;
    } cases[] = {
        {"Boudrate", TRUE, "4800"},
        {"Longest", TRUE, std::string(1023, '7')},
        {"TooLong", FALSE, "unchanged"},
        {"Expandable", TRUE, "19200"},
        {"Korean", TRUE, "통신"},
        {"DataBit", FALSE, "unchanged"},  // a number, not the text the settings are
        {"Missing", FALSE, "unchanged"},
    };
    for (const auto& c : cases) {
        std::string out = "unchanged";
        EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, subkey_, c.name, out), c.read)
            << c.name;
        EXPECT_EQ(out, c.text) << c.name;
    }
}

TEST_F(RegistryStoreTest, TextEndsAtItsFirstNul) {
    const wchar_t data[] =
        L"96\0"
        L"00";
    ASSERT_EQ(RegSetValueExW(key_, L"Boudrate", 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                             sizeof data),
              ERROR_SUCCESS);
    std::string out;
    ASSERT_TRUE(ReadRegistryString(RegistryRoot::LocalMachine, subkey_, "Boudrate", out));
    EXPECT_EQ(out, "96");
}

TEST_F(RegistryStoreTest, AKeyOnlyInThe64BitViewIsNotRead) {
    HKEY key64{};
    const std::wstring subkey64 = Utf8ToWide(subkey_ + "Wide");
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey64.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key64, nullptr),
              ERROR_SUCCESS);
    const wchar_t text[] = L"1";
    RegSetValueExW(key64, L"ComID", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegCloseKey(key64);

    std::string out = "unchanged";
    EXPECT_FALSE(ReadRegistryString(RegistryRoot::LocalMachine, subkey_ + "Wide", "ComID", out));
    EXPECT_EQ(out, "unchanged");
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subkey64.c_str(), KEY_WOW64_64KEY, 0);
}

}  // namespace
