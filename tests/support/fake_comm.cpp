#include "fake_comm.h"

#include <algorithm>
#include <cstring>

#include "comm_dcb_text.h"

namespace {

std::string EscapeName(DWORD function) {
    switch (function) {
        case SETXOFF:
            return "SETXOFF";
        case SETXON:
            return "SETXON";
        case SETRTS:
            return "SETRTS";
        case CLRRTS:
            return "CLRRTS";
        case SETDTR:
            return "SETDTR";
        case CLRDTR:
            return "CLRDTR";
        default:
            return std::to_string(function);
    }
}

}  // namespace

FakeComm::FakeComm(CallLog& log) : log_(log), previous_(SetComm(this)) {}

FakeComm::~FakeComm() {
    SetComm(previous_);
}

void FakeComm::Record(std::string call) {
    log_.Add(call);
    if (onCall) {
        onCall(call);
    }
}

HANDLE FakeComm::OpenPort(std::string_view deviceName) {
    Record("OpenPort(" + std::string(deviceName) + ")");
    return openSucceeds ? kHandle : INVALID_HANDLE_VALUE;
}

BOOL FakeComm::ClosePort(HANDLE port) {
    Record("ClosePort");
    return port == kHandle;
}

BOOL FakeComm::WriteFile(HANDLE, const void* data, DWORD count, DWORD* moved) {
    DWORD n = count;
    if (!writeCounts.empty()) {
        n = std::min(count, writeCounts.front());
        writeCounts.pop_front();
    }
    if (gone) {
        n = 0;
    }
    written.append(static_cast<const char*>(data), n);
    *moved = n;
    Record("WriteFile(" + std::string(static_cast<const char*>(data), count) + ")");
    return gone ? FALSE : TRUE;
}

BOOL FakeComm::ReadFile(HANDLE, void* buffer, DWORD count, DWORD* moved) {
    if (count > 0 && input.empty() && !arrivesDuringRead.empty()) {
        input = arrivesDuringRead.substr(0, 1);
        arrivesDuringRead.erase(0, 1);
    }
    const DWORD n = gone ? 0 : std::min<DWORD>(count, static_cast<DWORD>(input.size()));
    std::memcpy(buffer, input.data(), n);
    input.erase(0, n);
    *moved = n;
    Record("ReadFile(" + std::to_string(count) + ")");
    return gone ? FALSE : TRUE;
}

BOOL FakeComm::SetupComm(HANDLE, DWORD inQueue, DWORD outQueue) {
    Record("SetupComm(" + std::to_string(inQueue) + "," + std::to_string(outQueue) + ")");
    return TRUE;
}

BOOL FakeComm::PurgeComm(HANDLE, DWORD flags) {
    Record("PurgeComm(" + std::to_string(flags) + ")");
    return TRUE;
}

BOOL FakeComm::GetCommState(HANDLE, DCB* dcb) {
    *dcb = stateToReport;
    Record("GetCommState");
    return TRUE;
}

BOOL FakeComm::SetCommState(HANDLE, DCB* dcb) {
    lastStateSet = *dcb;
    Record("SetCommState");
    return setStateSucceeds ? TRUE : FALSE;
}

BOOL FakeComm::GetCommProperties(HANDLE, COMMPROP* properties) {
    Record("GetCommProperties(" + std::to_string(properties->wPacketLength) + ")");
    return TRUE;
}

BOOL FakeComm::BuildCommDCB(const char* text, DCB* dcb) {
    Record("BuildCommDCB(" + std::string(text) + ")");
    return ParseCommDCB(text, dcb);
}

BOOL FakeComm::ClearCommError(HANDLE, DWORD* errors, COMSTAT* status) {
    Status next;
    if (!statuses.empty()) {
        next = statuses.front();
        statuses.pop_front();
    }
    *errors = next.errors;
    *status = COMSTAT{};
    status->cbInQue = static_cast<DWORD>(input.size());
    status->cbOutQue = next.cbOutQue;
    Record("ClearCommError");
    return gone ? FALSE : TRUE;
}

BOOL FakeComm::TransmitCommChar(HANDLE, char c) {
    transmitted.push_back(c);
    Record("TransmitCommChar(" + std::to_string(static_cast<unsigned char>(c)) + ")");
    return TRUE;
}

BOOL FakeComm::SetCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts) {
    lastTimeouts = *timeouts;
    Record("SetCommTimeouts(" + std::to_string(timeouts->ReadIntervalTimeout) + "," +
           std::to_string(timeouts->ReadTotalTimeoutMultiplier) + "," +
           std::to_string(timeouts->ReadTotalTimeoutConstant) + "," +
           std::to_string(timeouts->WriteTotalTimeoutMultiplier) + "," +
           std::to_string(timeouts->WriteTotalTimeoutConstant) + ")");
    return gone ? FALSE : TRUE;
}

BOOL FakeComm::EscapeCommFunction(HANDLE, DWORD function) {
    Record("EscapeCommFunction(" + EscapeName(function) + ")");
    return TRUE;
}

BOOL FakeComm::DeviceLost(HANDLE) {
    return gone ? TRUE : FALSE;
}
