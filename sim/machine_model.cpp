#include "machine_model.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace cnc_sim {

namespace {

constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;
// The tool purges its input right after opening the port; noise before that would be lost.
constexpr SimTime kNoiseAfterOpen = std::chrono::milliseconds(250);
// A session that fell behind sends no more than this much of the noise it owes at once.
constexpr int kMostNoiseAtOnce = 16;

// Whole seconds and the rest apart, so long sessions at high rates cannot overflow.
std::uint64_t BytesDrainedIn(SimTime elapsed, std::uint64_t rate) {
    const auto nanos = static_cast<std::uint64_t>(elapsed.count());
    return nanos / kNanosPerSecond * rate + nanos % kNanosPerSecond * rate / kNanosPerSecond;
}

// The shortest time in which BytesDrainedIn() reaches count.
SimTime TimeToDrain(std::uint64_t count, std::uint64_t rate) {
    const std::uint64_t rest = count % rate * kNanosPerSecond;
    return SimTime(count / rate * kNanosPerSecond + (rest + rate - 1) / rate);
}

}  // namespace

MachineModel::MachineModel(MachineConfig config)
    : config_(std::move(config)), noiseRandom_(config_.noiseSeed) {
    std::iota(noiseRound_.begin(), noiseRound_.end(), 0);
}

std::string MachineModel::Connect(SimTime now) {
    if (config_.startXon) {
        startXonDue_ = now + config_.startXonDelay;
    }
    if (config_.noiseEvery > SimTime(0)) {
        noiseDue_ = now + kNoiseAfterOpen;
    }
    return Advance(now);
}

Exchange MachineModel::Receive(std::string_view bytes, SimTime now) {
    Exchange exchange{Advance(now), {}};
    for (const char c : bytes) {
        if (c == kAck && enqOutstanding_ > 0) {
            --enqOutstanding_;
            ++stats_.acksReceived;
            continue;
        }
        TakeDataByte(c, now, exchange);
    }
    return exchange;
}

void MachineModel::RepliesWritten(SimTime at) {
    if (xonUnwritten_) {
        xonUnwritten_ = false;
        xonAwaitingByte_ = at;
    }
}

void MachineModel::TakeDataByte(char c, SimTime now, Exchange& exchange) {
    exchange.data += c;
    ++stats_.bytesReceived;
    if (xonAwaitingByte_) {
        stats_.xonToNextByte.push_back(std::max(now - *xonAwaitingByte_, SimTime(0)));
        xonAwaitingByte_.reset();
    }

    if (Buffers()) {
        if (fill_ == config_.bufferBytes) {
            ++stats_.overflowBytes;
        } else {
            if (fill_ == 0) {
                drainingSince_ = now;
                drainedSince_ = 0;
            }
            ++fill_;
        }
    }
    if (!held_ && Buffers() && fill_ >= config_.xoffAt) {
        held_ = true;
        ++stats_.xoffSent;
        exchange.reply += kXoff;
    }
    // This byte was still taken; the next ones wait.
    if (config_.stopReadingAt == stats_.bytesReceived && !stats_.readingStopped) {
        stats_.readingStopped = true;
        readingStopped_ = true;
        if (config_.stopReadingFor) {
            readingResumes_ = now + *config_.stopReadingFor;
        }
    }

    if (config_.enqEvery != 0 && stats_.bytesReceived % config_.enqEvery == 0) {
        ++stats_.enqSent;
        ++enqOutstanding_;
        exchange.reply += kEnq;
    }
    if (config_.nulEvery != 0 && stats_.bytesReceived % config_.nulEvery == 0) {
        ++stats_.nulsSent;
        exchange.reply += '\0';
    }
    if (std::ranges::find(config_.nakAt, stats_.bytesReceived) != config_.nakAt.end()) {
        ++stats_.naksSent;
        // A NAK during a hold starts the hold again: the tool waits for one ACK either way.
        nakHoldEnds_ = now + config_.nakHold;
        exchange.reply += kNak;
    }
}

