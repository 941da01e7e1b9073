#include "window_capture_win32.h"

CapturedImage CaptureWindow(HWND window) {
    CapturedImage image;
    RECT rect{};
    if (GetWindowRect(window, &rect) == FALSE) {
        return image;
    }
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    // From the screen, not PrintWindow: the window belongs to another process, and the
    // screen shows it as the operator sees it, frame included.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE) {
            GdiFlush();
            const auto* bgra = static_cast<const std::uint8_t*>(bits);
            image.width = width;
            image.height = height;
            image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
            for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
                image.rgb[i * 3] = bgra[i * 4 + 2];
                image.rgb[i * 3 + 1] = bgra[i * 4 + 1];
                image.rgb[i * 3 + 2] = bgra[i * 4];
            }
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}
