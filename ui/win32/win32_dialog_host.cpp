#include "win32_dialog_host.h"

#include "chart_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "in_memory_template.h"
#include "per_monitor_dpi.h"
#include "wide_text_win32.h"

namespace {

std::string LastErrorText(const char* call) {
    return std::string(call) + " failed (error " + std::to_string(GetLastError()) + ")";
}

// What the framework promises its callers: IDOK for a box with one button; for a question,
// IDNO only for No, so a box closed by other means counts as yes.
int FrameworkAnswer(int answer, UINT style) {
    if ((style & MB_YESNO) == MB_YESNO) {
        return answer == IDNO ? IDNO : IDYES;
    }
    return IDOK;
}

// The answer of a box that could not be shown: its default button, as if the operator had
// pressed Enter.
int DefaultAnswer(UINT style) {
    if ((style & MB_YESNO) == MB_YESNO) {
        return (style & MB_DEFMASK) == MB_DEFBUTTON2 ? IDNO : IDYES;
    }
    return IDOK;
}

// The file dialog's type list, as the Qt host offers it: the request's pattern first, then
// all files, so that a program named .txt or with no extension can be listed and chosen.
// Pairs of shown text and pattern, each ended by a null, the list by one more.
std::wstring FileTypeFilter(const FileDialogRequest& request) {
    constexpr std::string_view kAllFiles = "모든 파일 (*)";
    std::wstring filter;
    if (!request.initialName.empty()) {
        const std::wstring pattern = Utf8ToWide(request.initialName);
        filter += pattern + L'\0' + pattern + L'\0';
    }
    filter += Utf8ToWide(kAllFiles) + L'\0' + L"*" + L'\0';
    filter += L'\0';
    return filter;
}

}  // namespace

Win32DialogHost::Win32DialogHost(HINSTANCE module)
    : module_(module), windowThread_(GetCurrentThreadId()), previous_(SetDialogHost(this)) {
    // The progress bar's class, and the themed buttons, edits, statics and combo boxes of
    // common controls 6 that the manifest asks for.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES |
                                                                          ICC_PROGRESS_CLASS |
                                                                          ICC_LISTVIEW_CLASSES};
    const char* failed = nullptr;
    if (InitCommonControlsEx(&controls) == FALSE) {
        failed = "InitCommonControlsEx()";
    } else if (!RegisterChartWindowClass(module_)) {
        failed = "RegisterClassExW()";
    }
    if (failed != nullptr) {
        const std::string message = LastErrorText(failed);
        Uninstall();
        throw std::runtime_error(message);
    }
}

Win32DialogHost::~Win32DialogHost() {
    Uninstall();
    DestroyIcons();
}

void Win32DialogHost::Uninstall() {
    SetDialogHost(previous_);
}

int Win32DialogHost::RunModal(CDialog& dialog) {
    const InMemoryTemplate memoryTemplate(dialog.Template());
    HWND owner = nullptr;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if ((*it)->hwnd != nullptr) {
            owner = (*it)->hwnd;
            break;
        }
    }
    windows_.push_back(std::make_unique<Window>());
    Window& window = *windows_.back();
    window.host = this;
    window.dialog = &dialog;
    struct Forget {
        std::vector<std::unique_ptr<Window>>& windows;
        Window& window;
        ~Forget() {
            std::erase_if(windows, [this](const auto& w) { return w.get() == &window; });
        }
    } forget{windows_, window};

    const INT_PTR ended = DialogBoxIndirectParamW(module_, memoryTemplate.Get(), owner, &DialogProc,
                                                  reinterpret_cast<LPARAM>(&window));
    if (pendingException_) {
        std::rethrow_exception(std::exchange(pendingException_, nullptr));
    }
    if (ended == -1 && !window.result) {
        throw std::runtime_error(LastErrorText("DialogBoxIndirectParamW()"));
    }
    return window.result.value_or(IDCANCEL);
}

