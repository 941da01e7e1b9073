// What a toolkit provides to run CDialogs: it turns a template into windows, carries out
// control operations by id and routes commands, timers, close requests, system-menu
// commands and posted messages back to the dialog (through CDialog's Handle* entries).
// CDialog never touches a toolkit itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "chart_description.h"
#include "platform_types.h"
#include "text_table.h"
#include "window_constants.h"

class CDialog;

// The messages a program posts to its own windows: the application range, WM_APP to 0xBFFF.
// No window class or dialog manager gives these a meaning.
constexpr bool IsProgramMessage(UINT message) {
    return message >= WM_APP && message <= 0xBFFF;
}

struct FileDialogRequest {
    std::string defaultExtension;  // empty: none added
    std::string initialName;       // "*.nc" lists only names with that ending at first
};

class DialogHost {
  public:
    virtual ~DialogHost() = default;

    // Creates the dialog's window from its template, calls HandleInitDialog, and returns the
    // result given to EndModal once the handler that called it has returned. Runs nest: a
    // handler may start another modal run.
    virtual int RunModal(CDialog& dialog) = 0;
    virtual void EndModal(CDialog& dialog, int result) = 0;

    // The window of a running dialog; null when it has none. Only the host interprets it.
    virtual HWND WindowOf(const CDialog& dialog) = 0;
    // Callable from any thread. A program message (IsProgramMessage) reaches HandleMessage
    // on the window thread; a window that is gone drops it, and any other message is
    // refused: the result is then FALSE.
    virtual BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Control operations on the running dialog's controls, by id.
    virtual void SetText(CDialog& dialog, int id, std::string_view text) = 0;
    virtual std::string GetText(CDialog& dialog, int id) = 0;
    // Adds text at the end of what the control shows, leaving the rest in place (a log box
    // that grows needs no copy of all it holds); an edit box then shows its end.
    virtual void AppendText(CDialog& dialog, int id, std::string_view text) = 0;
    virtual void Show(CDialog& dialog, int id, bool visible) = 0;
    virtual void SetCheck(CDialog& dialog, int id, int state) = 0;  // 0 clear, 1 marked
    virtual int GetCheck(CDialog& dialog, int id) = 0;
    virtual void ComboAppend(CDialog& dialog, int id, std::string_view text) = 0;
    virtual void ComboClear(CDialog& dialog, int id) = 0;
    virtual int ComboCount(CDialog& dialog, int id) = 0;
    virtual void ComboSetSelection(CDialog& dialog, int id, int index) = 0;  // -1: none
    virtual int ComboSelection(CDialog& dialog, int id) = 0;                 // -1: none
    virtual std::string ComboItemText(CDialog& dialog, int id, int index) = 0;
    virtual void ProgressSetRange(CDialog& dialog, int id, int lower, int upper) = 0;
    virtual void ProgressSetPos(CDialog& dialog, int id, int position) = 0;
    virtual void TableSetContent(CDialog& dialog, int id, const TextTable& table) = 0;
    // The host keeps its own copy and redraws it at the control's size.
    virtual void ChartSetContent(CDialog& dialog, int id, const ChartDescription& chart) = 0;

    virtual void SetTimer(CDialog& dialog, UINT timerId, UINT milliseconds) = 0;
    virtual void KillTimer(CDialog& dialog, UINT timerId) = 0;

    // Adds a separator and then a text item with the command id to the window's system menu;
    // choosing the item reaches HandleSysCommand.
    virtual void AppendSystemMenuItem(CDialog& dialog, UINT commandId, std::string_view text) = 0;
    // Greys an item added with AppendSystemMenuItem out, or makes it choosable again.
    virtual void EnableSystemMenuItem(CDialog& dialog, UINT commandId, bool enabled) = 0;

    // Blocks until answered; owner may be null. Styles MB_OK, MB_ICONINFORMATION, MB_YESNO
    // (Yes the default button). Returns IDOK, IDYES or IDNO.
    virtual int MessageBox(CDialog* owner, std::string_view text, std::string_view caption,
                           UINT style) = 0;
    // The common file-open dialog, owned by the active window; the chosen full path, or
    // nothing when the operator cancels.
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
    // The common file-save dialog: the chosen full path (an existing file's replacement
    // confirmed by the operator), or nothing when the operator cancels.
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
};

// The host in force for the process; the GUI program and the tests install theirs.
// Returns the previous one; the caller keeps ownership.
DialogHost* SetDialogHost(DialogHost* host);
DialogHost& Host();
