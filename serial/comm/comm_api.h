// The forwarding layer: one method per platform serial call and the only place where
// those calls are made. Implementations: the real Win32 calls, termios on POSIX, and a
// scripted fake in the tests. Arguments and results keep the Win32 meaning: BOOL nonzero
// for success, counts in bytes.
#pragma once

#include <string_view>

#include "comm_types.h"

class CommApi {
  public:
    virtual ~CommApi() = default;

    // Opens a device named "COM%d" or "\\.\COM%d" for exclusive read and write, or returns
    // INVALID_HANDLE_VALUE.
    virtual HANDLE OpenPort(std::string_view deviceName) = 0;
    virtual BOOL ClosePort(HANDLE port) = 0;

    virtual BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) = 0;
    virtual BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) = 0;
    virtual BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) = 0;
    virtual BOOL PurgeComm(HANDLE port, DWORD flags) = 0;
    virtual BOOL GetCommState(HANDLE port, DCB* dcb) = 0;
    virtual BOOL SetCommState(HANDLE port, DCB* dcb) = 0;
    virtual BOOL GetCommProperties(HANDLE port, COMMPROP* properties) = 0;
    virtual BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) = 0;
    virtual BOOL TransmitCommChar(HANDLE port, char c) = 0;
    virtual BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL EscapeCommFunction(HANDLE port, DWORD function) = 0;

    // TRUE once a call on the port has failed because its device is gone (the line hung
    // up, the adapter was pulled): nothing on this handle will work again. Not a platform
    // call; each backend knows its own errors for it.
    virtual BOOL DeviceLost(HANDLE port) = 0;

    // Applies a line-settings text ("com1:9600, e, 7, 2") to a DCB. The portable parser
    // unless the platform has its own.
    virtual BOOL BuildCommDCB(const char* text, DCB* dcb);
};

// The platform's own calls (termios or Win32), one per process, as the driver reports.
CommApi& PlatformComm();

// PlatformComm() under the line model: what the engine uses outside tests.
CommApi& SystemComm();

// The implementation in force: SystemComm() unless a test has installed another.
CommApi& Comm();

// Installs an implementation for the whole process (null restores the system one) and
// returns the previous one. The caller keeps ownership.
CommApi* SetComm(CommApi* comm);
