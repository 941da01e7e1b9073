#include "platform_types.h"

#include "prompt_wakes.h"

// Above the window's thread and every ordinary program's, within the process's normal class:
// Windows grants it to any program, and it is what a thread that answers a device uses.
PromptWakes::PromptWakes() {
    const HANDLE self = GetCurrentThread();
    previousPriority_ = GetThreadPriority(self);
    if (previousPriority_ == THREAD_PRIORITY_ERROR_RETURN) {
        return;
    }
    if (previousPriority_ >= THREAD_PRIORITY_HIGHEST) {
        granted_ = true;
        return;
    }
    changed_ = SetThreadPriority(self, THREAD_PRIORITY_HIGHEST) != 0;
    granted_ = changed_;
}

PromptWakes::~PromptWakes() {
    if (changed_) {
        SetThreadPriority(GetCurrentThread(), previousPriority_);
    }
}
