#include "platform_services.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace {

std::atomic<PlatformServices*> g_installed{nullptr};

}  // namespace

int SystemPlatformServices::ShowMessageBox(HWND, std::string_view text, std::string_view caption,
                                           UINT style) {
    const std::string line = std::string(caption) + ": " + std::string(text) + "\n";
    std::fputs(line.c_str(), stderr);
    // With nobody to ask, a question takes its default button, which is Yes.
    return (style & MB_YESNO) == MB_YESNO ? IDYES : IDOK;
}

BOOL SystemPlatformServices::PostToWindow(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

PlatformServices& Platform() {
    static SystemPlatformServices system;
    PlatformServices* installed = g_installed.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : system;
}

PlatformServices* SetPlatform(PlatformServices* services) {
    return g_installed.exchange(services, std::memory_order_acq_rel);
}
