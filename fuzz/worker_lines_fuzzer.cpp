// The transfer worker on any file content, through the scripted device: the bytes handed over
// and the bytes written must be the independent oracle's stream, and the test must end the
// way the oracle says, at its level, with one end message.
//
// Input: byte 0 picks the level the test starts at (below 0x80 the window's 5, else 5..60);
// byte 1 says how many device script bytes follow (0..15); each of those makes one write move
// only part of its chunk and one status report a partly full output queue. The rest is the
// file.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "call_log.h"
#include "expected_stream.h"
#include "fake_comm.h"
#include "fake_platform.h"
#include "fuzz_property.h"
#include "port_settings.h"
#include "scratch_folder.h"
#include "transfer_state.h"
#include "transfer_worker.h"

namespace {

HWND const kWindow = reinterpret_cast<HWND>(0x77);
std::string g_programPath;

void WriteProgram(std::string_view content) {
    const int fd = ::open(g_programPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(fd >= 0, "the program file opens");
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        Require(n > 0, "the program file is written");
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

TransferEnd EndFor(ExpectedStream::End end) {
    switch (end) {
        case ExpectedStream::End::EndOfFile:
            return TransferEnd::EndOfFile;
        case ExpectedStream::End::LevelPassed:
            return TransferEnd::LevelPassed;
        case ExpectedStream::End::LongLine:
            return TransferEnd::LongLine;
    }
    return TransferEnd::None;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_programPath = (MakeScratchFolder("worker") / "program.nc").string();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const int startLevel = data[0] < 0x80 ? 5 : 5 + data[0] % 56;
    const std::size_t scriptLength = std::min<std::size_t>(data[1] % 16, size - 2);
    const std::string_view script(reinterpret_cast<const char*>(data) + 2, scriptLength);
    const std::string file(reinterpret_cast<const char*>(data) + 2 + scriptLength,
                           size - 2 - scriptLength);

    CallLog log;
    FakeComm comm(log);
    FakePlatform platform(log);
    for (const char c : script) {
        const auto b = static_cast<unsigned char>(c);
        comm.writeCounts.push_back(b & 0x0F);
        comm.statuses.push_back({0, static_cast<DWORD>((b >> 4) * 7)});
    }

    g_portSettings = DefaultPortSettings();
    TransferState& state = g_transferState;
    state.bSending = 1;
    state.nSentBytes = 0;
    state.nPercent = 0;
    state.nXonCount = 0;
    state.nTransferUnit = startLevel;
    state.nFileSize = static_cast<std::int32_t>(file.size());
    state.nEndReason = 0;
    WriteProgram(file);

    const WorkerParam param{g_programPath, kWindow};
    TransferWorker(&param);

    const ExpectedStream expected = ExpectedStreamFor(file, startLevel);
    RequireEqual(comm.written, expected.bytes, "the machine gets the oracle's stream");
    Require(state.nSentBytes == static_cast<std::int32_t>(expected.bytes.size()),
            "the bytes handed over are the oracle's");
    Require(state.nWrittenBytes == state.nSentBytes, "every byte handed over is written");
    Require(state.nEndReason == static_cast<std::int32_t>(EndFor(expected.end)),
            "the test ends as the oracle says");
    Require(state.nTransferUnit == expected.finalLevel, "the last level is the oracle's");
    Require(comm.transmitted.empty(), "nothing is transmitted ahead of the data");
    const bool longLine = expected.end == ExpectedStream::End::LongLine;
    Require(platform.messageBoxes.size() == (longLine ? 1u : 0u),
            "an over-long line has its one message, other ends none");
    Require(platform.posted.size() == 1 && platform.posted[0].message == WM_TRANSFER_DONE &&
                platform.posted[0].window == kWindow,
            "the end is posted once");
    Require(log.All().back() == "PostToWindow(" + std::to_string(WM_TRANSFER_DONE) + ")",
            "posting the end is the last act");
    return 0;
}
