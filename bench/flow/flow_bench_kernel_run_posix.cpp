#include "flow_bench_kernel_run_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

#include "child_process_posix.h"
#include "flow_bench_sim_posix.h"

namespace {

// The simulator takes the first open as the connection and the last close as the hang-up,
// so one descriptor stays open from before stty until the copy is done.
class HeldPort {
  public:
    explicit HeldPort(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        if (fd_ < 0) {
            throw std::runtime_error("cannot open " + path);
        }
    }
    ~HeldPort() { Close(); }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    int fd() const { return fd_; }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
};

// Blocking writes of whole reads, as cat does; a stopped tty makes write() wait.
void CopyFile(const std::string& path, int out) {
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        throw std::runtime_error("cannot read " + path);
    }
    char buffer[128 * 1024];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                ::close(in);
                throw std::runtime_error("write to the port failed");
            }
            done += n;
        }
    }
    ::close(in);
}

}  // namespace

KernelRun RunKernelXonXoff(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                           const std::string& name) {
    KernelRun run;
    SimSession sim(setup, simOptions, setup.workDir + "/" + name + "-sim.json");
    run.simCommand = sim.Command();

    HeldPort port(sim.SlavePath());
    run.steps.push_back("exec 3<>$SLAVE   (held open until the copy is done)");

    const std::string stty = "stty -F " + sim.SlavePath() + " raw ixon -ixany";
    ChildProcess sttyProcess({"/bin/sh", "-c", "exec " + stty});
    const auto status = sttyProcess.Wait(std::chrono::seconds(10));
    if (!status || *status != 0) {
        throw std::runtime_error("stty failed: " + sttyProcess.Errors());
    }
    run.steps.push_back("stty -F $SLAVE raw ixon -ixany");

    termios mode{};
    run.flowControlOn = ::tcgetattr(port.fd(), &mode) == 0 && (mode.c_iflag & IXON) != 0 &&
                        (mode.c_iflag & IXANY) == 0;

    const auto start = std::chrono::steady_clock::now();
    CopyFile(setup.programPath, port.fd());
    run.copySeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.steps.push_back("cat " + CommandText({setup.programPath}, setup) +
                        " >&3   (blocking writes of 128 KiB reads)");
    port.Close();
    run.steps.push_back("exec 3>&-");

    run.machine = sim.Finish(std::chrono::seconds(30));
    return run;
}
