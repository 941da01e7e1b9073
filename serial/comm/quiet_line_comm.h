// The device calls with one change to the read time-outs: once the line has been quiet
// (nothing written, nothing read) for kQuietBeforeLongWaits, a read of one byte whose
// time-outs would wait less than kLongWait waits up to kLongWait instead; every other read,
// and any read on a busy line, has the time-outs the engine set. The byte still ends the
// wait the moment it arrives, so the XON that ends a hold is acted on as soon as before;
// only a stop is seen up to kLongWait later. What the longer wait spares is a thousand
// wake-ups a second while the machine holds the sender, for minutes in drip feed: on a
// virtual machine's idle processor each costs tens of microseconds, under Wine also two
// requests to the Wine server.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include "forwarding_comm.h"
#include "poller_wait.h"

class QuietLineComm final : public ForwardingComm {
  public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    // Longer than a character takes at 110 baud, so that waiting for room in the output
    // queue, which a write ends once a character has left, never counts as quiet.
    static constexpr std::chrono::milliseconds kQuietBeforeLongWaits{250};
    static constexpr DWORD kLongWait = kLongestPollerWait;

    explicit QuietLineComm(CommApi& device, Now now = &Clock::now);

    HANDLE OpenPort(std::string_view deviceName) override;
    BOOL ClosePort(HANDLE port) override;
    BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) override;
    BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) override;
    BOOL TransmitCommChar(HANDLE port, char c) override;
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) override;

  private:
    struct Line {
        std::optional<COMMTIMEOUTS> timeouts;  // as the engine set them
        bool waitsLonger = false;              // the device has kLongWait
        Clock::time_point lastActivity;
    };

    // Gives the device the time-outs this read is to have.
    void FitWait(HANDLE port, DWORD count);
    void NoteActivity(HANDLE port);

    Now now_;
    std::mutex mutex_;
    std::map<HANDLE, Line> lines_;
};
