#include "prompt_wakes.h"

#include <pthread.h>
#include <sched.h>

// The lowest real-time priority: above every ordinary thread, below anything a user made
// real-time on purpose. Granted to root, to CAP_SYS_NICE and where RLIMIT_RTPRIO allows; the
// kernel's real-time throttling keeps a share of every second for ordinary threads.
PromptWakes::PromptWakes() {
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &previousPolicy_, &param) != 0) {
        return;
    }
    previousPriority_ = param.sched_priority;
    if (previousPolicy_ == SCHED_FIFO || previousPolicy_ == SCHED_RR) {
        granted_ = true;
        return;
    }
    sched_param prompt{};
    prompt.sched_priority = sched_get_priority_min(SCHED_FIFO);
    changed_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &prompt) == 0;
    granted_ = changed_;
}

PromptWakes::~PromptWakes() {
    if (changed_) {
        sched_param param{};
        param.sched_priority = previousPriority_;
        pthread_setschedparam(pthread_self(), previousPolicy_, &param);
    }
}
