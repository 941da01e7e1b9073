// Platform services of the Win32 GUI program: message boxes and posts are the window
// system's, pauses and the clock the system's.
#pragma once

#include "platform_services.h"
#include "win32_dialog_host.h"

class Win32PlatformServices : public SystemPlatformServices {
  public:
    explicit Win32PlatformServices(Win32DialogHost& host) : host_(host) {}

    int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                       UINT style) override {
        return host_.MessageBoxForWindow(owner, text, caption, style);
    }
    BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return host_.PostToWindow(window, message, wParam, lParam);
    }

  private:
    Win32DialogHost& host_;
};
