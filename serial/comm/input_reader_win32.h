// What the machine sends, taken off an overlapped port by a thread of its own. A read that
// waits for the machine's next byte then waits on a condition variable: woken the moment
// the byte is taken in, and without a call into the driver for every wait. Under Wine every
// read that has to wait asks the server for the port's time-outs first, two thread switches
// that cost more than the wait itself when the engine waits a millisecond at a time.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class InputReader {
  public:
    // device: opened with FILE_FLAG_OVERLAPPED; it stays open after the reader is gone.
    explicit InputReader(HANDLE device);
    ~InputReader();
    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

    // False when the thread could not start; nothing is read then.
    bool Started() const { return thread_ != nullptr; }

    // Takes up to count bytes as a Win32 read with these time-outs would. counted: the
    // caller asks for no more than a status query counted, which a driver hands over at once;
    // the read waits (at most a short while) until Arrived() reaches awaited, so that those
    // bytes are in, and returns with them (less any NULs left out). FALSE, with the error
    // set, once the device has failed and nothing taken in is left.
    BOOL Read(char* buffer, DWORD count, DWORD* read, const COMMTIMEOUTS& timeouts, bool counted,
              ULONGLONG awaited);

    // Bytes taken off the device and not yet read.
    DWORD Waiting();

    // Bytes taken off the device since the last Forget(), NULs left out included.
    ULONGLONG Arrived();

    // Forgets what was taken in; called before the driver's own purge, which must not find
    // a read of the reader's that still holds bytes from before it.
    void Forget();

    // The line errors (CE_*) the reader's own status queries found since the last call: the
    // caller's query reports them too, as if it had found them itself.
    DWORD TakeLineErrors();

    // NULs are left out from now on (a driver may ignore fNull; Wine's does).
    void DropNuls(bool drop);

  private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    std::optional<DWORD> ReadDevice(OVERLAPPED& overlapped, char* into, DWORD count, DWORD* got);
    // True when a status query on the device still succeeds.
    bool DeviceAnswers();
    // Waits at most until the given QueryPerformanceCounter tick; false once it has passed.
    bool WaitUntil(LONGLONG tick);

    HANDLE device_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE cameIn_ = CONDITION_VARIABLE_INIT;
    std::string taken_;       // guarded by lock_
    DWORD error_ = 0;         // guarded by lock_: the device failure that ended the thread
    ULONGLONG arrivals_ = 0;  // guarded by lock_
    unsigned forgets_ = 0;    // guarded by lock_
    DWORD lineErrors_ = 0;    // guarded by lock_
    bool dropNuls_ = false;   // guarded by lock_
    bool ended_ = false;      // guarded by lock_: the thread reads no more
    LONGLONG ticksPerSecond_ = 1;
};
