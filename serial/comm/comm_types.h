// The Win32 serial records and constants. On Windows they are the real ones; elsewhere
// they are declared with the same field names, widths and values so that the port code
// above the forwarding layer is one text for both.
#pragma once

#include "platform_types.h"

#if !defined(_WIN32)
#include "comm_types_posix.h"
#endif
