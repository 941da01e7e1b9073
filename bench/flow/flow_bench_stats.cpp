#include "flow_bench_stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::ranges::sort(values);
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Percentile(std::vector<double> values, double percent) {
    if (values.empty()) {
        return 0;
    }
    std::ranges::sort(values);
    const auto rank =
        static_cast<std::size_t>(std::ceil(static_cast<double>(values.size()) * percent / 100.0));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double Mean(const std::vector<double>& values) {
    if (values.empty()) {
        return 0;
    }
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double Largest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::ranges::max_element(values);
}
