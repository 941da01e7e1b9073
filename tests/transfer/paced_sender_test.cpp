#include "paced_sender.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fake_comm.h"
#include "fake_platform.h"
#include "port_settings.h"
#include "transfer_state.h"

namespace {

using testing::ElementsAre;

constexpr char DC1 = 17, DC3 = 19;

// Blocks of recognisable bytes, so the order in which they reach the port shows.
std::string Block(std::size_t length, char first = 'a') {
    std::string block(length, ' ');
    for (std::size_t i = 0; i < length; ++i) {
        block[i] = static_cast<char>(first + i % 26);
    }
    return block;
}

class PacedSenderTest : public testing::Test {
  protected:
    void SetUp() override {
        g_portSettings = DefaultPortSettings();
        TransferState& state = g_transferState;
        state.nWrittenBytes = 0;
        state.hPort = FakeComm::kHandle;
        state.bXonState = 1;
        state.bAckState = 1;
        state.bSending = 1;
        state.nTransferUnit = 5;
        Reset();
    }

    void Reset() {
        ASSERT_EQ(SendBlock(-1, {}), 1);
        log_.Clear();
    }

    // Lengths of the chunks written since the log was last cleared.
    std::vector<std::size_t> ChunkLengths() const {
        std::vector<std::size_t> lengths;
        for (const auto& call : log_.Only({"WriteFile("})) {
            lengths.push_back(call.size() - std::string("WriteFile()").size());
        }
        return lengths;
    }

    const PacedSenderState& sender() const { return CurrentPacedSenderState(); }

