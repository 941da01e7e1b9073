// The control's end of the cable: the master side of a fresh pseudo-terminal. The slave side
// is the machine's serial port, which the tool opens.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace cnc_sim {

class PtyEndpoint {
  public:
    PtyEndpoint();
    ~PtyEndpoint();
    PtyEndpoint(const PtyEndpoint&) = delete;
    PtyEndpoint& operator=(const PtyEndpoint&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

    // Whether the tool has opened the slave since the endpoint was made. An open followed
    // by a close within one look still counts if the tool wrote something before closing.
    bool Opened() const;

    // Sleeps until the tool's bytes arrive, the slave is closed, replies can go out (when
    // wantWrite), a stop signal comes in under waitMask, or timeout passes (none: no limit).
    void Wait(std::optional<std::chrono::nanoseconds> timeout, bool wantWrite,
              const sigset_t& waitMask) const;

    // What the tool did to its transmitter, as the pty's packet mode reports it. A hold and
    // a release between two reads show as the release alone.
    struct TransmitterEvents {
        bool held = false;      // tcflow(TCOOFF), or IXON on a received XOFF
        bool released = false;  // tcflow(TCOON), or IXON on a received XON
        bool purged = false;    // tcflush(TCOFLUSH)
    };

    enum class ReadResult { kBytes, kEvents, kNothing, kHungUp };
    // One read of what the tool has sent: data bytes appended to into, or its transmitter's
    // events. The kernel may report an event before data written just ahead of it. kHungUp
    // once the tool has closed the slave and everything it wrote before has been read.
    ReadResult Read(std::string& into, TransmitterEvents& events) const;

    // The output rate the tool set on its port (the slave's; the pair shares one setting),
    // in baud; nothing if it cannot be read.
    std::optional<std::uint32_t> ToolBaud() const;

    // Writes what the pty takes now and removes it from pending.
    void Write(std::string& pending) const;

    // Hangs up the tool's side, as the kernel does when a USB adapter is pulled: the tool's
    // reads and writes fail with I/O errors until it closes the port, while this end stays
    // open. Throws std::system_error if the kernel refuses (it takes CAP_SYS_ADMIN).
    void HangUpToolSide() const;

  private:
    // Everything after the master is open: unlocks it, names the slave, makes the line raw,
    // pairs the two once and turns packet mode on.
    void Prepare();

    int fd_ = -1;
    std::string slavePath_;
};

// Sleeps for timeout, or less if a stop signal comes in under waitMask.
void SleepFor(std::chrono::nanoseconds timeout, const sigset_t& waitMask);

}  // namespace cnc_sim
