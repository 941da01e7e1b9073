// The per-monitor DPI calls of Windows 10, looked up when first used: the program also
// runs on Windows 7 and 8, which lack them and where every window has the system's DPI.
#pragma once

#include <windows.h>

// The DPI the window is drawn at.
UINT WindowDpi(HWND window);

// GetSystemMetrics for a window at dpi.
int SystemMetricForDpi(int index, UINT dpi);

// The window rectangle around a client area of the size given, with the frame of a
// window of these styles at dpi; the client's top left corner is at 0, 0.
RECT WindowRectForClient(SIZE client, DWORD style, DWORD exStyle, UINT dpi);

// Stops the dialog manager of Windows 10 1703 on from laying the dialog out again itself
// on a DPI change, so that the host's own layout is the only one on every Windows.
void TakeOverDpiChanges(HWND dialog);
