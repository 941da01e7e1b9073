#include "flow_bench_busy_cores.h"

BusyCores::BusyCores(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        threads_.emplace_back([this] {
            // Plain arithmetic between looks at the flag keeps the core busy without
            // hammering one cache line from every thread.
            volatile unsigned long sink = 0;
            while (!stop_.load(std::memory_order_relaxed)) {
                for (int j = 0; j < 100000; ++j) {
                    sink = sink + static_cast<unsigned long>(j);
                }
            }
        });
    }
}

BusyCores::~BusyCores() {
    stop_.store(true, std::memory_order_relaxed);
    for (std::thread& thread : threads_) {
        thread.join();
    }
}
