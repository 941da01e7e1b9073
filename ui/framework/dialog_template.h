// A dialog described as data: the window and its controls, with positions in dialog units.
// Every host builds its real windows from this one description.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Style bits with their Win32 values, so the Win32 host can hand them on unchanged. They
// carry the looks and the keyboard roles (tab stops, group starts); the control's kind
// says what it is.
namespace styles {
inline constexpr std::uint32_t kPopup = 0x80000000;
inline constexpr std::uint32_t kVisible = 0x10000000;
inline constexpr std::uint32_t kCaption = 0x00C00000;
inline constexpr std::uint32_t kBorder = 0x00800000;
inline constexpr std::uint32_t kVScroll = 0x00200000;
inline constexpr std::uint32_t kHScroll = 0x00100000;
inline constexpr std::uint32_t kSysMenu = 0x00080000;
inline constexpr std::uint32_t kGroup = 0x00020000;
inline constexpr std::uint32_t kMinimizeBox = 0x00020000;  // on a window, not a control
inline constexpr std::uint32_t kTabStop = 0x00010000;
inline constexpr std::uint32_t kModalFrame = 0x00000080;   // DS_MODALFRAME
inline constexpr std::uint32_t kAppWindowEx = 0x00040000;  // WS_EX_APPWINDOW
inline constexpr std::uint32_t kEditAutoHScroll = 0x0080;
inline constexpr std::uint32_t kEditAutoVScroll = 0x0040;
inline constexpr std::uint32_t kButtonCenter = 0x0300;    // BS_CENTER, the group box title
inline constexpr std::uint32_t kStaticNoPrefix = 0x0080;  // SS_NOPREFIX: '&' shown as is
}  // namespace styles

enum class ControlKind {
    PushButton,
    DefPushButton,
    Static,
    Icon,          // a static picture: the application icon
    Edit,          // single line, editable
    MultiLineLog,  // multi-line and read only
    Combo,         // drop-down list with an edit field, not sorted
    Radio,         // automatic: a click marks it and clears the others of its group
    CheckBox,      // automatic: a click toggles it
    GroupBox,
    ProgressBar,
    Table,  // a read-only grid of texts with a header row
    Chart,  // a chart the host draws from a chart description
};

inline constexpr int kNoControlId = -1;  // IDC_STATIC: a control nobody addresses

struct DialogUnits {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct ControlTemplate {
    int id = kNoControlId;
    ControlKind kind = ControlKind::Static;
    std::string_view text;  // UTF-8
    DialogUnits rect;
    std::uint32_t style = 0;
};

struct DialogTemplate {
    int id = 0;
    std::string_view caption;  // UTF-8
    int cx = 0;
    int cy = 0;
    std::string_view fontName;
    int fontPoints = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::span<const ControlTemplate> controls;  // template order, which is the tab order
};

// The push button Enter presses while the focus is on no push button, or null, when Enter is
// command IDOK. As the Windows dialog manager builds a dialog, each push button of default
// style takes the default from the one before it (which is drawn as a plain button from then
// on): the last one of the template wins (seen under Wine, DM_GETDEFID).
inline const ControlTemplate* DefaultPushButton(const DialogTemplate& dialogTemplate) {
    const ControlTemplate* found = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.kind == ControlKind::DefPushButton) {
            found = &control;
        }
    }
    return found;
}
