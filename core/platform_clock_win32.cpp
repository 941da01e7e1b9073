#include "platform_services.h"

TimeOfDay SystemPlatformServices::LocalTimeOfDay() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {local.wHour, local.wMinute, local.wSecond};
}

// The system's own pause. The C++ library's sleep_for goes through the thread library's
// cancellable wait on an event, which under Wine is a server round trip: 1.16 ms against
// 1.10 ms on an idle machine, 1.8 ms against 1.1 ms on a busy one.
void SystemPlatformServices::Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}
