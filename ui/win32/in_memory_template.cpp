#include "in_memory_template.h"

#include <commctrl.h>

#include "chart_window.h"
#include "wide_text_win32.h"

namespace {

// Ordinals of the predefined control classes in a dialog template.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kComboBoxClass = 0x0085;

struct KindStyle {
    WORD classOrdinal;  // 0: the class is named by text
    DWORD style;
    const wchar_t* className = PROGRESS_CLASSW;
};

KindStyle StyleOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
            return {kButtonClass, BS_PUSHBUTTON};
        case ControlKind::DefPushButton:
            return {kButtonClass, BS_DEFPUSHBUTTON};
        case ControlKind::Static:
            return {kStaticClass, SS_LEFT};
        case ControlKind::Icon:
            return {kStaticClass, SS_ICON};
        case ControlKind::Edit:
            return {kEditClass, ES_LEFT};
        case ControlKind::MultiLineLog:
            return {kEditClass, ES_LEFT | ES_MULTILINE | ES_READONLY};
        case ControlKind::Combo:
            return {kComboBoxClass, CBS_DROPDOWN};
        case ControlKind::Radio:
            return {kButtonClass, BS_AUTORADIOBUTTON};
        case ControlKind::CheckBox:
            return {kButtonClass, BS_AUTOCHECKBOX};
        case ControlKind::GroupBox:
            return {kButtonClass, BS_GROUPBOX};
        case ControlKind::ProgressBar:
            return {0, 0};
        case ControlKind::Table:
            return {0, LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS,
                    WC_LISTVIEWW};
        case ControlKind::Chart:
            return {0, 0, kChartWindowClass};
    }
    return {kStaticClass, SS_LEFT};
}

WORD DialogUnit(int value) {
    return static_cast<WORD>(static_cast<short>(value));
}

}  // namespace

InMemoryTemplate::InMemoryTemplate(const DialogTemplate& source) {
    DoubleWord(source.style | DS_SETFONT);
    DoubleWord(source.exStyle);
    Word(static_cast<WORD>(source.controls.size()));
    Word(0);  // x and y: the dialog manager centres a DS_MODALFRAME dialog on its owner
    Word(0);
    Word(DialogUnit(source.cx));
    Word(DialogUnit(source.cy));
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(source.caption);
    Word(static_cast<WORD>(source.fontPoints));
    Text(source.fontName);
    for (const ControlTemplate& control : source.controls) {
        Control(control);
    }
}

void InMemoryTemplate::DoubleWord(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
}

void InMemoryTemplate::Text(std::string_view utf8) {
    for (const wchar_t unit : Utf8ToWide(utf8)) {
        Word(static_cast<WORD>(unit));
    }
    Word(0);
}

void InMemoryTemplate::AlignToDoubleWord() {
    if (words_.size() % 2 != 0) {
        Word(0);
    }
}

void InMemoryTemplate::Control(const ControlTemplate& control) {
    const KindStyle kind = StyleOf(control.kind);
    AlignToDoubleWord();
    DoubleWord(WS_CHILD | WS_VISIBLE | kind.style | control.style);
    DoubleWord(0);
    Word(DialogUnit(control.rect.x));
    Word(DialogUnit(control.rect.y));
    Word(DialogUnit(control.rect.cx));
    Word(DialogUnit(control.rect.cy));
    // IDC_STATIC is -1 in a template's 16-bit id field too.
    Word(static_cast<WORD>(control.id));
    if (kind.classOrdinal != 0) {
        Word(0xFFFF);
        Word(kind.classOrdinal);
    } else {
        for (const wchar_t unit : std::wstring_view(kind.className)) {
            Word(static_cast<WORD>(unit));
        }
        Word(0);
    }
    if (control.kind == ControlKind::Icon) {
        // A resource ordinal as the title: the dialog manager loads the icon from the module
        // given to DialogBoxIndirectParamW.
        Word(0xFFFF);
        Word(kApplicationIconId);
    } else {
        Text(control.text);
    }
    Word(0);  // no creation data
}
