#include "port_setup_dlg.h"

#include <cstdlib>
#include <string>

#include "port_list.h"
#include "settings_save.h"

namespace {

using namespace styles;

constexpr ControlTemplate kControls[] = {
    {IDOK, ControlKind::DefPushButton, "OK", {19, 124, 34, 14}, kTabStop},
    {IDCANCEL, ControlKind::PushButton, "Cancel", {103, 124, 33, 14}, kTabStop},
    {kNoControlId, ControlKind::Static, "전송 포트", {7, 7, 41, 10}, kGroup},
    {IDC_PORT, ControlKind::Combo, "", {54, 7, 65, 51}, kVScroll | kTabStop},
    {kNoControlId, ControlKind::Static, "전송 속도", {7, 22, 41, 10}, kGroup},
    {IDC_BAUD, ControlKind::Combo, "", {54, 22, 65, 47}, kVScroll | kTabStop},
    {kNoControlId, ControlKind::GroupBox, "<< 데이타 비트 >>", {7, 37, 140, 20}, kButtonCenter},
    {IDC_DATABITS7, ControlKind::Radio, "7 비트", {27, 46, 35, 11}, 0},
    {IDC_DATABITS8, ControlKind::Radio, "8 비트", {87, 46, 37, 11}, 0},
    {kNoControlId, ControlKind::GroupBox, "<< 스탑 비트 >>", {7, 60, 140, 20}, kButtonCenter},
    {IDC_STOPBITS1, ControlKind::Radio, "1 비트", {27, 68, 35, 11}, 0},
    {IDC_STOPBITS2, ControlKind::Radio, "2 비트", {87, 68, 37, 11}, 0},
    {kNoControlId, ControlKind::GroupBox, "<< 페리티 체크 >>", {7, 83, 140, 20}, kButtonCenter},
    {IDC_PARITYNONE, ControlKind::Radio, "None", {17, 92, 33, 11}, 0},
    {IDC_PARITYODD, ControlKind::Radio, "Odd", {62, 92, 28, 11}, 0},
    {IDC_PARITYEVEN, ControlKind::Radio, "Even", {108, 92, 26, 11}, 0},
    {IDC_SENDSIGNALWAIT, ControlKind::CheckBox, "전송신호 대기", {7, 108, 61, 10}, kTabStop},
    {IDC_SAVE, ControlKind::DefPushButton, "저장", {62, 124, 34, 14}, kTabStop},
};

constexpr DialogTemplate kTemplate{IDD_PORTSETUP,
                                   "COM 포트 설정",
                                   154,
                                   145,
                                   "System",
                                   10,
                                   kPopup | kCaption | kSysMenu | kModalFrame,
                                   0,
                                   kControls};

// The list must stay in this order: the setting is the position, not the text.
constexpr const char* kBaudRates[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600"};
constexpr int kLastPort = 99;
constexpr const char* kSaveCaption = "DNC message";

}  // namespace

CPortSetupDlg::CPortSetupDlg(CDialog* parent) : CDialog(kTemplate, parent) {}

void CPortSetupDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Check(pDX, IDC_SENDSIGNALWAIT, m_bSendSignalWait);
    DDX_Control(pDX, IDC_PORT, m_cbPort);
    DDX_Control(pDX, IDC_BAUD, m_cbBaud);
}

bool CPortSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The controls are new on every showing, and so are their lists.
    // "Com1" to "Com99"; where the platform can tell, each with the device it reaches.
    for (const std::string& entry : ComPortListTexts(kLastPort)) {
        m_cbPort.AddString(entry);
    }
    m_cbPort.SetCurSel(m_nComID >= 1 && m_nComID <= kLastPort ? m_nComID - 1 : -1);
    for (const char* rate : kBaudRates) {
        m_cbBaud.AddString(rate);
    }
    // A prefix match from the second entry round to the first: 4 picks 4800, 300 nothing.
    // The member keeps its value until the operator picks an entry.
    m_cbBaud.SelectString(0, std::to_string(m_nBaudRate));
    SyncRadioButtons();
    CheckDlgButton(IDC_SENDSIGNALWAIT, m_bSendSignalWait != 0 ? 1 : 0);
    return true;
}

