#include "poll_machine_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_comm.h"
#include "fake_platform.h"
#include "transfer_state.h"

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

constexpr char ENQ = 5, ACK = 6, DC1 = 17, DC3 = 19, NAK = 21;

class PollMachineInputTest : public testing::Test {
  protected:
    void SetUp() override {
        TransferState& state = g_transferState;
        state.hPort = FakeComm::kHandle;
        state.bXonState = 1;
        state.bAckState = 1;
        state.bSending = 1;
        state.nXonCount = 0;
        state.nTransferUnit = 5;
        state.ClearEventLog();
        platform_.now = {14, 5, 9};
    }

    CallLog log_;
    FakeComm comm_{log_};
    FakePlatform platform_{log_};
};

struct PollCase {
    const char* name;
    std::string received;
    int xonBefore, ackBefore, sending;
    int answer, xonAfter, ackAfter, xonCount;
    std::vector<std::string> escapes;
    std::string acksSent;

    friend void PrintTo(const PollCase& c, std::ostream* os) { *os << c.name; }
};

class PollCasesTest : public PollMachineInputTest, public testing::WithParamInterface<PollCase> {};

TEST_P(PollCasesTest, AnswersAndGates) {
    const PollCase& c = GetParam();
    g_transferState.bXonState = c.xonBefore;
    g_transferState.bAckState = c.ackBefore;
    g_transferState.bSending = c.sending;
    comm_.input = c.received;

    EXPECT_EQ(PollMachineInput(), c.answer);
    EXPECT_EQ(g_transferState.bXonState, c.xonAfter);
    EXPECT_EQ(g_transferState.bAckState, c.ackAfter);
    EXPECT_EQ(g_transferState.nXonCount, c.xonCount);
    EXPECT_THAT(log_.Only({"EscapeCommFunction"}), ElementsAreArray(c.escapes));
    EXPECT_EQ(comm_.transmitted, c.acksSent);
    EXPECT_EQ(comm_.input, "") << "everything waiting (up to 200) is read";
    EXPECT_EQ(platform_.sleptMs, c.sending ? 0u : 10u);
}

const std::string kXon = "EscapeCommFunction(SETXON)";
const std::string kXoff = "EscapeCommFunction(SETXOFF)";

INSTANTIATE_TEST_SUITE_P(
    Received, PollCasesTest,
    testing::Values(PollCase{"Nothing", "", 1, 1, 1, 1, 1, 1, 0, {}, ""},
                    PollCase{"NothingNotSending", "", 1, 1, 0, 0, 1, 1, 0, {}, ""},
                    PollCase{"HeldWhileSending", "", 0, 1, 1, 0, 0, 1, 0, {}, ""},
                    PollCase{"Xoff", {DC3}, 1, 1, 1, 0, 0, 1, 0, {kXoff}, ""},
                    PollCase{"XonReleases", {DC1}, 0, 1, 1, 1, 1, 1, 1, {kXon}, ""},
                    PollCase{"XoffThenXon", {DC3, DC1}, 1, 1, 1, 1, 1, 1, 1, {kXoff, kXon}, ""},
                    PollCase{"XonThenXoff", {DC1, DC3}, 0, 1, 1, 0, 0, 1, 1, {kXon, kXoff}, ""},
                    PollCase{"RepeatedXonCountsEachTime",
                             {DC1, DC1, DC1},
                             1,
                             1,
                             1,
                             1,
                             1,
                             1,
                             3,
                             {kXon, kXon, kXon},
                             ""},
                    PollCase{"TwoEnqTwoAcks", {ENQ, ENQ}, 1, 1, 1, 1, 1, 1, 0, {}, {ACK, ACK}},
                    PollCase{"Nak", {NAK}, 1, 1, 1, 0, 1, 0, 0, {}, ""},
                    PollCase{"NakWhileClosed", {NAK}, 1, 0, 1, 0, 1, 0, 0, {}, ""},
                    PollCase{"AckOpens", {ACK}, 1, 0, 1, 1, 1, 1, 0, {}, ""},
                    PollCase{"AckThenNak", {ACK, NAK}, 1, 0, 1, 0, 1, 0, 0, {}, ""},
                    PollCase{"NakThenAck", {NAK, ACK}, 1, 1, 1, 1, 1, 1, 0, {}, ""},
                    PollCase{"OpenGatesButStopped", {DC1, ACK}, 0, 0, 0, 0, 1, 1, 1, {kXon}, ""},
                    PollCase{"OtherBytesChangeNothing",
                             "G01 X10.\r\n\x01\x04\x07\x10\x12\x14\x16\x7f\xff",
                             1,
                             1,
                             1,
                             1,
                             1,
                             1,
                             0,
                             {},
                             ""},
                    // A port that does not drop NULs must not hide what follows one.
                    PollCase{
                        "NulBeforeXoff", std::string{'\0', DC3}, 1, 1, 1, 0, 0, 1, 0, {kXoff}, ""},
                    PollCase{"NulsAroundEnq",
                             std::string{'\0', ENQ, '\0', '\0', DC1},
                             0,
                             1,
                             1,
                             1,
                             1,
                             1,
                             1,
                             {kXon},
                             {ACK}}),
    [](const testing::TestParamInfo<PollCase>& param) { return param.param.name; });

