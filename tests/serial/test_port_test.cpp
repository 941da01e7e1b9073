#include "test_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fake_comm.h"
#include "fake_platform.h"
#include "port_settings.h"
#include "transfer_state.h"

namespace {

using testing::ElementsAre;

class TestPortTest : public testing::Test {
  protected:
    void SetUp() override {
        g_portSettings = DefaultPortSettings();
        g_transferState.bXonState = 7;
        g_transferState.bAckState = 0;
    }

    CallLog log_;
    FakeComm comm_{log_};
    FakePlatform platform_{log_};
};

TEST_F(TestPortTest, OpensAndConfiguresInOrderReleasingTheTransmitter) {
    ASSERT_EQ(OpenTestPort(1), 1);
    EXPECT_THAT(log_.All(),
                ElementsAre("OpenPort(COM1)", "SetupComm(300,100)", "GetCommProperties(64)",
                            "PurgeComm(4)", "PurgeComm(8)", "SetCommTimeouts(0,0,1,0,1)",
                            "GetCommState", "BuildCommDCB(com1:9600, e, 7, 2)", "SetCommState",
                            "EscapeCommFunction(SETXON)"));
    EXPECT_EQ(g_transferState.hPort, FakeComm::kHandle);
    EXPECT_EQ(g_transferState.bXonState, 1);
    EXPECT_EQ(g_transferState.bAckState, 1);
}

TEST_F(TestPortTest, WaitingForTheStartSignalHoldsTheTransmitterAfterReleasingIt) {
    g_portSettings.bSendSignalWait = 1;
    ASSERT_EQ(OpenTestPort(1), 1);
    EXPECT_THAT(log_.Only({"EscapeCommFunction"}),
                ElementsAre("EscapeCommFunction(SETXON)", "EscapeCommFunction(SETXOFF)"));
    EXPECT_EQ(log_.All().back(), "EscapeCommFunction(SETXOFF)");
    EXPECT_EQ(g_transferState.bXonState, 0);
    EXPECT_EQ(g_transferState.bAckState, 1);
}

TEST_F(TestPortTest, DeviceNamesSwitchToTheDeviceNamespaceFromPort10) {
    const std::pair<int, const char*> cases[] = {{9, "OpenPort(COM9)"},
                                                 {10, "OpenPort(\\\\.\\COM10)"},
                                                 {12, "OpenPort(\\\\.\\COM12)"},
                                                 {0, "OpenPort(COM0)"},
                                                 {-3, "OpenPort(COM-3)"}};
    for (const auto& [port, expected] : cases) {
        log_.Clear();
        OpenTestPort(port);
        EXPECT_EQ(log_.All().front(), expected);
    }
}

TEST_F(TestPortTest, LineSettingsTextFollowsParity) {
    struct Case {
        int port, baud, data, stop, parity;
        const char* text;
    };
    const Case cases[] = {
        {1, 9600, 7, 2, 2, "BuildCommDCB(com1:9600, e, 7, 2)"},
        {3, 19200, 8, 1, 0, "BuildCommDCB(com3:19200, n, 8, 1)"},
        {2, 4800, 7, 1, 1, "BuildCommDCB(com2:4800, o, 7, 1)"},
        {5, 1200, 8, 2, 3, "BuildCommDCB(com5:1200, e, 8, 2)"},
        {12, 57600, 8, 1, -1, "BuildCommDCB(com12:57600, e, 8, 1)"},
    };
    for (const Case& c : cases) {
        g_portSettings.nBaudRate = c.baud;
        g_portSettings.nDataBits = c.data;
        g_portSettings.nStopBits = c.stop;
        g_portSettings.nParity = c.parity;
        log_.Clear();
        OpenTestPort(c.port);
        EXPECT_THAT(log_.Only({"BuildCommDCB"}), ElementsAre(c.text));
    }
}

TEST_F(TestPortTest, AppliedStateHasTheLineSettingsAndTheToolsOwnFlowControl) {
    // Every flag set the other way first, so each one the opener must change shows.
    DCB reported{};
    std::memset(&reported, 0xff, sizeof reported);
    reported.fDummy2 = 0;
    comm_.stateToReport = reported;
    ASSERT_EQ(OpenTestPort(1), 1);

    const DCB& dcb = comm_.lastStateSet;
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.XonLim, 50);
    EXPECT_EQ(dcb.XoffLim, 240);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);

    // The packed flags word: fBinary, fParity (even parity), DTR and RTS enabled,
    // fTXContinueOnXoff and fNull set; everything else cleared, fErrorChar and fAbortOnError
    // too: a previous program's abort-on-error would fail every read after one parity error.
    DWORD flags = 0;
    std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + 4,
                sizeof flags);
    EXPECT_EQ(flags & 0x7fff, 0b001'1000'1001'0011u);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(dcb.EofChar, 0);
    EXPECT_EQ(dcb.EvtChar, 0);
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
}

