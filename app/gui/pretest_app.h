// The program's start-up once a dialog host is in force: the sibling guard, then the main
// window, run modally.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "pretest_dlg.h"
#include "sibling_guard.h"

// Returns the main window's result, or 0 when the sibling application was found.
int RunPretestApp(SiblingWindow& sibling);

// The whole life of the GUI process after its host and platform services are installed;
// never returns.
template <typename Host>
[[noreturn]] void RunPretestProcess(Host& host) {
    const auto sibling = MakeSiblingWindow();
    RunPretestApp(*sibling);
    // A worker may still be finishing after a close during a test (the window has cleared
    // bSending): it ends through closing the file and the port, which lets the machine take
    // what is on its way and releases a held transmitter. Nobody can answer its message box
    // now: the host answers every box a worker waits for, or asks for from here on, so the
    // worker gets to that close. The limit only guards against a worker stuck elsewhere.
    host.StopAnsweringOtherThreads();
    WaitForWorkerThreads(std::chrono::seconds(10));
    std::fflush(nullptr);
    std::_Exit(0);
}