    CallLog log_;
    FakeComm comm_{log_};
    FakePlatform platform_{log_};
};

TEST_F(PacedSenderTest, LevelRisesWithASteadyStreamOf250ByteBlocks) {
    // Call number -> level after that call's step and bytes per chunk.
    const std::map<int, std::pair<int, std::size_t>> rows = {
        {1, {5, 1}},     {2, {5, 1}},     {3, {7, 1}},     {6, {9, 1}},     {9, {10, 1}},
        {18, {11, 2}},   {27, {12, 3}},   {99, {20, 11}},  {108, {22, 13}}, {144, {30, 21}},
        {153, {35, 26}}, {198, {60, 51}}, {207, {65, 56}},
    };
    std::vector<int> levels;
    for (int call = 1; call <= 207; ++call) {
        log_.Clear();
        ASSERT_EQ(SendBlock(1, Block(250)), 1);
        levels.push_back(g_transferState.nTransferUnit);
        if (const auto row = rows.find(call); row != rows.end()) {
            EXPECT_EQ(g_transferState.nTransferUnit, row->second.first) << "call " << call;
            const auto chunks = ChunkLengths();
            ASSERT_FALSE(chunks.empty());
            EXPECT_EQ(chunks.front(), row->second.second) << "call " << call;
        }
        ASSERT_TRUE(sender().strSendQueue.empty() && sender().strPending.empty());
    }
    EXPECT_EQ(comm_.written.size(), 207u * 250u);

    // Every level the stream passes through, in order.
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    EXPECT_THAT(levels, ElementsAre(5, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 24, 26,
                                    28, 30, 35, 40, 45, 50, 55, 60, 65));
}

TEST_F(PacedSenderTest, StepThresholdsAreStrictAndTheExcessIsDropped) {
    g_transferState.nTransferUnit = 7;
    SendBlock(1, Block(250));
    SendBlock(1, Block(250));
    EXPECT_EQ(g_transferState.nTransferUnit, 7) << "exactly 500 does not step";
    EXPECT_EQ(sender().nStepBytes, 500);
    SendBlock(1, Block(299));
    EXPECT_EQ(g_transferState.nTransferUnit, 9);
    EXPECT_EQ(sender().nStepBytes, 0);
    SendBlock(1, Block(501));
    EXPECT_EQ(g_transferState.nTransferUnit, 10) << "9 steps to 10, not 11";
    SendBlock(1, Block(300));
    EXPECT_EQ(sender().nStepBytes, 300);
    EXPECT_EQ(g_transferState.nTransferUnit, 10) << "from 10 a step needs more than 2000";
}

TEST_F(PacedSenderTest, PacesBelowLevel10ByCredit) {
    // Which passes pause before their byte ('P') and which do not ('.'), from credit 0.
    const std::pair<int, std::string> patterns[] = {
        {5, "..P..P..P..P"}, {6, "...P..P...P..P"},         {7, "....P...P...P....P"},
        {8, ".....P.....P"}, {9, "..........P..........P"}, {10, "........................."},
    };
    for (const auto& [level, expected] : patterns) {
        g_transferState.nTransferUnit = level;
        Reset();
        ASSERT_EQ(SendBlock(1, Block(expected.size())), 1);
        std::string passes;
        bool paused = false;
        for (const auto& call : log_.Only({"Sleep(1)", "WriteFile("})) {
            if (call == "Sleep(1)") {
                paused = true;
            } else {
                passes += paused ? 'P' : '.';
                paused = false;
            }
        }
        EXPECT_EQ(passes, expected) << "level " << level;
        EXPECT_EQ(comm_.written.substr(comm_.written.size() - expected.size()),
                  Block(expected.size()));
    }
}

TEST_F(PacedSenderTest, ResetDiscardsEverythingButTheLevel) {
    g_transferState.nTransferUnit = 12;
    comm_.writeCounts = {0};
    SendBlock(1, Block(120));
    ASSERT_EQ(sender().strSendQueue.size(), 120u);
    log_.Clear();

    EXPECT_EQ(SendBlock(-1, Block(50)), 1);
    EXPECT_EQ(sender().strSendQueue, "");
    EXPECT_EQ(sender().strPending, "");
    EXPECT_EQ(sender().nStepBytes, 0);
    EXPECT_EQ(sender().nPaceCredit, 0);
    EXPECT_EQ(sender().bFirstSend, 0);
    EXPECT_EQ(g_transferState.nTransferUnit, 12);
    EXPECT_THAT(log_.Only({"WriteFile"}), ElementsAre());
}

TEST_F(PacedSenderTest, BlocksJoinTheQueueUpTo300Bytes) {
    g_transferState.nTransferUnit = 65;
    // A write that moves nothing with nothing pending ends the call and leaves the bytes.
    comm_.writeCounts = {0};
    ASSERT_EQ(SendBlock(1, Block(100, 'A')), 1);
    ASSERT_EQ(sender().strSendQueue, Block(100, 'A'));

    comm_.writeCounts = {0};
    ASSERT_EQ(SendBlock(1, Block(200, 'a')), 1);
    EXPECT_EQ(sender().strSendQueue, Block(100, 'A') + Block(200, 'a'));
    EXPECT_EQ(sender().strPending, "");
}

TEST_F(PacedSenderTest, ABlockThatDoesNotFitWaitsWholeAndFollowsTheQueue) {
    g_transferState.nTransferUnit = 65;
    comm_.writeCounts = {0};
    ASSERT_EQ(SendBlock(1, Block(100, 'A')), 1);

    std::size_t pendingAtFirstWrite = 0;
    comm_.onCall = [&](const std::string& call) {
        if (call.starts_with("WriteFile") && pendingAtFirstWrite == 0) {
            pendingAtFirstWrite = sender().strPending.size();
        }
    };
    // The first write moves nothing; with a block pending the call goes on.
    comm_.writeCounts = {0};
    ASSERT_EQ(SendBlock(1, Block(201, 'a')), 1);
    EXPECT_EQ(pendingAtFirstWrite, 201u);
    EXPECT_EQ(comm_.written, Block(100, 'A') + Block(201, 'a'));
    EXPECT_TRUE(sender().strSendQueue.empty() && sender().strPending.empty());
}

TEST_F(PacedSenderTest, APendingBlockIsMovedWholeAndDrainedInTheSameCall) {
    g_transferState.nTransferUnit = 65;
    ASSERT_EQ(SendBlock(1, Block(450)), 1);
    EXPECT_EQ(comm_.written, Block(450));
    EXPECT_THAT(ChunkLengths(), ElementsAre(56, 56, 56, 56, 56, 56, 56, 56, 2));
}

TEST_F(PacedSenderTest, ShortWritesRemoveExactlyTheBytesWritten) {
    g_transferState.nTransferUnit = 22;  // 13-byte chunks
    comm_.writeCounts = {5};
    ASSERT_EQ(SendBlock(1, Block(30)), 1);
    const auto writes = log_.Only({"WriteFile"});
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0], "WriteFile(" + Block(30).substr(0, 13) + ")");
    EXPECT_EQ(writes[1], "WriteFile(" + Block(30).substr(5, 13) + ")");
    EXPECT_EQ(comm_.written, Block(30));
}

