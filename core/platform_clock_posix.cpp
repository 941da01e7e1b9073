#include <chrono>
#include <ctime>
#include <thread>

#include "platform_services.h"

TimeOfDay SystemPlatformServices::LocalTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

void SystemPlatformServices::Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
