// The finest pause the system grants while a test runs. The sender paces its blocks with
// 1-ms pauses; where the default timer tick is coarser (15.6 ms on Windows), every pause
// would last a whole tick and the paced levels would run many times slower.
#pragma once

class FineTimerResolution {
  public:
    FineTimerResolution();
    ~FineTimerResolution();
    FineTimerResolution(const FineTimerResolution&) = delete;
    FineTimerResolution& operator=(const FineTimerResolution&) = delete;

  private:
    [[maybe_unused]] bool raised_ = false;  // only the Windows build raises the resolution
};
