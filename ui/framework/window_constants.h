// The few window-system constants the dialogs use that the platform types leave out. On
// Windows they come from <windows.h>, which the platform types include.
#pragma once

#include "platform_types.h"

#if !defined(_WIN32)
#include "window_constants_posix.h"
#endif
