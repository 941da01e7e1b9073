// What a serial line has not yet carried. Bytes handed to the port leave one character
// time apart at the set rate and frame, and stand still while the transmitter is held. A
// device that cannot count its own queue (a pty, Wine over a pty, a USB adapter's hidden
// buffer) reports 0 bytes waiting although the wire is still busy with them; this count
// is what a real UART would report instead.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "comm_types.h"

class LineModel {
  public:
    using Clock = std::chrono::steady_clock;

    // Rate and frame from the line settings: a start bit, the data bits, a parity bit
    // unless NOPARITY, and one, one and a half or two stop bits. A rate of 0 models
    // nothing: the count is 0 from then on.
    void SetLine(const DCB& dcb, Clock::time_point now);

    // Bytes given to the transmitter now; they queue behind those still waiting.
    void Handed(std::uint64_t bytes, Clock::time_point now);

    // SETXOFF: the character on the wire completes, the rest waits. SETXON: the line
    // carries on from now.
    void Hold(Clock::time_point now);
    void Release(Clock::time_point now);

    // The transmit queue was purged.
    void Clear();

    // Bytes not yet fully on the wire; a character half sent still counts.
    std::uint64_t Unsent(Clock::time_point now);

    // How long until at most `bytes` are left unsent, if nothing more is handed over: 0 when
    // there are no more already; none while the transmitter is held, when nothing leaves.
    std::optional<Clock::duration> UntilUnsentAtMost(std::uint64_t bytes, Clock::time_point now);

    // Bits a character takes, doubled so that 1.5 stop bits stay whole; 0 without a line.
    std::uint32_t HalfBitsPerCharacter() const { return halfBits_; }

  private:
    // Takes out of the count what has left by now; whole characters only, or the one on
    // the wire too when it is let finish.
    void Settle(Clock::time_point now, bool finishCharacter);

    std::uint64_t baud_ = 0;
    std::uint32_t halfBits_ = 0;
    bool held_ = false;
    std::uint64_t unsent_ = 0;
    // The wire has been busy without a break since this instant, with drained_ characters
    // of it gone by the last Settle.
    Clock::time_point busySince_{};
    std::uint64_t drained_ = 0;
};