TEST_F(PacedSenderTest, OutputQueueRoomAndTransmitQueueFullLimitTheChunk) {
    g_transferState.nTransferUnit = 65;
    struct Case {
        const char* name;
        FakeComm::Status status;
        std::size_t firstChunk;
    };
    const Case cases[] = {
        {"room for 20", {0, 80}, 20},
        {"TXFULL alone", {CE_TXFULL, 0}, 0},
        {"TXFULL with a frame error", {CE_TXFULL | CE_FRAME, 0}, 56},
        {"frame error alone", {CE_FRAME, 0}, 56},
    };
    for (const Case& c : cases) {
        Reset();
        // The call's first query comes before the loop; the pass's own query decides.
        comm_.statuses = {{}, c.status};
        ASSERT_EQ(SendBlock(1, Block(120)), 1) << c.name;
        const auto chunks = ChunkLengths();
        ASSERT_FALSE(chunks.empty()) << c.name;
        EXPECT_EQ(chunks.front(), c.firstChunk) << c.name;
        if (c.firstChunk == 0) {
            EXPECT_EQ(chunks.size(), 1u) << "an empty chunk ends the call: " << c.name;
            EXPECT_EQ(sender().strSendQueue, Block(120)) << c.name;
        } else {
            EXPECT_TRUE(sender().strSendQueue.empty()) << c.name;
        }
    }
}

// An output queue without room is waited out on the line, not given up with an empty chunk:
// otherwise the worker would hand over the whole file while the wire still carries its
// first bytes.
TEST_F(PacedSenderTest, NoRoomInTheOutputQueueIsWaitedForOnTheLine) {
    g_transferState.nTransferUnit = 65;
    comm_.statuses.assign(100, {0, 150});
    int waits = 0;
    comm_.onCall = [&](const std::string& call) {
        // After the second wait: the poller's own query, then the sender's look finds room.
        if (call == "ReadFile(1)" && ++waits == 2) {
            comm_.statuses = {{0, 100}, {0, 80}};
        }
    };
    ASSERT_EQ(SendBlock(1, Block(120)), 1);
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(ChunkLengths().front(), 20u);
    EXPECT_EQ(comm_.written, Block(120));
    EXPECT_TRUE(sender().strSendQueue.empty());
}

TEST_F(PacedSenderTest, AnXoffDuringTheWaitForRoomHoldsTheNextChunk) {
    g_transferState.nTransferUnit = 65;
    comm_.statuses = {{}, {0, 100}};
    comm_.arrivesDuringRead = {DC3, DC1};
    ASSERT_EQ(SendBlock(1, Block(120)), 1);
    const auto calls = log_.Only({"EscapeCommFunction", "WriteFile"});
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "EscapeCommFunction(SETXOFF)");
    EXPECT_EQ(calls[1], "EscapeCommFunction(SETXON)");
    EXPECT_TRUE(calls[2].starts_with("WriteFile"));
    EXPECT_EQ(comm_.written, Block(120));
}

TEST_F(PacedSenderTest, StoppingWhileThereIsNoRoomGivesUpWithTheQueueKept) {
    g_transferState.nTransferUnit = 65;
    comm_.statuses.assign(100, {0, 100});
    int waits = 0;
    comm_.onCall = [&](const std::string& call) {
        if (call == "ReadFile(1)" && ++waits == 10) {
            g_transferState.bSending = 0;
        }
    };
    EXPECT_EQ(SendBlock(1, Block(120)), 0);
    EXPECT_EQ(comm_.written, "");
    EXPECT_EQ(sender().strSendQueue, Block(120));
}

// At the end of a test what was handed over reaches the line before the port closes, and
// the flush waits until the port's queue has carried it, still obeying the machine.
TEST_F(PacedSenderTest, FlushWritesOutTheRestAndWaitsForTheLineToCarryIt) {
    g_transferState.nTransferUnit = 65;
    comm_.writeCounts = {0};
    ASSERT_EQ(SendBlock(1, Block(120, 'A')), 1);
    ASSERT_EQ(sender().strSendQueue.size(), 120u);

    bool queued = false;
    comm_.onCall = [&](const std::string& call) {
        if (!queued && call.starts_with("WriteFile") && comm_.written.size() == 120) {
            queued = true;
            comm_.statuses = {{0, 40}, {0, 40}, {0, 40}};
            comm_.arrivesDuringRead = {DC3, DC1};
        }
    };
    EXPECT_EQ(FlushSender(), 1);
    EXPECT_EQ(comm_.written, Block(120, 'A'));
    EXPECT_EQ(g_transferState.nWrittenBytes, 120);
    // After the last write: waits on the line, the XOFF and XON that came meanwhile obeyed.
    const auto calls = log_.All();
    const auto lastWrite = std::find_if(calls.rbegin(), calls.rend(), [](const std::string& c) {
        return c.starts_with("WriteFile");
    });
    const std::vector<std::string> after(lastWrite.base(), calls.end());
    EXPECT_THAT(after, testing::Contains("EscapeCommFunction(SETXOFF)"));
    EXPECT_THAT(after, testing::Contains("EscapeCommFunction(SETXON)"));
}

