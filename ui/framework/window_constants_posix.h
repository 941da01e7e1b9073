// The Win32 values, so that the templates and message maps read the same everywhere.
#pragma once

#include "platform_types.h"

inline constexpr int IDCANCEL = 2;
inline constexpr UINT BN_CLICKED = 0;     // command notification: a button was clicked
inline constexpr UINT CBN_SELCHANGE = 1;  // command notification: a combo box selection
inline constexpr UINT SC_CLOSE = 0xF060;  // system-menu command Close
