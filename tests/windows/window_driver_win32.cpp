#include "window_driver_win32.h"

namespace {

constexpr DWORD kPollMilliseconds = 100;
constexpr UINT kAnswerMilliseconds = 5000;

}  // namespace

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMilliseconds,
                            &length) == 0) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, kAnswerMilliseconds, &copied) == 0) {
        return {};
    }
    text.resize(copied);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.processId && IsWindowVisible(window) != FALSE) {
                s.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& match, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    do {
        for (HWND window : TopLevelWindowsOf(processId)) {
            if (match(window)) {
                return window;
            }
        }
        Sleep(kPollMilliseconds);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

HWND WaitForTitle(DWORD processId, const std::wstring& title, DWORD milliseconds) {
    return WaitForWindow(
        processId, [&title](HWND window) { return TextOf(window) == title; }, milliseconds);
}

bool WaitUntilGone(HWND window, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (IsWindow(window) != FALSE && IsWindowVisible(window) != FALSE) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(kPollMilliseconds);
    }
    return true;
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
