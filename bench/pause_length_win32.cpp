// pause_length_bench: how long the sender's 1-ms pause really lasts on this Windows, with the
// system's default timer resolution and with the 1-ms resolution a test runs under. Prints
// figures; never passes or fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform_services.h"
#include "timer_resolution.h"

namespace {

constexpr int kPauses = 500;

void Measure(const char* label) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> lengths;
    lengths.reserve(kPauses);
    for (int i = 0; i < kPauses; ++i) {
        LARGE_INTEGER start{};
        LARGE_INTEGER end{};
        QueryPerformanceCounter(&start);
        Platform().Sleep(1);
        QueryPerformanceCounter(&end);
        lengths.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                          static_cast<double>(frequency.QuadPart));
    }
    std::sort(lengths.begin(), lengths.end());
    double sum = 0;
    for (const double length : lengths) {
        sum += length;
    }
    std::printf("%-34s mean %6.3f ms   median %6.3f ms   p99 %6.3f ms   max %6.3f ms\n", label,
                sum / kPauses, lengths[kPauses / 2], lengths[kPauses * 99 / 100], lengths.back());
}

}  // namespace

int main() {
    std::printf("Platform().Sleep(1), %d pauses each\n", kPauses);
    Measure("default timer resolution");
    {
        const FineTimerResolution fine;
        Measure("1-ms resolution (as during a test)");
    }
    return 0;
}
