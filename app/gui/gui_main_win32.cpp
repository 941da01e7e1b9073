// strandex-pretest.exe: the pre-test with its native Windows windows.
#include "pretest_app.h"
#include "win32_dialog_host.h"
#include "win32_platform_services.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Win32DialogHost host(instance);
    Win32PlatformServices platform(host);
    SetPlatform(&platform);
    RunPretestProcess(host);
}
