// A scripted serial device: records every forwarding-layer call, plays back received
// bytes, write counts and status words, and keeps what the engine wrote. Installed for
// the process while it lives.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "call_log.h"
#include "comm_api.h"

class FakeComm : public CommApi {
  public:
    static inline HANDLE const kHandle = reinterpret_cast<HANDLE>(0x5eed);

    explicit FakeComm(CallLog& log);
    ~FakeComm() override;
    FakeComm(const FakeComm&) = delete;
    FakeComm& operator=(const FakeComm&) = delete;

    // Script.
    bool openSucceeds = true;
    bool setStateSucceeds = true;  // false: the device refuses the line settings
    std::string input;             // bytes received and not yet read
    // Bytes that arrive while a read waits with nothing received: the first one ends the
    // wait and is read.
    std::string arrivesDuringRead;
    std::deque<DWORD> writeCounts;  // bytes each write moves; all of them when empty
    struct Status {
        DWORD errors = 0;
        DWORD cbOutQue = 0;
    };
    std::deque<Status> statuses;  // one per ClearCommError; {0, 0} when empty
    DCB stateToReport{};          // what GetCommState hands out
    // Once set, the device is gone: reads, writes, status queries and time-outs fail and
    // DeviceLost says so.
    bool gone = false;
    // Called after each call has been recorded, with its text: the place to change the
    // script or the shared state at an exact moment.
    std::function<void(const std::string& call)> onCall;

    // Results.
    std::string written;      // bytes moved by WriteFile, in order
    std::string transmitted;  // bytes sent with TransmitCommChar
    DCB lastStateSet{};
    COMMTIMEOUTS lastTimeouts{};

    HANDLE OpenPort(std::string_view deviceName) override;
    BOOL ClosePort(HANDLE port) override;
    BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* moved) override;
    BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* moved) override;
    BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) override;
    BOOL PurgeComm(HANDLE port, DWORD flags) override;
    BOOL GetCommState(HANDLE port, DCB* dcb) override;
    BOOL SetCommState(HANDLE port, DCB* dcb) override;
    BOOL GetCommProperties(HANDLE port, COMMPROP* properties) override;
    BOOL BuildCommDCB(const char* text, DCB* dcb) override;
    BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) override;
    BOOL TransmitCommChar(HANDLE port, char c) override;
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) override;
    BOOL EscapeCommFunction(HANDLE port, DWORD function) override;
    BOOL DeviceLost(HANDLE port) override;

  private:
    void Record(std::string call);

    CallLog& log_;
    CommApi* previous_;
};
