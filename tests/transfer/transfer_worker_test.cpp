#include "transfer_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "ascii_upper.h"
#include "fake_comm.h"
#include "fake_platform.h"
#include "port_settings.h"
#include "temp_dir.h"
#include "transfer_state.h"

namespace {

using testing::ElementsAre;

const std::string kLongLineBox = "MessageBox(Trans message: DATA 블록의 문자수가 너무 많습니다. )";
HWND const kWindow = reinterpret_cast<HWND>(0x77);

// Every byte value, twice over: its line feeds cut lines of 255 bytes.
std::string EveryByteTwice() {
    std::string bytes;
    for (int round = 0; round < 2; ++round) {
        for (int b = 0; b < 256; ++b) {
            bytes += static_cast<char>(b);
        }
    }
    return bytes;
}

class TransferWorkerTest : public testing::Test {
  protected:
    void SetUp() override {
        g_portSettings = DefaultPortSettings();
        TransferState& state = g_transferState;
        state.bSending = 1;
        state.nSentBytes = 0;
        state.nPercent = 0;
        state.nTransferUnit = 5;
        state.nXonCount = 0;
        state.nFileSize = 0;
    }

    // Runs one whole test on this thread over a file holding content.
    void RunOn(const std::string& content) {
        const auto path = dir_.Write("test.nc", content);
        g_transferState.nFileSize = static_cast<std::int32_t>(content.size());
        RunPath(path.string());
    }

    void RunPath(const std::string& path) {
        const WorkerParam param{path, kWindow};
        TransferWorker(&param);
    }

    static TransferEnd LastEnd() {
        return static_cast<TransferEnd>(static_cast<std::int32_t>(g_transferState.nEndReason));
    }

    void ExpectDoneOnce() {
        ASSERT_EQ(platform_.posted.size(), 1u);
        EXPECT_EQ(platform_.posted[0].window, kWindow);
        EXPECT_EQ(platform_.posted[0].message, 0x8001u);
        EXPECT_EQ(platform_.posted[0].wParam, 0u);
        EXPECT_EQ(platform_.posted[0].lParam, 0);
        EXPECT_EQ(log_.All().back(), "PostToWindow(32769)");
    }

