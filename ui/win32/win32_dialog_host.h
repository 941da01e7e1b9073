// The native Win32 host: builds each dialog in memory from its template, runs it with the
// dialog manager's own modal loop, and routes the window messages back to the dialog's
// handlers. Runs on the thread that calls RunModal; only PostToWindow and
// MessageBoxForWindow may be called from other threads.
#pragma once

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "dialog.h"
#include "dialog_host.h"
#include "dialog_layout.h"

class Win32DialogHost : public DialogHost {
  public:
    // Installs itself as the process's host while it lives and readies the common controls
    // the templates use. Icons come from module, the program that carries the application
    // icon.
    explicit Win32DialogHost(HINSTANCE module);
    ~Win32DialogHost() override;
    Win32DialogHost(const Win32DialogHost&) = delete;
    Win32DialogHost& operator=(const Win32DialogHost&) = delete;

    // The message box of the platform services, from any thread: owner is a window or null.
    // A box that cannot be shown answers as its default button would.
    int MessageBoxForWindow(HWND owner, std::string_view text, std::string_view caption,
                            UINT style) noexcept;
    // After this, boxes asked for by other threads are answered OK at once: nobody is left
    // to answer them.
    void StopAnsweringOtherThreads() { stopped_ = true; }

    // DialogHost
    int RunModal(CDialog& dialog) override;
    void EndModal(CDialog& dialog, int result) override;
    HWND WindowOf(const CDialog& dialog) override;
    BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void SetText(CDialog& dialog, int id, std::string_view text) override;
    std::string GetText(CDialog& dialog, int id) override;
    void AppendText(CDialog& dialog, int id, std::string_view text) override;
    void Show(CDialog& dialog, int id, bool visible) override;
    void SetCheck(CDialog& dialog, int id, int state) override;
    int GetCheck(CDialog& dialog, int id) override;
    void ComboAppend(CDialog& dialog, int id, std::string_view text) override;
    void ComboClear(CDialog& dialog, int id) override;
    int ComboCount(CDialog& dialog, int id) override;
    void ComboSetSelection(CDialog& dialog, int id, int index) override;
    int ComboSelection(CDialog& dialog, int id) override;
    std::string ComboItemText(CDialog& dialog, int id, int index) override;
    void ProgressSetRange(CDialog& dialog, int id, int lower, int upper) override;
    void ProgressSetPos(CDialog& dialog, int id, int position) override;
    void TableSetContent(CDialog& dialog, int id, const TextTable& table) override;
    void ChartSetContent(CDialog& dialog, int id, const ChartDescription& chart) override;
    void SetTimer(CDialog& dialog, UINT timerId, UINT milliseconds) override;
    void KillTimer(CDialog& dialog, UINT timerId) override;
    void AppendSystemMenuItem(CDialog& dialog, UINT commandId, std::string_view text) override;
    void EnableSystemMenuItem(CDialog& dialog, UINT commandId, bool enabled) override;
    int MessageBox(CDialog* owner, std::string_view text, std::string_view caption,
                   UINT style) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;

  private:
    struct Window {
        Win32DialogHost* host = nullptr;
        CDialog* dialog = nullptr;
        HWND hwnd = nullptr;
        std::optional<int> result;
        UINT dpi = USER_DEFAULT_SCREEN_DPI;
        DialogBaseUnits at96Dpi;
        std::vector<HWND> controls;  // in template order
        // The template's font at dpi once the host has laid the window out; until then
        // the controls use the dialog manager's.
        OwnedFont font;
    };

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
    void InitDialog(Window& window, HWND hwnd);
    void Uninstall();
    void SetApplicationIcons(HWND hwnd, UINT dpi);
    void DestroyIcons();
    // The size of the window laid out for dpi, asked by Windows before a DPI change.
    SIZE WindowSizeAtDpi(const Window& window, UINT dpi) const;
    // The template's font at dpi for every control, and each in its place at that DPI.
    void LayOutControls(Window& window, UINT dpi);
    // The window moved to a monitor of another DPI: laid out for it, where Windows suggests.
    void MoveToDpi(Window& window, UINT dpi, const RECT& suggested);
    HFONT CurrentFont(const Window& window) const;

    Window& WindowFor(const CDialog& dialog);
    HWND Control(CDialog& dialog, int id);
    LRESULT SendToControl(CDialog& dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE module_;
    DWORD windowThread_;
    std::vector<std::unique_ptr<Window>> windows_;  // innermost last; window thread only
    // A handler's exception cannot cross the dialog manager: it ends the run and is thrown
    // again where RunModal returns.
    std::exception_ptr pendingException_;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::atomic<bool> stopped_ = false;
    DialogHost* previous_;
};