std::string MachineModel::Advance(SimTime now) {
    Drain(now);
    std::string reply;
    if (startXonDue_ && now >= *startXonDue_) {
        startXonDue_.reset();
        stats_.startXonSent = true;
        reply += kXon;
    }
    if (held_ && fill_ <= config_.xonAt) {
        held_ = false;
        ++stats_.xonSent;
        // A byte that arrives before this XON is on the line did not answer it.
        xonUnwritten_ = true;
        xonAwaitingByte_.reset();
        reply += kXon;
    }
    if (nakHoldEnds_ && now >= *nakHoldEnds_) {
        nakHoldEnds_.reset();
        reply += kAck;
    }
    for (int sent = 0; noiseDue_ && now >= *noiseDue_; ++sent) {
        if (sent == kMostNoiseAtOnce) {
            noiseDue_ = now + config_.noiseEvery;
            break;
        }
        reply += NoiseByte();
        *noiseDue_ += config_.noiseEvery;
    }
    return reply;
}

char MachineModel::NoiseByte() {
    if (noiseDealt_ == noiseRound_.size()) {
        std::shuffle(noiseRound_.begin(), noiseRound_.end(), noiseRandom_);
        noiseDealt_ = 0;
    }
    const char byte = static_cast<char>(noiseRound_[noiseDealt_++]);
    ++stats_.noiseSent;
    // The tool answers an ENQ with an ACK whoever sent it; that ACK is no data either.
    if (byte == kEnq) {
        ++enqOutstanding_;
    }
    return byte;
}

void MachineModel::Drain(SimTime now) {
    if (readingStopped_) {
        if (!readingResumes_ || now < *readingResumes_) {
            return;
        }
        readingStopped_ = false;
        const SimTime resumed = *readingResumes_;
        readingResumes_.reset();
        if (config_.drainRate == 0) {
            fill_ = 0;
            return;
        }
        // What was held in the buffer drains from the moment reading resumes.
        drainingSince_ = resumed;
        drainedSince_ = 0;
    }
    if (fill_ == 0 || now <= drainingSince_) {
        return;
    }
    const std::uint64_t due = BytesDrainedIn(now - drainingSince_, config_.drainRate);
    if (due <= drainedSince_) {
        return;
    }
    const auto taken =
        static_cast<std::size_t>(std::min<std::uint64_t>(due - drainedSince_, fill_));
    fill_ -= taken;
    drainedSince_ += taken;
}

std::optional<SimTime> MachineModel::NextDue() const {
    std::optional<SimTime> next;
    const auto consider = [&next](SimTime at) {
        if (!next || at < *next) {
            next = at;
        }
    };
    if (startXonDue_) {
        consider(*startXonDue_);
    }
    if (readingStopped_) {
        // Nothing drains before reading resumes; from then on the next call tells.
        if (readingResumes_) {
            consider(*readingResumes_);
        }
    } else if (held_ && fill_ > config_.xonAt) {
        consider(drainingSince_ +
                 TimeToDrain(drainedSince_ + (fill_ - config_.xonAt), config_.drainRate));
    }
    if (nakHoldEnds_) {
        consider(*nakHoldEnds_);
    }
    if (noiseDue_) {
        consider(*noiseDue_);
    }
    return next;
}

std::optional<std::uint64_t> MachineModel::DataBytesUntilReply() const {
    std::optional<std::uint64_t> fewest;
    const auto consider = [&fewest](std::uint64_t bytes) {
        if (!fewest || bytes < *fewest) {
            fewest = bytes;
        }
    };
    if (!held_ && Buffers()) {
        consider(fill_ < config_.xoffAt ? config_.xoffAt - fill_ : 1);
    }
    // A control that takes every byte at once starts to fill when it stops reading.
    if (!held_ && !stats_.readingStopped && config_.stopReadingAt &&
        *config_.stopReadingAt > stats_.bytesReceived) {
        consider(*config_.stopReadingAt - stats_.bytesReceived + config_.xoffAt);
    }
    const auto everyNth = [&](std::uint64_t every) {
        if (every != 0) {
            consider(every - stats_.bytesReceived % every);
        }
    };
    everyNth(config_.enqEvery);
    everyNth(config_.nulEvery);
    for (const std::uint64_t at : config_.nakAt) {
        if (at > stats_.bytesReceived) {
            consider(at - stats_.bytesReceived);
        }
    }
    return fewest;
}

}  // namespace cnc_sim
