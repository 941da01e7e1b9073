#include "line_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "call_log.h"
#include "fake_comm.h"
#include "line_modelled_comm.h"

namespace {

using namespace std::chrono_literals;
using Clock = LineModel::Clock;

const Clock::time_point t0{};

DCB Line(DWORD baud, BYTE byteSize, BYTE parity, BYTE stopBits) {
    DCB dcb{};
    dcb.BaudRate = baud;
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    return dcb;
}

struct RateCase {
    const char* name;
    DCB line;
    std::uint32_t halfBits;
    std::uint64_t handed;
    std::chrono::nanoseconds after;
    std::uint64_t unsent;

    friend void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }
};

class LineModelRateTest : public testing::TestWithParam<RateCase> {};

TEST_P(LineModelRateTest, CharactersLeaveOneFrameApart) {
    const RateCase& c = GetParam();
    LineModel line;
    line.SetLine(c.line, t0);
    EXPECT_EQ(line.HalfBitsPerCharacter(), c.halfBits);
    line.Handed(c.handed, t0);
    EXPECT_EQ(line.Unsent(t0 + c.after), c.unsent);

    // The time until the next character has left is to the nanosecond: not a moment early.
    const Clock::time_point now = t0 + c.after;
    const auto fewer = line.UntilUnsentAtMost(c.unsent == 0 ? 0 : c.unsent - 1, now);
    ASSERT_TRUE(fewer.has_value());
    if (c.unsent == 0) {
        EXPECT_EQ(*fewer, Clock::duration::zero());
        return;
    }
    ASSERT_GT(*fewer, Clock::duration::zero());
    EXPECT_EQ(line.Unsent(now + *fewer - 1ns), c.unsent);
    EXPECT_EQ(line.Unsent(now + *fewer), c.unsent - 1);
    EXPECT_EQ(line.UntilUnsentAtMost(c.unsent, now), Clock::duration::zero());
}

// 9600 baud 7E2 is 11 bits a character: 1.1458 ms, 872.7 bytes a second.
INSTANTIATE_TEST_SUITE_P(
    Frames, LineModelRateTest,
    testing::Values(
        RateCase{"Nothing7E2", Line(9600, 7, EVENPARITY, TWOSTOPBITS), 22, 100, 0ns, 100},
        RateCase{"JustShortOfOne7E2", Line(9600, 7, EVENPARITY, TWOSTOPBITS), 22, 100, 1145833ns,
                 100},
        RateCase{"One7E2", Line(9600, 7, EVENPARITY, TWOSTOPBITS), 22, 100, 1145834ns, 99},
        RateCase{"Second7E2", Line(9600, 7, EVENPARITY, TWOSTOPBITS), 22, 1000, 1s, 128},
        RateCase{"All7E2", Line(9600, 7, EVENPARITY, TWOSTOPBITS), 22, 100, 114583334ns, 0},
        RateCase{"Half8N1", Line(9600, 8, NOPARITY, ONESTOPBIT), 20, 100, 50ms, 52},
        RateCase{"Half8O1", Line(9600, 8, ODDPARITY, ONESTOPBIT), 22, 100, 50ms, 57},
        RateCase{"OneAndAHalfStop", Line(9600, 5, NOPARITY, ONE5STOPBITS), 15, 200, 100ms, 72},
        RateCase{"HoursAtTheTopRate", Line(921600, 8, NOPARITY, ONESTOPBIT), 20, 4'000'000'000, 10h,
                 682'240'000},
        RateCase{"NoRateNoCount", Line(0, 8, NOPARITY, ONESTOPBIT), 0, 100, 0ns, 0}),
    [](const testing::TestParamInfo<RateCase>& param) { return param.param.name; });

TEST(LineModelTest, HeldByXoffFinishesTheCharacterOnTheWireAndThenStandsStill) {
    LineModel line;
    line.SetLine(Line(9600, 8, NOPARITY, ONESTOPBIT), t0);  // 960 bytes a second
    line.Handed(100, t0);
    line.Hold(t0 + 10500us);  // 10.08 characters sent: the 11th completes
    EXPECT_EQ(line.Unsent(t0 + 10500us), 89u);
    EXPECT_EQ(line.Unsent(t0 + 1h), 89u) << "nothing leaves while held";
    EXPECT_EQ(line.UntilUnsentAtMost(50, t0 + 1h), std::nullopt);
    EXPECT_EQ(line.UntilUnsentAtMost(89, t0 + 1h), Clock::duration::zero());
    line.Handed(11, t0 + 2s);
    EXPECT_EQ(line.Unsent(t0 + 3s), 100u);

    line.Release(t0 + 5s);
    EXPECT_EQ(line.Unsent(t0 + 5s + 10ms), 91u);
    EXPECT_EQ(line.Unsent(t0 + 5s + 10s), 0u);

    line.Handed(10, t0 + 20s);
    EXPECT_EQ(line.Unsent(t0 + 20s), 10u) << "an idle wire starts afresh with the next byte";
    line.Clear();
    EXPECT_EQ(line.Unsent(t0 + 20s), 0u);
}

