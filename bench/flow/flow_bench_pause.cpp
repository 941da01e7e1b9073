#include "flow_bench_pause.h"

#include <chrono>

#include "platform_services.h"

std::vector<double> TimeOneMillisecondPauses(int count) {
    SystemPlatformServices platform;
    std::vector<double> millis;
    millis.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        platform.Sleep(1);
        millis.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return millis;
}
