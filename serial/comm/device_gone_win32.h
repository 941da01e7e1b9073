// The errors a comm call ends with once its device is gone: a pulled USB adapter gives
// access denied, bad command or a device error on most drivers; Wine maps a hung-up pty to
// a device error too.
#pragma once

#include <windows.h>

// Newer than the MinGW-w64 headers: "a device which does not exist was specified".
#ifndef ERROR_NO_SUCH_DEVICE
#define ERROR_NO_SUCH_DEVICE 433L
#endif

inline bool MeansDeviceGone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_HANDLE:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_NOT_READY:
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_SUCH_DEVICE:
        case ERROR_IO_DEVICE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

// An overlapped call that ended by its time-out: Windows reports it as a success with fewer
// bytes, Wine as a failure with one of these.
inline bool MeansTimedOut(DWORD error) {
    return error == ERROR_TIMEOUT || error == WAIT_TIMEOUT || error == ERROR_SEM_TIMEOUT;
}
