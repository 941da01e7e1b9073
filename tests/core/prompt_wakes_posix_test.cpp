#include "prompt_wakes.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <string>
#include <thread>

#include "unprivileged_posix.h"

namespace {

struct Scheduling {
    int policy = -1;
    int priority = -1;
    friend bool operator==(const Scheduling&, const Scheduling&) = default;
    friend void PrintTo(const Scheduling& s, std::ostream* os) {
        *os << "policy " << s.policy << " priority " << s.priority;
    }
};

Scheduling ThisThread() {
    Scheduling now;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &now.policy, &param);
    now.priority = param.sched_priority;
    return now;
}

// Runs body on a thread of its own, so that no scheduling leaks into the other tests.
template <typename Body>
void OnAFreshThread(Body body) {
    std::thread(body).join();
}

TEST(PromptWakesTest, AThreadRunsRealTimeWhileItLivesAndAsBeforeAfterwards) {
    OnAFreshThread([] {
        const Scheduling before = ThisThread();
        bool granted = false;
        {
            const PromptWakes prompt;
            granted = prompt.Granted();
            if (granted) {
                EXPECT_EQ(ThisThread(),
                          (Scheduling{SCHED_FIFO, sched_get_priority_min(SCHED_FIFO)}));
            } else {
                EXPECT_EQ(ThisThread(), before) << "refused, the thread runs as it did";
            }
        }
        EXPECT_EQ(ThisThread(), before);
        if (!granted) {
            GTEST_SKIP() << "this user may not run a thread real-time";
        }
    });
}

TEST(PromptWakesTest, AUserWithoutTheRightRunsAsBefore) {
    const auto seen = RunUnprivileged([] {
        const rlimit none{0, 0};  // no real-time priority allowed by the limit either
        setrlimit(RLIMIT_RTPRIO, &none);
        const Scheduling before = ThisThread();
        const PromptWakes prompt;
        return std::string(prompt.Granted() ? "granted" : "refused") +
               (ThisThread() == before ? ", unchanged" : ", changed");
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, "refused, unchanged");
}

// A thread someone made real-time on purpose keeps its own priority, during and after.
TEST(PromptWakesTest, AThreadAlreadyRealTimeKeepsItsPriority) {
    OnAFreshThread([] {
        sched_param high{};
        high.sched_priority = sched_get_priority_min(SCHED_RR) + 5;
        if (pthread_setschedparam(pthread_self(), SCHED_RR, &high) != 0) {
            GTEST_SKIP() << "this user may not run a thread real-time";
        }
        const Scheduling before = ThisThread();
        {
            const PromptWakes prompt;
            EXPECT_TRUE(prompt.Granted());
            EXPECT_EQ(ThisThread(), before);
        }
        EXPECT_EQ(ThisThread(), before);
    });
}

}  // namespace
