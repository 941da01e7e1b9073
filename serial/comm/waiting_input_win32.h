// The input side of an overlapped comm handle, read as the engine's time-outs ask. A read
// that has to wait for the machine's first byte hands that wait to a watcher thread, which
// keeps a one-byte read pending on the device; the read itself waits on a condition
// variable, and when its time-out passes first the device read stays pending for the next
// call. Under Wine a fresh read that has to wait asks the Wine server for the port's
// time-outs, and a wait on the read's event is one more request, a thousand times a second
// while the machine holds the sender; a condition variable is a futex.
#pragma once

#include <windows.h>

#include <string>

class WaitingInput {
  public:
    explicit WaitingInput(HANDLE device);
    ~WaitingInput();
    WaitingInput(const WaitingInput&) = delete;
    WaitingInput& operator=(const WaitingInput&) = delete;

    // FALSE when the events or the watcher could not be made; GetLastError() says why.
    bool Ready() const { return watcher_ != nullptr; }

    // The read time-outs the caller set. The device itself waits without a time-out.
    void SetTimeouts(const COMMTIMEOUTS& timeouts) { timeouts_ = timeouts; }

    // As ReadFile on a synchronous handle with the time-outs set: up to count bytes, in the
    // order they came, what the pending read took first. Called from one thread at a time.
    BOOL Read(char* buffer, DWORD count, DWORD* read);

    // Bytes taken off the device and not yet read: the driver no longer counts them.
    DWORD Taken();

    // Ends the pending read and forgets what it and earlier reads took (a purge of the
    // input).
    void Forget();

  private:
    static DWORD WINAPI WatcherMain(void* self);
    void Watch();
    // One pending read, waited for until it ends or the watcher is told to stop.
    void WatchOneRead(OVERLAPPED& overlapped);

    // Whole milliseconds the caller's time-outs let a read of count bytes wait in all;
    // INFINITE for none. firstByteEnds: the read ends as soon as it has a byte.
    DWORD TotalWait(DWORD count, bool* firstByteEnds) const;
    // Reads what the driver already holds, up to count, without waiting for more.
    BOOL ReadHeld(char* buffer, DWORD count, DWORD* read);

    HANDLE device_;
    COMMTIMEOUTS timeouts_{};
    HANDLE readEvent_ = nullptr;   // the reads of what the driver holds
    HANDLE watchEvent_ = nullptr;  // set: the watcher is to start a pending read
    HANDLE stopEvent_ = nullptr;
    HANDLE watcher_ = nullptr;

    // Guarded by lock_; cameIn_ tells a waiting read that the pending read has ended.
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE cameIn_ = CONDITION_VARIABLE_INIT;
    bool pending_ = false;  // asked for and not yet ended: no other read may start
    unsigned forgets_ = 0;  // Forget() calls; a read started before one brings nothing
    std::string taken_;
    DWORD error_ = 0;                 // how the last pending read failed, once, for the next Read
    OVERLAPPED* inFlight_ = nullptr;  // the watcher's device read, for Forget() to cancel
};
