#include "run_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "control_chars.h"
#include "fake_comm.h"
#include "fake_platform.h"
#include "port_settings.h"
#include "temp_dir.h"
#include "transfer_state.h"
#include "transfer_worker.h"

namespace {

using testing::ElementsAreArray;

// A whole test over the scripted device, on a clock that moves one millisecond per port call.
class RunRecordTest : public testing::Test {
  protected:
    void SetUp() override {
        g_portSettings = DefaultPortSettings();
        TransferState& state = g_transferState;
        state.bSending = 1;
        state.nSentBytes = 0;
        state.nPercent = 0;
        state.nTransferUnit = 5;
        state.nXonCount = 0;
        state.ClearEventLog();
        previousClock_ = SetRunClock([this] { return now_; });
        comm_.onCall = [this](const std::string& call) {
            now_ += 1;
            OnCall(call);
        };
    }
    void TearDown() override { SetRunClock(previousClock_); }

    virtual void OnCall(const std::string&) {}

    void RunOn(const std::string& content) {
        const auto path = dir_.Write("test.nc", content);
        g_transferState.nFileSize = static_cast<std::int32_t>(content.size());
        const WorkerParam param{path.string(), nullptr};
        TransferWorker(&param);
    }

    static std::string Program(std::size_t size) {
        std::string file;
        for (int i = 0; file.size() < size; ++i) {
            std::string line = "n" + std::to_string(i) + " g01 x" + std::to_string(i % 97);
            line.resize(99, ' ');
            file += line + "\n";
        }
        return file;
    }

    std::int64_t now_ = 5000;
    RunClock previousClock_;
    TempDir dir_;
    CallLog log_;
    FakeComm comm_{log_};
    FakePlatform platform_{log_};
};

TEST_F(RunRecordTest, KeepsEveryStepHoldAndByteOfAWholeTestAndLeavesTheLogAlone) {
    bool held = false;
    comm_.onCall = [&](const std::string& call) {
        now_ += 1;
        // Below level 10 the machine asks and holds once; the log shows neither.
        if (call.starts_with("WriteFile") && !held && comm_.written.size() >= 1000) {
            held = true;
            comm_.input = {kEnq, kXoff};
            comm_.arrivesDuringRead = {kXon};
        }
    };
    RunOn(Program(100000));

    const RunRecord record = CopyRunRecord();
    ASSERT_TRUE(record.started);
    ASSERT_TRUE(record.ended);
    ASSERT_FALSE(record.events.empty());
    EXPECT_EQ(record.events.front().kind, RunEventKind::Start);
    EXPECT_EQ(record.events.front().ms, 0);
    EXPECT_EQ(record.events.front().level, 5);
    EXPECT_EQ(record.events.back().kind, RunEventKind::End);
    EXPECT_EQ(record.events.back().endReason, static_cast<std::int32_t>(TransferEnd::LevelPassed));

    std::vector<std::int32_t> steps;
    std::vector<RunEventKind> machine;
    std::int32_t xoffLevel = 0;
    for (std::size_t i = 1; i < record.events.size(); ++i) {
        const RunEvent& e = record.events[i];
        EXPECT_GE(e.ms, record.events[i - 1].ms) << "in time order";
        EXPECT_GE(e.writtenBytes, record.events[i - 1].writtenBytes);
        if (e.kind == RunEventKind::LevelStep) {
            steps.push_back(e.level);
        } else if (e.kind != RunEventKind::End) {
            machine.push_back(e.kind);
            if (e.kind == RunEventKind::Xoff) {
                xoffLevel = e.level;
            }
        }
    }
    const std::vector<std::int32_t> kSteps = {7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                              22, 24, 26, 28, 30, 35, 40, 45, 50, 55, 60, 65};
    EXPECT_THAT(steps, ElementsAreArray(kSteps));
    EXPECT_THAT(machine,
                ElementsAreArray({RunEventKind::Enq, RunEventKind::Xoff, RunEventKind::Xon}));
    EXPECT_GT(xoffLevel, 5);
    EXPECT_LT(xoffLevel, 10);

    EXPECT_EQ(record.writtenBytes, g_transferState.nWrittenBytes);
    EXPECT_EQ(
        std::accumulate(record.bucketBytes.begin(), record.bucketBytes.end(), std::int64_t{0}),
        record.writtenBytes);
    EXPECT_EQ(record.bucketBytes.size(),
              static_cast<std::size_t>(record.events.back().ms / kRunBucketMs + 1));
    EXPECT_EQ(g_transferState.CopyEventLog(), "") << "the log keeps to its own rules";
}

TEST_F(RunRecordTest, ANewTestStartsAFreshRecordAndNothingIsKeptAfterTheEnd) {
    RunOn(Program(1000));
    const RunRecord first = CopyRunRecord();
    ASSERT_TRUE(first.ended);
    RecordBytesWritten(50);
    RecordMachineChar(kXoff);
    EXPECT_EQ(CopyRunRecord().events.size(), first.events.size());
    EXPECT_EQ(CopyRunRecord().writtenBytes, first.writtenBytes);

    g_transferState.bSending = 1;
    g_transferState.nTransferUnit = 5;
    RunOn(Program(600));
    const RunRecord second = CopyRunRecord();
    EXPECT_EQ(second.writtenBytes, g_transferState.nWrittenBytes);
    EXPECT_EQ(second.events.front().ms, 0);
}

TEST(RunRecordThreads, AReaderCopiesWhileTheWorkerWrites) {
    RecordRunStart(5);
    std::thread writer([] {
        for (int i = 0; i < 20000; ++i) {
            RecordBytesWritten(1);
            if (i % 100 == 0) {
                RecordMachineChar(i % 200 == 0 ? kXoff : kXon);
            }
        }
        RecordRunEnd(1);
    });
    std::int64_t seen = 0;
    for (int i = 0; i < 200; ++i) {
        const RunRecord copy = CopyRunRecord();
        EXPECT_GE(copy.writtenBytes, seen);
        seen = copy.writtenBytes;
    }
    writer.join();
    EXPECT_EQ(CopyRunRecord().writtenBytes, 20000);
    EXPECT_EQ(CopyRunRecord().events.size(), 2u + 200u);
}

}  // namespace
