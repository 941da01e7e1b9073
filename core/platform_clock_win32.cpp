#include "platform_services.h"

TimeOfDay SystemPlatformServices::LocalTimeOfDay() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {local.wHour, local.wMinute, local.wSecond};
}

// The system's own pause. The C++ library's sleep_for takes a longer way through the
// thread library: under Wine 1.16 ms against 1.10 ms on an idle machine, 1.8 ms against
// 1.1 ms on a busy one.
void SystemPlatformServices::Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}
