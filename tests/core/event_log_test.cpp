#include "event_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

namespace {

// Entries of 7 bytes that name their number.
std::string Entry(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "e%04d\r\n", n);
    return text;
}

std::string Entries(int from, int to) {
    std::string text;
    for (int n = from; n < to; ++n) {
        text += Entry(n);
    }
    return text;
}

TEST(BoundedEventLogTest, KeepsEverythingWhileItFits) {
    BoundedEventLog log(42, 70);
    for (int n = 0; n < 16; ++n) {
        log.Append(Entry(n));
    }
    EXPECT_EQ(log.Text(), Entries(0, 16));
    log.Clear();
    EXPECT_EQ(log.Text(), "");
}

TEST(BoundedEventLogTest, AFloodKeepsTheFirstAndTheLatestEntriesAndCountsTheRest) {
    BoundedEventLog log(45, 70);  // 6 whole entries first, the 10 latest after them
    for (int n = 0; n < 1000; ++n) {
        log.Append(Entry(n));
    }
    EXPECT_EQ(log.Text(), Entries(0, 6) + BoundedEventLog::OmittedMarker(984) + Entries(990, 1000));
    EXPECT_EQ(BoundedEventLog::OmittedMarker(984),
              "\r\n ...... 중간 기록 984건 생략 ......\r\n\r\n");
}

TEST(BoundedEventLogTest, TheDefaultBoundHoldsAnHourOfFlooding) {
    BoundedEventLog log;
    const std::string entry = "전송단위 12 \r\n14:5:9  Xoff 수신 \r\n";
    // 10 KB a second, as a flooding machine was seen to add, for an hour.
    const std::size_t entries = 10000 * 3600 / entry.size();
    for (std::size_t n = 0; n < entries; ++n) {
        log.Append(entry);
    }
    const std::string text = log.Text();
    EXPECT_LE(text.size(), BoundedEventLog::kHeadBytes + BoundedEventLog::kTailBytes + 100);
    EXPECT_TRUE(text.starts_with(entry));
    EXPECT_TRUE(text.ends_with(entry));
}

// A log box that adds what each read brings: what it shows must be the entries in order,
// each once, with a marker standing for exactly the ones it does not show, and it must stay
// within the first part, a marker and twice the recent part.
TEST(BoundedEventLogTest, AReaderShowsEveryEntryOnceOrCountsItInAMarker) {
    const std::regex item(
        "e(\\d{4})\r\n|\r\n \\.\\.\\.\\.\\.\\. 중간 기록 (\\d+)건 생략 \\.\\.\\.\\.\\.\\.\r\n\r\n");
    for (const int readEvery : {1, 3, 9, 25, 400}) {
        BoundedEventLog log(45, 70);
        EventLogReader reader;
        std::string box = "notice text";
        int replaces = 0;
        for (int n = 0; n < 600; ++n) {
            log.Append(Entry(n));
            if ((n + 1) % readEvery != 0) {
                continue;
            }
            const EventLogUpdate update = log.Read(reader);
            if (update.replace) {
                box = update.text;
                ++replaces;
            } else {
                box += update.text;
            }
            int next = 0;
            std::size_t matched = 0;
            for (auto it = std::sregex_iterator(box.begin(), box.end(), item);
                 it != std::sregex_iterator(); ++it) {
                ASSERT_EQ(static_cast<std::size_t>(it->position()), matched) << box;
                matched += static_cast<std::size_t>(it->length());
                if ((*it)[1].matched) {
                    ASSERT_EQ(std::stoi((*it)[1]), next) << "every " << readEvery << ": " << box;
                    ++next;
                } else {
                    next += std::stoi((*it)[2]);
                }
            }
            ASSERT_EQ(matched, box.size()) << box;
            ASSERT_EQ(next, n + 1) << "every " << readEvery;
            ASSERT_LE(box.size(), 45u + BoundedEventLog::OmittedMarker(999).size() + 2 * 70u);
        }
        // Mostly adding: a whole copy about once per recent part's worth of entries.
        EXPECT_LE(replaces, 1 + 600 * 7 / 70) << "every " << readEvery;
    }
}

TEST(BoundedEventLogTest, AReaderStartsAfreshAfterAClear) {
    BoundedEventLog log(45, 70);
    EventLogReader reader;
    log.Append(Entry(1));
    EXPECT_TRUE(log.Read(reader).replace);
    log.Append(Entry(2));
    const EventLogUpdate added = log.Read(reader);
    EXPECT_FALSE(added.replace);
    EXPECT_EQ(added.text, Entry(2));
    EXPECT_EQ(log.Read(reader).text, "");
    log.Clear();
    log.Append(Entry(3));
    const EventLogUpdate fresh = log.Read(reader);
    EXPECT_TRUE(fresh.replace);
    EXPECT_EQ(fresh.text, Entry(3));
}

}  // namespace