// A line other than the one set up would make the test measure something else: settings the
// text cannot express, or that the device refuses, keep the port closed.
TEST_F(TestPortTest, LineSettingsThatCannotBeAppliedKeepThePortClosed) {
    struct Case {
        const char* name;
        std::int32_t baud, dataBits;
        bool deviceTakesThem;
        std::vector<std::string> calls;  // from GetCommState on
    };
    const Case cases[] = {
        {"refused by the device",
         9600,
         7,
         false,
         {"GetCommState", "BuildCommDCB(com1:9600, e, 7, 2)", "SetCommState", "ClosePort"}},
        {"99 data bits",
         9600,
         99,
         true,
         {"GetCommState", "BuildCommDCB(com1:9600, e, 99, 2)", "ClosePort"}},
        {"a rate of 0",
         0,
         7,
         false,
         {"GetCommState", "BuildCommDCB(com1:0, e, 7, 2)", "SetCommState", "ClosePort"}},
    };
    for (const Case& c : cases) {
        log_.Clear();
        platform_.messageBoxes.clear();
        g_portSettings.nBaudRate = c.baud;
        g_portSettings.nDataBits = c.dataBits;
        comm_.setStateSucceeds = c.deviceTakesThem;
        EXPECT_EQ(OpenTestPort(1), 0) << c.name;
        auto calls = log_.All();
        calls.erase(calls.begin(), std::find(calls.begin(), calls.end(), "GetCommState"));
        ASSERT_FALSE(calls.empty()) << c.name;
        EXPECT_EQ(calls.back(), "MessageBox(DNC Message: Com1를 열수 없습니다.!!!)") << c.name;
        calls.pop_back();
        EXPECT_EQ(calls, c.calls) << c.name;
        EXPECT_EQ(g_transferState.hPort, INVALID_HANDLE_VALUE) << c.name;
    }
}

TEST_F(TestPortTest, FailedOpenTellsTheOperatorAndDoesNothingElse) {
    comm_.openSucceeds = false;
    EXPECT_EQ(OpenTestPort(4), 0);
    EXPECT_THAT(log_.All(),
                ElementsAre("OpenPort(COM4)", "MessageBox(DNC Message: Com4를 열수 없습니다.!!!)"));
    ASSERT_EQ(platform_.messageBoxes.size(), 1u);
    EXPECT_EQ(platform_.messageBoxes[0].owner, nullptr);
    EXPECT_EQ(platform_.messageBoxes[0].style, MB_OK);
    EXPECT_EQ(g_transferState.hPort, INVALID_HANDLE_VALUE);
}

TEST_F(TestPortTest, CloseClosesTheFileThenWaitsASecondThenClosesThePort) {
    ASSERT_EQ(OpenTestPort(1), 1);
    log_.Clear();
    CloseTestPort(std::make_unique<FakeTestFile>(log_));
    EXPECT_THAT(log_.All(), ElementsAre("CloseFile", "Sleep(1000)", "ClosePort"));

    log_.Clear();
    CloseTestPort(nullptr);
    EXPECT_THAT(log_.All(), ElementsAre("Sleep(1000)", "ClosePort"));
}

}  // namespace
