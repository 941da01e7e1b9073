// The Win32 host when its window moves to a monitor of another DPI: Windows asks for the
// size at the new DPI (WM_GETDPISCALEDSIZE), then says the DPI changed and where the window
// should go (WM_DPICHANGED). Wine has one DPI for every monitor and never sends either, so
// the test sends them as Windows would, to a dialog run by the host in this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "dialog.h"
#include "win32_dialog_host.h"

namespace {

using namespace styles;

constexpr int kPoints = 9;
constexpr UINT kProbeTimer = 1;

enum : int { kLabel = 1000, kPath, kPorts, kProgress, kIcon };

constexpr ControlTemplate kControls[] = {
    {kIcon, ControlKind::Icon, "", {11, 80, 20, 20}, 0},
    {kLabel, ControlKind::Static, "전송 파일", {7, 10, 37, 12}, 0},
    {kPath, ControlKind::Edit, "", {45, 9, 154, 14}, kEditAutoHScroll | kBorder | kTabStop},
    {kPorts, ControlKind::Combo, "", {54, 28, 65, 51}, kVScroll | kTabStop},
    {kProgress, ControlKind::ProgressBar, "", {7, 50, 210, 25}, kBorder},
    {IDOK, ControlKind::DefPushButton, "확인", {178, 84, 50, 14}, kTabStop},
};

constexpr DialogTemplate kTemplate{
    900,
    "DPI",
    235,
    104,
    "굴림",
    kPoints,
    kPopup | kCaption | kSysMenu | kModalFrame | kVisible,
    0,
    kControls,
};

// Runs probe on the window thread once the dialog is up, then closes the dialog.
class ProbedDialog : public CDialog {
  public:
    explicit ProbedDialog(std::function<void(HWND)> probe)
        : CDialog(kTemplate), probe_(std::move(probe)) {}

  protected:
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        SetTimer(kProbeTimer, 10);
        return true;
    }
    void OnTimer(UINT) override {
        KillTimer(kProbeTimer);
        probe_(GetSafeHwnd());
        EndDialog(IDOK);
    }

  private:
    std::function<void(HWND)> probe_;
};

void WithDialog(const std::function<void(HWND)>& probe) {
    Win32DialogHost host(GetModuleHandleW(nullptr));
    ProbedDialog dialog(probe);
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// A control's place in its dialog's client area.
RECT PlaceOf(HWND dialog, int id) {
    RECT rect = WindowRect(GetDlgItem(dialog, id));
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::map<int, RECT> Places(HWND dialog) {
    std::map<int, RECT> places;
    for (const ControlTemplate& control : kControls) {
        places[control.id] = PlaceOf(dialog, control.id);
    }
    return places;
}

LONG FontHeightOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    return GetObjectW(handle, sizeof(font), &font) == sizeof(font) ? font.lfHeight : 0;
}

SIZE ScaledSizeAt(HWND dialog, UINT dpi) {
    const RECT now = WindowRect(dialog);
    SIZE size{now.right - now.left, now.bottom - now.top};
    EXPECT_NE(SendMessageW(dialog, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size)), 0);
    return size;
}

// What Windows sends: the new DPI, and the window's new place at the size the window asked
// for, a little off its old one as on another monitor.
RECT ChangeDpi(HWND dialog, UINT dpi) {
    const SIZE size = ScaledSizeAt(dialog, dpi);
    const RECT now = WindowRect(dialog);
    const RECT suggested{now.left + 8, now.top + 6, now.left + 8 + size.cx, now.top + 6 + size.cy};
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return suggested;
}

// Within a pixel of from * 3 / 2: positions and sizes are rounded separately.
void ExpectGrownByHalf(LONG from, LONG to, const std::string& what) {
    EXPECT_NEAR(to, from * 3 / 2, 1) << what;
}

