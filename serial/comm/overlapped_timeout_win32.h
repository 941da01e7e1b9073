// How an overlapped comm call that ran into its time-out ends differs: Windows reports a
// success with fewer bytes, Wine a failure with one of these errors.
#pragma once

#include <windows.h>

inline bool MeansTimedOut(DWORD error) {
    return error == ERROR_TIMEOUT || error == WAIT_TIMEOUT || error == ERROR_SEM_TIMEOUT;
}