INT_PTR CALLBACK Win32DialogHost::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    Window* window = nullptr;
    if (message == WM_INITDIALOG) {
        window = reinterpret_cast<Window*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
        window->hwnd = hwnd;
    } else {
        window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (window == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        window->hwnd = nullptr;
        return FALSE;
    }
    Win32DialogHost& host = *window->host;
    try {
        return host.Handle(*window, message, wParam, lParam);
    } catch (...) {
        if (!host.pendingException_) {
            host.pendingException_ = std::current_exception();
        }
        EndDialog(hwnd, -1);
        return TRUE;
    }
}

INT_PTR Win32DialogHost::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog& dialog = *window.dialog;
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(window, window.hwnd);
            // TRUE lets the dialog manager put the focus on the first tab stop.
            return dialog.HandleInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            dialog.HandleCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_TIMER:
            dialog.HandleTimer(static_cast<UINT>(wParam));
            return TRUE;
        case WM_CLOSE:
            // Instead of the dialog manager's IDCANCEL: the dialog decides what closing means.
            dialog.HandleClose();
            return TRUE;
        case WM_SYSCOMMAND:
            // The items the program appended; the system's own (move, minimise, close) keep
            // their default handling, and Close arrives as WM_CLOSE.
            if ((wParam & 0xFFF0) < SC_SIZE) {
                dialog.HandleSysCommand(static_cast<UINT>(wParam), lParam);
                return TRUE;
            }
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(bigIcon_);
        case WM_GETDPISCALEDSIZE: {
            auto* size = reinterpret_cast<SIZE*>(lParam);
            *size = WindowSizeAtDpi(window, static_cast<UINT>(wParam));
            SetWindowLongPtrW(window.hwnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        case WM_DPICHANGED:
            MoveToDpi(window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            SetWindowLongPtrW(window.hwnd, DWLP_MSGRESULT, 0);
            return TRUE;
        default:
            break;
    }
    // The program's own messages, posted through PostToWindow (WM_TRANSFER_DONE).
    if (IsProgramMessage(message)) {
        dialog.HandleMessage(message, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}

void Win32DialogHost::InitDialog(Window& window, HWND hwnd) {
    window.dpi = WindowDpi(hwnd);
    // The dialog manager makes the controls in template order, each at the bottom of the
    // Z order.
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        window.controls.push_back(child);
    }
    const DialogTemplate& dialog = window.dialog->Template();
    window.at96Dpi = BaseUnitsOf(
        TemplateFontAtDpi(CurrentFont(window), dialog.fontPoints, USER_DEFAULT_SCREEN_DPI).Get());
    TakeOverDpiChanges(hwnd);
    if (window.dpi != USER_DEFAULT_SCREEN_DPI) {
        // Made at another DPI, the dialog manager's layout is not the 96-DPI one grown.
        LayOutControls(window, window.dpi);
        const SIZE size = WindowSizeAtDpi(window, window.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The window with no owner is the one on the task bar: it carries the program's icon.
    if (GetWindow(hwnd, GW_OWNER) == nullptr) {
        SetApplicationIcons(hwnd, window.dpi);
    }
    for (const ControlTemplate& control : window.dialog->Template().controls) {
        if (control.kind == ControlKind::MultiLineLog && control.id != kNoControlId) {
            // The event log outgrows the edit control's default limit of 32 K characters.
            SendDlgItemMessageW(hwnd, control.id, EM_SETLIMITTEXT, 0, 0);
        }
    }
}

void Win32DialogHost::SetApplicationIcons(HWND hwnd, UINT dpi) {
    const auto load = [this, dpi](int width, int height) {
        return static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(kApplicationIconId),
                                             IMAGE_ICON, SystemMetricForDpi(width, dpi),
                                             SystemMetricForDpi(height, dpi), LR_DEFAULTCOLOR));
    };
    HICON bigIcon = load(SM_CXICON, SM_CYICON);
    HICON smallIcon = load(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    // Only now that the window holds the new ones: it draws with the icons it was given.
    DestroyIcons();
    bigIcon_ = bigIcon;
    smallIcon_ = smallIcon;
}

void Win32DialogHost::DestroyIcons() {
    if (bigIcon_ != nullptr) {
        DestroyIcon(std::exchange(bigIcon_, nullptr));
    }
    if (smallIcon_ != nullptr) {
        DestroyIcon(std::exchange(smallIcon_, nullptr));
    }
}

HFONT Win32DialogHost::CurrentFont(const Window& window) const {
    return window.font.Get() != nullptr
               ? window.font.Get()
               : reinterpret_cast<HFONT>(SendMessageW(window.hwnd, WM_GETFONT, 0, 0));
}

SIZE Win32DialogHost::WindowSizeAtDpi(const Window& window, UINT dpi) const {
    const SIZE client = ClientSizeInPixels(window.dialog->Template(), {window.at96Dpi, dpi});
    const RECT frame =
        WindowRectForClient(client, static_cast<DWORD>(GetWindowLongPtrW(window.hwnd, GWL_STYLE)),
                            static_cast<DWORD>(GetWindowLongPtrW(window.hwnd, GWL_EXSTYLE)), dpi);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void Win32DialogHost::LayOutControls(Window& window, UINT dpi) {
    const DialogTemplate& dialog = window.dialog->Template();
    OwnedFont font = TemplateFontAtDpi(CurrentFont(window), dialog.fontPoints, dpi);
    const std::size_t count = std::min(window.controls.size(), dialog.controls.size());
    for (std::size_t i = 0; i < count; ++i) {
        HWND control = window.controls[i];
        // The font first: a combo box sizes its field from it when it is placed.
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        const RECT place = ToPixels(dialog.controls[i].rect, {window.at96Dpi, dpi});
        // An icon control keeps the size of its icon, as when it was made.
        const UINT keepSize = dialog.controls[i].kind == ControlKind::Icon ? SWP_NOSIZE : 0;
        SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | keepSize);
    }
    // The controls have let go of the font they had.
    window.font = std::move(font);
    window.dpi = dpi;
}

void Win32DialogHost::MoveToDpi(Window& window, UINT dpi, const RECT& suggested) {
    LayOutControls(window, dpi);
    if (GetWindow(window.hwnd, GW_OWNER) == nullptr) {
        SetApplicationIcons(window.hwnd, dpi);
    }
    SetWindowPos(window.hwnd, nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(window.hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Win32DialogHost::EndModal(CDialog& dialog, int result) {
    Window& window = WindowFor(dialog);
    window.result = result;
    if (window.hwnd != nullptr) {
        EndDialog(window.hwnd, result);
    }
}

HWND Win32DialogHost::WindowOf(const CDialog& dialog) {
    for (const auto& window : windows_) {
        if (window->dialog == &dialog) {
            return window->hwnd;
        }
    }
    return nullptr;
}

BOOL Win32DialogHost::PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Below WM_APP the dialog manager and the controls would take the number as their own.
    if (!IsProgramMessage(message)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A window that is gone refuses the post itself.
    return PostMessageW(window, message, wParam, lParam);
}

Win32DialogHost::Window& Win32DialogHost::WindowFor(const CDialog& dialog) {
    for (const auto& window : windows_) {
        if (window->dialog == &dialog) {
            return *window;
        }
    }
    throw std::logic_error("Win32 host: dialog \"" + std::string(dialog.Template().caption) +
                           "\" has no window");
}

HWND Win32DialogHost::Control(CDialog& dialog, int id) {
    const Window& window = WindowFor(dialog);
    HWND control = window.hwnd != nullptr ? GetDlgItem(window.hwnd, id) : nullptr;
    if (control == nullptr || id == kNoControlId) {
        throw std::logic_error("Win32 host: no control " + std::to_string(id));
    }
    return control;
}

LRESULT Win32DialogHost::SendToControl(CDialog& dialog, int id, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
    return SendMessageW(Control(dialog, id), message, wParam, lParam);
}

void Win32DialogHost::SetText(CDialog& dialog, int id, std::string_view text) {
    SetWindowTextW(Control(dialog, id), Utf8ToWide(text).c_str());
}

std::string Win32DialogHost::GetText(CDialog& dialog, int id) {
    HWND control = Control(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return WideToUtf8(text);
}

void Win32DialogHost::AppendText(CDialog& dialog, int id, std::string_view text) {
    const auto& controls = dialog.Template().controls;
    const auto source = std::find_if(controls.begin(), controls.end(),
                                     [id](const ControlTemplate& c) { return c.id == id; });
    const bool edit = source != controls.end() && (source->kind == ControlKind::Edit ||
                                                   source->kind == ControlKind::MultiLineLog);
    if (!edit) {
        SetText(dialog, id, GetText(dialog, id) + std::string(text));
        return;
    }
    // The caret to the end, then the text in its place: the edit control adds it without
    // taking its whole text again and scrolls the caret into view.
    HWND control = Control(dialog, id);
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(control));
    SendMessageW(control, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Utf8ToWide(text).c_str()));
}

void Win32DialogHost::Show(CDialog& dialog, int id, bool visible) {
    ShowWindow(Control(dialog, id), visible ? SW_SHOW : SW_HIDE);
}

void Win32DialogHost::SetCheck(CDialog& dialog, int id, int state) {
    SendToControl(dialog, id, BM_SETCHECK, state != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32DialogHost::GetCheck(CDialog& dialog, int id) {
    return SendToControl(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32DialogHost::ComboAppend(CDialog& dialog, int id, std::string_view text) {
    const std::wstring wide = Utf8ToWide(text);
    // Position -1 appends; CB_ADDSTRING would sort a sorted list.
    SendToControl(dialog, id, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                  reinterpret_cast<LPARAM>(wide.c_str()));
}

void Win32DialogHost::ComboClear(CDialog& dialog, int id) {
    SendToControl(dialog, id, CB_RESETCONTENT, 0, 0);
}

int Win32DialogHost::ComboCount(CDialog& dialog, int id) {
    return static_cast<int>(SendToControl(dialog, id, CB_GETCOUNT, 0, 0));
}

void Win32DialogHost::ComboSetSelection(CDialog& dialog, int id, int index) {
    SendToControl(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogHost::ComboSelection(CDialog& dialog, int id) {
    const LRESULT selected = SendToControl(dialog, id, CB_GETCURSEL, 0, 0);
    return selected == CComboBox::CB_ERR ? -1 : static_cast<int>(selected);
}

std::string Win32DialogHost::ComboItemText(CDialog& dialog, int id, int index) {
    const LRESULT length =
        SendToControl(dialog, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CComboBox::CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendToControl(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CComboBox::CB_ERR ? 0 : static_cast<std::size_t>(copied));
    return WideToUtf8(text);
}

void Win32DialogHost::ProgressSetRange(CDialog& dialog, int id, int lower, int upper) {
    SendToControl(dialog, id, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
}

void Win32DialogHost::ProgressSetPos(CDialog& dialog, int id, int position) {
    SendToControl(dialog, id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32DialogHost::SetTimer(CDialog& dialog, UINT timerId, UINT milliseconds) {
    const Window& window = WindowFor(dialog);
    if (::SetTimer(window.hwnd, timerId, milliseconds, nullptr) == 0) {
        throw std::runtime_error(LastErrorText("SetTimer()"));
    }
}

void Win32DialogHost::KillTimer(CDialog& dialog, UINT timerId) {
    ::KillTimer(WindowFor(dialog).hwnd, timerId);
}

void Win32DialogHost::AppendSystemMenuItem(CDialog& dialog, UINT commandId, std::string_view text) {
    HMENU menu = GetSystemMenu(WindowFor(dialog).hwnd, FALSE);
    if (menu == nullptr || text.empty()) {
        return;
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, commandId, Utf8ToWide(text).c_str());
}

void Win32DialogHost::EnableSystemMenuItem(CDialog& dialog, UINT commandId, bool enabled) {
    HMENU menu = GetSystemMenu(WindowFor(dialog).hwnd, FALSE);
    if (menu != nullptr) {
        EnableMenuItem(menu, commandId, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void Win32DialogHost::TableSetContent(CDialog& dialog, int id, const TextTable& table) {
    HWND list = Control(dialog, id);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0) != FALSE) {
    }
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (std::size_t c = 0; c < table.header.size(); ++c) {
        std::wstring text = Utf8ToWide(table.header[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = c == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        column.pszText = text.data();
        column.iSubItem = static_cast<int>(c);
        SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t c = 0; c < table.rows[r].size() && c < table.header.size(); ++c) {
            std::wstring text = Utf8ToWide(table.rows[r][c]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.iSubItem = static_cast<int>(c);
            item.pszText = text.data();
            SendMessageW(list, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                         reinterpret_cast<LPARAM>(&item));
        }
    }
    // Wide enough for the header and every cell: a cut header hides what a column means.
    for (std::size_t c = 0; c < table.header.size(); ++c) {
        LRESULT width = SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                     reinterpret_cast<LPARAM>(Utf8ToWide(table.header[c]).c_str()));
        for (const auto& row : table.rows) {
            if (c < row.size()) {
                width = std::max(
                    width, SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                        reinterpret_cast<LPARAM>(Utf8ToWide(row[c]).c_str())));
            }
        }
        SendMessageW(list, LVM_SETCOLUMNWIDTH, c, width + 20);
    }
}

void Win32DialogHost::ChartSetContent(CDialog& dialog, int id, const ChartDescription& chart) {
    SetChartWindowContent(Control(dialog, id), chart);
}

std::optional<std::string> Win32DialogHost::SaveFileDialog(const FileDialogRequest& request) {
    HWND owner = GetActiveWindow();
    if (owner == nullptr && !windows_.empty()) {
        owner = windows_.back()->hwnd;
    }
    std::wstring file = Utf8ToWide(request.initialName);
    file.resize(32768, L'\0');
    const std::wstring extension = Utf8ToWide(request.defaultExtension);
    std::wstring filter;
    if (!extension.empty()) {
        filter += L"*." + extension + L'\0' + L"*." + extension + L'\0';
    }
    filter += Utf8ToWide("모든 파일 (*)") + L'\0' + L"*" + L'\0';
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
    if (GetSaveFileNameW(&dialog) == FALSE) {
        return std::nullopt;
    }
    file.resize(file.find(L'\0'));
    return WideToUtf8(file);
}

int Win32DialogHost::MessageBox(CDialog* owner, std::string_view text, std::string_view caption,
                                UINT style) {
    return MessageBoxForWindow(owner != nullptr ? WindowOf(*owner) : nullptr, text, caption, style);
}

int Win32DialogHost::MessageBoxForWindow(HWND owner, std::string_view text,
                                         std::string_view caption, UINT style) noexcept {
    if (stopped_ && GetCurrentThreadId() != windowThread_) {
        return IDOK;
    }
    // An owner that closed meanwhile would make the call fail: the box then stands alone.
    if (owner != nullptr && IsWindow(owner) == FALSE) {
        owner = nullptr;
    }
    // A box that cannot be shown (no desktop, no memory) must not end the program: on the
    // worker's thread nothing could catch an exception. It counts as its default answer.
    int answer = 0;
    try {
        const std::wstring wideText = Utf8ToWide(text);
        const std::wstring wideCaption = Utf8ToWide(caption);
        answer = MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), style);
        if (answer == 0) {
            const std::wstring why = Utf8ToWide(LastErrorText("MessageBoxW()"));
            OutputDebugStringW((why + L": " + wideCaption + L": " + wideText + L"\n").c_str());
        }
    } catch (...) {
        answer = 0;
    }
    return answer == 0 ? DefaultAnswer(style) : FrameworkAnswer(answer, style);
}

std::optional<std::string> Win32DialogHost::OpenFileDialog(const FileDialogRequest& request) {
    HWND owner = GetActiveWindow();
    if (owner == nullptr && !windows_.empty()) {
        owner = windows_.back()->hwnd;
    }
    // Long enough for any path the system allows, not only MAX_PATH.
    std::wstring file = Utf8ToWide(request.initialName);
    file.resize(32768, L'\0');
    const std::wstring extension = Utf8ToWide(request.defaultExtension);
    const std::wstring filter = FileTypeFilter(request);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    // No OFN_FILEMUSTEXIST: a typed name is taken as it is and the send checks it. The
    // current directory stays the program's own.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetOpenFileNameW(&dialog) == FALSE) {
        return std::nullopt;
    }
    file.resize(file.find(L'\0'));
    return WideToUtf8(file);
}
