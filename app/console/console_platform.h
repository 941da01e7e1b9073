// Platform services of the console runner: message boxes become "caption: text" lines on
// standard error, and the worker's end message wakes the runner.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform_services.h"

class ConsolePlatform : public SystemPlatformServices {
  public:
    BOOL PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // True once WM_TRANSFER_DONE has been posted; waits at most for the given time.
    bool WaitForDone(std::chrono::milliseconds within);

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    bool done_ = false;
};

// The command line after the program name, as UTF-8 whatever the system's code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes the console show the UTF-8 the runner writes (the Korean status texts).
void PrepareConsoleOutput();

// Ctrl+C and termination requests: the operator's stop.
void InstallStopRequestHandlers();
bool StopRequested();

// Local date and time as 2026-12-10T14:05:09+0900.
std::string LocalTimestamp();

// Whether standard output is a terminal (the status line is then rewritten in place).
bool OutputIsTerminal();
