// What the engine needs from whichever front end runs it: the GUI hosts, the console
// runner and the tests each provide one.
#pragma once

#include <string_view>

#include "platform_types.h"

// Posted by the worker to its window, both parameters 0, exactly once per test. In the
// application's own range, which no window class or dialog manager gives a meaning (the
// WM_USER range holds the dialog manager's DM_* messages); nothing outside the process
// sees the number.
inline constexpr UINT WM_TRANSFER_DONE = WM_APP + 1;

struct TimeOfDay {
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
};

class PlatformServices {
  public:
    virtual ~PlatformServices() = default;

    // Blocks the calling thread until the operator answers; callable from any thread.
    // owner may be null. Texts are UTF-8. Returns IDOK, IDYES or IDNO.
    virtual int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                               UINT style) = 0;
    virtual BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual TimeOfDay LocalTimeOfDay() = 0;
};

// The real clock and pauses, with message boxes written as "caption: text" lines to
// standard error; a front end derives from it and shows its boxes its own way.
class SystemPlatformServices : public PlatformServices {
  public:
    int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                       UINT style) override;
    BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void Sleep(DWORD milliseconds) override;
    TimeOfDay LocalTimeOfDay() override;
};

// The services in force; SystemPlatformServices until a front end installs its own.
PlatformServices& Platform();

// Installs services for the whole process and returns the previous ones (null meaning
// the system default). The caller keeps ownership.
PlatformServices* SetPlatform(PlatformServices* services);
