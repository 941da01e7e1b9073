#include "platform_types.h"

#include <mmsystem.h>

#include "timer_resolution.h"

FineTimerResolution::FineTimerResolution() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

FineTimerResolution::~FineTimerResolution() {
    if (raised_) {
        timeEndPeriod(1);
    }
}
