#include "pretest_dlg.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "about_dlg.h"
#include "cp949_text.h"
#include "load_port_settings.h"
#include "notice_file.h"
#include "platform_services.h"
#include "port_settings.h"
#include "result_dlg.h"
#include "run_record.h"
#include "test_status.h"
#include "transfer_state.h"
#include "utf8_path.h"

namespace {

using namespace styles;

constexpr const char* kStopQuestion = "전송을 중단하길 원하십니까?";
constexpr const char* kQuitQuestion = "DNC를 끝내길 원하십니까?";
constexpr const char* kContactFooter =
    "\r\n\r\n  Orvane Co., Ltd.  Tel 02-555-0100\r\n    www.orvane.example";

constexpr ControlTemplate kControls[] = {
    {IDCANCEL, ControlKind::PushButton, "종료", {174, 252, 35, 15}, kTabStop},
    {IDC_PROGRESS_LINE, ControlKind::Static, "전송 (0/0)", {7, 26, 101, 10}, 0},
    {IDC_SETTINGS, ControlKind::PushButton, "환경설정", {16, 251, 33, 16}, kTabStop},
    {IDC_STOP, ControlKind::PushButton, "중단", {121, 251, 33, 16}, kTabStop},
    {IDC_UNIT_LINE, ControlKind::Static, "전송단위  1", {7, 37, 69, 10}, 0},
    {IDOK, ControlKind::PushButton, "전송", {66, 251, 32, 16}, kTabStop},
    {IDC_PROGRESS, ControlKind::ProgressBar, "", {7, 63, 210, 25}, kBorder},
    {kNoControlId, ControlKind::Static, "전송 파일", {7, 10, 37, 12}, 0},
    {IDC_FILEPATH, ControlKind::Edit, "", {45, 9, 154, 14}, kEditAutoHScroll | kBorder | kTabStop},
    {IDC_PICKFILE, ControlKind::PushButton, "....", {200, 7, 17, 15}, kTabStop},
    {IDC_STATUS, ControlKind::Static, "전송 상태", {7, 49, 210, 10}, 0},
    {IDC_COUNT_LINE, ControlKind::Static, "XOFF 0회", {153, 25, 64, 10}, 0},
    {IDC_LOG,
     ControlKind::MultiLineLog,
     "",
     {7, 105, 210, 142},
     kHScroll | kVScroll | kEditAutoHScroll | kEditAutoVScroll | kBorder},
    {kNoControlId, ControlKind::Static, "<< 전송상태 >>", {74, 92, 56, 10}, 0},
};

constexpr DialogTemplate kTemplate{
    IDD_PRETEST_DIALOG,
    "Strandex 사전 테스트(Orvane)",
    224,
    274,
    "굴림",
    12,
    kPopup | kCaption | kSysMenu | kMinimizeBox | kModalFrame | kVisible,
    kAppWindowEx,
    kControls};

}  // namespace

namespace {

std::mutex g_workersMutex;
std::condition_variable g_workersEnded;
int g_workersRunning = 0;

}  // namespace

bool StartWorkerThread(const WorkerParam& param) {
    {
        std::lock_guard lock(g_workersMutex);
        ++g_workersRunning;
    }
    try {
        std::thread([copy = param] {
            TransferWorker(&copy);
            std::lock_guard lock(g_workersMutex);
            --g_workersRunning;
            g_workersEnded.notify_all();
        }).detach();
        return true;
    } catch (const std::system_error&) {
        std::lock_guard lock(g_workersMutex);
        --g_workersRunning;
        return false;
    }
}

bool WaitForWorkerThreads(std::chrono::milliseconds within) {
    std::unique_lock lock(g_workersMutex);
    return g_workersEnded.wait_for(lock, within, [] { return g_workersRunning == 0; });
}

CPretestDlg::CPretestDlg(CDialog* parent, WorkerStarter startWorker)
    : CDialog(kTemplate, parent), m_startWorker(std::move(startWorker)) {
    g_portSettings = DefaultPortSettings();
    g_transferState.bSending = 0;
}

