// The forwarding layer on the Win32 comm API. A HANDLE given out points to a Win32Port,
// which holds the device handle and what this layer adds where a driver falls short.
#include <algorithm>
#include <string>

#include "comm_api.h"
#include "comm_device_name.h"
#include "wide_text_win32.h"

// Newer than the MinGW-w64 headers: "a device which does not exist was specified".
#ifndef ERROR_NO_SUCH_DEVICE
#define ERROR_NO_SUCH_DEVICE 433L
#endif

namespace {

// One open port. Used by one thread at a time, as the engine uses a port.
struct Win32Port {
    HANDLE device = INVALID_HANDLE_VALUE;
    bool dropNul = false;
    bool lost = false;  // a call failed because the device has gone; it stays gone
    std::string kept;   // TransmitCommChar bytes that wait for the transmitter
};

// The errors a comm call ends with once its device is gone: a pulled USB adapter gives
// access denied, bad command or a device error on most drivers; Wine maps a hung-up pty to
// a device error too.
bool MeansDeviceGone(DWORD error) {
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

// Passes a call's result on, noting on the way whether it failed for a device that is gone.
BOOL Noted(Win32Port& port, BOOL result) {
    if (!result) {
        const DWORD error = GetLastError();
        port.lost = port.lost || MeansDeviceGone(error);
        SetLastError(error);
    }
    return result;
}

Win32Port* PortOf(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<Win32Port*>(handle);
}

class Win32Comm final : public CommApi {
  public:
    HANDLE OpenPort(std::string_view deviceName) override {
        if (!ParseComPortNumber(deviceName)) {
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        // No sharing: a port is one program's at a time. Synchronous I/O; the time-outs the
        // engine sets bound every read and write.
        const HANDLE device =
            CreateFileW(Utf8ToWide(deviceName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (device == INVALID_HANDLE_VALUE) {
            return INVALID_HANDLE_VALUE;
        }
        if (GetFileType(device) != FILE_TYPE_CHAR) {
            CloseHandle(device);
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        auto* port = new Win32Port;
        port->device = device;
        return port;
    }

    BOOL ClosePort(HANDLE handle) override {
        Win32Port* port = PortOf(handle);
        if (port == nullptr) {
            return FALSE;
        }
        // A last chance for an answer the machine still waits for.
        if (!port->lost) {
            SendKept(*port);
        }
        const BOOL closed = CloseHandle(port->device);
        delete port;
        return closed;
    }

    BOOL WriteFile(HANDLE handle, const void* data, DWORD count, DWORD* written) override {
        Win32Port* port = PortOf(handle);
        *written = 0;
        if (port == nullptr || !SendKept(*port)) {
            return FALSE;
        }
        if (!port->kept.empty()) {
            return TRUE;  // the data must not overtake kept bytes: it waits for a later call
        }
        return Noted(*port, ::WriteFile(port->device, data, count, written, nullptr));
    }

    BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read) override {
        Win32Port* port = PortOf(handle);
        *read = 0;
        if (port == nullptr ||
            !Noted(*port, ::ReadFile(port->device, buffer, count, read, nullptr))) {
            return FALSE;
        }
        if (port->dropNul) {
            // Drivers that ignore fNull (Wine's among them) hand NULs on; the engine was
            // promised they never arrive.
            auto* bytes = static_cast<char*>(buffer);
            *read = static_cast<DWORD>(std::remove(bytes, bytes + *read, '\0') - bytes);
        }
        return TRUE;
    }

    BOOL SetupComm(HANDLE handle, DWORD inQueue, DWORD outQueue) override {
        Win32Port* port = PortOf(handle);
        return port != nullptr && ::SetupComm(port->device, inQueue, outQueue);
    }

    BOOL PurgeComm(HANDLE handle, DWORD flags) override {
        Win32Port* port = PortOf(handle);
        if (port == nullptr || !::PurgeComm(port->device, flags)) {
            return FALSE;
        }
        if ((flags & PURGE_TXCLEAR) != 0) {
            port->kept.clear();
        }
        return TRUE;
    }

    BOOL GetCommState(HANDLE handle, DCB* dcb) override {
        Win32Port* port = PortOf(handle);
        return port != nullptr && ::GetCommState(port->device, dcb);
    }

    BOOL SetCommState(HANDLE handle, DCB* dcb) override {
        Win32Port* port = PortOf(handle);
        if (port == nullptr || !::SetCommState(port->device, dcb)) {
            return FALSE;
        }
        port->dropNul = dcb->fNull != 0;
        return TRUE;
    }

    BOOL GetCommProperties(HANDLE handle, COMMPROP* properties) override {
        Win32Port* port = PortOf(handle);
        return port != nullptr && ::GetCommProperties(port->device, properties);
    }

    BOOL ClearCommError(HANDLE handle, DWORD* errors, COMSTAT* status) override {
        Win32Port* port = PortOf(handle);
        if (port == nullptr) {
            return FALSE;
        }
        // The poller asks this on every pass: kept bytes go out as soon as the driver takes
        // them, whether or not more data follows.
        SendKept(*port);
        return Noted(*port, ::ClearCommError(port->device, errors, status));
    }

    BOOL TransmitCommChar(HANDLE handle, char c) override {
        Win32Port* port = PortOf(handle);
        if (port == nullptr) {
            return FALSE;
        }
        // The driver refuses a priority byte while an earlier one is unsent, and some
        // drivers (Wine's on a pty) refuse every one while the transmitter is held. A refused
        // byte is kept, behind any kept before it, and goes out ahead of all later data.
        port->kept += c;
        return SendKept(*port);
    }

    BOOL SetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) override {
        Win32Port* port = PortOf(handle);
        return port != nullptr && ::SetCommTimeouts(port->device, timeouts);
    }

    BOOL EscapeCommFunction(HANDLE handle, DWORD function) override {
        Win32Port* port = PortOf(handle);
        if (port == nullptr || !::EscapeCommFunction(port->device, function)) {
            return FALSE;
        }
        if (function == SETXON) {
            SendKept(*port);
        }
        return TRUE;
    }

    BOOL DeviceLost(HANDLE handle) override {
        const Win32Port* port = PortOf(handle);
        return port != nullptr && port->lost;
    }

    BOOL BuildCommDCB(const char* text, DCB* dcb) override { return ::BuildCommDCBA(text, dcb); }

  private:
    // Hands the kept bytes to the driver in order, as far as it takes them now; the rest
    // waits for the next call. FALSE only when the device has gone.
    static BOOL SendKept(Win32Port& port) {
        while (!port.kept.empty()) {
            if (!Noted(port, ::TransmitCommChar(port.device, port.kept.front()))) {
                return port.lost ? FALSE : TRUE;
            }
            port.kept.erase(0, 1);
        }
        return TRUE;
    }
};

}  // namespace

CommApi& PlatformComm() {
    static Win32Comm comm;
    return comm;
}