TEST_F(PollMachineInputTest, ReadsAtMost200BytesPerCall) {
    comm_.input = std::string(199, 'x') + DC3 + std::string(49, 'y') + DC1;
    EXPECT_EQ(PollMachineInput(), 0);
    EXPECT_EQ(comm_.input.size(), 50u);
    EXPECT_EQ(g_transferState.bXonState, 0);

    EXPECT_EQ(PollMachineInput(), 1);
    EXPECT_EQ(comm_.input, "");
    EXPECT_THAT(log_.Only({"ReadFile"}), ElementsAre("ReadFile(200)", "ReadFile(50)"));
}

TEST_F(PollMachineInputTest, StatusQueriesAroundTheRead) {
    // Nothing waiting: the read is still made (for 0 bytes), then one more status query.
    PollMachineInput();
    EXPECT_THAT(log_.All(), ElementsAre("ClearCommError", "ReadFile(0)", "ClearCommError"));

    // A line error is cleared with a second query before the read.
    log_.Clear();
    comm_.statuses = {{CE_FRAME, 0}};
    comm_.input = "a";
    PollMachineInput();
    EXPECT_THAT(log_.All(), ElementsAre("ClearCommError", "ClearCommError", "ReadFile(1)"));
}

struct WaitCase {
    const char* name;
    int xon, ack, sending;
    bool orWait;
    std::string waiting;
    std::string read;  // the read request made

    friend void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }
};

class PollWaitTest : public PollMachineInputTest, public testing::WithParamInterface<WaitCase> {};

// With nothing received, a closed gate (or the sender's wait for room) asks for one byte, so
// the read waits on the line for at most the port's time-out instead of the sender spinning.
TEST_P(PollWaitTest, WaitsOnTheLineOnlyWhileHeldOrAskedTo) {
    const WaitCase& c = GetParam();
    g_transferState.bXonState = c.xon;
    g_transferState.bAckState = c.ack;
    g_transferState.bSending = c.sending;
    comm_.input = c.waiting;
    c.orWait ? PollMachineInputOrWait() : PollMachineInput();
    EXPECT_THAT(log_.Only({"ReadFile"}), ElementsAre(c.read));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, PollWaitTest,
    testing::Values(WaitCase{"OpenGates", 1, 1, 1, false, "", "ReadFile(0)"},
                    WaitCase{"Xoff", 0, 1, 1, false, "", "ReadFile(1)"},
                    WaitCase{"Nak", 1, 0, 1, false, "", "ReadFile(1)"},
                    WaitCase{"HeldButStopped", 0, 0, 0, false, "", "ReadFile(0)"},
                    WaitCase{"OpenGatesWaitingForRoom", 1, 1, 1, true, "", "ReadFile(1)"},
                    WaitCase{"StoppedWaitingForRoom", 1, 1, 0, true, "", "ReadFile(0)"},
                    WaitCase{"BytesWaitingWhileHeld", 0, 1, 1, false, "ab", "ReadFile(2)"}),
    [](const testing::TestParamInfo<WaitCase>& param) { return param.param.name; });

TEST_F(PollMachineInputTest, AByteArrivingDuringTheWaitIsHandledInTheSameCall) {
    g_transferState.bXonState = 0;
    comm_.arrivesDuringRead = {DC1};
    EXPECT_EQ(PollMachineInput(), 1) << "the XON that ended the wait opens the gate at once";
    EXPECT_EQ(g_transferState.nXonCount, 1);
    EXPECT_THAT(log_.Only({"EscapeCommFunction"}), ElementsAre(kXon));

    // The sender's wait for room is ended by an XOFF the same way.
    comm_.arrivesDuringRead = {DC3};
    EXPECT_EQ(PollMachineInputOrWait(), 0);
    EXPECT_EQ(g_transferState.bXonState, 0);

    comm_.arrivesDuringRead = {ENQ};
    EXPECT_EQ(PollMachineInput(), 0);
    EXPECT_EQ(comm_.transmitted, std::string{ACK});
}

TEST_F(PollMachineInputTest, LogsXonAndXoffOnlyAboveLevel10) {
    g_transferState.nTransferUnit = 10;
    comm_.input = {DC3, DC1};
    PollMachineInput();
    EXPECT_EQ(g_transferState.CopyEventLog(), "");
    EXPECT_EQ(g_transferState.nXonCount, 1);

    g_transferState.nTransferUnit = 11;
    comm_.input = {DC3};
    PollMachineInput();
    platform_.now = {0, 0, 0};
    g_transferState.nTransferUnit = 12;
    comm_.input = {DC1};
    PollMachineInput();
    EXPECT_EQ(g_transferState.CopyEventLog(),
              "전송단위 11 \r\n14:5:9  Xoff 수신 \r\n"
              "전송단위 12 \r\n0:0:0  Xon 수신 \r\n");
    EXPECT_EQ(g_transferState.nXonCount, 2);
}

}  // namespace
