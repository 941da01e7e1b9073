// A dialog host without windows, driven by a script: the tests of every dialog and of the
// program run on it. A modal run plays the script's steps until the dialog ends; a dialog
// opened by a handler runs under the same script, and the steps then act on it, the
// innermost one. Anything the script did not provide for (a message box with no answer
// queued, a step on a hidden control, a run out of steps) throws std::logic_error, so the
// test fails loudly where the dialog went astray.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dialog.h"
#include "dialog_host.h"

class ScriptedHost : public DialogHost {
  public:
    // Installs itself as the process's host while it lives.
    ScriptedHost();
    ~ScriptedHost() override;
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;

    // Script: steps run in order, one at a time, while a modal run waits for its end.
    void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
    void AnswerNextMessageBox(int answer) { answers_.push_back(answer); }
    // The next file dialog returns this path, or is cancelled with nullopt.
    void PickNextFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

    // Operator actions on the innermost open dialog.
    void Press(int id);  // clicks; automatic radio buttons and check boxes change first
    // The focused push button, else the template's default push button, else command 1.
    void PressEnter();
    void PressEscape();  // command 2
    void RequestClose();
    void ChooseSystemMenu(UINT commandId);
    void SelectComboItem(int id, int index);
    void Type(int id, std::string_view text);  // edit text, with no notification
    void Tick(UINT timerId);                   // for the innermost window that runs that timer
    // Delivers the messages posted so far, in order, to the windows still open.
    void DeliverPosted();

    // What the innermost open dialog shows.
    CDialog& TopDialog();
    int OpenDialogs() const { return static_cast<int>(windows_.size()); }
    std::string Text(int id);
    // How often the control's whole text was set (added text does not count).
    int TextSets(int id);
    bool Visible(int id);
    int Checked(int id);
    std::vector<std::string> ComboItems(int id);
    int ComboSelected(int id);
    int ProgressPos(int id);
    std::pair<int, int> ProgressRange(int id);
    std::map<UINT, UINT> Timers();  // id -> period in ms
    std::vector<std::string> SystemMenu();
    bool SystemMenuEnabled(UINT commandId);
    TextTable Table(int id);
    // Null while the chart shows nothing.
    const ChartDescription* Chart(int id);
    int FocusedId();

    struct MessageBoxCall {
        bool owned;
        std::string text;
        std::string caption;
        UINT style;
    };
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<FileDialogRequest> fileDialogs;
    std::vector<FileDialogRequest> saveDialogs;  // answered from the same queue as opens

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
        std::string text;
        int textSets = 0;
        bool visible = true;
        int check = 0;
        std::vector<std::string> items;
        int selection = -1;
        int lower = 0;
        int upper = 100;
        int position = 0;
        TextTable table;
        std::optional<ChartDescription> chart;
    };
    struct Window {
        CDialog* dialog;
        std::vector<Control> controls;  // template order
        std::map<UINT, UINT> timers;
        std::vector<std::pair<UINT, std::string>> systemMenu;
        std::set<UINT> greyedMenuItems;
        std::optional<int> result;
        int focus = -1;  // position in controls
    };
    struct Posted {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    Window& WindowFor(const CDialog& dialog);
    Window& Top();
    Control& ControlOf(Window& window, int id);
    void Click(Window& window, std::size_t index);

    std::deque<std::function<void()>> steps_;
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> files_;
    std::vector<std::unique_ptr<Window>> windows_;  // innermost last

    std::mutex postedMutex_;  // posts come from worker threads
    std::deque<Posted> posted_;

    DialogHost* previous_;
};
