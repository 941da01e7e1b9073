// The pixels of a window as they are on the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct CapturedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // top row first
};

// Brings the window to the front and copies its rectangle from the screen; empty when the
// capture failed.
CapturedImage CaptureWindow(HWND window);
