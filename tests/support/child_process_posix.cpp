#include "child_process_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::pair<std::string, std::string>>& env) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2() failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& [name, value] : env) {
            replaced = replaced || entry.starts_with(name + "=");
        }
        if (!replaced) {
            environment.push_back(entry);
        }
    }
    for (const auto& [name, value] : env) {
        environment.push_back(name + "=" + value);
    }
    std::vector<char*> args, envp;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    for (const auto& e : environment) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    const int result = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    if (result != 0) {
        pid_ = -1;
        throw std::runtime_error("posix_spawn() failed for " + argv[0]);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(outFd_);
    ::close(errFd_);
}

void ChildProcess::Pump(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return;
    }
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].revents != 0) {
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(n));
            } else {
                fds[i].fd = -1;
            }
        }
    }
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds within) {
    const auto end = Clock::now() + within;
    while (true) {
        const auto newline = out_.find('\n', lineStart_);
        if (newline != std::string::npos) {
            std::string line = out_.substr(lineStart_, newline - lineStart_);
            lineStart_ = newline + 1;
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        Pump(static_cast<int>(std::min<long>(left.count(), 50)));
    }
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, signal);
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds within) {
    const auto end = Clock::now() + within;
    while (!status_) {
        int raw = 0;
        const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
            break;
        }
        if (Clock::now() >= end) {
            return std::nullopt;
        }
        Pump(10);
    }
    // Whatever is still in the pipes.
    for (int i = 0; i < 20; ++i) {
        const std::size_t before = out_.size() + err_.size();
        Pump(5);
        if (out_.size() + err_.size() == before) {
            break;
        }
    }
    return status_;
}
