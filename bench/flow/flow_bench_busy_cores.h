// Other work on the machine beside a measured run: threads that spin for as long as the
// object lives.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

class BusyCores {
  public:
    explicit BusyCores(unsigned count);
    ~BusyCores();
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

  private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};
