// The answer of the last test at a glance: the headline, the per-level table and the chart,
// and the report to keep, written on request.
#pragma once

#include "dialog.h"
#include "html_report.h"

inline constexpr int IDD_RESULT_DIALOG = 104;
inline constexpr int IDC_RESULT_HEADLINE = 1101;
inline constexpr int IDC_RESULT_TABLE = 1102;
inline constexpr int IDC_RESULT_CHART = 1103;
inline constexpr int IDC_RESULT_SAVE = 1104;

inline constexpr UINT IDM_RESULT = 0x0020;
inline constexpr const char* kResultMenuText = "전송 결과 보기(&R)...";

class CResultDlg : public CDialog {
  public:
    explicit CResultDlg(ReportInputs inputs, CDialog* parent = nullptr);

  protected:
    bool OnInitDialog() override;
    std::span<const CommandEntry> Commands() const override;

  private:
    void OnSave();

    ReportInputs m_inputs;
};
