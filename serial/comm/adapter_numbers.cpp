#include "adapter_numbers.h"

#include <algorithm>
#include <numeric>

int PreferredAdapterNumber(std::string_view key, int last) {
    std::uint32_t hash = 2166136261u;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return 1 + static_cast<int>(hash % static_cast<std::uint32_t>(last));
}

std::vector<int> AssignAdapterNumbers(const std::vector<std::string>& keys, int last,
                                      const std::function<bool(int)>& isFree) {
    std::vector<int> numbers(keys.size(), 0);
    if (last < 1) {
        return numbers;
    }
    std::vector<std::size_t> order(keys.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<bool> given(static_cast<std::size_t>(last) + 1, false);
    for (const std::size_t index : order) {
        const int first = PreferredAdapterNumber(keys[index], last);
        for (int step = 0; step < last; ++step) {
            const int number = (first - 1 + step) % last + 1;
            if (!given[static_cast<std::size_t>(number)] && isFree(number)) {
                given[static_cast<std::size_t>(number)] = true;
                numbers[index] = number;
                break;
            }
        }
    }
    return numbers;
}
