#include "per_monitor_dpi.h"

namespace {

template <typename Function>
Function User32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const auto getSystemMetricsForDpi =
        User32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return getSystemMetricsForDpi != nullptr ? getSystemMetricsForDpi(index, dpi)
                                             : GetSystemMetrics(index);
}

RECT WindowRectForClient(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto adjustWindowRectExForDpi =
        User32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, client.cx, client.cy};
    if (adjustWindowRectExForDpi == nullptr ||
        adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, dpi) == FALSE) {
        rect = {0, 0, client.cx, client.cy};
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

void TakeOverDpiChanges(HWND dialog) {
    static const auto setDialogDpiChangeBehavior =
        User32Function<BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS,
                                     DIALOG_DPI_CHANGE_BEHAVIORS)>("SetDialogDpiChangeBehavior");
    if (setDialogDpiChangeBehavior != nullptr) {
        setDialogDpiChangeBehavior(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
    }
}
