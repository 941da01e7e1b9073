// The control's end of the cable: the master side of a fresh pseudo-terminal. The slave side
// is the machine's serial port, which the tool opens.
#pragma once

#include <signal.h>

#include <chrono>
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

    enum class ReadResult { kBytes, kNothing, kHungUp };
    // One read of what the tool has sent, appended to into. kHungUp once the tool has closed
    // the slave and everything it wrote before has been read.
    ReadResult Read(std::string& into) const;

    // Bytes from the tool waiting to be read.
    std::size_t Queued() const;

    // Writes what the pty takes now and removes it from pending.
    void Write(std::string& pending) const;

  private:
    int fd_ = -1;
    std::string slavePath_;
};

// Sleeps for timeout, or less if a stop signal comes in under waitMask.
void SleepFor(std::chrono::nanoseconds timeout, const sigset_t& waitMask);

}  // namespace cnc_sim
