#include "pretest_dlg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "about_dlg.h"
#include "call_log.h"
#include "fake_comm.h"
#include "fake_platform.h"
#include "port_settings.h"
#include "result_dlg.h"
#include "run_record.h"
#include "scripted_host.h"
#include "temp_dir.h"
#include "test_status.h"
#include "transfer_state.h"

namespace {

constexpr const char* kStopQuestion = "전송을 중단하길 원하십니까?";
constexpr const char* kQuitQuestion = "DNC를 끝내길 원하십니까?";
constexpr const char* kFooter =
    "\r\n\r\n  Orvane Co., Ltd.  Tel 02-555-0100\r\n    www.orvane.example";

class PretestDlgTest : public testing::Test {
  protected:
    PretestDlgTest() : savedDir_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir_.path());
        platform_.now = {9, 5, 7};
        g_transferState.ClearEventLog();
    }
    ~PretestDlgTest() override { std::filesystem::current_path(savedDir_); }

    std::string File(const char* name, std::uintmax_t size) const {
        const auto path = dir_.Write(name, "");
        std::filesystem::resize_file(path, size);
        return path.string();
    }

    // Runs the window with the steps already queued, then quits it.
    void Run() {
        host_.Then([&] {
            host_.AnswerNextMessageBox(IDYES);
            host_.Press(IDCANCEL);
        });
        EXPECT_EQ(dlg_.DoModal(), IDCANCEL);
    }

    // Picks a file of the given size and presses 전송.
    void Send(std::uintmax_t size) {
        host_.PickNextFile(File("test.nc", size));
        host_.Press(IDC_PICKFILE);
        host_.Press(IDOK);
    }

    void EndTest() {
        host_.PostToWindow(dlg_.GetSafeHwnd(), WM_TRANSFER_DONE, 0, 0);
        host_.DeliverPosted();
    }

    std::vector<std::string> Questions() const {
        std::vector<std::string> texts;
        for (const auto& box : host_.messageBoxes) {
            texts.push_back(box.text);
        }
        return texts;
    }

    TempDir dir_;
    std::filesystem::path savedDir_;
    // No stored settings: the defaults stay.
    ScopedEnv xdg_{"XDG_CONFIG_DIRS", (dir_.path() / "no-config").string()};
    ScopedEnv xdgHome_{"XDG_CONFIG_HOME", (dir_.path() / "no-config").string()};
    CallLog log_;
    FakePlatform platform_{log_};
    ScriptedHost host_;
    std::vector<WorkerParam> workers_;
    bool workerStarts_ = true;
    CPretestDlg dlg_{nullptr, [this](const WorkerParam& param) {
                         workers_.push_back(param);
                         return workerStarts_;
                     }};
};

TEST_F(PretestDlgTest, OpensWithTheDefaultFileTheNoticeAndTheAboutItem) {
    // 공지 in code page 949, then a zero byte.
    dir_.Write("Strandex.txt", std::string("\xB0\xF8\xC1\xF6 one\r\nab\0cd", 15));
    host_.Then([&] {
        EXPECT_EQ(host_.Text(IDC_FILEPATH), (dir_.path() / "StrandexTest03.nc").string());
        // Decoded for display; a zero byte ends the text of its piece.
        EXPECT_EQ(host_.Text(IDC_LOG), std::string("공지 one\r\nab") + kFooter);
        EXPECT_EQ(host_.Text(IDC_UNIT_LINE), "전송단위  1");
        EXPECT_EQ(host_.Text(IDC_COUNT_LINE), "XOFF 0회");
        EXPECT_EQ(host_.SystemMenu(),
                  (std::vector<std::string>{"", kAboutMenuText, "", kResultMenuText}));
        EXPECT_TRUE(host_.SystemMenuEnabled(IDM_ABOUTBOX));
        EXPECT_FALSE(host_.SystemMenuEnabled(IDM_RESULT)) << "no test has ended yet";
        EXPECT_EQ(host_.FocusedId(), IDCANCEL);
        EXPECT_TRUE(host_.Visible(IDC_SETTINGS));
        EXPECT_TRUE(host_.Timers().empty());
    });
    Run();
    EXPECT_EQ(g_portSettings.nBaudRate, 9600);
}

// The window only reads the notice: a missing one shows as empty and is not created.
TEST_F(PretestDlgTest, AMissingNoticeFileShowsAsEmptyAndIsNotCreated) {
    host_.Then([&] { EXPECT_EQ(host_.Text(IDC_LOG), kFooter); });
    Run();
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "Strandex.txt"));
}

