#include "line_model.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;

std::uint32_t StopHalfBits(BYTE stopBits) {
    switch (stopBits) {
        case ONE5STOPBITS:
            return 3;
        case TWOSTOPBITS:
            return 4;
        default:
            return 2;
    }
}

// Half-bit times elapsed at the rate, rounded down or up. Whole seconds and the rest apart,
// so that hours at the highest rates stay far from overflow.
std::uint64_t HalfBitsIn(std::chrono::nanoseconds elapsed, std::uint64_t baud, bool roundUp) {
    const auto nanos = static_cast<std::uint64_t>(elapsed.count());
    const std::uint64_t perSecond = baud * 2;
    const std::uint64_t rest = nanos % kNanosPerSecond * perSecond;
    return nanos / kNanosPerSecond * perSecond + rest / kNanosPerSecond +
           (roundUp && rest % kNanosPerSecond != 0 ? 1 : 0);
}

}  // namespace

void LineModel::SetLine(const DCB& dcb, Clock::time_point now) {
    Settle(now, false);
    baud_ = dcb.BaudRate;
    const std::uint32_t parityBit = dcb.Parity == NOPARITY ? 0 : 1;
    halfBits_ = baud_ == 0 ? 0 : 2 * (1 + dcb.ByteSize + parityBit) + StopHalfBits(dcb.StopBits);
    if (halfBits_ == 0) {
        unsent_ = 0;
    }
    busySince_ = now;
    drained_ = 0;
}

void LineModel::Handed(std::uint64_t bytes, Clock::time_point now) {
    if (halfBits_ == 0 || bytes == 0) {
        return;
    }
    Settle(now, false);
    if (unsent_ == 0 && !held_) {
        busySince_ = now;
        drained_ = 0;
    }
    unsent_ += bytes;
}

void LineModel::Hold(Clock::time_point now) {
    if (!held_) {
        Settle(now, true);
        held_ = true;
    }
}

void LineModel::Release(Clock::time_point now) {
    if (held_) {
        held_ = false;
        busySince_ = now;
        drained_ = 0;
    }
}

void LineModel::Clear() {
    unsent_ = 0;
}

std::uint64_t LineModel::Unsent(Clock::time_point now) {
    Settle(now, false);
    return unsent_;
}

std::optional<LineModel::Clock::duration> LineModel::UntilUnsentAtMost(std::uint64_t bytes,
                                                                       Clock::time_point now) {
    Settle(now, false);
    if (unsent_ <= bytes) {
        return Clock::duration::zero();
    }
    if (held_) {
        return std::nullopt;
    }
    // The character that leaves `bytes` behind it ends this many half bits after the wire
    // became busy; rounded up, so that the count has dropped by then.
    const std::uint64_t halfBits = (drained_ + unsent_ - bytes) * halfBits_;
    const std::uint64_t perSecond = baud_ * 2;
    const std::uint64_t nanos =
        halfBits / perSecond * kNanosPerSecond +
        (halfBits % perSecond * kNanosPerSecond + perSecond - 1) / perSecond;
    const Clock::time_point at =
        busySince_ + std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nanos));
    return at > now ? at - now : Clock::duration::zero();
}

void LineModel::Settle(Clock::time_point now, bool finishCharacter) {
    if (held_ || unsent_ == 0 || halfBits_ == 0 || now <= busySince_) {
        return;
    }
    const std::uint64_t halfBits = HalfBitsIn(now - busySince_, baud_, finishCharacter);
    const std::uint64_t due =
        finishCharacter ? (halfBits + halfBits_ - 1) / halfBits_ : halfBits / halfBits_;
    if (due <= drained_) {
        return;
    }
    const std::uint64_t gone = std::min(due - drained_, unsent_);
    unsent_ -= gone;
    drained_ += gone;
}
