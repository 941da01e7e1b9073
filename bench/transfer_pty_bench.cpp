// One whole test over a real pty with a reader that takes everything at once: how fast the
// engine streams at each stage of the level, and how many polls a second the wait loop
// makes while the machine holds the line.
//
//   build/linux/bench/transfer_pty_bench [file-size-bytes]
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "comm_device_path_posix.h"
#include "platform_services.h"
#include "poll_machine_input.h"
#include "port_settings.h"
#include "test_port.h"
#include "transfer_state.h"
#include "transfer_worker.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchPlatform : public SystemPlatformServices {
  public:
    std::atomic<bool> done{false};
    BOOL PostToWindow(HWND, UINT, WPARAM, LPARAM) override {
        done = true;
        return TRUE;
    }
};

int OpenMaster(std::string& slave) {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    char name[128] = {};
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
        std::perror("pty");
        std::exit(1);
    }
    slave = name;
    return fd;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t size = argc > 1 ? std::stoul(argv[1]) : 400000;
    std::string slave;
    const int master = OpenMaster(slave);
    SetComDeviceOverride(9, slave);
    BenchPlatform platform;
    SetPlatform(&platform);

    const auto path = std::filesystem::temp_directory_path() / "strandex-bench.nc";
    std::string program;
    for (int n = 1; program.size() < size; ++n) {
        program += "n" + std::to_string(n) + " g01 x" + std::to_string(n % 300) + ".5 y" +
                   std::to_string(n % 70) + ".25 f250\r\n";
    }
    std::ofstream(path, std::ios::binary) << program;

    g_portSettings = DefaultPortSettings();
    g_portSettings.nComID = 9;
    TransferState& state = g_transferState;
    state.nFileSize = static_cast<std::int32_t>(program.size());
    state.nTransferUnit = 5;
    state.bSending = 1;

    const WorkerParam param{path.string(), nullptr};
    const auto start = Clock::now();
    std::thread worker(TransferWorker, &param);

    // Time and bytes at which each level was first seen by the reader.
    std::map<int, std::pair<Clock::duration, std::size_t>> levels;
    std::size_t received = 0;
    char buffer[4096];
    while (!platform.done) {
        pollfd entry{master, POLLIN, 0};
        ::poll(&entry, 1, 5);
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            received += static_cast<std::size_t>(n);
        }
        levels.try_emplace(state.nTransferUnit, Clock::now() - start, received);
    }
    worker.join();
    const auto total = Clock::now() - start;

    std::printf(
        "whole test: %zu bytes received in %.2f s (1 s of it is the close wait), ended at "
        "level %d\n",
        received, Seconds(total), static_cast<int>(state.nTransferUnit));
    std::printf("%6s %10s %12s\n", "level", "from (s)", "from (bytes)");
    for (const auto& [level, at] : levels) {
        std::printf("%6d %10.3f %12zu\n", level, Seconds(at.first), at.second);
    }
    const auto paced = levels.lower_bound(10);
    if (paced != levels.end()) {
        std::printf("levels 5-9 (paced): %zu bytes in %.3f s = %.0f bytes/s\n",
                    paced->second.second, Seconds(paced->second.first),
                    static_cast<double>(paced->second.second) / Seconds(paced->second.first));
    }

    // The wait loop while the machine holds the line: polls a second on one core.
    state.bSending = 1;
    OpenTestPort(9);
    state.bXonState = 0;
    const auto pollStart = Clock::now();
    long polls = 0;
    while (Clock::now() - pollStart < std::chrono::milliseconds(500)) {
        PollMachineInput();
        ++polls;
    }
    std::printf("held line: %.0f polls/s (%.2f us each)\n", static_cast<double>(polls) / 0.5,
                500000.0 / static_cast<double>(polls));
    state.bSending = 0;
    CloseTestPort(nullptr);
    ::close(master);
    std::filesystem::remove(path);
    return 0;
}