TEST_F(PretestDlgTest, SendNeedsAnExistingFileOfAtLeast200000Bytes) {
    struct Case {
        std::optional<std::uintmax_t> size;  // nothing: no such file
        const char* message;                 // null: the test starts
    };
    const Case cases[] = {
        {std::nullopt, kFileMissingText},
        {199999, kFileTooSmallText},
        {200000, nullptr},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        std::vector<WorkerParam> workers;
        CPretestDlg dlg(nullptr, [&](const WorkerParam& param) {
            workers.push_back(param);
            return true;
        });
        const std::string path = (dir_.path() / "case.nc").string();
        std::filesystem::remove(path);
        if (c.size) {
            File("case.nc", *c.size);
        }
        host.Then([&] {
            host.PickNextFile(path);
            host.Press(IDC_PICKFILE);
            if (c.message != nullptr) {
                host.AnswerNextMessageBox(IDOK);
            }
            host.Press(IDOK);
            EXPECT_EQ(host.ProgressRange(IDC_PROGRESS), std::make_pair(0, 100));
            if (c.message != nullptr) {
                ASSERT_EQ(host.messageBoxes.size(), 1u);
                // The missing file's reason may follow on a line of its own.
                EXPECT_THAT(host.messageBoxes[0].text, testing::StartsWith(c.message));
                EXPECT_EQ(host.messageBoxes[0].caption, "DNC message");
                EXPECT_EQ(host.messageBoxes[0].style, MB_OK | MB_ICONINFORMATION);
                EXPECT_TRUE(workers.empty());
                EXPECT_TRUE(host.Timers().empty());
                EXPECT_EQ(host.Text(IDC_STATUS), "전송 상태");
                return;
            }
            EXPECT_EQ(g_transferState.bSending, 1);
            EXPECT_EQ(g_transferState.nTransferUnit, 5);
            EXPECT_EQ(host.Text(IDC_STATUS), "전송 중입니다.!!!");
            EXPECT_FALSE(host.Visible(IDC_SETTINGS));
            EXPECT_EQ(host.Timers(), (std::map<UINT, UINT>{{1, 1000}, {2, 3000}}));
            ASSERT_EQ(workers.size(), 1u);
            EXPECT_EQ(workers[0].strFilePath, path);
            EXPECT_EQ(workers[0].hWndNotify, dlg.GetSafeHwnd());
            EXPECT_NE(workers[0].hWndNotify, nullptr);
        });
        host.Then([&] {
            host.AnswerNextMessageBox(IDYES);
            host.PressEscape();
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL) << c.message;
    }
}

TEST_F(PretestDlgTest, APathTypedByHandIsNotUsed) {
    const std::string typed = File("typed.nc", 300000);
    host_.Then([&] {
        host_.Type(IDC_FILEPATH, typed);
        host_.AnswerNextMessageBox(IDOK);
        host_.Press(IDOK);
        EXPECT_THAT(Questions(), testing::ElementsAre(testing::StartsWith(kFileMissingText)));
        EXPECT_TRUE(workers_.empty());
    });
    Run();
}

TEST_F(PretestDlgTest, CancellingTheBrowseDialogKeepsThePath) {
    host_.Then([&] {
        const std::string before = host_.Text(IDC_FILEPATH);
        host_.PickNextFile(std::nullopt);
        host_.Press(IDC_PICKFILE);
        ASSERT_EQ(host_.fileDialogs.size(), 1u);
        EXPECT_EQ(host_.fileDialogs[0].initialName, "*.nc");
        EXPECT_EQ(host_.Text(IDC_FILEPATH), before);
        host_.Press(IDOK);  // still the default file, which does not exist
    });
    host_.AnswerNextMessageBox(IDOK);
    Run();
    EXPECT_THAT(Questions().front(), testing::StartsWith(kFileMissingText));
}

TEST_F(PretestDlgTest, TicksShowTheCountersAndTheEndLeavesTheLastOnes) {
    host_.Then([&] {
        Send(250000);
        g_transferState.nSentBytes = 100000;
        g_transferState.nPercent = 40;
        g_transferState.nTransferUnit = 12;
        g_transferState.nXonCount = 3;
        g_transferState.AppendEventLog("XON 11 9:5:6\r\n");
        EXPECT_EQ(host_.Text(IDC_PROGRESS_LINE), "전송 (0/0)");  // untouched until the tick
        host_.Tick(kStatusTimer);
        EXPECT_EQ(host_.Text(IDC_PROGRESS_LINE), "전송 (100000/250000) 40 퍼센트");
        EXPECT_EQ(host_.Text(IDC_UNIT_LINE), "전송 단위 12");
        EXPECT_EQ(host_.Text(IDC_COUNT_LINE), "Xoff 3 회");
        EXPECT_EQ(host_.ProgressPos(IDC_PROGRESS), 40);
        EXPECT_EQ(host_.Text(IDC_LOG), kFooter);  // until the log timer's tick
        host_.Tick(kLogTimer);
        EXPECT_EQ(host_.Text(IDC_LOG), "XON 11 9:5:6\r\n");

        g_transferState.nPercent = 55;
        EndTest();
        EXPECT_EQ(g_transferState.bSending, 0);
        EXPECT_TRUE(host_.Timers().empty());
        EXPECT_TRUE(host_.Visible(IDC_SETTINGS));
        EXPECT_EQ(host_.Text(IDC_STATUS), "테스트가 완료되어 중단합니다.!!!");
        EXPECT_EQ(host_.Text(IDC_LOG), "XON 11 9:5:6\r\n\r\n 테스트완료, 전송중단 9:5:7\r\n");
        EXPECT_EQ(host_.ProgressPos(IDC_PROGRESS), 40);
        EXPECT_EQ(host_.Text(IDC_PROGRESS_LINE), "전송 (100000/250000) 40 퍼센트");
    });
    Run();
}

// The log's end line marks the end of the record whatever the end; the status says which
// end it was.
TEST_F(PretestDlgTest, TheStatusNamesTheEndAndTheLogEndsTheSameWayForEvery) {
    struct Case {
        TransferEnd end;
        const char* status;
    };
    const Case cases[] = {
        {TransferEnd::LevelPassed, "테스트가 완료되어 중단합니다.!!!"},
        {TransferEnd::EndOfFile, "테스트가 완료되어 중단합니다.!!!"},
        {TransferEnd::Stopped, "요청에 따라 테스트를 중단합니다.!!!"},
        {TransferEnd::PortNotOpened, "포트 오류로 테스트를 중단합니다.!!!"},
        {TransferEnd::PortLost, "포트 오류로 테스트를 중단합니다.!!!"},
        {TransferEnd::FileNotOpened, "파일 오류로 테스트를 중단합니다.!!!"},
        {TransferEnd::LongLine, "DATA 블록이 너무 길어 테스트를 중단합니다.!!!"},
    };
    host_.Then([&] {
        for (const Case& c : cases) {
            Send(200000);
            EXPECT_EQ(host_.Text(IDC_STATUS), "전송 중입니다.!!!");
            g_transferState.nEndReason = static_cast<std::int32_t>(c.end);
            EndTest();
            EXPECT_EQ(host_.Text(IDC_STATUS), c.status) << static_cast<int>(c.end);
            EXPECT_EQ(host_.Text(IDC_LOG), "\r\n 테스트완료, 전송중단 9:5:7\r\n")
                << static_cast<int>(c.end);
        }
    });
    Run();
}

// A flooding machine adds a log entry per character: the box gets what is new added to it,
// and holds the log's first and latest part with the count of what was left out.
TEST_F(PretestDlgTest, TheLogBoxAddsWhatIsNewAndStaysBoundedUnderAFlood) {
    const std::string entry = "전송단위 12 \r\n14:5:9  Xoff 수신 \r\n";
    host_.Then([&] {
        Send(250000);
        g_transferState.AppendEventLog(entry);
        host_.Tick(kLogTimer);
        EXPECT_EQ(host_.Text(IDC_LOG), entry);  // the notice is gone
        const int sets = host_.TextSets(IDC_LOG);
        g_transferState.AppendEventLog("second\r\n");
        host_.Tick(kLogTimer);
        host_.Tick(kLogTimer);
        EXPECT_EQ(host_.Text(IDC_LOG), entry + "second\r\n");
        EXPECT_EQ(host_.TextSets(IDC_LOG), sets) << "added, not set again";

        // Three seconds of a flood far beyond what is kept.
        for (std::size_t n = 0; n * entry.size() < 1000000; ++n) {
            g_transferState.AppendEventLog(entry);
        }
        host_.Tick(kLogTimer);
        const std::string shown = host_.Text(IDC_LOG);
        EXPECT_EQ(shown, g_transferState.CopyEventLog());
        EXPECT_NE(shown.find(" 중간 기록 "), std::string::npos);
        EXPECT_LE(shown.size(), BoundedEventLog::kHeadBytes + BoundedEventLog::kTailBytes + 100);
        EXPECT_TRUE(shown.starts_with(entry + "second\r\n"));

        g_transferState.AppendEventLog("latest\r\n");
        host_.Tick(kLogTimer);
        EXPECT_EQ(host_.Text(IDC_LOG), shown + "latest\r\n");
        const int setsBeforeEnd = host_.TextSets(IDC_LOG);
        EndTest();
        EXPECT_EQ(host_.Text(IDC_LOG), shown + "latest\r\n\r\n 테스트완료, 전송중단 9:5:7\r\n");
        EXPECT_EQ(host_.TextSets(IDC_LOG), setsBeforeEnd);
    });
    Run();
}

TEST_F(PretestDlgTest, StopAsksAndOnlyNoKeepsTheTestRunning) {
    host_.Then([&] {
        Send(200000);
        host_.AnswerNextMessageBox(IDNO);
        host_.Press(IDC_STOP);
        EXPECT_EQ(g_transferState.bSending, 1);
        host_.AnswerNextMessageBox(IDYES);
        host_.Press(IDC_STOP);
        EXPECT_EQ(g_transferState.bSending, 0);
        EXPECT_EQ(Questions(), (std::vector<std::string>{kStopQuestion, kStopQuestion}));
        EXPECT_EQ(host_.messageBoxes[0].style, MB_YESNO);
        // Stopping: the window waits for the worker's end message.
        EXPECT_EQ(host_.Text(IDC_STATUS), "전송 중입니다.!!!");
        EXPECT_EQ(host_.Timers().size(), 2u);
        EXPECT_FALSE(host_.Visible(IDC_SETTINGS));
        // The worker reports the stop; the status names it instead of calling the test
        // complete, as it once did for every end.
        g_transferState.nEndReason = static_cast<std::int32_t>(TransferEnd::Stopped);
        EndTest();
        EXPECT_EQ(host_.Text(IDC_STATUS), "요청에 따라 테스트를 중단합니다.!!!");
        host_.Press(IDC_STOP);  // Idle: no question
        EXPECT_EQ(host_.messageBoxes.size(), 2u);
    });
    Run();
}

TEST_F(PretestDlgTest, SendBrowseAndSettingsDoNothingUntilTheWorkerHasEnded) {
    struct Case {
        const char* name;
        bool stopFirst;
    };
    for (const Case c : {Case{"sending", false}, Case{"stopping", true}}) {
        ScriptedHost host;
        std::vector<WorkerParam> workers;
        CPretestDlg dlg(nullptr, [&](const WorkerParam& param) {
            workers.push_back(param);
            return true;
        });
        const std::string path = File("guard.nc", 200000);
        host.Then([&] {
            host.PickNextFile(path);
            host.Press(IDC_PICKFILE);
            host.Press(IDOK);
            if (c.stopFirst) {
                host.AnswerNextMessageBox(IDYES);
                host.Press(IDC_STOP);
            }
            // No file dialog, no message, no second worker; a hidden 환경설정.
            host.Press(IDOK);
            host.PressEnter();
            host.Press(IDC_PICKFILE);
            EXPECT_FALSE(host.Visible(IDC_SETTINGS));
            EXPECT_EQ(workers.size(), 1u) << c.name;
            EXPECT_EQ(host.fileDialogs.size(), 1u) << c.name;
            host.PostToWindow(dlg.GetSafeHwnd(), WM_TRANSFER_DONE, 0, 0);
            host.DeliverPosted();
            host.Press(IDOK);
            EXPECT_EQ(workers.size(), 2u) << c.name;
        });
        host.Then([&] {
            host.AnswerNextMessageBox(IDYES);
            host.PressEscape();
        });
        dlg.DoModal();
    }
}

TEST_F(PretestDlgTest, AWorkerThatCannotStartLeavesTheWindowIdle) {
    workerStarts_ = false;
    host_.Then([&] {
        Send(200000);
        EXPECT_EQ(workers_.size(), 1u);
        EXPECT_EQ(g_transferState.bSending, 0);
        EXPECT_TRUE(host_.Timers().empty());
        EXPECT_TRUE(host_.Visible(IDC_SETTINGS));
        Send(200000);
        EXPECT_EQ(workers_.size(), 2u);
    });
    Run();
}

TEST_F(PretestDlgTest, EveryWayToQuitAsksOnceAndOnlyNoKeepsTheWindow) {
    struct Case {
        const char* name;
        void (*quit)(ScriptedHost&);
    };
    const Case cases[] = {
        {"종료", [](ScriptedHost& h) { h.Press(IDCANCEL); }},
        {"Escape", [](ScriptedHost& h) { h.PressEscape(); }},
        {"Enter on the focused 종료", [](ScriptedHost& h) { h.PressEnter(); }},
        {"close box", [](ScriptedHost& h) { h.RequestClose(); }},
        {"system menu Close", [](ScriptedHost& h) { h.ChooseSystemMenu(SC_CLOSE); }},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        CPretestDlg dlg(nullptr, [](const WorkerParam&) { return true; });
        host.Then([&] {
            host.AnswerNextMessageBox(IDNO);
            c.quit(host);
            EXPECT_EQ(host.messageBoxes.size(), 1u) << c.name;
        });
        host.Then([&] {
            host.AnswerNextMessageBox(IDYES);
            c.quit(host);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL) << c.name;
        ASSERT_EQ(host.messageBoxes.size(), 2u) << c.name;
        for (const auto& box : host.messageBoxes) {
            EXPECT_EQ(box.text, kQuitQuestion);
            EXPECT_EQ(box.caption, "DNC message");
            EXPECT_EQ(box.style, MB_YESNO);
        }
    }
}

TEST_F(PretestDlgTest, QuittingDuringATestTellsTheWorkerToEndWithoutWaiting) {
    host_.Then([&] {
        Send(200000);
        host_.AnswerNextMessageBox(IDNO);
        host_.RequestClose();
        EXPECT_EQ(g_transferState.bSending, 1);
    });
    Run();
    EXPECT_EQ(g_transferState.bSending, 0);
    // The worker's end message finds no window.
    EXPECT_EQ(host_.PostToWindow(workers_.at(0).hWndNotify, WM_TRANSFER_DONE, 0, 0), FALSE);
}

TEST_F(PretestDlgTest, SettingsAreCopiedInAndOnlyOkCopiesThemBack) {
    struct Case {
        const char* name;
        void (*close)(ScriptedHost&);
        std::int32_t comID;
    };
    const Case cases[] = {
        {"OK", [](ScriptedHost& h) { h.Press(IDOK); }, 4},
        {"Cancel", [](ScriptedHost& h) { h.Press(IDCANCEL); }, 1},
        {"close box", [](ScriptedHost& h) { h.RequestClose(); }, 1},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        CPretestDlg dlg(nullptr, [](const WorkerParam&) { return true; });
        host.Then([&] { host.Press(IDC_SETTINGS); });
        host.Then([&] {
            EXPECT_EQ(host.TopDialog().Template().id, IDD_PORTSETUP);
            EXPECT_EQ(host.ComboSelected(IDC_PORT), 0);
            EXPECT_EQ(host.ComboSelected(IDC_BAUD), 3);
            EXPECT_EQ(host.Checked(IDC_SENDSIGNALWAIT), 0);  // not the dialog's own default
            EXPECT_EQ(host.Checked(IDC_PARITYEVEN), 1);
            host.SelectComboItem(IDC_PORT, 3);
            c.close(host);
        });
        host.Then([&] {
            EXPECT_EQ(host.TopDialog().Template().id, IDD_PRETEST_DIALOG);
            host.AnswerNextMessageBox(IDYES);
            host.PressEscape();
        });
        dlg.DoModal();
        EXPECT_EQ(g_portSettings.nComID, c.comID) << c.name;
        EXPECT_EQ(g_portSettings.nBaudRate, 9600) << c.name;
        EXPECT_EQ(g_portSettings.bSendSignalWait, 0) << c.name;
    }
}

TEST_F(PretestDlgTest, TheSystemMenuItemOpensTheAboutBoxWhileTheTestGoesOn) {
    host_.Then([&] {
        Send(200000);
        host_.ChooseSystemMenu(IDM_ABOUTBOX | 0x3);  // the low four bits do not count
    });
    host_.Then([&] {
        EXPECT_EQ(host_.TopDialog().Template().id, IDD_ABOUTBOX);
        EXPECT_EQ(host_.OpenDialogs(), 2);
        g_transferState.nTransferUnit = 33;
        host_.Tick(kStatusTimer);
        EXPECT_EQ(workers_.size(), 1u);
        host_.PressEscape();
    });
    host_.Then([&] {
        EXPECT_EQ(host_.Text(IDC_UNIT_LINE), "전송 단위 33");
        EXPECT_EQ(g_transferState.bSending, 1);
    });
    Run();
}

// The real worker, run to its end inside the send button's handler, against the fake
// device: the window's record reaches it and its end message comes back to this window.
TEST_F(PretestDlgTest, ARealWorkerRunsOnTheWindowsRecordAndItsEndReachesTheWindow) {
    FakeComm comm(log_);
    std::string program;
    while (program.size() < 200000) {
        program += "g01 x10.0 y20.0\n";
    }
    const std::string path = dir_.Write("real.nc", program).string();
    CPretestDlg dlg(nullptr, [](const WorkerParam& param) {
        TransferWorker(&param);
        return true;
    });
    host_.Then([&] {
        host_.PickNextFile(path);
        host_.Press(IDC_PICKFILE);
        host_.Press(IDOK);
        ASSERT_EQ(platform_.posted.size(), 1u);
        const auto& done = platform_.posted[0];
        EXPECT_EQ(done.window, dlg.GetSafeHwnd());
        host_.PostToWindow(done.window, done.message, done.wParam, done.lParam);
        host_.DeliverPosted();
        EXPECT_EQ(host_.Text(IDC_STATUS), "테스트가 완료되어 중단합니다.!!!");
        EXPECT_TRUE(host_.Timers().empty());
        EXPECT_EQ(comm.written.substr(0, 16), "G01 X10.0 Y20.0\n");
        EXPECT_EQ(g_transferState.nEndReason, static_cast<std::int32_t>(TransferEnd::LevelPassed));
        host_.AnswerNextMessageBox(IDYES);
        host_.Press(IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

// The result is there from a test's end until the next test starts, and its report is
// written where the operator says.
TEST_F(PretestDlgTest, TheResultItemShowsTheLastTestAndSavesItsReport) {
    const std::string report = (dir_.path() / "kept.html").string();
    host_.Then([&] {
        Send(200000);
        EXPECT_FALSE(host_.SystemMenuEnabled(IDM_RESULT));
        // What the worker would have recorded: level 5, a step, a hold at level 7, the end.
        RunClock previous = SetRunClock([] { return 0; });
        RecordRunStart(5);
        SetRunClock([] { return 1000; });
        RecordBytesWritten(600);
        RecordLevelStep(7);
        SetRunClock([] { return 1500; });
        RecordMachineChar(0x13);
        SetRunClock([] { return 2000; });
        RecordMachineChar(0x11);
        RecordRunEnd(static_cast<std::int32_t>(TransferEnd::EndOfFile));
        SetRunClock(previous);
        EndTest();
        EXPECT_TRUE(host_.SystemMenuEnabled(IDM_RESULT));
        host_.ChooseSystemMenu(IDM_RESULT);
    });
    host_.Then([&] {
        ASSERT_EQ(host_.TopDialog().Template().id, IDD_RESULT_DIALOG);
        EXPECT_THAT(host_.Text(IDC_RESULT_HEADLINE), testing::HasSubstr("전송단위 7부터"));
        const TextTable table = host_.Table(IDC_RESULT_TABLE);
        ASSERT_EQ(table.rows.size(), 2u);
        EXPECT_EQ(table.rows[1][0], "7");
        EXPECT_EQ(table.rows[1][4], "1");  // one XOFF at level 7
        const ChartDescription* chart = host_.Chart(IDC_RESULT_CHART);
        ASSERT_NE(chart, nullptr);
        ASSERT_EQ(chart->bands.size(), 1u);
        EXPECT_EQ(chart->bands[0].from, 1.5);
        host_.PickNextFile(report);
        host_.Press(IDC_RESULT_SAVE);
        ASSERT_EQ(host_.saveDialogs.size(), 1u);
        EXPECT_EQ(host_.saveDialogs[0].initialName, "pretest-test.html");
        host_.Press(IDOK);
    });
    host_.Then([&] {
        EXPECT_EQ(host_.OpenDialogs(), 1);
        Send(200000);
        EXPECT_FALSE(host_.SystemMenuEnabled(IDM_RESULT)) << "the next test has started";
        EndTest();
    });
    Run();
    std::ifstream kept(report);
    const std::string html((std::istreambuf_iterator<char>(kept)),
                           std::istreambuf_iterator<char>());
    EXPECT_THAT(html, testing::HasSubstr("전송단위 7부터"));
    EXPECT_THAT(html, testing::HasSubstr("test.nc"));
    EXPECT_THAT(html, testing::HasSubstr("200000 바이트"));
}

}  // namespace