    TempDir dir_;
    CallLog log_;
    FakeComm comm_{log_};
    FakePlatform platform_{log_};
};

struct LineCase {
    const char* name;
    std::string file;
    std::string received;  // what the machine gets
    bool longLine;
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class TransferWorkerLinesTest : public TransferWorkerTest,
                                public testing::WithParamInterface<LineCase> {};

TEST_P(TransferWorkerLinesTest, CutsChecksAndSendsLines) {
    const LineCase& c = GetParam();
    RunOn(c.file);
    EXPECT_EQ(comm_.written, c.received);
    EXPECT_EQ(g_transferState.nSentBytes, static_cast<std::int32_t>(c.received.size()));
    EXPECT_EQ(LastEnd(), c.longLine ? TransferEnd::LongLine : TransferEnd::EndOfFile);
    if (c.longLine) {
        EXPECT_THAT(log_.Only({"MessageBox"}), ElementsAre(kLongLineBox));
        EXPECT_EQ(platform_.messageBoxes[0].owner, kWindow);
        EXPECT_EQ(platform_.messageBoxes[0].style, MB_OK);
    } else {
        EXPECT_THAT(log_.Only({"MessageBox"}), ElementsAre());
    }
    EXPECT_THAT(log_.Only({"Sleep(1000)", "ClosePort", "PostToWindow"}),
                ElementsAre("Sleep(1000)", "ClosePort", "PostToWindow(32769)"));
    ExpectDoneOnce();
}

const std::string k250(250, 'a');

INSTANTIATE_TEST_SUITE_P(
    Files, TransferWorkerLinesTest,
    testing::Values(
        LineCase{"Line250WithLf", k250 + "\n", AsciiUpper(k250) + "\n", false},
        LineCase{"Line251BeforeLf", k250 + "b\n", "", true},
        LineCase{"Line251WithoutLf", k250 + "b", "", true},
        LineCase{"Line249WithCrLf", std::string(249, 'x') + "\r\n", std::string(249, 'X') + "\r\n",
                 false},
        LineCase{"Line250WithCrLf", k250 + "\r\n", "", true},
        // The 251st byte is refused as soon as it is read, whatever follows.
        LineCase{"LongLineDropsTheBatch", "g01\n" + k250 + "bbbb\n", "", true},
        LineCase{"LastLine248GetsCrLfInItsOwnCase", "g01\n" + std::string(248, 'z'),
                 "G01\n" + std::string(248, 'z') + "\r\n", false},
        LineCase{"LastLine249", "g01\n" + std::string(249, 'z'), "", true},
        LineCase{"LastLine250", "g01\n" + k250, "", true},
        LineCase{"LastLineEndingInCr", "g01\nm30\r", "G01\nm30\r\r\n", false},
        LineCase{"EndingWithLfAddsNothing", "g01 x1.\r\nm30\n", "G01 X1.\r\nM30\n", false},
        LineCase{"CrOnlyLineEnds", std::string(100, 'a') + "\r" + std::string(150, 'b') + "\r", "",
                 true},
        LineCase{"NulsBecomeBlanks", std::string("g01\0x10.\0\n", 10), "G01 X10. \n", false},
        LineCase{"EmptyFile", "", "", false},
        LineCase{"FileOfNuls", std::string(400, '\0'), "", true},
        LineCase{"BinaryFile", EveryByteTwice(), "", true},
        LineCase{"CaseAroundDoubleByteCharacters",
                 // (가공) g01 with 가 = B0 A1, 공 = B0 F8, and 갂 = 81 61 whose trail byte is 'a'.
                 "(\xB0\xA1\xB0\xF8) g01 \x81\x61 a\n", "(\xB0\xA1\xB0\xF8) G01 \x81\x61 A\n",
                 false}));

TEST_F(TransferWorkerTest, HandsOverBatchesOfMoreThan200Bytes) {
    const std::string line(99, 'g');
    std::set<std::int32_t> sentAtWrites;
    comm_.onCall = [&](const std::string& call) {
        if (call.starts_with("WriteFile")) {
            sentAtWrites.insert(g_transferState.nSentBytes);
        }
    };
    const std::string file = line + "\n" + line + "\n" + line + "\n" + line + "\n";
    g_transferState.nFileSize = static_cast<std::int32_t>(file.size());
    dir_.Write("four.nc", file);
    RunPath((dir_.path() / "four.nc").string());
    // Two lines (200 bytes) wait; the third makes 300 and goes; the fourth goes at the end.
    EXPECT_THAT(sentAtWrites, ElementsAre(300, 400));
    EXPECT_EQ(comm_.written, AsciiUpper(file));
    EXPECT_EQ(g_transferState.nPercent, 100);
}

TEST_F(TransferWorkerTest, EndsRightAfterTheLineThatTakesTheLevelPast60) {
    std::string file;
    for (int i = 0; file.size() < 100000; ++i) {
        std::string line = "n" + std::to_string(i) + " g01 x" + std::to_string(i % 97) + ".5 f120";
        line.resize(99, ' ');
        file += line + "\n";
    }
    RunOn(file);
    EXPECT_EQ(g_transferState.nTransferUnit, 65);
    EXPECT_EQ(LastEnd(), TransferEnd::LevelPassed);
    // 300-byte hand-overs: 6 to reach level 10, then 7 for each of the 22 steps to 65.
    EXPECT_EQ(comm_.written.size(), 160u * 300u);
    EXPECT_EQ(comm_.written, AsciiUpper(file.substr(0, comm_.written.size())));
    EXPECT_EQ(g_transferState.nSentBytes, 48000);
    EXPECT_EQ(g_transferState.nPercent, 48000 * 100 / static_cast<int>(file.size()));
    ExpectDoneOnce();
}

TEST_F(TransferWorkerTest, PortNotOpenedTouchesNoFile) {
    comm_.openSucceeds = false;
    g_transferState.bPortOpened = 1;  // left from an earlier test
    const auto path = dir_.path() / "never.nc";
    RunPath(path.string());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(LastEnd(), TransferEnd::PortNotOpened);
    EXPECT_EQ(g_transferState.bPortOpened, 0) << "a front end would say it is sending";
    EXPECT_THAT(log_.All(),
                ElementsAre("OpenPort(COM1)", "MessageBox(DNC Message: Com1를 열수 없습니다.!!!)",
                            "PostToWindow(32769)"));
    ExpectDoneOnce();
}

TEST_F(TransferWorkerTest, FileNotOpenedClosesThePortAfterTheWait) {
    RunPath(dir_.path().string());  // a folder is not a file
    EXPECT_EQ(LastEnd(), TransferEnd::FileNotOpened);
    EXPECT_EQ(g_transferState.bPortOpened, 1);
    EXPECT_THAT(log_.Only({"MessageBox", "CloseFile", "Sleep(1000)", "ClosePort", "WriteFile"}),
                ElementsAre("MessageBox(DNC message: 파일을 열수 없습니다!!.)", "Sleep(1000)",
                            "ClosePort"));
    ExpectDoneOnce();
}

// A program deleted between the send button's look and the worker's open is a file fault;
// nothing is created in its place.
TEST_F(TransferWorkerTest, AMissingFileIsNotCreatedAndEndsAsAFileFault) {
    const auto path = dir_.path() / "vanished.nc";
    RunPath(path.string());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(LastEnd(), TransferEnd::FileNotOpened);
    EXPECT_EQ(comm_.written, "");
    ExpectDoneOnce();
}

TEST_F(TransferWorkerTest, AStopTakesEffectBeforeTheNextRead) {
    std::string file;
    while (file.size() < 5000) {
        file += std::string(49, 'x') + "\n";
    }
    comm_.onCall = [&](const std::string& call) {
        if (call.starts_with("WriteFile")) {
            g_transferState.bSending = 0;
        }
    };
    RunOn(file);
    // The first read's 500 bytes (ten lines) still go through the line steps: the 250-byte
    // batch after the fifth line is handed over, and its sender gives up after one chunk.
    EXPECT_EQ(g_transferState.nSentBytes, 500);
    EXPECT_EQ(comm_.written, "X");
    EXPECT_EQ(LastEnd(), TransferEnd::Stopped);
    ExpectDoneOnce();
}

TEST_F(TransferWorkerTest, SurvivesTheFileChangingWhileItIsRead) {
    std::string original;
    while (original.size() < 3000) {
        original += std::string(99, 'p') + "\n";
    }
    const std::string more = std::string(99, 'q') + "\n";
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> change;
        std::string received;
        TransferEnd end;
    };
    const Case cases[] = {
        // The open file keeps its bytes; the name is all that goes.
        {"deleted", [](const auto& path) { std::filesystem::remove(path); }, original,
         TransferEnd::EndOfFile},
        {"grown",
         [&](const auto& path) { std::ofstream(path, std::ios::app | std::ios::binary) << more; },
         original + more, TransferEnd::EndOfFile},
        // A file that ends short of its size at the start was cut: what was handed over (the
        // first three lines) is written out, the rest of the first read is not, and the end
        // is a file fault, not a complete test.
        {"truncated", [](const auto& path) { std::filesystem::resize_file(path, 0); },
         original.substr(0, 300), TransferEnd::FileNotOpened},
    };
    for (const Case& c : cases) {
        comm_.written.clear();
        platform_.posted.clear();
        const auto path = dir_.Write("changing.nc", original);
        bool changed = false;
        comm_.onCall = [&](const std::string& call) {
            if (!changed && call.starts_with("WriteFile")) {
                changed = true;
                c.change(path);
            }
        };
        g_transferState.bSending = 1;
        g_transferState.nFileSize = static_cast<std::int32_t>(original.size());
        RunPath(path.string());
        EXPECT_EQ(comm_.written, AsciiUpper(c.received)) << c.name;
        EXPECT_EQ(LastEnd(), c.end) << c.name;
        ExpectDoneOnce();
    }
}

TEST_F(TransferWorkerTest, AFileWhoseReadsFailEndsThroughFinish) {
    // Reading this file at offset 0 fails every time.
    RunPath("/proc/self/mem");
    EXPECT_EQ(LastEnd(), TransferEnd::FileNotOpened);
    EXPECT_EQ(comm_.written, "");
    EXPECT_THAT(log_.Only({"Sleep(1000)", "ClosePort"}), ElementsAre("Sleep(1000)", "ClosePort"));
    ExpectDoneOnce();
}

}  // namespace
