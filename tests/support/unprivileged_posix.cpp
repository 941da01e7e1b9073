#include "unprivileged_posix.h"

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(channel[0]);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 ||
             ::setresgid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0 ||
             ::setresuid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0)) {
            ::_exit(2);
        }
        const std::string result = body();
        std::size_t done = 0;
        while (done < result.size()) {
            const ssize_t n = ::write(channel[1], result.data() + done, result.size() - done);
            if (n <= 0) {
                ::_exit(3);
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd entry{channel[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return result;
}
