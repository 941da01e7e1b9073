// Platform services of a GUI program: message boxes and posts go through its dialog host
// (which shows a worker's box on the window thread and queues posts to it), pauses and the
// clock are the system's.
#pragma once

#include <string_view>

#include "platform_services.h"

template <typename Host>
class HostPlatformServices : public SystemPlatformServices {
  public:
    explicit HostPlatformServices(Host& host) : host_(host) {}

    int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                       UINT style) override {
        return host_.MessageBoxForWindow(owner, text, caption, style);
    }
    BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return host_.PostToWindow(window, message, wParam, lParam);
    }

  private:
    Host& host_;
};
