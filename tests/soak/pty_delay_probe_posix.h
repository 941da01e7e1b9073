// How long the kernel takes to hand a byte written to a pty's master to a reader of its
// slave. It goes through a worker thread of the kernel's, which a loaded machine may run
// milliseconds late; meanwhile the tool, which looks for the machine's XOFF before every
// chunk, cannot see it and goes on sending at the line rate. A real UART's received bytes
// take the same road. The soak measures that delay beside its runs, so that it judges an
// overflow only where the machine's room also covers what the line carries meanwhile.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace soak {

using ProbeClock = std::chrono::steady_clock;

// The longest delay seen in each second; pure bookkeeping.
class DelayRecord {
  public:
    void Add(ProbeClock::time_point at, std::chrono::microseconds delay);
    // The longest delay of the seconds from..to touches; zero if none was measured.
    std::chrono::microseconds LongestBetween(ProbeClock::time_point from,
                                             ProbeClock::time_point to) const;

  private:
    mutable std::mutex mutex_;
    std::map<std::int64_t, std::chrono::microseconds> perSecond_;
};

// A pty pair of its own and a thread that writes one byte every few milliseconds to the
// master and times its arrival at the slave (the wake-up of a reader waiting for it
// included, as the tool's own wait for the machine's bytes has it).
class PtyDelayProbe {
  public:
    PtyDelayProbe();
    ~PtyDelayProbe();
    PtyDelayProbe(const PtyDelayProbe&) = delete;
    PtyDelayProbe& operator=(const PtyDelayProbe&) = delete;

    const DelayRecord& Record() const { return record_; }

  private:
    void Run();

    int master_ = -1;
    int slave_ = -1;
    std::atomic<bool> stop_{false};
    DelayRecord record_;
    std::thread thread_;
};

}  // namespace soak
