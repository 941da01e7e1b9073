// One aligned 32-bit word shared by the window thread and the worker. Each field has one
// writer at a time and readers accept a value one step old, so relaxed order is all the
// design asks for; the atomic only removes the data race.
#pragma once

#include <atomic>
#include <cstdint>

class SharedWord {
  public:
    constexpr SharedWord(std::int32_t value = 0) noexcept : value_(value) {}
    SharedWord(const SharedWord&) = delete;
    SharedWord& operator=(const SharedWord&) = delete;

    operator std::int32_t() const noexcept { return value_.load(std::memory_order_relaxed); }
    SharedWord& operator=(std::int32_t value) noexcept {
        value_.store(value, std::memory_order_relaxed);
        return *this;
    }
    // Single writer: a load and a store are enough, and keep the word's one-writer rule
    // visible at the call site.
    // Wraps like the 32-bit word it stands for instead of overflowing.
    SharedWord& operator+=(std::int32_t delta) noexcept {
        const auto sum = static_cast<std::uint32_t>(value_.load(std::memory_order_relaxed)) +
                         static_cast<std::uint32_t>(delta);
        value_.store(static_cast<std::int32_t>(sum), std::memory_order_relaxed);
        return *this;
    }

  private:
    std::atomic<std::int32_t> value_;
};
static_assert(sizeof(SharedWord) == 4 && std::atomic<std::int32_t>::is_always_lock_free);
