#include "test_status.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"
#include "transfer_state.h"

namespace {

class TestStatusTest : public testing::Test {
  protected:
    void SetUp() override {
        g_transferState.nFileSize = -1;
        g_transferState.nSentBytes = 77;
        g_transferState.nPercent = 7;
    }

    // A file of the given size that takes no room on disk.
    std::string SparseFile(std::uintmax_t size) const {
        const auto path = dir_.Write("sized.nc", "");
        std::filesystem::resize_file(path, size);
        return path.string();
    }

    TempDir dir_;
};

TEST_F(TestStatusTest, SendNeedsAFileOfAtLeast200000Bytes) {
    struct Case {
        std::uintmax_t size;
        SendCheck expected;
        std::int32_t fileSize;
    };
    const Case cases[] = {
        {199999, SendCheck::FileTooSmall, 199999},
        {200000, SendCheck::Ready, 200000},
        {0, SendCheck::FileTooSmall, 0},
        // Sizes past 2 GiB are measured whole, not by their low 32 bits.
        {(1ull << 31) + 5, SendCheck::Ready, 2147483647},
        {(1ull << 32) + 100, SendCheck::Ready, 2147483647},
    };
    for (const Case& c : cases) {
        SetUp();
        EXPECT_EQ(CheckFileForSend(SparseFile(c.size)), c.expected) << c.size;
        EXPECT_EQ(g_transferState.nFileSize, c.fileSize) << c.size;
        EXPECT_EQ(g_transferState.nSentBytes, 0);
        EXPECT_EQ(g_transferState.nPercent, 0);
    }
}

TEST_F(TestStatusTest, AMissingFileChangesNothing) {
    EXPECT_EQ(CheckFileForSend((dir_.path() / "absent.nc").string()), SendCheck::FileMissing);
    EXPECT_EQ(CheckFileForSend(""), SendCheck::FileMissing);
    EXPECT_EQ(g_transferState.nFileSize, -1);
    EXPECT_EQ(g_transferState.nSentBytes, 77);
    // A folder cannot be opened as a program: it is not there as a file, not "too small".
    EXPECT_EQ(CheckFileForSend(dir_.path().string()), SendCheck::FileMissing);
}

TEST_F(TestStatusTest, StatusAndEndTexts) {
    g_transferState.nSentBytes = 100000;
    g_transferState.nFileSize = 250000;
    g_transferState.nPercent = 40;
    g_transferState.nTransferUnit = 12;
    g_transferState.nXonCount = 3;
    EXPECT_EQ(ProgressLine(), "전송 (100000/250000) 40 퍼센트");
    EXPECT_EQ(TransferUnitLine(), "전송 단위 12");
    EXPECT_EQ(CountLine(), "Xoff 3 회");
    EXPECT_EQ(EndLogLine({9, 5, 7}), "\r\n 테스트완료, 전송중단 9:5:7\r\n");
    EXPECT_EQ(EndLogLine({23, 59, 0}), "\r\n 테스트완료, 전송중단 23:59:0\r\n");
}

TEST_F(TestStatusTest, BeginTestResetsTheRestAndMarksTheTestRunning) {
    g_transferState.bSending = 0;
    g_transferState.nTransferUnit = 65;
    g_transferState.nXonCount = 9;
    g_transferState.AppendEventLog("old");
    BeginTest();
    EXPECT_EQ(g_transferState.bSending, 1);
    EXPECT_EQ(g_transferState.nTransferUnit, 5);
    EXPECT_EQ(g_transferState.nXonCount, 0);
    EXPECT_EQ(g_transferState.CopyEventLog(), "");
}

}  // namespace