std::span<const CommandEntry> CPretestDlg::Commands() const {
    using D = CPretestDlg;
    static const CommandEntry kCommands[] = {
        OnCommand(IDC_SETTINGS, BN_CLICKED, &D::OnSettings),
        OnCommand(IDC_STOP, BN_CLICKED, &D::OnStop),
        OnCommand(IDC_PICKFILE, BN_CLICKED, &D::OnPickFile),
    };
    return kCommands;
}

std::span<const MessageEntry> CPretestDlg::Messages() const {
    static const MessageEntry kMessages[] = {
        OnMessage(WM_TRANSFER_DONE, &CPretestDlg::OnTransferDone),
    };
    return kMessages;
}

void CPretestDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Text(pDX, IDC_FILEPATH, m_strFilePath);
    DDX_Text(pDX, IDC_LOG, m_strLogText);
}

bool CPretestDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    Host().AppendSystemMenuItem(*this, IDM_ABOUTBOX, kAboutMenuText);
    // There is a result to show once a test has ended, until the next one starts.
    Host().AppendSystemMenuItem(*this, IDM_RESULT, kResultMenuText);
    Host().EnableSystemMenuItem(*this, IDM_RESULT, false);
    LoadPortSettings();

    // The whole directory, however long: a cut path would name some other file.
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    m_strFilePath = PathToUtf8(folder / "StrandexTest03.nc");
    if (const auto notice = ReadNoticeFile(folder / "Strandex.txt")) {
        m_strLogText += Cp949ToUtf8(*notice);
        m_strLogText += kContactFooter;
        UpdateData(false);
    }
    return true;
}

bool CPretestDlg::Idle() const {
    return g_transferState.bSending == 0 && !m_bWorkerRunning;
}

