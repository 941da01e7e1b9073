// A worker's message box on the Qt host at shutdown: the GUI thread has left its event loop
// and waits for the workers, so a box a worker is waiting for must be answered by the
// shutdown, or the worker never gets to close its port.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <chrono>
#include <future>
#include <thread>

#include "call_log.h"
#include "fake_comm.h"
#include "port_settings.h"
#include "qt_dialog_host.h"
#include "qt_platform_services.h"
#include "qt_test_app.h"
#include "temp_dir.h"
#include "transfer_state.h"
#include "transfer_worker.h"

namespace {

using namespace std::chrono_literals;

// The worker's side: its box on a thread of its own. A box nobody answers leaves the
// thread blocked; the test then fails instead of hanging and leaves the thread behind.
std::future<int> AskFromAnotherThread(QtDialogHost& host) {
    std::packaged_task<int()> ask(
        [&host] { return host.MessageBoxForWindow(nullptr, "long line", "Trans message", MB_OK); });
    std::future<int> answer = ask.get_future();
    std::thread(std::move(ask)).detach();
    return answer;
}

TEST(WorkerBoxesOnQt, TheShutdownAnswersABoxStillWaitingToBeShown) {
    TestApp();
    QtDialogHost host;
    std::future<int> answer = AskFromAnotherThread(host);
    // The GUI thread runs no events here, as after the main window has closed: the box's
    // showing stays queued.
    while (host.WaitingOtherThreadBoxes() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(answer.wait_for(50ms), std::future_status::timeout);
    host.StopAnsweringOtherThreads();
    ASSERT_EQ(answer.wait_for(10s), std::future_status::ready) << "the worker still waits";
    EXPECT_EQ(answer.get(), IDOK);
    EXPECT_EQ(host.WaitingOtherThreadBoxes(), 0);
    // The queued showing comes round later and finds the box answered: nothing is shown.
    QCoreApplication::processEvents();
    EXPECT_EQ(OpenMessageBox(), nullptr);
}

TEST(WorkerBoxesOnQt, ABoxAskedAfterTheShutdownIsAnsweredAtOnce) {
    TestApp();
    QtDialogHost host;
    host.StopAnsweringOtherThreads();
    std::future<int> answer = AskFromAnotherThread(host);
    ASSERT_EQ(answer.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(answer.get(), IDOK);
    QCoreApplication::processEvents();
    EXPECT_EQ(OpenMessageBox(), nullptr);
}

// The whole worker: an over-long line, whose box it waits on with the port open, when the
// window has gone. The shutdown's answer lets it close the port.
TEST(WorkerBoxesOnQt, AWorkerWhoseBoxTheShutdownAnswersClosesItsPort) {
    TestApp();
    QtDialogHost host;
    QtPlatformServices platform(host);
    SetPlatform(&platform);
    CallLog log;
    FakeComm comm(log);
    TempDir dir;
    const auto program = dir.Write("long.nc", "g01\n" + std::string(300, 'x') + "\n");
    g_portSettings = DefaultPortSettings();
    g_transferState.bSending = 1;
    g_transferState.nFileSize = 305;
    g_transferState.nTransferUnit = 5;
    std::packaged_task<void()> run([&] {
        const WorkerParam param{program.string(), nullptr};
        TransferWorker(&param);
    });
    std::future<void> ended = run.get_future();
    std::thread(std::move(run)).detach();
    while (host.WaitingOtherThreadBoxes() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(log.Only({"ClosePort"}).size(), 0u);
    g_transferState.bSending = 0;  // as the window does when it closes during a test
    host.StopAnsweringOtherThreads();
    ASSERT_EQ(ended.wait_for(10s), std::future_status::ready) << "the worker still waits";
    EXPECT_EQ(log.Only({"ClosePort"}).size(), 1u);
    EXPECT_EQ(g_transferState.nEndReason, static_cast<std::int32_t>(TransferEnd::LongLine));
    SetPlatform(nullptr);
}

}  // namespace
