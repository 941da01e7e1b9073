#include "waiting_input_win32.h"

#include <algorithm>

#include "overlapped_timeout_win32.h"

namespace {

LONGLONG TicksPerSecond() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

LONGLONG Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Whole milliseconds from now to the deadline, rounded up; 0 once it has passed.
DWORD MillisecondsUntil(LONGLONG deadline) {
    static const LONGLONG perSecond = TicksPerSecond();
    const LONGLONG left = deadline - Ticks();
    return left <= 0 ? 0 : static_cast<DWORD>((left * 1000 + perSecond - 1) / perSecond);
}

LONGLONG DeadlineIn(DWORD milliseconds) {
    static const LONGLONG perSecond = TicksPerSecond();
    return Ticks() + static_cast<LONGLONG>(milliseconds) * perSecond / 1000;
}

class Locked {
  public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    SRWLOCK& lock_;
};

}  // namespace

WaitingInput::WaitingInput(HANDLE device) : device_(device) {
    readEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    watchEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (readEvent_ != nullptr && watchEvent_ != nullptr && stopEvent_ != nullptr) {
        watcher_ = CreateThread(nullptr, 0, WatcherMain, this, 0, nullptr);
    }
}

WaitingInput::~WaitingInput() {
    if (watcher_ != nullptr) {
        SetEvent(stopEvent_);
        WaitForSingleObject(watcher_, INFINITE);
        CloseHandle(watcher_);
    }
    for (HANDLE event : {readEvent_, watchEvent_, stopEvent_}) {
        if (event != nullptr) {
            CloseHandle(event);
        }
    }
}

DWORD WINAPI WaitingInput::WatcherMain(void* self) {
    static_cast<WaitingInput*>(self)->Watch();
    return 0;
}

void WaitingInput::Watch() {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE asked[] = {stopEvent_, watchEvent_};
    while (WaitForMultipleObjects(2, asked, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        if (overlapped.hEvent == nullptr) {
            const Locked locked(lock_);
            error_ = ERROR_NOT_ENOUGH_MEMORY;
            pending_ = false;
            WakeAllConditionVariable(&cameIn_);
            continue;
        }
        WatchOneRead(overlapped);
    }
    if (overlapped.hEvent != nullptr) {
        CloseHandle(overlapped.hEvent);
    }
}

void WaitingInput::WatchOneRead(OVERLAPPED& overlapped) {
    unsigned forgets = 0;
    {
        const Locked locked(lock_);
        forgets = forgets_;
        inFlight_ = &overlapped;
    }
    const HANDLE event = overlapped.hEvent;
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event;
    char arrived = 0;
    DWORD error = 0;
    if (!::ReadFile(device_, &arrived, 1, nullptr, &overlapped)) {
        error = GetLastError();
    }
    if (error == ERROR_IO_PENDING) {
        const HANDLE ends[] = {stopEvent_, event};
        if (WaitForMultipleObjects(2, ends, FALSE, INFINITE) == WAIT_OBJECT_0) {
            CancelIoEx(device_, &overlapped);
        }
        error = 0;
    }
    DWORD got = 0;
    if (error == 0 && !GetOverlappedResult(device_, &overlapped, &got, TRUE)) {
        error = GetLastError();
    }
    const Locked locked(lock_);
    inFlight_ = nullptr;
    pending_ = false;
    // After a purge, what the read brought and how it ended (Wine: a broken pipe) belong to
    // the input that was forgotten.
    if (forgets == forgets_) {
        if (got == 1) {
            taken_ += arrived;
        }
        if (error != 0 && !MeansTimedOut(error) && error != ERROR_OPERATION_ABORTED) {
            error_ = error;
        }
    }
    WakeAllConditionVariable(&cameIn_);
}

DWORD WaitingInput::TotalWait(DWORD count, bool* firstByteEnds) const {
    const COMMTIMEOUTS& t = timeouts_;
    *firstByteEnds = false;
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        return 0;  // what is there, at once
    }
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
        t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD) {
        *firstByteEnds = true;
        return t.ReadTotalTimeoutConstant;
    }
    if (t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
        return INFINITE;
    }
    const ULONGLONG total =
        ULONGLONG{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant;
    return static_cast<DWORD>(std::min<ULONGLONG>(total, INFINITE - 1));
}

