// A program started by a test, with its standard output readable line by line and its end
// awaited with a bound, so a test never hangs on it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ChildProcess {
  public:
    // Starts argv[0] with the given arguments and extra environment variables; standard
    // output and standard error are captured.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::pair<std::string, std::string>>& env = {});
    ~ChildProcess();  // kills the program if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output, or nothing if none came within the time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds within);

    void Signal(int signal) const;

    // The exit status, or nothing if the program was still running after the time (or
    // ended by a signal: then -signal).
    std::optional<int> Wait(std::chrono::milliseconds within);

    // Everything the program has written so far; all of it once it has ended.
    const std::string& Output() const { return out_; }
    const std::string& Errors() const { return err_; }

  private:
    void Pump(int timeoutMs);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
    std::size_t lineStart_ = 0;
    std::optional<int> status_;
};
