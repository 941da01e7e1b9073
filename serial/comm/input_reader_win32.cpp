#include "input_reader_win32.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "device_gone_win32.h"

namespace {

constexpr DWORD kChunk = 512;
// The longest a read waits for bytes the driver held to reach the reader. They come in
// microseconds, but under Wine the reader hears of them through the Wine server, which a
// loaded machine can hold up for hundreds of milliseconds; a poller that saw a byte counted
// must not write on without it, as it may be a DC3.
constexpr ULONGLONG kTransitWait = 500;

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
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

InputReader::InputReader(HANDLE device) : device_(device) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond_ = frequency.QuadPart;
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_ != nullptr) {
        thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    }
}

InputReader::~InputReader() {
    if (thread_ != nullptr) {
        SetEvent(stop_);
        CancelIoEx(device_, nullptr);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (stop_ != nullptr) {
        CloseHandle(stop_);
    }
}

DWORD WINAPI InputReader::ThreadMain(void* self) {
    static_cast<InputReader*>(self)->Run();
    return 0;
}

// One overlapped read on the device, waited for until it ends or the reader is stopped.
// Returns the error it ended with (0 also for a time-out or a purge's cancel), or nothing
// when the reader was stopped meanwhile.
std::optional<DWORD> InputReader::ReadDevice(OVERLAPPED& overlapped, char* into, DWORD count,
                                             DWORD* got) {
    *got = 0;
    DWORD error = 0;
    if (!::ReadFile(device_, into, count, nullptr, &overlapped)) {
        error = GetLastError();
    }
    if (error == ERROR_IO_PENDING) {
        const HANDLE events[] = {stop_, overlapped.hEvent};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) {
            CancelIoEx(device_, &overlapped);
            GetOverlappedResult(device_, &overlapped, got, TRUE);
            return std::nullopt;
        }
        error = 0;
    }
    if (error == 0 && !GetOverlappedResult(device_, &overlapped, got, FALSE)) {
        error = GetLastError();
    }
    *got = std::min(*got, count);
    return MeansTimedOut(error) || error == ERROR_OPERATION_ABORTED ? 0 : error;
}

void InputReader::Run() {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD failure = overlapped.hEvent == nullptr ? GetLastError() : 0;
    char chunk[kChunk];
    while (failure == 0 && WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
        unsigned forgets = 0;
        {
            const Locked locked(lock_);
            forgets = forgets_;
        }
        // The first byte is waited for as long as it takes (the device's read time-outs are
        // off); what came with it is then there to be read at once. Wine's driver ends a
        // longer read only when it is full, whatever the time-outs say.
        DWORD got = 0;
        std::optional<DWORD> error = ReadDevice(overlapped, chunk, 1, &got);
        if (error && *error == 0 && got == 1) {
            DWORD errors = 0;
            COMSTAT status{};
            if (::ClearCommError(device_, &errors, &status)) {
                const Locked locked(lock_);
                lineErrors_ |= errors;
            }
            const DWORD rest = std::min<DWORD>(status.cbInQue, kChunk - 1);
            DWORD more = 0;
            if (rest > 0) {
                error = ReadDevice(overlapped, chunk + 1, rest, &more);
            }
            got += more;
        }
        if (!error) {
            break;
        }
        // Wine also ends a read with a broken pipe when a purge empties the line under it:
        // the device is gone only if it no longer answers.
        const bool gone = MeansDeviceGone(*error) && !DeviceAnswers();
        bool failed = false;
        {
            const Locked locked(lock_);
            // A purge since the read began: what it brought was on the line before, and
            // how it ended tells nothing of the device (Wine ends it with a broken pipe).
            if (forgets == forgets_) {
                arrivals_ += got;
                const std::size_t from = taken_.size();
                taken_.append(chunk, got);
                if (dropNuls_) {
                    taken_.erase(std::remove(taken_.begin() + static_cast<std::ptrdiff_t>(from),
                                             taken_.end(), '\0'),
                                 taken_.end());
                }
                if (gone) {
                    failure = *error;
                }
                failed = *error != 0;
            }
        }
        WakeAllConditionVariable(&cameIn_);
        // Any other failure is tried again, after a pause, so that it cannot spin.
        if (failed && failure == 0 && WaitForSingleObject(stop_, 10) == WAIT_OBJECT_0) {
            break;
        }
    }
    if (overlapped.hEvent != nullptr) {
        CloseHandle(overlapped.hEvent);
    }
    {
        const Locked locked(lock_);
        error_ = failure;
        ended_ = true;
    }
    WakeAllConditionVariable(&cameIn_);
}