TEST_F(PacedSenderTest, AStopEndsTheFlushWithTheRestUnwritten) {
    g_transferState.nTransferUnit = 65;
    g_transferState.bXonState = 0;
    g_transferState.bSending = 0;
    SendBlock(1, Block(120, 'A'));
    g_transferState.bSending = 1;
    int waits = 0;
    comm_.onCall = [&](const std::string& call) {
        if (call == "ReadFile(1)" && ++waits == 10) {
            g_transferState.bSending = 0;
        }
    };
    EXPECT_EQ(FlushSender(), 0);
    EXPECT_EQ(comm_.written, "");
    EXPECT_EQ(sender().strSendQueue, Block(120, 'A'));
}

TEST_F(PacedSenderTest, AfterAStalledWriteTheNextBlockJoinsBehindTheRest) {
    g_transferState.nTransferUnit = 65;
    comm_.writeCounts = {0};
    ASSERT_EQ(SendBlock(1, Block(120, 'A')), 1);
    EXPECT_EQ(sender().strSendQueue, Block(120, 'A'));

    ASSERT_EQ(SendBlock(1, Block(150, 'a')), 1);
    EXPECT_EQ(comm_.written, Block(120, 'A') + Block(150, 'a'));
}

TEST_F(PacedSenderTest, AStalledQueueOver300IsDrainedDownTo300) {
    g_transferState.nTransferUnit = 65;
    comm_.writeCounts = {0};
    ASSERT_EQ(SendBlock(1, Block(100, 'A')), 1);
    // 100 queued, 400 pending. The queue's bytes go out, then the pending block is moved
    // in and two writes move nothing: the call still goes on while more than 300 wait.
    comm_.writeCounts = {56, 44, 0, 0, 56, 56};
    EXPECT_EQ(SendBlock(1, Block(400, 'a')), 1);
    EXPECT_EQ(comm_.written, Block(100, 'A') + Block(400, 'a').substr(0, 112));
    EXPECT_EQ(sender().strSendQueue, Block(400, 'a').substr(112));
}

// The port opens held for any nonzero setting; the sender must then wait for its first byte
// too, or a stored 99 would count bytes up that never reach the machine.
TEST_F(PacedSenderTest, AnyNonzeroStartSettingBeginsTheFirstSendPhase) {
    for (const std::int32_t setting : {0, 1, 99, -1}) {
        g_portSettings.bSendSignalWait = setting;
        Reset();
        EXPECT_EQ(sender().bFirstSend, setting != 0 ? 1 : 0) << "setting " << setting;
    }
}

TEST_F(PacedSenderTest, FirstSendHoldsTheCallUntilTheFirstByteGoesOut) {
    g_portSettings.bSendSignalWait = 1;
    g_transferState.nTransferUnit = 65;
    Reset();
    ASSERT_EQ(sender().bFirstSend, 1);
    // Output queue full, then writes of nothing: neither may end the call.
    comm_.statuses = {{}, {0, 100}};
    comm_.writeCounts = {0, 0, 0, 3};
    ASSERT_EQ(SendBlock(1, Block(10)), 1);
    EXPECT_EQ(comm_.written, Block(10));
    EXPECT_EQ(sender().bFirstSend, 0);
    EXPECT_GE(ChunkLengths().size(), 5u);
}

TEST_F(PacedSenderTest, StoppingWhileTheMachineHoldsTheLineGivesUpAtOnce) {
    g_transferState.nTransferUnit = 65;
    g_transferState.bXonState = 0;
    int polls = 0;
    comm_.onCall = [&](const std::string& call) {
        if (call.starts_with("ReadFile") && ++polls == 50) {
            g_transferState.bSending = 0;
        }
    };
    EXPECT_EQ(SendBlock(1, Block(100, 'A')), 0);
    EXPECT_EQ(SendBlock(1, Block(250, 'a')), 0) << "a stopped test writes nothing more";
    EXPECT_EQ(comm_.written, "");
    EXPECT_EQ(sender().strSendQueue, Block(100, 'A'));
    EXPECT_EQ(sender().strPending, Block(250, 'a'));
    EXPECT_EQ(g_transferState.nTransferUnit, 65);
}

TEST_F(PacedSenderTest, BlocksArrivingBehindPendingBytesKeepTheirOrder) {
    g_transferState.nTransferUnit = 65;
    g_transferState.bXonState = 0;
    g_transferState.bSending = 0;
    SendBlock(1, Block(200, 'A'));
    SendBlock(1, Block(200, 'a'));
    SendBlock(1, Block(50, '0'));
    EXPECT_EQ(sender().strPending, Block(200, 'a') + Block(50, '0'));

    g_transferState.bXonState = 1;
    g_transferState.bSending = 1;
    ASSERT_EQ(SendBlock(1, {}), 1);
    EXPECT_EQ(comm_.written, Block(200, 'A') + Block(200, 'a') + Block(50, '0'));
}

}  // namespace
