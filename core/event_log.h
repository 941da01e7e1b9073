// The event log of one test, kept within a fixed size. A machine that floods the line with
// XON and XOFF adds an entry per character: an hour of that must neither fill the memory
// nor have the window copy all of it on every refresh. What is kept: the first entries as
// they came, then the most recent ones, and between them a line that says how many were
// left out. Entries are kept or left out whole. Not locked: TransferState holds it behind
// its mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

// Where a reader that shows the log (a log box) stands; a new one has shown nothing yet.
struct EventLogReader {
    bool started = false;
    std::uint64_t clears = 0;         // the log's clears when it last read
    std::uint64_t position = 0;       // bytes appended up to its last read
    std::uint64_t omittedAtShow = 0;  // bytes left out when it last showed the whole log
};

// What a reader must do to show the log as it is now.
struct EventLogUpdate {
    std::string text;
    bool replace = false;  // show text instead of what is shown; else add it at the end
};

class BoundedEventLog {
  public:
    static constexpr std::size_t kHeadBytes = 64 * 1024;
    static constexpr std::size_t kTailBytes = 192 * 1024;

    explicit BoundedEventLog(std::size_t headBytes = kHeadBytes,
                             std::size_t tailBytes = kTailBytes);

    void Append(std::string_view entry);
    void Clear();

    // The first entries, the marker when entries were left out, the most recent entries.
    std::string Text() const;

    // Brings reader up to date. It adds what is new while every entry it has not seen is
    // still kept; it is given the whole log instead when it is new, the log was cleared
    // since, entries it has not seen were left out, or what it shows has grown a tail's
    // worth past what is kept (so a log box never holds more than the first part, the
    // marker and twice the recent part).
    EventLogUpdate Read(EventLogReader& reader) const;

    // The line that stands for entries left out.
    static std::string OmittedMarker(std::uint64_t entries);

  private:
    std::uint64_t KeptTailFrom() const { return head_.size() + omittedBytes_; }
    std::string_view KeptTail() const;
    void LeaveOutOldestTailEntry();

    std::size_t headLimit_;
    std::size_t tailLimit_;
    std::string head_;
    // The recent entries from tailStart_ on; what lies before it was left out and is cut
    // away now and then, so leaving an entry out costs no copy of the rest.
    std::string tail_;
    std::size_t tailStart_ = 0;
    std::deque<std::size_t> tailEntrySizes_;
    std::uint64_t omittedEntries_ = 0;
    std::uint64_t omittedBytes_ = 0;
    std::uint64_t appended_ = 0;  // bytes since the last clear
    std::uint64_t clears_ = 0;
};