DWORD WaitingInput::Taken() {
    const Locked locked(lock_);
    return static_cast<DWORD>(taken_.size());
}

BOOL WaitingInput::ReadHeld(char* buffer, DWORD count, DWORD* read) {
    *read = 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(device_, &errors, &status)) {
        return FALSE;
    }
    const DWORD request = std::min(count, status.cbInQue);
    if (request == 0) {
        return TRUE;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = readEvent_;
    if (!::ReadFile(device_, buffer, request, nullptr, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            return FALSE;
        }
        // The bytes were counted, so the read ends at once; should they have gone meanwhile
        // (a purge), it is not left waiting for others.
        if (WaitForSingleObject(readEvent_, 100) != WAIT_OBJECT_0) {
            CancelIoEx(device_, &overlapped);
        }
    }
    if (!GetOverlappedResult(device_, &overlapped, read, TRUE)) {
        const DWORD error = GetLastError();
        if (!MeansTimedOut(error) && error != ERROR_OPERATION_ABORTED) {
            SetLastError(error);
            return FALSE;
        }
    }
    *read = std::min(*read, request);
    return TRUE;
}

BOOL WaitingInput::Read(char* buffer, DWORD count, DWORD* read) {
    *read = 0;
    if (count == 0) {
        return TRUE;
    }
    bool firstByteEnds = false;
    const DWORD total = TotalWait(count, &firstByteEnds);
    const LONGLONG deadline = total == INFINITE ? 0 : DeadlineIn(total);
    AcquireSRWLockExclusive(&lock_);
    BOOL result = TRUE;
    for (;;) {
        const DWORD fromTaken = std::min<DWORD>(count - *read, static_cast<DWORD>(taken_.size()));
        std::copy_n(taken_.data(), fromTaken, buffer + *read);
        taken_.erase(0, fromTaken);
        *read += fromTaken;
        if (error_ != 0) {
            const DWORD error = error_;
            error_ = 0;
            if (*read == 0) {
                result = FALSE;
                SetLastError(error);
            }
            break;
        }
        // Nothing may overtake a byte the pending read is about to take.
        if (*read < count && !pending_) {
            ReleaseSRWLockExclusive(&lock_);
            DWORD got = 0;
            const BOOL ok = ReadHeld(buffer + *read, count - *read, &got);
            const DWORD error = GetLastError();
            AcquireSRWLockExclusive(&lock_);
            *read += got;
            if (!ok) {
                result = *read > 0 ? TRUE : FALSE;
                SetLastError(error);
                break;
            }
        }
        if (*read == count || (firstByteEnds && *read > 0)) {
            break;
        }
        const DWORD wait = total == INFINITE ? INFINITE : MillisecondsUntil(deadline);
        if (wait == 0) {
            break;  // a pending read stays for the next call
        }
        if (!pending_) {
            pending_ = true;
            SetEvent(watchEvent_);
        }
        SleepConditionVariableSRW(&cameIn_, &lock_, wait, 0);
    }
    ReleaseSRWLockExclusive(&lock_);
    return result;
}

void WaitingInput::Forget() {
    const Locked locked(lock_);
    forgets_ += 1;
    taken_.clear();
    error_ = 0;
    // The watcher may not have started its read yet: cancel until it has ended.
    while (pending_) {
        if (inFlight_ != nullptr) {
            CancelIoEx(device_, inFlight_);
        }
        SleepConditionVariableSRW(&cameIn_, &lock_, 1, 0);
    }
}
