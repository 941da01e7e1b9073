#include "timer_resolution.h"

// The kernel's sleeps are already as fine as a millisecond needs.
FineTimerResolution::FineTimerResolution() = default;
FineTimerResolution::~FineTimerResolution() = default;
