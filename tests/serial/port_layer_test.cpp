#include "port_layer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "fake_comm.h"
#include "fake_platform.h"

namespace {

class PortLayerTest : public testing::Test {
  protected:
    void TearDown() override { bPortIO = 1; }

    CallLog log_;
    FakeComm comm_{log_};
    FakePlatform platform_{log_};
    HANDLE port_ = FakeComm::kHandle;
};

TEST_F(PortLayerTest, PassesThroughToTheDeviceWhileSwitchedOn) {
    comm_.input = "ab";
    char buffer[4] = {};
    DWORD moved = 99;
    EXPECT_EQ(PortReadFile(port_, buffer, 4, &moved), 1);
    EXPECT_EQ(moved, 2u);
    EXPECT_EQ(PortWriteFile(port_, "xyz", 3, &moved), 1);
    EXPECT_EQ(comm_.written, "xyz");
    EXPECT_EQ(PortTransmitCommChar(port_, 6), 1);
    EXPECT_EQ(PortEscapeCommFunction(port_, SETXOFF), 1);
    EXPECT_THAT(log_.All(),
                testing::ElementsAre("ReadFile(4)", "WriteFile(xyz)", "TransmitCommChar(6)",
                                     "EscapeCommFunction(SETXOFF)"));
}

TEST_F(PortLayerTest, SwitchedOffTouchesNoDeviceAndReportsFixedSuccess) {
    bPortIO = 0;

    DWORD errors = 5;
    COMSTAT status{};
    status.cbInQue = status.cbOutQue = 9;
    EXPECT_EQ(PortClearCommError(port_, &errors, &status), 1);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(status.cbInQue, 0u);
    EXPECT_EQ(status.cbOutQue, 0u);

    DWORD moved = 0;
    EXPECT_EQ(PortWriteFile(port_, "1234567", 7, &moved), 1);
    EXPECT_EQ(moved, 7u);
    EXPECT_EQ(platform_.sleptMs, 5u) << "a write stands for 5 ms on the line";

    char buffer[12];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(PortReadFile(port_, buffer, 12, &moved), 1);
    EXPECT_EQ(moved, 12u);
    EXPECT_EQ(std::string(buffer, 12), std::string(12, 'q'));

    DCB dcb{};
    COMMPROP properties{};
    COMMTIMEOUTS timeouts{};
    EXPECT_EQ(PortSetupComm(port_, 300, 100), 1);
    EXPECT_EQ(PortPurgeComm(port_, PURGE_RXCLEAR), 1);
    EXPECT_EQ(PortGetCommState(port_, &dcb), 1);
    EXPECT_EQ(PortSetCommState(port_, &dcb), 1);
    EXPECT_EQ(PortGetCommProperties(port_, &properties), 1);
    EXPECT_EQ(PortBuildCommDCB("not a settings text", &dcb), 1);
    EXPECT_EQ(PortTransmitCommChar(port_, 6), 1);
    EXPECT_EQ(PortSetCommTimeouts(port_, &timeouts), 1);
    EXPECT_EQ(PortEscapeCommFunction(port_, SETXON), 1);

    EXPECT_THAT(log_.All(), testing::ElementsAre("Sleep(5)"));
    EXPECT_EQ(comm_.input, "");
}

}  // namespace
