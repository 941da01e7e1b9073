#include "quiet_line_comm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "call_log.h"
#include "fake_comm.h"

namespace {

using namespace std::chrono_literals;
using Clock = QuietLineComm::Clock;

constexpr auto kQuiet = QuietLineComm::kQuietBeforeLongWaits;

constexpr COMMTIMEOUTS kEngine{0, 0, 1, 0, 1};
const std::string kEngineSet = "SetCommTimeouts(0,0,1,0,1)";
const std::string kLongerSet = "SetCommTimeouts(0,0,16,0,1)";

class QuietLineCommTest : public testing::Test {
  protected:
    void SetUp() override {
        port_ = comm_.OpenPort("COM1");
        COMMTIMEOUTS timeouts = kEngine;
        ASSERT_TRUE(comm_.SetCommTimeouts(port_, &timeouts));
        log_.Clear();
    }

    // The reads and the time-outs the device got, in order.
    std::vector<std::string> DeviceCalls() const {
        return log_.Only({"SetCommTimeouts", "ReadFile"});
    }

    DWORD Read(DWORD count) {
        char buffer[16] = {};
        DWORD read = 99;
        EXPECT_TRUE(comm_.ReadFile(port_, buffer, count, &read));
        return read;
    }

    CallLog log_;
    FakeComm device_{log_};
    Clock::time_point now_{};
    QuietLineComm comm_{device_, [this] { return now_; }};
    HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(QuietLineCommTest, OnlyTheWaitForOneByteOnAQuietLineWaitsLonger) {
    now_ += kQuiet - 1ms;
    Read(1);
    now_ += 1ms;
    Read(1);
    Read(1);  // the device has it already
    Read(16);
    Read(1);
    EXPECT_EQ(DeviceCalls(),
              (std::vector<std::string>{"ReadFile(1)", kLongerSet, "ReadFile(1)", "ReadFile(1)",
                                        kEngineSet, "ReadFile(16)", kLongerSet, "ReadFile(1)"}));
}

struct Activity {
    const char* name;
    std::function<void(QuietLineComm&, FakeComm&, HANDLE)> act;
    bool endsTheQuiet;
};

class QuietLineActivityTest : public QuietLineCommTest,
                              public testing::WithParamInterface<Activity> {};

TEST_P(QuietLineActivityTest, WhatTheLineCarriesEndsTheQuietAndTheEnginesTimeOutComesBack) {
    now_ += 2 * kQuiet;
    Read(1);
    GetParam().act(comm_, device_, port_);
    now_ += kQuiet - 1ms;
    log_.Clear();
    Read(1);
    const std::vector<std::string> restored{kEngineSet, "ReadFile(1)"};
    const std::vector<std::string> kept{"ReadFile(1)"};
    EXPECT_EQ(DeviceCalls(), GetParam().endsTheQuiet ? restored : kept);
}

INSTANTIATE_TEST_SUITE_P(
    Activities, QuietLineActivityTest,
    testing::Values(Activity{"AWrite",
                             [](QuietLineComm& comm, FakeComm&, HANDLE port) {
                                 DWORD written = 0;
                                 comm.WriteFile(port, "N1\r\n", 4, &written);
                             },
                             true},
                    Activity{"AWriteTheDriverTookNothingOf",
                             [](QuietLineComm& comm, FakeComm& device, HANDLE port) {
                                 device.writeCounts = {0};
                                 DWORD written = 0;
                                 comm.WriteFile(port, "N1\r\n", 4, &written);
                             },
                             false},
                    Activity{"AnAck",
                             [](QuietLineComm& comm, FakeComm&, HANDLE port) {
                                 comm.TransmitCommChar(port, '\x06');
                             },
                             true},
                    Activity{"AByteFromTheMachine",
                             [](QuietLineComm& comm, FakeComm& device, HANDLE port) {
                                 device.input = "\x11";
                                 char byte = 0;
                                 DWORD read = 0;
                                 comm.ReadFile(port, &byte, 1, &read);
                             },
                             true},
                    Activity{"AStatusQuery",
                             [](QuietLineComm& comm, FakeComm&, HANDLE port) {
                                 DWORD errors = 0;
                                 COMSTAT status{};
                                 comm.ClearCommError(port, &errors, &status);
                             },
                             false}),
    [](const testing::TestParamInfo<Activity>& row) { return std::string(row.param.name); });

struct TimeoutsCase {
    const char* name;
    COMMTIMEOUTS timeouts;
    bool lengthened;
};

class QuietLineTimeoutsTest : public QuietLineCommTest,
                              public testing::WithParamInterface<TimeoutsCase> {};

TEST_P(QuietLineTimeoutsTest, OnlyATotalTimeOutShorterThanTheLongerWaitIsLengthened) {
    COMMTIMEOUTS timeouts = GetParam().timeouts;
    ASSERT_TRUE(comm_.SetCommTimeouts(port_, &timeouts));
    now_ += 1s;
    log_.Clear();
    Read(1);
    EXPECT_EQ(device_.lastTimeouts.ReadTotalTimeoutConstant,
              GetParam().lengthened ? QuietLineComm::kLongWait
                                    : GetParam().timeouts.ReadTotalTimeoutConstant);
    EXPECT_EQ(log_.Only({"SetCommTimeouts"}).size(), GetParam().lengthened ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Timeouts, QuietLineTimeoutsTest,
    testing::Values(TimeoutsCase{"TheEnginesOneMillisecond", {0, 0, 1, 0, 1}, true},
                    TimeoutsCase{"JustShorter", {0, 0, 15, 0, 1}, true},
                    TimeoutsCase{"WithAnInterval", {5, 0, 1, 0, 1}, true},
                    TimeoutsCase{"AsLong", {0, 0, 16, 0, 1}, false},
                    TimeoutsCase{"NoneWaitsForEver", {0, 0, 0, 0, 1}, false},
                    TimeoutsCase{"AtOnce", {MAXDWORD, 0, 0, 0, 1}, false},
                    TimeoutsCase{"FirstByte", {MAXDWORD, MAXDWORD, 1, 0, 1}, false},
                    TimeoutsCase{"PerByte", {0, 10, 1, 0, 1}, false}),
    [](const testing::TestParamInfo<TimeoutsCase>& row) { return std::string(row.param.name); });

TEST_F(QuietLineCommTest, NewTimeOutsFromTheEngineReachTheDeviceAsTheyAre) {
    now_ += 1s;
    Read(1);
    COMMTIMEOUTS timeouts{0, 0, 2, 0, 1};
    ASSERT_TRUE(comm_.SetCommTimeouts(port_, &timeouts));
    Read(1);
    EXPECT_EQ(DeviceCalls(),
              (std::vector<std::string>{kLongerSet, "ReadFile(1)", "SetCommTimeouts(0,0,2,0,1)",
                                        kLongerSet, "ReadFile(1)"}));
}

TEST_F(QuietLineCommTest, ADeviceThatRefusesTheLongerWaitIsStillReadAndFoundGone) {
    device_.gone = true;
    now_ += 1s;
    char byte = 0;
    DWORD read = 99;
    EXPECT_FALSE(comm_.ReadFile(port_, &byte, 1, &read));
    EXPECT_EQ(DeviceCalls(), (std::vector<std::string>{kLongerSet, "ReadFile(1)"}));
    EXPECT_TRUE(comm_.DeviceLost(port_));
}

TEST_F(QuietLineCommTest, APortItDidNotOpenIsPassedThrough) {
    ASSERT_TRUE(comm_.ClosePort(port_));
    now_ += 1s;
    log_.Clear();
    Read(1);
    EXPECT_EQ(DeviceCalls(), std::vector<std::string>{"ReadFile(1)"});
}

}  // namespace