class LineModelledCommTest : public testing::Test {
  protected:
    void SetUp() override {
        port_ = comm_.OpenPort("COM1");
        DCB dcb = Line(9600, 8, NOPARITY, ONESTOPBIT);
        ASSERT_TRUE(comm_.SetCommState(port_, &dcb));
    }

    DWORD OutQueue(DWORD driverCount = 0) {
        device_.statuses = {{0, driverCount}};
        DWORD errors = 0;
        COMSTAT status{};
        comm_.ClearCommError(port_, &errors, &status);
        return status.cbOutQue;
    }

    CallLog log_;
    FakeComm device_{log_};
    Clock::time_point now_ = t0;
    LineModelledComm comm_{device_, [this] { return now_; }};
    HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(LineModelledCommTest, ReportsTheLargerOfDriverAndLine) {
    const char data[40] = {};
    DWORD written = 0;
    ASSERT_TRUE(comm_.WriteFile(port_, data, sizeof data, &written));
    ASSERT_EQ(written, 40u);
    EXPECT_EQ(OutQueue(0), 40u) << "a pty's driver counts nothing";
    EXPECT_EQ(OutQueue(55), 55u) << "a driver that counts more is believed";

    ASSERT_TRUE(comm_.TransmitCommChar(port_, 6));
    EXPECT_EQ(OutQueue(), 41u);
    now_ += 20ms;  // 19.2 characters
    EXPECT_EQ(OutQueue(), 22u);
}

TEST_F(LineModelledCommTest, FollowsTheTransmitterHoldAndPurge) {
    const char data[40] = {};
    DWORD written = 0;
    device_.writeCounts = {30};
    ASSERT_TRUE(comm_.WriteFile(port_, data, sizeof data, &written));
    EXPECT_EQ(OutQueue(), 30u) << "only what the driver took";

    ASSERT_TRUE(comm_.EscapeCommFunction(port_, SETXOFF));
    now_ += 1s;
    EXPECT_EQ(OutQueue(), 30u);
    ASSERT_TRUE(comm_.EscapeCommFunction(port_, SETXON));
    now_ += 10ms;
    EXPECT_EQ(OutQueue(), 21u);

    ASSERT_TRUE(comm_.PurgeComm(port_, PURGE_TXCLEAR));
    EXPECT_EQ(OutQueue(), 0u);
}

TEST_F(LineModelledCommTest, APortItDidNotOpenIsPassedThrough) {
    const char data[10] = {};
    DWORD written = 0;
    ASSERT_TRUE(comm_.WriteFile(port_, data, sizeof data, &written));
    ASSERT_TRUE(comm_.ClosePort(port_));
    EXPECT_EQ(OutQueue(7), 7u) << "the closed port's line is forgotten";
}

// The poller's one-byte wait while the output queue has no room: as long as half the queue
// takes to leave, at most 4 ms; the device has the engine's time-outs again afterwards.
struct RoomWaitCase {
    const char* name;
    std::function<void(LineModelledComm&, HANDLE)> arrange;  // after a 100-byte queue is set up
    DWORD readCount;
    std::vector<std::string> deviceCalls;

    friend void PrintTo(const RoomWaitCase& c, std::ostream* os) { *os << c.name; }
};

class LineModelledCommRoomWaitTest : public testing::TestWithParam<RoomWaitCase> {
  protected:
    void SetUp() override {
        port_ = comm_.OpenPort("COM1");
        ASSERT_TRUE(comm_.SetupComm(port_, 300, 100));
        COMMTIMEOUTS engine{0, 0, 1, 0, 1};
        ASSERT_TRUE(comm_.SetCommTimeouts(port_, &engine));
    }

