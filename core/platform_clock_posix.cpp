#include <ctime>

#include "platform_services.h"

TimeOfDay SystemPlatformServices::LocalTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_hour, local.tm_min, local.tm_sec};
}
