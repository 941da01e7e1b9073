// The Qt Widgets host: builds a QDialog from a dialog's template, places the controls by
// dialog units measured in the template's font, and routes the toolkit's events back to
// the dialog's handlers. Runs on the thread that owns the QApplication; only PostToWindow
// and MessageBoxForWindow may be called from other threads.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "dialog.h"
#include "dialog_host.h"

class QDialog;
class QWidget;
class QTimer;
class QButtonGroup;

class QtDialogHost : public DialogHost {
  public:
    // Installs itself as the process's host while it lives.
    QtDialogHost();
    ~QtDialogHost() override;
    QtDialogHost(const QtDialogHost&) = delete;
    QtDialogHost& operator=(const QtDialogHost&) = delete;

    // The message box of the platform services: owner is a window of this host or null.
    // From another thread it is shown on the GUI thread and the caller waits for the answer.
    int MessageBoxForWindow(HWND owner, std::string_view text, std::string_view caption,
                            UINT style);
    // For shutdown, when the GUI thread no longer runs its events: every box another thread
    // is waiting for is answered OK now, also one whose showing is still queued, and later
    // ones at once, so a worker always goes on to close its port.
    void StopAnsweringOtherThreads();
    // Boxes other threads are waiting for.
    int WaitingOtherThreadBoxes();

    // For tests and screenshots: the real widgets of a running dialog.
    QDialog* WidgetOf(const CDialog& dialog);
    QWidget* ControlWidget(const CDialog& dialog, int id);

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
    struct Control {
        const ControlTemplate* source = nullptr;
        QWidget* widget = nullptr;
    };
    struct Window {
        CDialog* dialog = nullptr;
        std::unique_ptr<QDialog> widget;
        std::vector<Control> controls;  // template order
        std::vector<QButtonGroup*> radioGroups;
        std::map<UINT, QTimer*> timers;
        bool pendingSeparator = false;
        std::optional<int> result;
        bool running = false;
    };

    Window& WindowFor(const CDialog& dialog);
    Window* FindWindow(HWND window);
    QWidget* Widget(CDialog& dialog, int id);
    void Build(Window& window);
    void ClickRadio(Window& window, std::size_t index);

    // A box another thread asked for; answered once, by the operator or by the shutdown.
    class WaitingBox;

    std::vector<std::unique_ptr<Window>> windows_;  // innermost last
    std::mutex windowsMutex_;                       // posts look windows up from any thread
    std::mutex waitingMutex_;                       // guards the two below
    std::vector<std::shared_ptr<WaitingBox>> waiting_;
    bool stopped_ = false;
    DialogHost* previous_;
};
