#include <string>
#include <string_view>

#include "platform_types.h"
#include "sibling_guard.h"

namespace {

constexpr std::wstring_view kSiblingTitle = L"Velidor for Marlux";

std::wstring TitleOf(HWND window) {
    std::wstring title(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(static_cast<std::size_t>(
        GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    return title;
}

class Win32SiblingWindow : public SiblingWindow {
  public:
    bool Find() override {
        const std::wstring title(kSiblingTitle);
        // FindWindowExW compares titles without regard to case; only the exact title counts.
        HWND sibling = nullptr;
        do {
            sibling = FindWindowExW(nullptr, sibling, nullptr, title.c_str());
        } while (sibling != nullptr && TitleOf(sibling) != kSiblingTitle);
        sibling_ = sibling;
        return sibling_ != nullptr;
    }

    void Raise() override {
        if (sibling_ == nullptr || IsWindow(sibling_) == FALSE) {
            return;
        }
        HWND popup = GetLastActivePopup(sibling_);
        if (IsIconic(sibling_) != FALSE) {
            ShowWindow(sibling_, SW_RESTORE);
        }
        SetForegroundWindow(popup != nullptr ? popup : sibling_);
    }

  private:
    HWND sibling_ = nullptr;
};

}  // namespace

std::unique_ptr<SiblingWindow> MakeSiblingWindow() {
    return std::make_unique<Win32SiblingWindow>();
}
