#include "options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using cnc_sim::CommandLine;
using cnc_sim::ParseCommandLine;
using testing::HasSubstr;

// Every setting on one line, so a table row can say what a command line comes to.
std::string Describe(const CommandLine& line) {
    const auto& o = line.options;
    const auto& m = o.machine;
    std::ostringstream text;
    text << "buffer=" << m.bufferBytes << " rate=" << m.drainRate << " xoff=" << m.xoffAt
         << " xon=" << m.xonAt << " start=" << m.startXon << "/" << m.startXonDelay.count()
         << "ms enq=" << m.enqEvery << (m.nulEvery != 0 ? " nul=" + std::to_string(m.nulEvery) : "")
         << " nak=[";
    for (std::size_t i = 0; i < m.nakAt.size(); ++i) {
        text << (i == 0 ? "" : ",") << m.nakAt[i];
    }
    text << "]/" << m.nakHold.count() << "ms link=" << o.linkPath << " record=" << o.recordPath
         << " report=" << o.reportPath << " wait=" << o.waitTimeout.count() << "ns"
         << (o.frame.Text() != "7E2" ? " frame=" + o.frame.Text() : "");
    if (m.stopReadingAt) {
        text << " stop-reading=" << *m.stopReadingAt << "/"
             << (m.stopReadingFor ? std::to_string(m.stopReadingFor->count()) + "ms" : "ever");
    }
    if (m.noiseEvery.count() != 0) {
        text << " noise=" << m.noiseEvery.count() << "ms/" << m.noiseSeed;
    }
    if (o.hangUpAt) {
        text << " hang-up=" << *o.hangUpAt;
    }
    text << (line.help ? " help" : "");
    return text.str();
}

const std::string kDefaults =
    "buffer=256 rate=960 xoff=192 xon=64 start=0/100ms enq=0 nak=[]/200ms link= record= "
    "report= wait=0ns";

TEST(CncSimOptionsTest, Defaults) {
    const CommandLine line = ParseCommandLine({});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(Describe(line), kDefaults);
    EXPECT_EQ(line.options.frame.Text(), "7E2");
}

struct GoodCase {
    std::vector<std::string> args;
    std::string settings;

    friend void PrintTo(const GoodCase& c, std::ostream* os) {
        for (std::size_t i = 0; i < c.args.size(); ++i) {
            *os << (i == 0 ? "" : " ") << (c.args[i].empty() ? "''" : c.args[i]);
        }
    }
};

class CncSimOptionsGoodTest : public testing::TestWithParam<GoodCase> {};

TEST_P(CncSimOptionsGoodTest, Parses) {
    const CommandLine line = ParseCommandLine(GetParam().args);
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(Describe(line), GetParam().settings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimOptionsGoodTest,
    testing::Values(
        GoodCase{{"--buffer", "16"},
                 "buffer=16 rate=960 xoff=12 xon=4 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--buffer=1000"},
                 "buffer=1000 rate=960 xoff=936 xon=250 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--buffer", "1"},
                 "buffer=1 rate=960 xoff=1 xon=0 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--nul-every", "4"},
                 "buffer=256 rate=960 xoff=192 xon=64 start=0/100ms enq=0 nul=4 nak=[]/200ms "
                 "link= record= report= wait=0ns"},
        GoodCase{{"--rate", "0"},
                 "buffer=256 rate=0 xoff=192 xon=64 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--xoff-at", "250", "--xon-at", "0"},
                 "buffer=256 rate=960 xoff=250 xon=0 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--xon-at", "191"},
                 "buffer=256 rate=960 xoff=192 xon=191 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--start-xon", "--start-xon-delay", "0"},
                 "buffer=256 rate=960 xoff=192 xon=64 start=1/0ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--enq-every", "64", "--nak-at", "300", "--nak-at=100", "--nak-hold", "50"},
                 "buffer=256 rate=960 xoff=192 xon=64 start=0/100ms enq=64 nak=[300,100]/50ms "
                 "link= record= report= wait=0ns"},
        GoodCase{{"--link", "/tmp/cnc", "--record", "got.nc", "--report=report.json"},
                 "buffer=256 rate=960 xoff=192 xon=64 start=0/100ms enq=0 nak=[]/200ms "
                 "link=/tmp/cnc record=got.nc report=report.json wait=0ns"},
        GoodCase{{"--wait-timeout", "2.5"},
                 "buffer=256 rate=960 xoff=192 xon=64 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=2500000000ns"},
        GoodCase{{"--buffer", "16", "--buffer", "64"},
                 "buffer=64 rate=960 xoff=48 xon=16 start=0/100ms enq=0 nak=[]/200ms link= "
                 "record= report= wait=0ns"},
        GoodCase{{"--frame", "8n1.5"}, kDefaults + " frame=8N1.5"},
        GoodCase{{"--stop-reading-at", "5000"}, kDefaults + " stop-reading=5000/ever"},
        GoodCase{{"--stop-reading-for=2500", "--stop-reading-at", "1"},
                 kDefaults + " stop-reading=1/2500ms"},
        GoodCase{{"--noise-every", "3"}, kDefaults + " noise=3ms/1"},
        GoodCase{{"--noise-seed", "18446744073709551615", "--noise-every", "1"},
                 kDefaults + " noise=1ms/18446744073709551615"},
        GoodCase{{"--hang-up-at", "30000"}, kDefaults + " hang-up=30000"},
        GoodCase{{"--frame=8O1", "--frame", "7E2"}, kDefaults},
        GoodCase{{"--help"}, kDefaults + " help"}, GoodCase{{"-h"}, kDefaults + " help"}));

