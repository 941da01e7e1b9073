// The flow-control poller on any bytes from the machine, through the scripted device. After
// every call the state must be what the bytes read so far make it: the flow gate follows the
// last DC1/DC3 and the handshake gate the last ACK/NAK, the XON count only grows, by one per
// DC1, each ENQ has had exactly one ACK, each DC1/DC3 its own escape call and, above level
// 10, its own log entry; every call reads what waits (at most 200 bytes), and the answer is 1
// exactly when both gates are open and the test may go on.
//
// Input: byte 0 holds the gates at the start (bits 0 and 1), whether a test runs (bit 2) and
// the level (5 + bits 3..7 % 12, so 5..16); byte 1 how many bytes arrive at a time (1..256);
// byte 2 whether they arrive while a read waits rather than ahead of it (bit 0), whether the
// device goes away (bit 1) and at which call (bits 2..7). The rest is what the machine sends.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "call_log.h"
#include "control_chars.h"
#include "default_max_len.h"
#include "fake_comm.h"
#include "fake_platform.h"
#include "fuzz_property.h"
#include "poll_machine_input.h"
#include "transfer_state.h"

namespace {

constexpr std::size_t kMaxRead = 200;

// The state the bytes read so far must have left.
struct Model {
    int xon = 0;
    int ack = 0;
    int xonCount = 0;
    std::string acks;     // one ACK per ENQ
    std::string escapes;  // 'X' for SETXON, 'O' for SETXOFF, in order
    std::string log;
    int level = 5;
    TimeOfDay now;

    void LogEntry(const char* kind) {
        char entry[96];
        std::snprintf(entry, sizeof entry, "전송단위 %d \r\n%d:%d:%d  %s 수신 \r\n", level,
                      now.hour, now.minute, now.second, kind);
        log += entry;
    }

    void Take(char c) {
        switch (c) {
            case kEnq:
                acks += kAck;
                break;
            case kAck:
                ack = 1;
                break;
            case kNak:
                ack = 0;
                break;
            case kXon:
                xon = 1;
                ++xonCount;
                escapes += 'X';
                if (level > 10) {
                    LogEntry("Xon");
                }
                break;
            case kXoff:
                xon = 0;
                escapes += 'O';
                if (level > 10) {
                    LogEntry("Xoff");
                }
                break;
            default:
                break;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // A few reads of 200 bytes show all the reading does; longer input only takes longer.
    UseDefaultMaxLen(argc, argv, 1024);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::string_view received(reinterpret_cast<const char*>(data) + 3, size - 3);
    const std::size_t pieceSize = std::size_t{data[1]} + 1;
    const bool arriveDuringRead = (data[2] & 1) != 0;
    const unsigned goneAtCall = (data[2] & 2) != 0 ? data[2] >> 2 : ~0u;

    CallLog log;
    FakeComm comm(log);
    FakePlatform platform(log);
    platform.now = {23, 59, 7};
    std::string escapes;
    comm.onCall = [&](const std::string& call) {
        if (call == "EscapeCommFunction(SETXON)") {
            escapes += 'X';
        } else if (call == "EscapeCommFunction(SETXOFF)") {
            escapes += 'O';
        }
    };

    Model model;
    model.xon = data[0] & 1;
    model.ack = data[0] >> 1 & 1;
    model.level = 5 + (data[0] >> 3) % 12;
    model.now = platform.now;
    const int sending = data[0] >> 2 & 1;

    TransferState& state = g_transferState;
    state.hPort = FakeComm::kHandle;
    state.bXonState = model.xon;
    state.bAckState = model.ack;
    state.bSending = sending;
    state.bPortLost = 0;
    state.nXonCount = 0;
    state.nTransferUnit = model.level;
    state.ClearEventLog();

    std::size_t delivered = 0;  // bytes of received handed to the device so far
    std::size_t taken = 0;      // bytes the poller has read
    bool lost = false;
    std::size_t lastRead = 0;
    for (unsigned call = 0; !lost; ++call) {
        // Bytes that arrived while no read waited for them wait for the next one.
        if (lastRead == 0 && !comm.arrivesDuringRead.empty()) {
            comm.input += comm.arrivesDuringRead;
            comm.arrivesDuringRead.clear();
        }
        if (comm.input.empty() && comm.arrivesDuringRead.empty()) {
            if (delivered == received.size()) {
                break;
            }
            const std::string_view piece = received.substr(delivered, pieceSize);
            (arriveDuringRead ? comm.arrivesDuringRead : comm.input) = piece;
            delivered += piece.size();
        }
        if (call == goneAtCall) {
            comm.gone = true;
        }
        const std::size_t waiting = comm.input.size();
        const bool byteArrives = !comm.arrivesDuringRead.empty();
        const bool waitsOnTheLine =
            sending && !lost && (model.xon == 0 || model.ack == 0 || call % 2 == 1);
        const std::int32_t answer = call % 2 == 1 ? PollMachineInputOrWait() : PollMachineInput();

        const std::size_t before = taken;
        taken = delivered - comm.input.size() - comm.arrivesDuringRead.size();
        lastRead = taken - before;
        if (comm.gone) {
            Require(lastRead == 0, "nothing is read from a device that is gone");
            lost = true;
        } else if (waiting > 0) {
            Require(lastRead == std::min(waiting, kMaxRead),
                    "what waits is read, at most 200 bytes");
        } else {
            Require(lastRead == (waitsOnTheLine && byteArrives ? 1u : 0u),
                    "a wait on the line takes the byte that arrives, and only then");
        }
        for (std::size_t i = before; i < taken; ++i) {
            model.Take(received[i]);
        }

        Require(state.bPortLost == (lost ? 1 : 0), "a device gone is a port lost");
        Require(state.bXonState == model.xon, "the flow gate follows the last DC1/DC3");
        Require(state.bAckState == model.ack, "the handshake gate follows the last ACK/NAK");
        Require(state.nXonCount == model.xonCount, "the XON count grows by one per DC1");
        // The counts after every call, the bytes once at the end.
        Require(comm.transmitted.size() == model.acks.size(), "one ACK per ENQ");
        Require(escapes.size() == model.escapes.size(), "one escape call per DC1/DC3");
        const bool open = model.xon && model.ack && sending && !lost;
        Require(answer == (open ? 1 : 0), "the answer is 1 exactly when the gates are open");
        Require(platform.sleptMs == (sending ? 0u : 10u * (call + 1)),
                "a pause of 10 ms per call only when no test runs");
        Require(call < 4 * received.size() + 8, "every call makes progress");
    }
    RequireEqual(comm.transmitted, model.acks, "the answers to ENQ are ACKs");
    RequireEqual(escapes, model.escapes, "the escape calls follow DC1/DC3 in order");
    RequireEqual(state.CopyEventLog(), model.log, "one log entry per DC1/DC3 above level 10");
    return 0;
}
