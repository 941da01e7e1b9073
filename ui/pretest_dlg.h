// The main test window: picks the file, starts and stops a test and shows its progress.
// It holds no transfer logic: it reads the shared TransferState on two timers and reacts
// to the worker's WM_TRANSFER_DONE.
#pragma once

#include <chrono>

#include <functional>
#include <span>
#include <string>

#include "dialog.h"
#include "event_log.h"
#include "port_setup_dlg.h"
#include "transfer_worker.h"

inline constexpr int IDD_PRETEST_DIALOG = 102;
inline constexpr int IDC_FILEPATH = 1000;
inline constexpr int IDC_PICKFILE = 1001;
inline constexpr int IDC_PROGRESS = 1002;
inline constexpr int IDC_PROGRESS_LINE = 1004;
inline constexpr int IDC_COUNT_LINE = 1005;
inline constexpr int IDC_SETTINGS = 1006;
inline constexpr int IDC_STATUS = 1015;
inline constexpr int IDC_STOP = 1016;
inline constexpr int IDC_UNIT_LINE = 1021;
inline constexpr int IDC_LOG = 1029;

inline constexpr UINT kStatusTimer = 1;  // counters and progress bar, once a second
inline constexpr UINT kLogTimer = 2;     // event log, every three seconds

inline constexpr const char* kAboutMenuText = "Velidor 정보(&A)...";

// Starts the worker for one test; false when it could not be started. The worker must
// copy the record before the call returns or at its own start while the window lives.
using WorkerStarter = std::function<bool(const WorkerParam& param)>;

// The worker on a thread of its own, left to end by itself: the window never waits for it.
bool StartWorkerThread(const WorkerParam& param);

// Waits until every worker StartWorkerThread started has ended (true), or the time has
// passed (false).
bool WaitForWorkerThreads(std::chrono::milliseconds within);

class CPretestDlg : public CDialog {
  public:
    explicit CPretestDlg(CDialog* parent = nullptr, WorkerStarter startWorker = StartWorkerThread);

    int ShowSettingsButton();

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT timerId) override;
    void OnSysCommand(UINT commandId, LPARAM param) override;
    std::span<const CommandEntry> Commands() const override;
    std::span<const MessageEntry> Messages() const override;

  private:
    void OnSettings();
    void OnStop();
    void OnPickFile();
    MessageResult OnTransferDone(WPARAM, LPARAM);
    // Send, browse and settings wait for the previous worker to post its end, not only
    // for bSending: after a stop it still holds the port for a second.
    bool Idle() const;
    bool AskToQuit();
    // Brings the log box up to date by adding what is new to it; the first time in a test,
    // and whenever the log had to leave out entries the box has not shown, it takes the
    // whole (bounded) log instead.
    void ShowEventLog();
    void ShowResult();

    CPortSetupDlg m_dlgPortSetup;
    WorkerStarter m_startWorker;
    bool m_bWorkerRunning = false;
    bool m_bHasResult = false;  // a test has ended since the window opened
    WorkerParam m_workerParam;
    CProgressCtrl m_progress;
    std::string m_strFilePath;
    std::string m_strLogText;
    EventLogReader m_logReader;
};