// Never reads the controls back: a path typed into the box is not the file under test,
// only one set at start-up or by the browse button is.
void CPretestDlg::OnOK() {
    if (!Idle()) {
        return;
    }
    m_progress.SetRange(0, 100);
    const SendCheck check = CheckFileForSend(m_strFilePath);
    if (check == SendCheck::FileMissing) {
        MessageBox(FileMissingMessage(m_strFilePath), kMessageCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_progress.SetPos(0);
    if (check == SendCheck::FileTooSmall) {
        MessageBox(kFileTooSmallText, kMessageCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }

    BeginTest();
    // The notice stays until the log timer's first tick, which shows the new log instead.
    m_logReader = {};
    Host().EnableSystemMenuItem(*this, IDM_RESULT, false);
    SetDlgItemText(IDC_STATUS, kSendingStatusText);
    ShowSettingsButton();
    m_workerParam.strFilePath = m_strFilePath;
    m_workerParam.hWndNotify = GetSafeHwnd();
    SetTimer(kStatusTimer, 1000);
    SetTimer(kLogTimer, 3000);
    m_bWorkerRunning = true;
    if (!m_startWorker(m_workerParam)) {
        // No WM_TRANSFER_DONE will come: back to Idle at once.
        m_bWorkerRunning = false;
        KillTimer(kStatusTimer);
        KillTimer(kLogTimer);
        g_transferState.bSending = 0;
        ShowSettingsButton();
        Host().EnableSystemMenuItem(*this, IDM_RESULT, m_bHasResult);
    }
}

void CPretestDlg::OnCancel() {
    if (AskToQuit()) {
        EndDialog(IDCANCEL);
    }
}

bool CPretestDlg::AskToQuit() {
    if (MessageBox(kQuitQuestion, kMessageCaption, MB_YESNO) == IDNO) {
        return false;
    }
    // A running worker sees the cleared flag and ends through its usual close; its end
    // message then finds no window and is dropped.
    if (m_bWorkerRunning) {
        g_transferState.bSending = 0;
    }
    return true;
}

void CPretestDlg::OnTimer(UINT timerId) {
    if (timerId == kStatusTimer) {
        SetDlgItemText(IDC_PROGRESS_LINE, ProgressLine());
        SetDlgItemText(IDC_UNIT_LINE, TransferUnitLine());
        SetDlgItemText(IDC_COUNT_LINE, CountLine());
        m_progress.SetPos(g_transferState.nPercent);
    } else if (timerId == kLogTimer) {
        ShowEventLog();
    }
}

void CPretestDlg::ShowEventLog() {
    const EventLogUpdate update = g_transferState.ReadEventLog(m_logReader);
    if (update.replace) {
        SetDlgItemText(IDC_LOG, update.text);
    } else if (!update.text.empty()) {
        AppendDlgItemText(IDC_LOG, update.text);
    }
}

MessageResult CPretestDlg::OnTransferDone(WPARAM, LPARAM) {
    KillTimer(kStatusTimer);
    g_transferState.bSending = 0;
    g_transferState.AppendEventLog(EndLogLine(Platform().LocalTimeOfDay()));
    ShowEventLog();
    SetDlgItemText(IDC_STATUS, EndStatusText(LastTransferEnd()));
    m_bWorkerRunning = false;
    ShowSettingsButton();
    KillTimer(kLogTimer);
    m_bHasResult = true;
    Host().EnableSystemMenuItem(*this, IDM_RESULT, true);
    return 0;
}

int CPretestDlg::ShowSettingsButton() {
    ShowDlgItem(IDC_SETTINGS, g_transferState.bSending == 0);
    return 1;
}

void CPretestDlg::OnSettings() {
    if (!Idle()) {
        return;
    }
    m_dlgPortSetup.m_nComID = g_portSettings.nComID;
    m_dlgPortSetup.m_nBaudRate = g_portSettings.nBaudRate;
    m_dlgPortSetup.m_nDataBits = g_portSettings.nDataBits;
    m_dlgPortSetup.m_nStopBits = g_portSettings.nStopBits;
    m_dlgPortSetup.m_nParity = g_portSettings.nParity;
    m_dlgPortSetup.m_bSendSignalWait = g_portSettings.bSendSignalWait;
    if (m_dlgPortSetup.DoModal() != IDOK) {
        return;
    }
    g_portSettings.nComID = m_dlgPortSetup.m_nComID;
    g_portSettings.nBaudRate = m_dlgPortSetup.m_nBaudRate;
    g_portSettings.nDataBits = m_dlgPortSetup.m_nDataBits;
    g_portSettings.nStopBits = m_dlgPortSetup.m_nStopBits;
    g_portSettings.nParity = m_dlgPortSetup.m_nParity;
    g_portSettings.bSendSignalWait = m_dlgPortSetup.m_bSendSignalWait;
}

void CPretestDlg::OnStop() {
    if (g_transferState.bSending == 0) {
        return;
    }
    if (MessageBox(kStopQuestion, kMessageCaption, MB_YESNO) != IDNO) {
        g_transferState.bSending = 0;
    }
}

void CPretestDlg::OnPickFile() {
    if (!Idle()) {
        return;
    }
    const auto path = Host().OpenFileDialog({"", "*.nc"});
    if (path && !path->empty()) {
        m_strFilePath = *path;
        SetDlgItemText(IDC_FILEPATH, m_strFilePath);
    }
}

void CPretestDlg::OnSysCommand(UINT commandId, LPARAM param) {
    if ((commandId & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    if ((commandId & 0xFFF0) == IDM_RESULT) {
        ShowResult();
        return;
    }
    CDialog::OnSysCommand(commandId, param);
}

void CPretestDlg::ShowResult() {
    if (!m_bHasResult || !Idle()) {
        return;
    }
    ReportInputs inputs;
    inputs.programPath = m_workerParam.strFilePath;
    inputs.programSize = g_transferState.nFileSize;
    inputs.settings = g_portSettings;
    inputs.eventLog = g_transferState.CopyEventLog();
    inputs.record = CopyRunRecord();
    CResultDlg result(std::move(inputs), this);
    result.DoModal();
}
