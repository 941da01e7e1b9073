#include "console_platform.h"

BOOL ConsolePlatform::PostToWindow(HWND, UINT message, WPARAM, LPARAM) {
    if (message != WM_TRANSFER_DONE) {
        return FALSE;
    }
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    posted_.notify_all();
    return TRUE;
}

bool ConsolePlatform::WaitForDone(std::chrono::milliseconds within) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, within, [this] { return done_; });
}
