// The device calls with the line model over them: ClearCommError reports in cbOutQue the
// larger of the driver's own count and the bytes the line cannot yet have carried. One
// layer above both platform backends, so every device paces like a UART whatever its
// driver counts.
//
// And as a UART's driver wakes its writer only once its queue has drained below a mark, not
// for every character that leaves: while the output queue (as large as SetupComm made it)
// has no room and the transmitter is not held, the poller's one-byte wait lasts until half
// of it has gone onto the wire, or kLongestRoomWait, whichever is shorter. The machine's
// byte still ends the wait the moment it arrives, and at least half a queue is still on
// the wire when the sender looks again, so the line never runs dry for it; what it spares
// is a pass of the sender, some ten calls on the port, for nearly every character at 9600
// baud.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include "forwarding_comm.h"
#include "line_model.h"

class LineModelledComm final : public ForwardingComm {
  public:
    using Now = std::function<LineModel::Clock::time_point()>;

    explicit LineModelledComm(CommApi& device, Now now = &LineModel::Clock::now);

    HANDLE OpenPort(std::string_view deviceName) override;
    BOOL ClosePort(HANDLE port) override;
    BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) override;
    BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) override;
    BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) override;
    BOOL PurgeComm(HANDLE port, DWORD flags) override;
    BOOL SetCommState(HANDLE port, DCB* dcb) override;
    BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) override;
    BOOL TransmitCommChar(HANDLE port, char c) override;
    BOOL EscapeCommFunction(HANDLE port, DWORD function) override;
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) override;

    // Short: measured on a two-core virtual machine, waits of 16 ms let the answer to the
    // machine's XOFF come several characters late now and then. At 4 ms the sender at 9600
    // baud looks about a quarter as often as with the port's 1-ms wait, and takes 0.02
    // instead of 0.05 of a processor-second a second.
    static constexpr DWORD kLongestRoomWait = 4;  // ms

  private:
    struct Line {
        LineModel model;
        DWORD outQueue = 0;                    // as SetupComm asked; 0: not known
        std::optional<COMMTIMEOUTS> timeouts;  // as the engine set them
    };

    // Runs change on the port's line, if the port is one this layer opened.
    template <typename Change>
    void OnLine(HANDLE port, Change change);

    // The time-outs for a read of count bytes that waits until the output queue has room,
    // when they differ from the engine's.
    std::optional<COMMTIMEOUTS> WaitForRoom(HANDLE port, DWORD count);

    Now now_;
    std::mutex mutex_;
    std::map<HANDLE, Line> lines_;
};
