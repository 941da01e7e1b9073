#include "event_log.h"

#include <cstdio>

BoundedEventLog::BoundedEventLog(std::size_t headBytes, std::size_t tailBytes)
    : headLimit_(headBytes), tailLimit_(tailBytes) {}

void BoundedEventLog::Append(std::string_view entry) {
    if (entry.empty()) {
        return;
    }
    appended_ += entry.size();
    // The first part fills until an entry no longer fits; from then on it stays as it is.
    if (tailEntrySizes_.empty() && omittedEntries_ == 0 &&
        head_.size() + entry.size() <= headLimit_) {
        head_.append(entry);
        return;
    }
    tail_.append(entry);
    tailEntrySizes_.push_back(entry.size());
    // The newest entry is kept even if it alone is larger than the recent part.
    while (KeptTail().size() > tailLimit_ && tailEntrySizes_.size() > 1) {
        LeaveOutOldestTailEntry();
    }
}

void BoundedEventLog::LeaveOutOldestTailEntry() {
    const std::size_t size = tailEntrySizes_.front();
    tailEntrySizes_.pop_front();
    tailStart_ += size;
    omittedBytes_ += size;
    ++omittedEntries_;
    // Cut away once the dead front outweighs what is kept: each byte moves a bounded
    // number of times.
    if (tailStart_ > tail_.size() - tailStart_) {
        tail_.erase(0, tailStart_);
        tailStart_ = 0;
    }
}

void BoundedEventLog::Clear() {
    head_.clear();
    tail_.clear();
    tailStart_ = 0;
    tailEntrySizes_.clear();
    omittedEntries_ = 0;
    omittedBytes_ = 0;
    appended_ = 0;
    ++clears_;
}

std::string_view BoundedEventLog::KeptTail() const {
    return std::string_view(tail_).substr(tailStart_);
}

std::string BoundedEventLog::OmittedMarker(std::uint64_t entries) {
    char text[96];
    std::snprintf(text, sizeof text, "\r\n ...... 중간 기록 %llu건 생략 ......\r\n\r\n",
                  static_cast<unsigned long long>(entries));
    return text;
}

std::string BoundedEventLog::Text() const {
    std::string text = head_;
    if (omittedEntries_ > 0) {
        text += OmittedMarker(omittedEntries_);
    }
    text.append(KeptTail());
    return text;
}

EventLogUpdate BoundedEventLog::Read(EventLogReader& reader) const {
    const bool unseenLeftOut = omittedBytes_ > 0 && reader.position < KeptTailFrom();
    const bool grownTooFar = omittedBytes_ - reader.omittedAtShow > tailLimit_;
    EventLogUpdate update;
    if (!reader.started || reader.clears != clears_ || unseenLeftOut || grownTooFar) {
        update.text = Text();
        update.replace = true;
        reader.omittedAtShow = omittedBytes_;
    } else if (reader.position < head_.size()) {
        // Nothing left out yet: the rest of the first part, then all of the recent one.
        update.text = head_.substr(reader.position);
        update.text.append(KeptTail());
    } else {
        update.text = std::string(KeptTail().substr(reader.position - KeptTailFrom()));
    }
    reader.started = true;
    reader.clears = clears_;
    reader.position = appended_;
    return update;
}
