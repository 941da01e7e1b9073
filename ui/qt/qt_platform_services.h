// Platform services of the GUI program: message boxes and posts go through the Qt host,
// pauses and the clock are the system's.
#pragma once

#include "platform_services.h"
#include "qt_dialog_host.h"

class QtPlatformServices : public SystemPlatformServices {
  public:
    explicit QtPlatformServices(QtDialogHost& host) : host_(host) {}

    int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                       UINT style) override {
        return host_.MessageBoxForWindow(owner, text, caption, style);
    }
    BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return host_.PostToWindow(window, message, wParam, lParam);
    }

  private:
    QtDialogHost& host_;
};
