// The tool's UART transmitter as the far end of the cable sees it: what the tool writes joins
// a queue at once, goes onto the wire one character after the other at the line rate, and
// stands still while the tool holds its transmitter; a character already on the wire still
// completes. Every time comes from the caller, and each call's time is no earlier than the
// last one's, so a virtual clock drives it as well as the real one does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

#include "line_frame.h"
#include "machine_model.h"

namespace cnc_sim {

// The time count characters take on the wire back to back, rounded up to the nanosecond;
// zero at baud 0, which stands for a line without a rate.
SimTime TimeOfCharacters(std::uint64_t count, const LineFrame& frame, std::uint32_t baud);

// A character whose last bit reached the far end at `at`.
struct Arrival {
    char byte;
    SimTime at;
};

struct LineStats {
    std::uint32_t baud = 0;  // the rate in force last
    LineFrame frame;
    // One entry per XOFF the machine wrote: the characters that went onto the wire after it
    // was written and before the tool held its transmitter (or, if the tool never did, before
    // the machine's XON or the end of the session).
    std::vector<std::uint64_t> afterXoff;
    // Per XOFF, over the same stretch: the characters the tool wrote to its port. The part
    // of afterXoff the tool added after the XOFF was written; the rest was queued before,
    // on the tool's side or, when the simulator reads the pty late, on its own.
    std::vector<std::uint64_t> writtenAfterXoff;
    // The most characters waiting or on the wire at one time.
    std::size_t queueMax = 0;
    // Characters the tool purged from the queue before they went out.
    std::uint64_t purged = 0;
};

class UartModel {
  public:
    UartModel(LineFrame frame, std::uint32_t baud);

    // Characters not yet on the wire go at the new rate.
    void SetBaud(std::uint32_t baud, SimTime at);
    void Queue(std::string_view bytes, SimTime at);
    // The tool holds its transmitter, or lets it go again. A release without a hold seen
    // before it means the tool held and let go in between, so it also ends the reaction.
    void Hold(SimTime at);
    void Release(SimTime at);
    // The tool's purge of its output: what is not yet on the wire is dropped.
    void Purge(SimTime at);
    // The machine's XOFF and XON, as they were written to the line.
    void XoffWritten(SimTime at);
    void XonWritten(SimTime at);
    void AdvanceTo(SimTime at);
    // The session is over: a reaction still awaited is counted up to `at`.
    void Finish(SimTime at);

    // The characters that arrived so far, in order, each once.
    std::vector<Arrival> TakeArrivals();
    // When the nth character from the head of the queue will have arrived (1: the one on
    // the wire), if it is queued and nothing holds it back.
    std::optional<SimTime> ArrivalOf(std::size_t n) const;
    // Waiting or on the wire.
    std::size_t Queued() const { return waiting_.size() + (onWire_ ? 1 : 0); }
    bool Held() const { return held_; }
    const LineStats& Stats() const { return stats_; }

  private:
    void StartNext(SimTime at, bool backToBack);
    void EndReaction();
    SimTime Span(std::uint64_t count) const;

    LineStats stats_;
    std::deque<char> waiting_;
    bool onWire_ = false;
    char wireByte_ = 0;
    SimTime wireEnd_{};
    // Characters sent back to back since chainStart_ are timed from it, so rounding never
    // adds up along a long stretch.
    bool chainValid_ = false;
    SimTime chainStart_{};
    std::uint64_t chainCount_ = 0;
    bool held_ = false;
    SimTime now_{};
    std::uint64_t started_ = 0;
    // started_ and queuedTotal_ when the machine's XOFF went out, while the tool has not
    // reacted to it.
    std::optional<std::uint64_t> xoffMark_;
    std::uint64_t xoffQueuedMark_ = 0;
    std::uint64_t queuedTotal_ = 0;
    std::vector<Arrival> arrived_;
};

}  // namespace cnc_sim
