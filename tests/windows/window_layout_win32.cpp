#include "window_layout_win32.h"

#include "window_driver_win32.h"

namespace {

std::string Narrow(const std::wstring& text) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), length, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

std::vector<HWND> ChildrenOf(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

// Statics and buttons show their text on one line, as every one of them is laid out; edit
// boxes scroll theirs, and icons and group boxes have none to lose.
bool ShowsOneLineOfText(HWND control, LONG style) {
    const std::wstring kind = ClassOf(control);
    if (kind == L"Static") {
        const LONG type = style & SS_TYPEMASK;
        return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    }
    if (kind == L"Button") {
        const LONG type = style & BS_TYPEMASK;
        return type != BS_GROUPBOX;
    }
    return false;
}

}  // namespace

std::vector<std::string> CutOffControls(HWND dialog, HFONT font) {
    std::vector<std::string> faults;
    RECT client{};
    GetClientRect(dialog, &client);
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    for (HWND control : ChildrenOf(dialog)) {
        if (IsWindowVisible(control) == FALSE) {
            continue;
        }
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        const std::wstring text = TextOf(control);
        const std::string name =
            "control " + std::to_string(GetDlgCtrlID(control)) + " \"" + Narrow(text) + "\"";
        RECT inside{};
        if (IntersectRect(&inside, &place, &client) == FALSE ||
            EqualRect(&inside, &place) == FALSE) {
            faults.push_back(name + " reaches past the window's client area");
        }
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        if (text.empty() || !ShowsOneLineOfText(control, style)) {
            continue;
        }
        RECT needed{};
        const UINT prefix =
            ClassOf(control) == L"Static" && (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
        DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &needed,
                  DT_CALCRECT | DT_SINGLELINE | prefix);
        RECT shown{};
        GetClientRect(control, &shown);
        if (needed.right > shown.right || needed.bottom > shown.bottom) {
            faults.push_back(name + " needs " + std::to_string(needed.right) + " x " +
                             std::to_string(needed.bottom) + " pixels, has " +
                             std::to_string(shown.right) + " x " + std::to_string(shown.bottom));
        }
    }
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return faults;
}
