#include "platform_services.h"

TimeOfDay SystemPlatformServices::LocalTimeOfDay() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {local.wHour, local.wMinute, local.wSecond};
}

// The system's own pause: the C++ library's sleep_for rounds a millisecond up to two on
// this runtime, which would halve the paced levels' rate.
void SystemPlatformServices::Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}
