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

TEST(TransferStateTest, IntegerFieldsAreOneWordEach) {
    TransferState state;
    state.nSentBytes = 250;
    state.nSentBytes += 250;
    EXPECT_EQ(state.nSentBytes, 500);
    EXPECT_EQ(sizeof(state.nSentBytes), 4u);
}

}  // namespace
