// The built cnc-sim program, run for real: a pty, the tool's side opened by the test, real
// signals.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::HasSubstr;

constexpr char kEnq = 0x05, kXon = 0x11, kXoff = 0x13;

// cnc-sim as a child process, its stdout on a pipe.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe2() failed");
        }
        std::vector<std::string> argv = {CNC_SIM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (auto& arg : argv) {
            pointers.push_back(arg.data());
        }
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const int error =
            ::posix_spawn(&pid_, CNC_SIM_PATH, &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        stdout_ = out[0];
        if (error != 0) {
            throw std::runtime_error("posix_spawn() failed");
        }
    }
    ~SimProcess() {
        if (!status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdout_);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    pid_t pid() const { return pid_; }

    std::string FirstLine() const {
        std::string line;
        char c = 0;
        pollfd entry{stdout_, POLLIN, 0};
        while (::poll(&entry, 1, 5000) == 1 && ::read(stdout_, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

    // The exit status, or nullopt if it has not ended within the time given.
    std::optional<int> Exit(std::chrono::milliseconds within = 10s) {
        const auto end = Clock::now() + within;
        while (!status_ && Clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            } else {
                ::poll(nullptr, 0, 5);
            }
        }
        return status_;
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::optional<int> status_;
};

// The tool's end of the cable, opened raw as the tool opens it.
class ToolPort {
  public:
    explicit ToolPort(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        if (fd_ < 0) {
            throw std::runtime_error("cannot open " + path);
        }
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~ToolPort() { Close(); }
    ToolPort(const ToolPort&) = delete;
    ToolPort& operator=(const ToolPort&) = delete;

    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    void SetSpeed(speed_t speed) const {
        termios t{};
        ASSERT_EQ(::tcgetattr(fd_, &t), 0);
        ::cfsetspeed(&t, speed);
        ASSERT_EQ(::tcsetattr(fd_, TCSANOW, &t), 0);
    }

    // What the tool's SETXOFF and SETXON do to its transmitter.
    void Hold() const { ASSERT_EQ(::tcflow(fd_, TCOOFF), 0); }
    void Release() const { ASSERT_EQ(::tcflow(fd_, TCOON), 0); }

    void Write(const std::string& bytes) const {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Writes one byte at a time until a write fails, and returns its error; 0 if none did
    // within the time.
    int WriteUntilFailure(char byte, std::chrono::milliseconds within) const {
        const auto end = Clock::now() + within;
        while (Clock::now() < end) {
            if (::write(fd_, &byte, 1) < 0 && errno != EAGAIN) {
                return errno;
            }
            ::poll(nullptr, 0, 10);
        }
        return 0;
    }

    // What arrives until count bytes are in or within has passed.
    std::string Read(std::size_t count, std::chrono::milliseconds within = 5s) const {
        std::string got;
        const auto end = Clock::now() + within;
        while (got.size() < count && Clock::now() < end) {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, 10) == 1) {
                char buffer[64];
                const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
                if (n > 0) {
                    got.append(buffer, static_cast<std::size_t>(n));
                }
            }
        }
        return got;
    }

  private:
    int fd_;
};

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CncSimProgramTest : public testing::Test {
  protected:
    std::string Path(const char* name) const { return (dir_.path() / name).string(); }

    TempDir dir_;
};

TEST_F(CncSimProgramTest, FillsStopsResumesAndEndsWhenThePortCloses) {
    SimProcess sim({"--buffer", "16", "--xoff-at", "12", "--xon-at", "4", "--rate", "200",
                    "--record", Path("record.nc"), "--report", Path("report.json")});
    const std::string slave = sim.FirstLine();
    ASSERT_THAT(slave, testing::StartsWith("/dev/"));
    {
        ToolPort port(slave);
        const std::string first = "N10G01X1.0Y2.0\r\n";
        port.Write(first);
        EXPECT_EQ(port.Read(2), std::string({kXoff, kXon})) << "XOFF when full, XON once drained";
        port.Write("M30\n");
    }
    EXPECT_EQ(sim.Exit(), 0) << "ends by itself when the tool closes the port";

    EXPECT_EQ(FileText(Path("record.nc")), "N10G01X1.0Y2.0\r\nM30\n");
    const std::string report = FileText(Path("report.json"));
    EXPECT_THAT(report, HasSubstr("\"bytes_received\": 20,"));
    EXPECT_THAT(report, HasSubstr("\"xoff_sent\": 1,"));
    EXPECT_THAT(report, HasSubstr("\"xon_sent\": 1,"));
    EXPECT_THAT(report, HasSubstr("\"overflow_bytes\": 0,"));
    EXPECT_THAT(report, HasSubstr("\"count\": 1\n"));
    EXPECT_THAT(report, HasSubstr("\"start_xon_sent\": false"));
    EXPECT_THAT(report, testing::ContainsRegex("\"xon_written_us\": \\[[0-9]+\\],"));
    EXPECT_THAT(report, HasSubstr("\"line_hung_up\": false"));
}

// The tool's side hung up under it, as the kernel does to a pulled USB adapter: its calls
// fail with EIO while the machine's end stays, and the machine ends once the tool closes.
TEST_F(CncSimProgramTest, HangUpAtMakesTheToolsCallsFailWithIoErrors) {
    SimProcess sim({"--rate", "0", "--hang-up-at", "4", "--record", Path("record.nc"), "--report",
                    Path("report.json")});
    const std::string slave = sim.FirstLine();
    int error = 0;
    {
        ToolPort port(slave);
        port.Write("G01\n");
        error = port.WriteUntilFailure('x', 3s);
    }
    EXPECT_EQ(sim.Exit(), 0) << "ends when the tool closes the port";
    if (FileText(Path("report.json")).find("\"line_hung_up\": true") == std::string::npos) {
        GTEST_SKIP() << "hanging up a tty takes CAP_SYS_ADMIN";
    }
    EXPECT_EQ(error, EIO);
    EXPECT_THAT(FileText(Path("record.nc")), testing::StartsWith("G01\n"));
}

TEST_F(CncSimProgramTest, BytesWrittenJustBeforeTheCloseAreStillTaken) {
    SimProcess sim({"--rate", "0", "--record", Path("record.nc")});
    const std::string slave = sim.FirstLine();
    ToolPort port(slave);
    port.Write("%\nO1000\nM30\n%\n");
    port.Close();
    EXPECT_EQ(sim.Exit(), 0);
    EXPECT_EQ(FileText(Path("record.nc")), "%\nO1000\nM30\n%\n");
}

TEST_F(CncSimProgramTest, TheToolsHoldStopsTheWireAndItsReleaseResumesIt) {
    SimProcess sim({"--rate", "0", "--frame", "8N1", "--record", Path("record.nc"), "--report",
                    Path("report.json")});
    const std::string slave = sim.FirstLine();
    {
        ToolPort port(slave);
        port.SetSpeed(B50);  // 200 ms a character
        port.Write("abcdefgh");
        port.Hold();
        // Five characters' time: without the hold most of them would have arrived. The one
        // on the wire at the hold still completes, and a second only if this thread stalled
        // for a whole character between the write and the hold.
        ::poll(nullptr, 0, 1000);
        EXPECT_LE(FileText(Path("record.nc")).size(), 2u);
        port.Release();
    }
    EXPECT_EQ(sim.Exit(30s), 0) << "ends once all that was sent has arrived";

    EXPECT_EQ(FileText(Path("record.nc")), "abcdefgh");
    const std::string report = FileText(Path("report.json"));
    EXPECT_THAT(report, HasSubstr("\"uart_queue_max\": 8,")) << "nothing waited in the kernel";
    EXPECT_THAT(report, HasSubstr("\"baud\": 50,")) << "the rate the tool set";
    EXPECT_THAT(report, HasSubstr("\"bits_per_char\": 10,"));
}

TEST_F(CncSimProgramTest, LinkReplacesAStaleLinkAndGoesAtExit) {
    const std::string link = Path("ttyCNC");
    ASSERT_EQ(::symlink("/dev/nonexistent", link.c_str()), 0);
    SimProcess sim({"--link", link, "--start-xon", "--report", Path("report.json")});
    const std::string slave = sim.FirstLine();
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), slave);
    {
        ToolPort port(link);
        EXPECT_EQ(port.Read(1), std::string{kXon}) << "the start signal";
    }
    EXPECT_EQ(sim.Exit(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_THAT(FileText(Path("report.json")), HasSubstr("\"start_xon_sent\": true"));
}

TEST_F(CncSimProgramTest, LinkRefusesToReplaceAFile) {
    const auto file = dir_.Write("ttyCNC", "keep me");
    SimProcess sim({"--link", file.string()});
    EXPECT_EQ(sim.Exit(), 1);
    EXPECT_EQ(FileText(file), "keep me");
}

TEST_F(CncSimProgramTest, WaitTimeoutEndsWithStatus3) {
    SimProcess sim({"--wait-timeout", "0.2", "--report", Path("report.json")});
    EXPECT_THAT(sim.FirstLine(), testing::StartsWith("/dev/"));
    EXPECT_EQ(sim.Exit(), 3);
    EXPECT_THAT(FileText(Path("report.json")), HasSubstr("\"bytes_received\": 0,"));
}

TEST_F(CncSimProgramTest, BadCommandLineGivesStatus2) {
    SimProcess sim({"--buffer", "lots"});
    EXPECT_EQ(sim.Exit(), 2);
}

struct StopCase {
    const char* name;

    friend void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }
    int signal;
    bool toolConnected;
};

class CncSimStopTest : public testing::TestWithParam<StopCase> {
  protected:
    TempDir dir_;
};

TEST_P(CncSimStopTest, EndsWithAReport) {
    const StopCase& c = GetParam();
    const std::string report = (dir_.path() / "report.json").string();
    SimProcess sim({"--enq-every", "3", "--report", report});
    const std::string slave = sim.FirstLine();
    std::optional<ToolPort> port;
    if (c.toolConnected) {
        port.emplace(slave);
        port->Write("G90");
        // The ENQ shows the simulator has taken the bytes.
        ASSERT_EQ(port->Read(1), std::string{kEnq});
    }
    ASSERT_EQ(::kill(sim.pid(), c.signal), 0);
    EXPECT_EQ(sim.Exit(), 0);
    EXPECT_THAT(FileText(report),
                HasSubstr(c.toolConnected ? "\"bytes_received\": 3," : "\"bytes_received\": 0,"));
}

INSTANTIATE_TEST_SUITE_P(Cases, CncSimStopTest,
                         testing::Values(StopCase{"TermWhileConnected", SIGTERM, true},
                                         StopCase{"IntWhileConnected", SIGINT, true},
                                         StopCase{"TermWhileWaiting", SIGTERM, false}));

}  // namespace
