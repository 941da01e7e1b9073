// The port layer: every serial operation of a test goes through one of these. While
// bPortIO is 1 each passes its arguments to the forwarding layer's call of the same name
// and returns that call's result; while it is 0 no device is touched and each reports a
// fixed success, so the engine can run without a machine.
#pragma once

#include <cstdint>

#include "comm_types.h"

// 1 from process start; nothing in the tool changes it.
extern std::int32_t bPortIO;

std::int32_t PortWriteFile(HANDLE port, const void* data, DWORD count, DWORD* written);
std::int32_t PortReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read);
std::int32_t PortSetupComm(HANDLE port, DWORD inQueue, DWORD outQueue);
std::int32_t PortPurgeComm(HANDLE port, DWORD flags);
std::int32_t PortGetCommState(HANDLE port, DCB* dcb);
std::int32_t PortSetCommState(HANDLE port, DCB* dcb);
std::int32_t PortGetCommProperties(HANDLE port, COMMPROP* properties);
std::int32_t PortBuildCommDCB(const char* text, DCB* dcb);
std::int32_t PortClearCommError(HANDLE port, DWORD* errors, COMSTAT* status);
std::int32_t PortTransmitCommChar(HANDLE port, char c);
std::int32_t PortSetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
std::int32_t PortEscapeCommFunction(HANDLE port, DWORD function);
// 1 once a call on the port has failed because its device is gone.
std::int32_t PortDeviceLost(HANDLE port);
