#include "platform_types.h"

#include "prompt_wakes.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct PriorityCase {
    const char* name;
    int before;
    int during;
    friend void PrintTo(const PriorityCase& c, std::ostream* os) { *os << c.name; }
};

class PromptWakesPriorityTest : public testing::TestWithParam<PriorityCase> {};

// On a thread of its own, so that no priority leaks into the other tests.
TEST_P(PromptWakesPriorityTest, RaisedWhileItLivesAndGivenBackAfterwards) {
    const PriorityCase& c = GetParam();
    std::thread([&c] {
        const HANDLE self = GetCurrentThread();
        ASSERT_TRUE(SetThreadPriority(self, c.before));
        {
            const PromptWakes prompt;
            EXPECT_TRUE(prompt.Granted());
            EXPECT_EQ(GetThreadPriority(self), c.during);
        }
        EXPECT_EQ(GetThreadPriority(self), c.before);
    }).join();
}

INSTANTIATE_TEST_SUITE_P(
    Priorities, PromptWakesPriorityTest,
    testing::Values(
        PriorityCase{"Normal", THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST},
        PriorityCase{"BelowNormal", THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_HIGHEST},
        // Someone's own choice above it is kept, not lowered.
        PriorityCase{"TimeCritical", THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_TIME_CRITICAL}),
    [](const testing::TestParamInfo<PriorityCase>& param) { return param.param.name; });

}  // namespace