bool InputReader::DeviceAnswers() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(device_, &errors, &status)) {
        return false;
    }
    const Locked locked(lock_);
    lineErrors_ |= errors;
    return true;
}

bool InputReader::WaitUntil(LONGLONG tick) {
    if (tick == LLONG_MAX) {
        SleepConditionVariableSRW(&cameIn_, &lock_, INFINITE, 0);
        return true;
    }
    const LONGLONG left = tick - Now();
    // Less than a tenth of a millisecond left counts as the time-out reached: a wait is
    // whole milliseconds, and another would double the time-out.
    if (left * 10'000 < ticksPerSecond_) {
        return false;
    }
    const auto ms = static_cast<DWORD>((left * 1000 + ticksPerSecond_ - 1) / ticksPerSecond_);
    SleepConditionVariableSRW(&cameIn_, &lock_, ms, 0);
    return true;
}

BOOL InputReader::Read(char* buffer, DWORD count, DWORD* read, const COMMTIMEOUTS& t, bool counted,
                       ULONGLONG awaited) {
    *read = 0;
    const auto ticks = [this](ULONGLONG ms) {
        return static_cast<LONGLONG>(ms * static_cast<ULONGLONG>(ticksPerSecond_) / 1000);
    };
    const Locked locked(lock_);
    if (counted && arrivals_ < awaited) {
        const LONGLONG transitEnd = Now() + ticks(kTransitWait);
        while (arrivals_ < awaited && !ended_ && WaitUntil(transitEnd)) {
        }
    }

    // The time-outs as Win32 defines them, from when the bytes the driver held are here:
    // MAXDWORD, 0, 0 returns at once with what has come; MAXDWORD, MAXDWORD, n returns as
    // soon as a byte is there, waiting n ms for the first; otherwise the read ends with count
    // bytes, at its total time-out, or when the interval between two bytes runs out.
    const LONGLONG start = Now();
    const bool atOnce = (counted && !taken_.empty()) ||
                        (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
                         t.ReadTotalTimeoutConstant == 0);
    const bool firstByte =
        t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
        t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD;
    std::optional<LONGLONG> totalEnd;
    if (firstByte) {
        totalEnd = start + ticks(t.ReadTotalTimeoutConstant);
    } else if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
        totalEnd = start + ticks(ULONGLONG{t.ReadTotalTimeoutMultiplier} * count +
                                 t.ReadTotalTimeoutConstant);
    }
    const DWORD interval = t.ReadIntervalTimeout == MAXDWORD ? 0 : t.ReadIntervalTimeout;

    std::size_t seen = taken_.size();
    LONGLONG lastArrival = start;
    while (taken_.size() < count && !atOnce && !(firstByte && !taken_.empty()) && !ended_) {
        LONGLONG until = totalEnd.value_or(LLONG_MAX);
        if (interval != 0 && !taken_.empty()) {
            until = std::min(until, lastArrival + ticks(interval));
        }
        if (!WaitUntil(until)) {
            break;
        }
        if (taken_.size() != seen) {
            seen = taken_.size();
            lastArrival = Now();
        }
    }
    const auto n = static_cast<DWORD>(std::min<std::size_t>(count, taken_.size()));
    if (n == 0 && error_ != 0) {
        SetLastError(error_);
        return FALSE;
    }
    std::copy_n(taken_.data(), n, buffer);
    taken_.erase(0, n);
    *read = n;
    return TRUE;
}

ULONGLONG InputReader::Arrived() {
    const Locked locked(lock_);
    return arrivals_;
}

DWORD InputReader::Waiting() {
    const Locked locked(lock_);
    return static_cast<DWORD>(taken_.size());
}

void InputReader::Forget() {
    const Locked locked(lock_);
    taken_.clear();
    arrivals_ = 0;
    ++forgets_;
}

DWORD InputReader::TakeLineErrors() {
    const Locked locked(lock_);
    const DWORD errors = lineErrors_;
    lineErrors_ = 0;
    return errors;
}

void InputReader::DropNuls(bool drop) {
    const Locked locked(lock_);
    dropNuls_ = drop;
}
