#include "console_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ConsoleOptionsTest, TakesEveryOptionAndLaysItOverTheStoredSettings) {
    const ParsedOptions parsed = ParseConsoleOptions(
        {"--port",       "3",        "--device",    "/dev/pts/7", "--baud",   "19200",
         "--data-bits",  "8",        "--stop-bits", "1",          "--parity", "odd",
         "--wait-start", "--report", "out.json",    "--chart",    "run.svg",  "--html",
         "run.html",     "--quiet",  "program.nc"});
    ASSERT_EQ(parsed.error, "");
    const ConsoleOptions& o = parsed.options;
    EXPECT_EQ(o.file, "program.nc");
    EXPECT_EQ(o.device, "/dev/pts/7");
    EXPECT_EQ(o.report, "out.json");
    EXPECT_EQ(o.chart, "run.svg");
    EXPECT_EQ(o.html, "run.html");
    EXPECT_TRUE(o.quiet);

    PortSettings settings = DefaultPortSettings();
    ApplyToSettings(o, settings);
    EXPECT_EQ(settings.nComID, 3);
    EXPECT_EQ(settings.nBaudRate, 19200);
    EXPECT_EQ(settings.nDataBits, 8);
    EXPECT_EQ(settings.nStopBits, 1);
    EXPECT_EQ(settings.nParity, 1);
    EXPECT_EQ(settings.bSendSignalWait, 1);
}

TEST(ConsoleOptionsTest, OptionsNotGivenKeepTheStoredSettings) {
    const ParsedOptions parsed = ParseConsoleOptions({"program.nc", "--no-wait-start"});
    ASSERT_EQ(parsed.error, "");
    PortSettings settings{4, 4800, 8, 1, 0, 1};
    ApplyToSettings(parsed.options, settings);
    EXPECT_EQ(settings.nComID, 4);
    EXPECT_EQ(settings.nBaudRate, 4800);
    EXPECT_EQ(settings.nParity, 0);
    EXPECT_EQ(settings.bSendSignalWait, 0);
}

TEST(ConsoleOptionsTest, RefusesBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--quiet"},
        {"a.nc", "b.nc"},
        {"--port"},
        {"--port", "0", "a.nc"},
        {"--port", "x", "a.nc"},
        {"--port", "3x", "a.nc"},
        {"--baud", "-9600", "a.nc"},
        {"--data-bits", "9", "a.nc"},
        {"--stop-bits", "3", "a.nc"},
        {"--parity", "mark", "a.nc"},
        {"--device", "", "a.nc"},
        {"--report"},
        {"a.nc", "--chart"},
        {"--html", "", "a.nc"},
        {"--frobnicate", "a.nc"},
    };
    for (const auto& args : bad) {
        EXPECT_NE(ParseConsoleOptions(args).error, "") << testing::PrintToString(args);
    }
    EXPECT_EQ(ParseConsoleOptions({"--help"}).error, "");
    EXPECT_EQ(ParseConsoleOptions({"-"}).options.file, "-");
}

// "--" ends the options, so a program whose name starts with a dash can be given.
TEST(ConsoleOptionsTest, DoubleDashEndsTheOptions) {
    struct Case {
        std::vector<std::string> args;
        std::string file;  // empty: refused
    };
    const Case cases[] = {
        {{"--", "a.nc"}, "a.nc"},
        {{"--quiet", "--", "--odd name.nc"}, "--odd name.nc"},
        {{"--", "-"}, "-"},
        {{"--", "--"}, "--"},
        {{"--", "a.nc", "b.nc"}, ""},
        {{"a.nc", "--", "b.nc"}, ""},
        {{"--"}, ""},
    };
    for (const Case& c : cases) {
        const ParsedOptions parsed = ParseConsoleOptions(c.args);
        EXPECT_EQ(parsed.error.empty(), !c.file.empty()) << testing::PrintToString(c.args);
        if (!c.file.empty()) {
            EXPECT_EQ(parsed.options.file, c.file) << testing::PrintToString(c.args);
        }
    }
}

TEST(ConsoleOptionsTest, TheHelpNamesEveryDataBitsValueThatIsTaken) {
    EXPECT_NE(std::string(kConsoleUsage).find("--data-bits 5..8"), std::string::npos);
    for (const char* bits : {"5", "6", "7", "8"}) {
        EXPECT_EQ(ParseConsoleOptions({"--data-bits", bits, "a.nc"}).error, "") << bits;
    }
}

}  // namespace
