// The dialog in which the operator edits the six serial settings. The caller fills the
// members before each showing and takes them back only after OK.
#pragma once

#include <cstdint>
#include <span>

#include "dialog.h"

inline constexpr int IDD_PORTSETUP = 129;
inline constexpr int IDC_PORT = 1008;
inline constexpr int IDC_BAUD = 1009;
inline constexpr int IDC_SENDSIGNALWAIT = 1013;
inline constexpr int IDC_DATABITS7 = 1015;
inline constexpr int IDC_DATABITS8 = 1016;
inline constexpr int IDC_STOPBITS1 = 1017;
inline constexpr int IDC_STOPBITS2 = 1018;
inline constexpr int IDC_PARITYNONE = 1022;
inline constexpr int IDC_PARITYODD = 1023;
inline constexpr int IDC_PARITYEVEN = 1024;
inline constexpr int IDC_SAVE = 4;

class CPortSetupDlg : public CDialog {
  public:
    explicit CPortSetupDlg(CDialog* parent = nullptr);

    std::int32_t m_nComID = 1;
    std::int32_t m_nBaudRate = 9600;
    std::int32_t m_nDataBits = 7;
    std::int32_t m_nStopBits = 2;
    std::int32_t m_nParity = 2;
    std::int32_t m_bSendSignalWait = 1;
    CComboBox m_cbPort;
    CComboBox m_cbBaud;

    // The seven radio buttons form one group for the platform, so a click clears the marks
    // of all three settings; this marks each pair or triple again from the members.
    int SyncRadioButtons();

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    std::span<const CommandEntry> Commands() const override;

  private:
    void OnSelchangePort();
    void OnSelchangeBaud();
    void OnDataBits7();
    void OnDataBits8();
    void OnStopBits1();
    void OnStopBits2();
    void OnParityNone();
    void OnParityOdd();
    void OnParityEven();
    void OnSendSignalWait();
    void OnSave();
};
