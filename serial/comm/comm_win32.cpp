// The forwarding layer on the Win32 comm API. A HANDLE given out points to a Win32Port,
// which holds the device handle and what this layer adds where a driver falls short.
#include <memory>
#include <string>

#include "comm_api.h"
#include "comm_device_name.h"
#include "device_gone_win32.h"
#include "input_reader_win32.h"
#include "wide_text_win32.h"

namespace {

// One open port. Used by one thread at a time, as the engine uses a port, beside its reader.
struct Win32Port {
    HANDLE device = INVALID_HANDLE_VALUE;  // overlapped: the reader's read waits beside writes
    HANDLE written = nullptr;              // signalled when a write has ended
    std::unique_ptr<InputReader> reader;
    COMMTIMEOUTS timeouts{};  // the caller's; the device keeps the reader's read time-outs
    DWORD counted = 0;        // what the last status query counted as waiting
    ULONGLONG promised = 0;   // the reader's Arrived() once it has what that query counted
    bool lost = false;        // a call failed because the device has gone; it stays gone
    std::string kept;         // TransmitCommChar bytes that wait for the transmitter
};

// The caller's write time-outs; reads without time-outs, as the reader waits for each first
// byte until it comes.
COMMTIMEOUTS DeviceTimeouts(const COMMTIMEOUTS& caller) {
    return {0, 0, 0, caller.WriteTotalTimeoutMultiplier, caller.WriteTotalTimeoutConstant};
}

void Release(Win32Port* port) {
    port->reader.reset();
    if (port->written != nullptr) {
        CloseHandle(port->written);
    }
    delete port;
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
        // No sharing: a port is one program's at a time. Overlapped, so that the reader's
        // read can wait while the caller writes; each call of the caller's still ends before
        // it returns, bounded by the time-outs the engine sets.
        const HANDLE device =
            CreateFileW(Utf8ToWide(deviceName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
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
        // Until the caller sets its own, reads keep the driver's time-outs as they were.
        COMMTIMEOUTS timeouts{};
        ::GetCommTimeouts(device, &timeouts);
        port->timeouts = timeouts;
        COMMTIMEOUTS forDevice = DeviceTimeouts(timeouts);
        port->written = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (port->written == nullptr || !::SetCommTimeouts(device, &forDevice)) {
            const DWORD error = GetLastError();
            Release(port);
            CloseHandle(device);
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        port->reader = std::make_unique<InputReader>(device);
        if (!port->reader->Started()) {
            const DWORD error = GetLastError();
            Release(port);
            CloseHandle(device);
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
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
        const HANDLE device = port->device;
        Release(port);
        return CloseHandle(device);
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
        OVERLAPPED overlapped{};
        overlapped.hEvent = port->written;
        if (!::WriteFile(port->device, data, count, nullptr, &overlapped) &&
            GetLastError() != ERROR_IO_PENDING) {
            return Noted(*port, FALSE);
        }
        BOOL done = ::GetOverlappedResult(port->device, &overlapped, written, TRUE);
        // A write that ran into its time-out took what it took, as a synchronous one would.
        if (!done && MeansTimedOut(GetLastError())) {
            done = TRUE;
        }
        return Noted(*port, done);
    }

    BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read) override {
        Win32Port* port = PortOf(handle);
        *read = 0;
        if (port == nullptr) {
            return FALSE;
        }
        const bool counted = count != 0 && count <= port->counted;
        port->counted = 0;
        return Noted(*port, port->reader->Read(static_cast<char*>(buffer), count, read,
                                               port->timeouts, counted, port->promised));
    }

    BOOL SetupComm(HANDLE handle, DWORD inQueue, DWORD outQueue) override {
        Win32Port* port = PortOf(handle);
        return port != nullptr && ::SetupComm(port->device, inQueue, outQueue);
    }

    BOOL PurgeComm(HANDLE handle, DWORD flags) override {
        Win32Port* port = PortOf(handle);
        if (port == nullptr) {
            return FALSE;
        }
        const bool input = (flags & (PURGE_RXCLEAR | PURGE_RXABORT)) != 0;
        if (input) {
            port->reader->Forget();
            port->counted = 0;
            port->promised = 0;
        }
        if (!::PurgeComm(port->device, flags)) {
            return FALSE;
        }
        if (input) {
            // The reader's waiting read may hold bytes from before the purge (Wine's purge
            // leaves it alone): it starts again.
            CancelIoEx(port->device, nullptr);
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
        // Drivers that ignore fNull (Wine's among them) hand NULs on; the engine was
        // promised they never arrive.
        port->reader->DropNuls(dcb->fNull != 0);
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
        if (!Noted(*port, ::ClearCommError(port->device, errors, status))) {
            return FALSE;
        }
        if (errors != nullptr) {
            *errors |= port->reader->TakeLineErrors();
        }
        // The bytes still in the driver count too, as a driver counts them: the next read
        // waits for the reader to bring them. A poller that sees a DC3 counted must get it
        // before it writes again.
        if (status != nullptr) {
            port->promised = port->reader->Arrived() + status->cbInQue;
            status->cbInQue += port->reader->Waiting();
            port->counted = status->cbInQue;
        }
        return TRUE;
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
        if (port == nullptr || timeouts == nullptr) {
            return FALSE;
        }
        COMMTIMEOUTS forDevice = DeviceTimeouts(*timeouts);
        if (!::SetCommTimeouts(port->device, &forDevice)) {
            return FALSE;
        }
        port->timeouts = *timeouts;
        return TRUE;
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