    CallLog log_;
    FakeComm device_{log_};
    Clock::time_point now_ = t0;
    LineModelledComm comm_{device_, [this] { return now_; }};
    HANDLE port_ = INVALID_HANDLE_VALUE;
};

void SetRate(LineModelledComm& comm, HANDLE port, DWORD baud) {
    DCB dcb = Line(baud, 8, NOPARITY, ONESTOPBIT);
    ASSERT_TRUE(comm.SetCommState(port, &dcb));
}

void Queue(LineModelledComm& comm, HANDLE port, DWORD bytes) {
    const std::string data(bytes, 'G');
    DWORD written = 0;
    ASSERT_TRUE(comm.WriteFile(port, data.data(), bytes, &written));
}

TEST_P(LineModelledCommRoomWaitTest, WaitsForHalfTheQueueToLeave) {
    const RoomWaitCase& c = GetParam();
    c.arrange(comm_, port_);
    log_.Clear();
    char buffer[16] = {};
    DWORD read = 0;
    comm_.ReadFile(port_, buffer, c.readCount, &read);
    EXPECT_EQ(log_.Only({"SetCommTimeouts", "ReadFile"}), c.deviceCalls);
}

const std::string kEngineSet = "SetCommTimeouts(0,0,1,0,1)";

// A queue of `bytes` on a line of `baud`, 8N1, then `then` on it.
std::function<void(LineModelledComm&, HANDLE)> Queued(
    DWORD baud, DWORD bytes, std::function<void(LineModelledComm&, HANDLE)> then = {}) {
    return [=](LineModelledComm& comm, HANDLE port) {
        SetRate(comm, port, baud);
        Queue(comm, port, bytes);
        if (then) {
            then(comm, port);
        }
    };
}

void Held(LineModelledComm& comm, HANDLE port) {
    ASSERT_TRUE(comm.EscapeCommFunction(port, SETXOFF));
}

void HeldAndReleased(LineModelledComm& comm, HANDLE port) {
    ASSERT_TRUE(comm.EscapeCommFunction(port, SETXOFF));
    ASSERT_TRUE(comm.EscapeCommFunction(port, SETXON));
}

std::function<void(LineModelledComm&, HANDLE)> EngineTimeouts(COMMTIMEOUTS timeouts) {
    return [=](LineModelledComm& comm, HANDLE port) mutable {
        ASSERT_TRUE(comm.SetCommTimeouts(port, &timeouts));
    };
}

void QueueOfUnknownSize(LineModelledComm& comm, HANDLE port) {
    ASSERT_TRUE(comm.SetupComm(port, 300, 0));
}

const std::vector<std::string> kLonger4{"SetCommTimeouts(0,0,4,0,1)", "ReadFile(1)", kEngineSet};
const std::vector<std::string> kUnchanged{"ReadFile(1)"};

INSTANTIATE_TEST_SUITE_P(
    Queues, LineModelledCommRoomWaitTest,
    testing::Values(
        // 960 bytes a second: half the queue takes 52 ms.
        RoomWaitCase{"FullAt9600", Queued(9600, 100), 1, kLonger4},
        RoomWaitCase{"RoomForOneByte", Queued(9600, 99), 1, kUnchanged},
        // 23,040 bytes a second: half the queue in 2.17 ms.
        RoomWaitCase{"FullAt230400",
                     Queued(230400, 100),
                     1,
                     {"SetCommTimeouts(0,0,3,0,1)", "ReadFile(1)", kEngineSet}},
        // Half the queue in 0.54 ms: the engine's own 1 ms is the longer wait.
        RoomWaitCase{"FullAt921600", Queued(921600, 100), 1, kUnchanged},
        // Nothing leaves a held transmitter: the wait is for the machine's XON.
        RoomWaitCase{"FullAndHeld", Queued(9600, 100, Held), 1, kUnchanged},
        RoomWaitCase{"FullAndReleasedAgain", Queued(9600, 100, HeldAndReleased), 1, kLonger4},
        RoomWaitCase{"FullButAReadOfMoreBytes", Queued(9600, 100), 16, {"ReadFile(16)"}},
        RoomWaitCase{"FullButTheEngineWaitsLongerItself",
                     Queued(9600, 100, EngineTimeouts({0, 0, 20, 0, 1})), 1, kUnchanged},
        RoomWaitCase{"FullButAReadThatReturnsAtOnce",
                     Queued(9600, 100, EngineTimeouts({MAXDWORD, 0, 0, 0, 1})), 1, kUnchanged},
        RoomWaitCase{"FullOfAQueueOfUnknownSize", Queued(9600, 100, QueueOfUnknownSize), 1,
                     kUnchanged}),
    [](const testing::TestParamInfo<RoomWaitCase>& param) { return param.param.name; });

// A device that refuses the longer wait is still read, so the read finds it gone.
TEST_F(LineModelledCommTest, AGoneDeviceIsReadAllTheSameWhileTheQueueIsFull) {
    ASSERT_TRUE(comm_.SetupComm(port_, 300, 100));
    COMMTIMEOUTS engine{0, 0, 1, 0, 1};
    ASSERT_TRUE(comm_.SetCommTimeouts(port_, &engine));
    const char data[100] = {};
    DWORD written = 0;
    ASSERT_TRUE(comm_.WriteFile(port_, data, sizeof data, &written));
    device_.gone = true;
    log_.Clear();
    char buffer[1] = {};
    DWORD read = 0;
    EXPECT_FALSE(comm_.ReadFile(port_, buffer, 1, &read));
    EXPECT_EQ(log_.Only({"ReadFile"}), std::vector<std::string>{"ReadFile(1)"});
}

}  // namespace
