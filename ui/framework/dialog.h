// The base of every dialog: a template, handlers the host calls back, and control
// operations that go through the host in force.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dialog_host.h"
#include "dialog_template.h"

class CDialog;

using MessageResult = LPARAM;
using CommandHandler = void (CDialog::*)();
using MessageHandler = MessageResult (CDialog::*)(WPARAM, LPARAM);

// One line of a dialog's message map for commands from its controls.
struct CommandEntry {
    int id;
    UINT notification;
    CommandHandler handler;
};

// One line for a message posted to the dialog, such as WM_TRANSFER_DONE.
struct MessageEntry {
    UINT message;
    MessageHandler handler;
};

template <typename Dialog>
inline CommandEntry OnCommand(int id, UINT notification, void (Dialog::*handler)()) {
    return {id, notification, static_cast<CommandHandler>(handler)};
}

template <typename Dialog>
inline MessageEntry OnMessage(UINT message, MessageResult (Dialog::*handler)(WPARAM, LPARAM)) {
    return {message, static_cast<MessageHandler>(handler)};
}

// Carries members into controls (save false) or back (save true).
class CDataExchange {
  public:
    CDataExchange(CDialog& dialog, bool save) : m_pDlgWnd(&dialog), m_bSaveAndValidate(save) {}

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// A value outside 0..2 is pushed as 0, as a check box knows no other states.
void DDX_Check(CDataExchange* pDX, int id, std::int32_t& value);

// A control object attached to a control of a dialog by id.
class CWndControl {
  public:
    void Attach(CDialog& dialog, int id) {
        dialog_ = &dialog;
        id_ = id;
    }
    bool IsAttached() const { return dialog_ != nullptr; }

  protected:
    CDialog* dialog_ = nullptr;
    int id_ = kNoControlId;
};

void DDX_Control(CDataExchange* pDX, int id, CWndControl& control);

class CComboBox : public CWndControl {
  public:
    static constexpr int CB_ERR = -1;

    int AddString(std::string_view text);  // appends, never sorts; returns its position
    void ResetContent();
    int GetCount() const;
    int SetCurSel(int index);  // -1 clears the selection
    int GetCurSel() const;
    std::string GetLBText(int index) const;
    // Selects the first entry whose text begins with text, ignoring ASCII letter case,
    // searching after startAfter to the end and then from the start (-1 searches from the
    // first). Returns the position or CB_ERR, which leaves the selection as it was.
    int SelectString(int startAfter, std::string_view text);
};

class CProgressCtrl : public CWndControl {
  public:
    void SetRange(int lower, int upper);
    void SetPos(int position);
};

class CDialog {
  public:
    CDialog(const DialogTemplate& dialogTemplate, CDialog* parent = nullptr);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    const DialogTemplate& Template() const { return template_; }
    CDialog* Parent() const { return parent_; }

    int DoModal();
    void EndDialog(int result);
    bool UpdateData(bool save);
    HWND GetSafeHwnd() const;

    // Control operations by id.
    void SetDlgItemText(int id, std::string_view text);
    std::string GetDlgItemText(int id);
    void AppendDlgItemText(int id, std::string_view text);
    void ShowDlgItem(int id, bool visible);
    void CheckDlgButton(int id, int state);
    int IsDlgButtonChecked(int id);
    // Marks check and clears the other ids of first..last.
    void CheckRadioButton(int first, int last, int check);
    void SetTimer(UINT timerId, UINT milliseconds);
    void KillTimer(UINT timerId);
    int MessageBox(std::string_view text, std::string_view caption, UINT style);

    // Entries for the host, on the window thread.
    bool HandleInitDialog() { return OnInitDialog(); }
    void HandleCommand(int id, UINT notification);
    void HandleTimer(UINT timerId) { OnTimer(timerId); }
    void HandleClose() { OnClose(); }
    void HandleSysCommand(UINT commandId, LPARAM param) { OnSysCommand(commandId, param); }
    void HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    virtual void DoDataExchange(CDataExchange*) {}
    // Returns true to leave the focus on the first tab stop.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnTimer(UINT) {}
    // A close request is a cancel unless the dialog says otherwise.
    virtual void OnClose() { OnCancel(); }
    // Only Close has a default action here; moving and minimising are the host's own.
    virtual void OnSysCommand(UINT commandId, LPARAM);

    virtual std::span<const CommandEntry> Commands() const { return {}; }
    virtual std::span<const MessageEntry> Messages() const { return {}; }

  private:
    const DialogTemplate& template_;
    CDialog* parent_;
};
