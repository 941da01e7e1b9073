#include "flow_bench_kernel_run_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

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
void CopyFile(const std::string& path, long limit, int out) {
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        throw std::runtime_error("cannot read " + path);
    }
    char buffer[128 * 1024];
    long left = limit;
    while (left > 0) {
        const ssize_t got =
            ::read(in, buffer, static_cast<size_t>(std::min<long>(left, sizeof buffer)));
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
        left -= got;
    }
    ::close(in);
}

// The simulator's record grows as bytes arrive at the machine.
bool WaitForRecord(const std::string& path, long bytes, std::chrono::seconds within) {
    const auto end = std::chrono::steady_clock::now() + within;
    std::error_code ec;
    while (std::chrono::steady_clock::now() < end) {
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size >= static_cast<std::uintmax_t>(bytes)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

KernelRun RunKernelXonXoff(const FlowBenchSetup& setup, const std::vector<std::string>& simOptions,
                           long bytes, const std::string& name) {
    KernelRun run;
    const std::string record = setup.workDir + "/" + name + "-received";
    std::vector<std::string> options = simOptions;
    options.insert(options.end(), {"--record", record});
    SimSession sim(setup, options, setup.workDir + "/" + name + "-sim.json");
    run.simCommand = sim.Command();

    HeldPort port(sim.SlavePath());
    run.steps.push_back("exec 3<>$SLAVE   (held open until the machine has had every byte)");

    const std::string line = "raw ixon -ixany " + std::to_string(setup.baud);
    ChildProcess sttyProcess({"/bin/sh", "-c", "exec stty -F " + sim.SlavePath() + " " + line});
    const auto status = sttyProcess.Wait(std::chrono::seconds(10));
    if (!status || *status != 0) {
        throw std::runtime_error("stty failed: " + sttyProcess.Errors());
    }
    run.steps.push_back("stty -F $SLAVE " + line);

    termios mode{};
    run.flowControlOn = ::tcgetattr(port.fd(), &mode) == 0 && (mode.c_iflag & IXON) != 0 &&
                        (mode.c_iflag & IXANY) == 0;

    CopyFile(setup.programPath, bytes, port.fd());
    run.steps.push_back("head -c " + std::to_string(bytes) + " " +
                        CommandText({setup.programPath}, setup) +
                        " >&3   (blocking writes of reads up to 128 KiB)");
    // Three times the line time and then some: a machine that holds half the time still
    // gets everything well within it.
    const auto lineTime = std::chrono::seconds(
        static_cast<long>(3.0 * static_cast<double>(bytes) * setup.CharacterSeconds()) + 10);
    run.allArrived = WaitForRecord(record, bytes, lineTime);
    run.steps.push_back("wait until $W/" + name + "-received holds " + std::to_string(bytes) +
                        " bytes");
    port.Close();
    run.steps.push_back("exec 3>&-");

    run.machine = sim.Finish(std::chrono::seconds(30));
    return run;
}
