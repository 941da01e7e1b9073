// The handful of Win32 scalar types the engine is written in. On Windows they are the
// real ones; elsewhere the same names stand for the same widths, so shared code reads
// the same on both.
#pragma once

#if defined(_WIN32)
#include "platform_types_win32.h"
#else
#include "platform_types_posix.h"
#endif
