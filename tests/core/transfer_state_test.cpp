#include "transfer_state.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

// The window copies the log while the worker appends to it: every copy must consist of
// whole entries only.
TEST(TransferStateTest, EventLogCopiesNeverHoldHalfAnEntry) {
    TransferState state;
    const std::string entry = "전송단위 12 \r\n14:5:9  Xoff 수신 \r\n";
    constexpr int kEntries = 2000;
    std::thread writer([&] {
        for (int i = 0; i < kEntries; ++i) {
            state.AppendEventLog(entry);
        }
    });
    for (int i = 0; i < 500; ++i) {
        const std::string copy = state.CopyEventLog();
        ASSERT_EQ(copy.size() % entry.size(), 0u);
    }
    writer.join();
    EXPECT_EQ(state.CopyEventLog().size(), entry.size() * kEntries);
    state.ClearEventLog();
    EXPECT_EQ(state.CopyEventLog(), "");
}

// The console prints the log as it grows: it must get every entry once, in order, also the
// ones the kept log has left out.
TEST(TransferStateTest, TheObserverGetsEveryEntryEvenBeyondTheBound) {
    TransferState state;
    std::string seen;
    state.SetEventLogObserver([&](std::string_view text) { seen.append(text); });
    std::string all;
    for (int n = 0; all.size() < 2 * (BoundedEventLog::kHeadBytes + BoundedEventLog::kTailBytes);
         ++n) {
        const std::string entry = "entry " + std::to_string(n) + "\r\n";
        state.AppendEventLog(entry);
        all += entry;
    }
    state.SetEventLogObserver(nullptr);
    state.AppendEventLog("after\r\n");
    EXPECT_TRUE(seen == all);
    EXPECT_LT(state.CopyEventLog().size(), all.size());
}

TEST(TransferStateTest, IntegerFieldsAreOneWordEach) {
    TransferState state;
    state.nSentBytes = 250;
    state.nSentBytes += 250;
    EXPECT_EQ(state.nSentBytes, 500);
    EXPECT_EQ(sizeof(state.nSentBytes), 4u);
}

}  // namespace
