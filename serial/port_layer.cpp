#include "port_layer.h"

#include "comm_api.h"
#include "platform_services.h"

std::int32_t bPortIO = 1;

std::int32_t PortWriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) {
    if (bPortIO == 0) {
        *written = count;
        // Stands for the time the bytes would take on the line.
        Platform().Sleep(5);
        return 1;
    }
    return Comm().WriteFile(port, data, count, written);
}

std::int32_t PortReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) {
    if (bPortIO == 0) {
        *read = count;
        return 1;
    }
    return Comm().ReadFile(port, buffer, count, read);
}

std::int32_t PortSetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) {
    return bPortIO == 0 ? 1 : Comm().SetupComm(port, inQueue, outQueue);
}

std::int32_t PortPurgeComm(HANDLE port, DWORD flags) {
    return bPortIO == 0 ? 1 : Comm().PurgeComm(port, flags);
}

std::int32_t PortGetCommState(HANDLE port, DCB* dcb) {
    return bPortIO == 0 ? 1 : Comm().GetCommState(port, dcb);
}

std::int32_t PortSetCommState(HANDLE port, DCB* dcb) {
    return bPortIO == 0 ? 1 : Comm().SetCommState(port, dcb);
}

std::int32_t PortGetCommProperties(HANDLE port, COMMPROP* properties) {
    return bPortIO == 0 ? 1 : Comm().GetCommProperties(port, properties);
}

std::int32_t PortBuildCommDCB(const char* text, DCB* dcb) {
    return bPortIO == 0 ? 1 : Comm().BuildCommDCB(text, dcb);
}

std::int32_t PortClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) {
    if (bPortIO == 0) {
        *errors = 0;
        status->cbInQue = 0;
        status->cbOutQue = 0;
        return 1;
    }
    return Comm().ClearCommError(port, errors, status);
}

std::int32_t PortTransmitCommChar(HANDLE port, char c) {
    return bPortIO == 0 ? 1 : Comm().TransmitCommChar(port, c);
}

std::int32_t PortSetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
    return bPortIO == 0 ? 1 : Comm().SetCommTimeouts(port, timeouts);
}

std::int32_t PortEscapeCommFunction(HANDLE port, DWORD function) {
    return bPortIO == 0 ? 1 : Comm().EscapeCommFunction(port, function);
}

std::int32_t PortDeviceLost(HANDLE port) {
    return bPortIO == 0 ? 0 : Comm().DeviceLost(port);
}
