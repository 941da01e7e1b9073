#include "dialog.h"

#include <atomic>
#include <cctype>
#include <stdexcept>

namespace {

std::atomic<DialogHost*> g_host{nullptr};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        // Only ASCII letters fold: the bytes of Korean text must match exactly.
        if (a != b && (a >= 0x80 || b >= 0x80 || std::tolower(a) != std::tolower(b))) {
            return false;
        }
    }
    return true;
}

}  // namespace

DialogHost* SetDialogHost(DialogHost* host) {
    return g_host.exchange(host);
}

DialogHost& Host() {
    DialogHost* host = g_host.load();
    if (host == nullptr) {
        // A dialog without a toolkit is a fault of the program's set-up, not an operator
        // matter.
        throw std::logic_error("no dialog host installed");
    }
    return *host;
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    if (pDX->m_bSaveAndValidate) {
        value = pDX->m_pDlgWnd->GetDlgItemText(id);
    } else {
        pDX->m_pDlgWnd->SetDlgItemText(id, value);
    }
}

void DDX_Check(CDataExchange* pDX, int id, std::int32_t& value) {
    if (pDX->m_bSaveAndValidate) {
        value = pDX->m_pDlgWnd->IsDlgButtonChecked(id);
    } else {
        pDX->m_pDlgWnd->CheckDlgButton(id, value < 0 || value > 2 ? 0 : value);
    }
}

void DDX_Control(CDataExchange* pDX, int id, CWndControl& control) {
    if (!control.IsAttached()) {
        control.Attach(*pDX->m_pDlgWnd, id);
    }
}

int CComboBox::AddString(std::string_view text) {
    Host().ComboAppend(*dialog_, id_, text);
    return GetCount() - 1;
}

void CComboBox::ResetContent() {
    Host().ComboClear(*dialog_, id_);
}

int CComboBox::GetCount() const {
    return Host().ComboCount(*dialog_, id_);
}

int CComboBox::SetCurSel(int index) {
    const bool valid = index >= 0 && index < GetCount();
    Host().ComboSetSelection(*dialog_, id_, valid ? index : -1);
    return valid ? index : CB_ERR;
}

int CComboBox::GetCurSel() const {
    return Host().ComboSelection(*dialog_, id_);
}

std::string CComboBox::GetLBText(int index) const {
    return Host().ComboItemText(*dialog_, id_, index);
}

int CComboBox::SelectString(int startAfter, std::string_view text) {
    const int count = GetCount();
    for (int step = 1; step <= count; ++step) {
        const int index = ((startAfter < 0 ? -1 : startAfter) + step) % count;
        if (StartsWithIgnoringCase(GetLBText(index), text)) {
            return SetCurSel(index);
        }
    }
    return CB_ERR;
}

void CProgressCtrl::SetRange(int lower, int upper) {
    Host().ProgressSetRange(*dialog_, id_, lower, upper);
}

void CProgressCtrl::SetPos(int position) {
    Host().ProgressSetPos(*dialog_, id_, position);
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CDialog* parent)
    : template_(dialogTemplate), parent_(parent) {}

int CDialog::DoModal() {
    return Host().RunModal(*this);
}

void CDialog::EndDialog(int result) {
    Host().EndModal(*this, result);
}

bool CDialog::UpdateData(bool save) {
    CDataExchange exchange(*this, save);
    DoDataExchange(&exchange);
    return true;
}

HWND CDialog::GetSafeHwnd() const {
    return Host().WindowOf(*this);
}

void CDialog::SetDlgItemText(int id, std::string_view text) {
    Host().SetText(*this, id, text);
}

std::string CDialog::GetDlgItemText(int id) {
    return Host().GetText(*this, id);
}

void CDialog::AppendDlgItemText(int id, std::string_view text) {
    Host().AppendText(*this, id, text);
}

void CDialog::ShowDlgItem(int id, bool visible) {
    Host().Show(*this, id, visible);
}

void CDialog::CheckDlgButton(int id, int state) {
    Host().SetCheck(*this, id, state);
}

int CDialog::IsDlgButtonChecked(int id) {
    return Host().GetCheck(*this, id);
}

void CDialog::CheckRadioButton(int first, int last, int check) {
    for (int id = first; id <= last; ++id) {
        CheckDlgButton(id, id == check ? 1 : 0);
    }
}

void CDialog::SetTimer(UINT timerId, UINT milliseconds) {
    Host().SetTimer(*this, timerId, milliseconds);
}

void CDialog::KillTimer(UINT timerId) {
    Host().KillTimer(*this, timerId);
}

int CDialog::MessageBox(std::string_view text, std::string_view caption, UINT style) {
    return Host().MessageBox(this, text, caption, style);
}

void CDialog::HandleCommand(int id, UINT notification) {
    for (const CommandEntry& entry : Commands()) {
        if (entry.id == id && entry.notification == notification) {
            (this->*entry.handler)();
            return;
        }
    }
    if (notification != BN_CLICKED) {
        return;
    }
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

void CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MessageEntry& entry : Messages()) {
        if (entry.message == message) {
            (this->*entry.handler)(wParam, lParam);
            return;
        }
    }
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnSysCommand(UINT commandId, LPARAM) {
    if ((commandId & 0xFFF0) == SC_CLOSE) {
        OnClose();
    }
}
