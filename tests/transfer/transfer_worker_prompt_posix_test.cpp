#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <set>
#include <string>
#include <thread>

#include "fake_comm.h"
#include "fake_platform.h"
#include "port_settings.h"
#include "prompt_wakes.h"
#include "temp_dir.h"
#include "transfer_state.h"
#include "transfer_worker.h"

namespace {

int PolicyOfThisThread() {
    int policy = -1;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    return policy;
}

// Every call the engine makes on the port, from opening it to closing it, runs with prompt
// wakes where the system grants them, and the thread that ran the test is given back as it was.
TEST(TransferWorkerPromptTest, TalksToThePortWithPromptWakesAndGivesTheThreadBack) {
    bool grantable = false;
    std::thread([&] { grantable = PromptWakes().Granted(); }).join();
    if (!grantable) {
        GTEST_SKIP() << "this user may not run a thread real-time";
    }

    TempDir dir;
    CallLog log;
    FakeComm comm{log};
    FakePlatform platform{log};
    g_portSettings = DefaultPortSettings();
    g_transferState.bSending = 1;
    g_transferState.nTransferUnit = 5;
    const std::string program = "G01 X1\nG01 X2\nM30\n";
    g_transferState.nFileSize = static_cast<std::int32_t>(program.size());
    const WorkerParam param{dir.Write("test.nc", program).string(), nullptr};

    std::set<int> policiesAtPortCalls;
    comm.onCall = [&](const std::string&) { policiesAtPortCalls.insert(PolicyOfThisThread()); };
    int policyBefore = -1;
    int policyAfter = -1;
    std::thread([&] {
        policyBefore = PolicyOfThisThread();
        TransferWorker(&param);
        policyAfter = PolicyOfThisThread();
    }).join();

    EXPECT_EQ(comm.written, program);
    EXPECT_EQ(policiesAtPortCalls, std::set<int>{SCHED_FIFO});
    EXPECT_EQ(policyAfter, policyBefore);
}

}  // namespace
