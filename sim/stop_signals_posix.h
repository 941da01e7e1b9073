// SIGINT and SIGTERM end the session in an orderly way, so the report still gets written.
#pragma once

#include <signal.h>

namespace cnc_sim {

// Holds SIGINT and SIGTERM blocked except while waiting in ppoll() with WaitMask(); a stop
// request can then never slip in between checking Requested() and going to sleep. Only one
// instance at a time.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    const sigset_t& WaitMask() const { return waitMask_; }
    bool Requested() const;

  private:
    sigset_t previousMask_;
    sigset_t waitMask_;
    struct sigaction previousInt_;
    struct sigaction previousTerm_;
    struct sigaction previousPipe_;
};

}  // namespace cnc_sim
