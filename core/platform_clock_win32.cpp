#include "platform_services.h"

TimeOfDay SystemPlatformServices::LocalTimeOfDay() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {local.wHour, local.wMinute, local.wSecond};
}