bool Equal(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

std::string Describe(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " - " +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || GetIconInfo(icon, &info) == FALSE) {
        return 0;
    }
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

TEST(Win32DialogHostDpi, AtTheSameDpiTheLayoutIsTheDialogManagersOwn) {
    WithDialog([](HWND dialog) {
        const std::map<int, RECT> made = Places(dialog);
        const RECT window = WindowRect(dialog);
        const SIZE asked = ScaledSizeAt(dialog, GetDpiForWindow(dialog));
        EXPECT_EQ(asked.cx, window.right - window.left);
        EXPECT_EQ(asked.cy, window.bottom - window.top);

        const RECT suggested = ChangeDpi(dialog, GetDpiForWindow(dialog));
        EXPECT_TRUE(Equal(WindowRect(dialog), suggested)) << Describe(WindowRect(dialog));
        for (const auto& [id, place] : Places(dialog)) {
            EXPECT_TRUE(Equal(place, made.at(id))) << "control " << id << " at " << Describe(place)
                                                   << ", made at " << Describe(made.at(id));
        }
    });
}

TEST(Win32DialogHostDpi, OnAMonitorOf144DpiEverythingGrowsByHalf) {
    WithDialog([](HWND dialog) {
        ASSERT_EQ(GetDpiForWindow(dialog), USER_DEFAULT_SCREEN_DPI)
            << "the test starts from a prefix at 96 DPI";
        const std::map<int, RECT> made = Places(dialog);
        RECT madeClient{};
        GetClientRect(dialog, &madeClient);

        const RECT suggested = ChangeDpi(dialog, 144);

        EXPECT_TRUE(Equal(WindowRect(dialog), suggested))
            << "the window goes where Windows suggests: " << Describe(WindowRect(dialog));
        // The size asked for holds the client area grown by half in the frame at 144 DPI.
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)),
                                 FALSE, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)),
                                 144);
        ExpectGrownByHalf(madeClient.right,
                          suggested.right - suggested.left - (frame.right - frame.left),
                          "client width");
        ExpectGrownByHalf(madeClient.bottom,
                          suggested.bottom - suggested.top - (frame.bottom - frame.top),
                          "client height");

        RECT client{};
        GetClientRect(dialog, &client);
        for (const ControlTemplate& control : kControls) {
            const std::string what = "control " + std::to_string(control.id);
            const RECT before = made.at(control.id);
            const RECT after = PlaceOf(dialog, control.id);
            ExpectGrownByHalf(before.left, after.left, what + " left");
            ExpectGrownByHalf(before.top, after.top, what + " top");
            if (control.kind == ControlKind::Icon) {
                // As when made: the size of the icon it shows.
                EXPECT_EQ(after.right - after.left, before.right - before.left) << what;
                continue;
            }
            ExpectGrownByHalf(before.right - before.left, after.right - after.left,
                              what + " width");
            // A combo box's height is its field's, which its font decides.
            if (control.kind != ControlKind::Combo) {
                ExpectGrownByHalf(before.bottom - before.top, after.bottom - after.top,
                                  what + " height");
            }
            EXPECT_EQ(FontHeightOf(GetDlgItem(dialog, control.id)), -MulDiv(kPoints, 144, 72))
                << what << ": the template's font at 144 DPI";
            RECT inside{};
            EXPECT_TRUE(IntersectRect(&inside, &after, &client) && Equal(inside, after))
                << what << " at " << Describe(after) << " is cut off by the client area "
                << Describe(client);
        }
    });
}

TEST(Win32DialogHostDpi, BackAt96DpiTheFirstLayoutReturnsAndNoFontIsLeftBehind) {
    WithDialog([](HWND dialog) {
        const std::map<int, RECT> made = Places(dialog);
        const auto madeFont =
            reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, kLabel, WM_GETFONT, 0, 0));
        const LONG madeHeight = FontHeightOf(GetDlgItem(dialog, kLabel));

        ChangeDpi(dialog, 144);
        const auto fontAt144 =
            reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, kLabel, WM_GETFONT, 0, 0));
        ChangeDpi(dialog, 120);
        const RECT suggested = ChangeDpi(dialog, USER_DEFAULT_SCREEN_DPI);

        EXPECT_TRUE(Equal(WindowRect(dialog), suggested));
        for (const auto& [id, place] : Places(dialog)) {
            EXPECT_TRUE(Equal(place, made.at(id))) << "control " << id << " at " << Describe(place)
                                                   << ", first at " << Describe(made.at(id));
        }
        EXPECT_EQ(FontHeightOf(GetDlgItem(dialog, kLabel)), madeHeight);
        EXPECT_EQ(GetObjectType(fontAt144), 0u) << "the font for 144 DPI was deleted";
        EXPECT_EQ(GetObjectType(madeFont), static_cast<DWORD>(OBJ_FONT))
            << "the dialog manager's font is its own to delete";
    });
}

TEST(Win32DialogHostDpi, TheTitleBarIconIsRemadeForTheNewDpi) {
    WithDialog([](HWND dialog) {
        ChangeDpi(dialog, 144);
        const auto smallIcon =
            reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
        const auto bigIcon = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(IconWidth(smallIcon), GetSystemMetricsForDpi(SM_CXSMICON, 144));
        EXPECT_EQ(IconWidth(bigIcon), GetSystemMetricsForDpi(SM_CXICON, 144));
    });
}

}  // namespace
