#include "uart_model.h"

#include <algorithm>

namespace cnc_sim {

namespace {

constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;

}  // namespace

SimTime TimeOfCharacters(std::uint64_t count, const LineFrame& frame, std::uint32_t baud) {
    if (baud == 0) {
        return SimTime(0);
    }
    // Whole seconds and the rest apart, so long stretches cannot overflow.
    const std::uint64_t halfBits = count * static_cast<std::uint64_t>(frame.HalfBitsPerCharacter());
    const std::uint64_t halfBitsPerSecond = 2ULL * baud;
    const std::uint64_t rest = halfBits % halfBitsPerSecond * kNanosPerSecond;
    return SimTime(static_cast<SimTime::rep>(halfBits / halfBitsPerSecond * kNanosPerSecond +
                                             (rest + halfBitsPerSecond - 1) / halfBitsPerSecond));
}

UartModel::UartModel(LineFrame frame, std::uint32_t baud) {
    stats_.frame = frame;
    stats_.baud = baud;
}

SimTime UartModel::Span(std::uint64_t count) const {
    return TimeOfCharacters(count, stats_.frame, stats_.baud);
}

void UartModel::SetBaud(std::uint32_t baud, SimTime at) {
    AdvanceTo(at);
    if (baud != stats_.baud) {
        stats_.baud = baud;
        chainValid_ = false;
    }
}

void UartModel::Queue(std::string_view bytes, SimTime at) {
    AdvanceTo(at);
    waiting_.insert(waiting_.end(), bytes.begin(), bytes.end());
    queuedTotal_ += bytes.size();
    if (!held_ && !onWire_ && !waiting_.empty()) {
        StartNext(now_, false);
    }
    stats_.queueMax = std::max(stats_.queueMax, Queued());
}

void UartModel::Hold(SimTime at) {
    AdvanceTo(at);
    EndReaction();
    held_ = true;
}

void UartModel::Release(SimTime at) {
    AdvanceTo(at);
    EndReaction();
    held_ = false;
    if (!onWire_ && !waiting_.empty()) {
        StartNext(now_, false);
    }
}

void UartModel::Purge(SimTime at) {
    AdvanceTo(at);
    stats_.purged += waiting_.size();
    waiting_.clear();
}

void UartModel::XoffWritten(SimTime at) {
    AdvanceTo(at);
    // A second XOFF while the tool has not reacted to the first starts a count of its own.
    EndReaction();
    if (held_) {
        stats_.afterXoff.push_back(0);
        stats_.writtenAfterXoff.push_back(0);
    } else {
        xoffMark_ = started_;
        xoffQueuedMark_ = queuedTotal_;
    }
}

void UartModel::XonWritten(SimTime at) {
    AdvanceTo(at);
    EndReaction();
}

void UartModel::AdvanceTo(SimTime at) {
    now_ = std::max(now_, at);
    while (onWire_ && wireEnd_ <= now_) {
        arrived_.push_back({wireByte_, wireEnd_});
        onWire_ = false;
        if (!held_ && !waiting_.empty()) {
            StartNext(wireEnd_, true);
        } else {
            chainValid_ = false;
        }
    }
}

void UartModel::Finish(SimTime at) {
    AdvanceTo(at);
    EndReaction();
}

std::vector<Arrival> UartModel::TakeArrivals() {
    std::vector<Arrival> taken;
    taken.swap(arrived_);
    return taken;
}

std::optional<SimTime> UartModel::ArrivalOf(std::size_t n) const {
    if (!onWire_ || n == 0) {
        return std::nullopt;
    }
    if (n == 1) {
        return wireEnd_;
    }
    if (held_ || n - 1 > waiting_.size()) {
        return std::nullopt;
    }
    if (chainValid_) {
        return chainStart_ + Span(chainCount_ + n - 1);
    }
    return wireEnd_ + Span(n - 1);
}

void UartModel::StartNext(SimTime at, bool backToBack) {
    wireByte_ = waiting_.front();
    waiting_.pop_front();
    if (!backToBack || !chainValid_) {
        chainValid_ = true;
        chainStart_ = at;
        chainCount_ = 0;
    }
    ++chainCount_;
    wireEnd_ = chainStart_ + Span(chainCount_);
    onWire_ = true;
    ++started_;
}

void UartModel::EndReaction() {
    if (xoffMark_) {
        stats_.afterXoff.push_back(started_ - *xoffMark_);
        stats_.writtenAfterXoff.push_back(queuedTotal_ - xoffQueuedMark_);
        xoffMark_.reset();
    }
}

}  // namespace cnc_sim