struct BadCase {
    std::vector<std::string> args;
    std::string error;

    friend void PrintTo(const BadCase& c, std::ostream* os) {
        for (std::size_t i = 0; i < c.args.size(); ++i) {
            *os << (i == 0 ? "" : " ") << (c.args[i].empty() ? "''" : c.args[i]);
        }
    }
};

class CncSimOptionsBadTest : public testing::TestWithParam<BadCase> {};

TEST_P(CncSimOptionsBadTest, Refuses) {
    EXPECT_EQ(ParseCommandLine(GetParam().args).error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimOptionsBadTest,
    testing::Values(
        BadCase{{"--buffer"}, "--buffer needs a value"},
        BadCase{{"--buffer", "0"}, "--buffer: expected a whole number from 1 to 1000000, got '0'"},
        BadCase{{"--buffer", "-5"},
                "--buffer: expected a whole number from 1 to 1000000, got '-5'"},
        BadCase{{"--buffer", "12x"},
                "--buffer: expected a whole number from 1 to 1000000, got '12x'"},
        BadCase{{"--buffer="}, "--buffer: expected a whole number from 1 to 1000000, got ''"},
        BadCase{{"--rate", "1e3"},
                "--rate: expected a whole number from 0 to 1000000000, got '1e3'"},
        BadCase{{"--rate", "99999999999999999999999"},
                "--rate: expected a whole number from 0 to 1000000000, got "
                "'99999999999999999999999'"},
        BadCase{{"--nak-at", "0"},
                "--nak-at: expected a whole number from 1 to 1000000000000, got '0'"},
        BadCase{{"--xoff-at", "257"}, "--xoff-at (257) must not exceed --buffer (256)"},
        BadCase{{"--buffer", "16", "--xoff-at", "20"},
                "--xoff-at (20) must not exceed --buffer (16)"},
        BadCase{{"--xon-at", "192"}, "--xon-at (192) must be below --xoff-at (192)"},
        BadCase{{"--xoff-at", "10", "--xon-at", "64"},
                "--xon-at (64) must be below --xoff-at (10)"},
        BadCase{{"--wait-timeout", "-1"},
                "--wait-timeout: expected seconds from 0 to 86400, got '-1'"},
        BadCase{{"--wait-timeout", "soon"},
                "--wait-timeout: expected seconds from 0 to 86400, got 'soon'"},
        BadCase{{"--wait-timeout", "inf"},
                "--wait-timeout: expected seconds from 0 to 86400, got 'inf'"},
        BadCase{{"--wait-timeout", "nan"},
                "--wait-timeout: expected seconds from 0 to 86400, got 'nan'"},
        BadCase{{"--start-xon=yes"}, "--start-xon takes no value"},
        BadCase{{"--frame", "8N3"},
                "--frame: expected data bits 5-8, parity N, E, O, M or S and stop bits 1, 1.5 "
                "or 2, such as 7E2 or 8N1, got '8N3'"},
        BadCase{{"--link", ""}, "--link needs a path"},
        BadCase{{"--stop-reading-for", "100"}, "--stop-reading-for needs --stop-reading-at"},
        BadCase{{"--stop-reading-at", "0"},
                "--stop-reading-at: expected a whole number from 1 to 1000000000000, got '0'"},
        BadCase{{"--noise-every", "0"},
                "--noise-every: expected a whole number from 1 to 86400000, got '0'"},
        BadCase{{"--noise-seed", "7"}, "--noise-seed needs --noise-every"},
        BadCase{{"--hang-up-at", "0"},
                "--hang-up-at: expected a whole number from 1 to 1000000000000, got '0'"},
        BadCase{{"--bogus"}, "unknown option '--bogus'"},
        BadCase{{"/dev/pts/3"}, "unexpected argument '/dev/pts/3'"}));

TEST(CncSimOptionsTest, UsageNamesEveryOption) {
    const std::string usage = cnc_sim::UsageText();
    for (const char* option : {"--link",
                               "--frame",
                               "--buffer",
                               "--rate",
                               "--xoff-at",
                               "--xon-at",
                               "--start-xon ",
                               "--start-xon-delay",
                               "--enq-every",
                               "--nak-at",
                               "--nak-hold",
                               "--nul-every",
                               "--stop-reading-at",
                               "--stop-reading-for",
                               "--noise-every",
                               "--noise-seed",
                               "--hang-up-at",
                               "--record",
                               "--report",
                               "--wait-timeout",
                               "--help"}) {
        EXPECT_THAT(usage, HasSubstr(option));
    }
}

}  // namespace
