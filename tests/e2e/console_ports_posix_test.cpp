// The console runner's port list and its word on a port that does not open, as a user at a
// terminal sees them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "child_process_posix.h"
#include "pty_master_posix.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class ConsolePortsTest : public testing::Test {
  protected:
    std::vector<std::pair<std::string, std::string>> Env() const {
        return {{"XDG_CONFIG_HOME", (dir_.path() / "home").string()},
                {"XDG_CONFIG_DIRS", (dir_.path() / "system").string()}};
    }

    TempDir dir_;
};

TEST_F(ConsolePortsTest, ListPortsPrintsTheDialogsListWithWhatEachReaches) {
    const PtyMaster machine;
    dir_.Write("home/Orvane/Velidor.conf", "[Ports]\nCOM3=" + machine.SlavePath() + "\n");
    ChildProcess cli({PRETEST_CLI_PATH, "--list-ports"}, Env());
    ASSERT_EQ(cli.Wait(30s), 0) << cli.Errors();
    const auto lines = Lines(cli.Output());
    ASSERT_EQ(lines.size(), 99u) << cli.Output();
    for (int n = 1; n <= 99; ++n) {
        const std::string number = "Com" + std::to_string(n);
        EXPECT_TRUE(lines[n - 1] == number || lines[n - 1].starts_with(number + "  "))
            << lines[n - 1];
    }
    EXPECT_EQ(lines[2], "Com3  " + machine.SlavePath());

    ChildProcess withDevice(
        {PRETEST_CLI_PATH, "--list-ports", "--port", "12", "--device", machine.SlavePath()}, Env());
    ASSERT_EQ(withDevice.Wait(30s), 0) << withDevice.Errors();
    EXPECT_EQ(Lines(withDevice.Output())[11], "Com12  " + machine.SlavePath());
}

TEST_F(ConsolePortsTest, APortThatDoesNotOpenIsExplainedOnTheLineBelow) {
    const auto program = dir_.Write("program.nc", std::string(250000, 'G'));
    const std::string missing = (dir_.path() / "ttyUSB0").string();
    ChildProcess cli({PRETEST_CLI_PATH, "--port", "4", "--device", missing, program.string()},
                     Env());
    EXPECT_EQ(cli.Wait(30s), 3);
    EXPECT_THAT(cli.Errors(), HasSubstr("DNC Message: Com4를 열수 없습니다.!!!\n" + missing +
                                        ": 장치가 없습니다 (--device " + missing + ")\n"));
}

TEST_F(ConsolePortsTest, AProgramFileThatIsNotThereIsExplained) {
    const std::string missing = (dir_.path() / "absent.nc").string();
    ChildProcess cli({PRETEST_CLI_PATH, missing}, Env());
    EXPECT_EQ(cli.Wait(30s), 2);
    EXPECT_THAT(cli.Errors(), HasSubstr("DNC message: 파일을 열수 없습니다!!.\n" + missing +
                                        ": 파일이 없습니다\n"));
}

}  // namespace
