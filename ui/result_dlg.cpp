#include "result_dlg.h"

#include <filesystem>

#include "result_text.h"
#include "run_chart.h"
#include "run_result.h"
#include "utf8_path.h"

namespace {

using namespace styles;

constexpr ControlTemplate kControls[] = {
    {IDC_RESULT_HEADLINE, ControlKind::Static, "", {7, 6, 406, 30}, kStaticNoPrefix},
    {IDC_RESULT_TABLE, ControlKind::Table, "", {7, 38, 406, 84}, kBorder | kTabStop},
    {IDC_RESULT_CHART, ControlKind::Chart, "", {7, 126, 406, 170}, kBorder},
    {IDC_RESULT_SAVE, ControlKind::PushButton, "보고서 저장(&S)...", {7, 302, 76, 15}, kTabStop},
    {IDOK, ControlKind::DefPushButton, "닫기", {361, 302, 52, 15}, kTabStop},
};

constexpr DialogTemplate kTemplate{IDD_RESULT_DIALOG,
                                   "전송 결과",
                                   420,
                                   324,
                                   "굴림",
                                   9,
                                   kPopup | kCaption | kSysMenu | kModalFrame,
                                   0,
                                   kControls};

// pretest-<program>.html beside nothing in particular: the operator picks the folder.
std::string SuggestedName(const std::string& programPath) {
    const std::string stem = PathToUtf8(PathFromUtf8(programPath).stem());
    return "pretest-" + (stem.empty() ? std::string("result") : stem) + ".html";
}

}  // namespace

CResultDlg::CResultDlg(ReportInputs inputs, CDialog* parent)
    : CDialog(kTemplate, parent), m_inputs(std::move(inputs)) {}

std::span<const CommandEntry> CResultDlg::Commands() const {
    static const CommandEntry kCommands[] = {
        OnCommand(IDC_RESULT_SAVE, BN_CLICKED, &CResultDlg::OnSave),
    };
    return kCommands;
}

bool CResultDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const RunResult result = ComputeRunResult(m_inputs.record);
    std::string headline;
    for (const std::string& line : HeadlineLines(result)) {
        headline += (headline.empty() ? "" : "\n") + line;
    }
    SetDlgItemText(IDC_RESULT_HEADLINE, headline);
    Host().TableSetContent(*this, IDC_RESULT_TABLE, LevelTable(result));
    Host().ChartSetContent(*this, IDC_RESULT_CHART, BuildRunChart(m_inputs.record, result));
    return true;
}

void CResultDlg::OnSave() {
    const auto path = Host().SaveFileDialog({"html", SuggestedName(m_inputs.programPath)});
    if (!path || path->empty()) {
        return;
    }
    std::string error;
    if (!WriteTextFile(*path, HtmlReport(m_inputs), error)) {
        MessageBox("보고서를 저장할 수 없습니다.\n" + *path + "\n" + error, "DNC message",
                   MB_OK | MB_ICONINFORMATION);
    }
}