std::span<const CommandEntry> CPortSetupDlg::Commands() const {
    using D = CPortSetupDlg;
    static const CommandEntry kCommands[] = {
        OnCommand(IDC_PORT, CBN_SELCHANGE, &D::OnSelchangePort),
        OnCommand(IDC_BAUD, CBN_SELCHANGE, &D::OnSelchangeBaud),
        OnCommand(IDC_DATABITS7, BN_CLICKED, &D::OnDataBits7),
        OnCommand(IDC_DATABITS8, BN_CLICKED, &D::OnDataBits8),
        OnCommand(IDC_STOPBITS1, BN_CLICKED, &D::OnStopBits1),
        OnCommand(IDC_STOPBITS2, BN_CLICKED, &D::OnStopBits2),
        OnCommand(IDC_PARITYNONE, BN_CLICKED, &D::OnParityNone),
        OnCommand(IDC_PARITYODD, BN_CLICKED, &D::OnParityOdd),
        OnCommand(IDC_PARITYEVEN, BN_CLICKED, &D::OnParityEven),
        OnCommand(IDC_SENDSIGNALWAIT, BN_CLICKED, &D::OnSendSignalWait),
        OnCommand(IDC_SAVE, BN_CLICKED, &D::OnSave),
    };
    return kCommands;
}

int CPortSetupDlg::SyncRadioButtons() {
    if (m_nDataBits == 7 || m_nDataBits == 8) {
        CheckRadioButton(IDC_DATABITS7, IDC_DATABITS8,
                         m_nDataBits == 7 ? IDC_DATABITS7 : IDC_DATABITS8);
    }
    if (m_nStopBits == 1 || m_nStopBits == 2) {
        CheckRadioButton(IDC_STOPBITS1, IDC_STOPBITS2,
                         m_nStopBits == 1 ? IDC_STOPBITS1 : IDC_STOPBITS2);
    }
    if (m_nParity >= 0 && m_nParity <= 2) {
        CheckRadioButton(IDC_PARITYNONE, IDC_PARITYEVEN, IDC_PARITYNONE + m_nParity);
    }
    return 1;
}

void CPortSetupDlg::OnSelchangePort() {
    m_nComID = m_cbPort.GetCurSel() + 1;
}

void CPortSetupDlg::OnSelchangeBaud() {
    m_nBaudRate = std::atoi(m_cbBaud.GetLBText(m_cbBaud.GetCurSel()).c_str());
}

void CPortSetupDlg::OnDataBits7() {
    m_nDataBits = 7;
    SyncRadioButtons();
}

void CPortSetupDlg::OnDataBits8() {
    m_nDataBits = 8;
    SyncRadioButtons();
}

void CPortSetupDlg::OnStopBits1() {
    m_nStopBits = 1;
    SyncRadioButtons();
}

void CPortSetupDlg::OnStopBits2() {
    m_nStopBits = 2;
    SyncRadioButtons();
}

void CPortSetupDlg::OnParityNone() {
    m_nParity = 0;
    SyncRadioButtons();
}

void CPortSetupDlg::OnParityOdd() {
    m_nParity = 1;
    SyncRadioButtons();
}

void CPortSetupDlg::OnParityEven() {
    m_nParity = 2;
    SyncRadioButtons();
}

void CPortSetupDlg::OnSendSignalWait() {
    m_bSendSignalWait = m_bSendSignalWait == 0 ? 1 : 0;
}

// Keeps the six settings as they stand in the dialog for the next start; the settings in
// use change only with OK, as before. Where the store is the sibling application's alone
// (the registry), nothing happens.
void CPortSetupDlg::OnSave() {
    PortSettings settings;
    settings.nComID = m_nComID;
    settings.nBaudRate = m_nBaudRate;
    settings.nDataBits = m_nDataBits;
    settings.nStopBits = m_nStopBits;
    settings.nParity = m_nParity;
    settings.bSendSignalWait = IsDlgButtonChecked(IDC_SENDSIGNALWAIT) != 0 ? 1 : 0;
    const SettingsSaveResult result = SavePortSettings(settings);
    switch (result.outcome) {
        case SettingsSaveResult::Outcome::NotOffered:
            return;
        case SettingsSaveResult::Outcome::Saved:
            MessageBox("설정을 저장했습니다.\n" + result.file, kSaveCaption,
                       MB_OK | MB_ICONINFORMATION);
            return;
        case SettingsSaveResult::Outcome::Failed:
            MessageBox("설정을 저장할 수 없습니다.\n" +
                           (result.file.empty() ? "" : result.file + ": ") + result.reason,
                       kSaveCaption, MB_OK | MB_ICONWARNING);
            return;
    }
}
