// strandex-pretest.exe: the pre-test with its native Windows windows.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "pretest_app.h"
#include "pretest_dlg.h"
#include "win32_dialog_host.h"
#include "win32_platform_services.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Win32DialogHost host(instance);
    Win32PlatformServices platform(host);
    SetPlatform(&platform);

    const auto sibling = MakeSiblingWindow();
    RunPretestApp(*sibling);
    // A worker may still be finishing after a close during a test (the window has cleared
    // bSending): it ends through closing the file and the port, which lets the machine take
    // what is on its way. Its message box could never be answered now, so none is waited on.
    host.StopAnsweringOtherThreads();
    WaitForWorkerThreads(std::chrono::seconds(10));
    std::fflush(nullptr);
    std::_Exit(0);
}
