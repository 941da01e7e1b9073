// The poller waits for the machine's next byte with a read of one byte bounded by a short
// total time-out, and the byte ends the wait the moment it arrives. Layers of the stack may
// let that wait last longer where nothing else can happen sooner; never longer than
// kLongestPollerWait, since only a stop from the window is not a byte on the line and is
// seen when the wait ends.
#pragma once

#include "comm_types.h"

inline constexpr DWORD kLongestPollerWait = 16;  // ms

// A wait bounded by a total time-out alone and shorter than the longest: one a layer may
// lengthen.
inline bool IsShortPollerWait(const COMMTIMEOUTS& timeouts) {
    return timeouts.ReadIntervalTimeout != MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == 0 &&
           timeouts.ReadTotalTimeoutConstant > 0 &&
           timeouts.ReadTotalTimeoutConstant < kLongestPollerWait;
}
