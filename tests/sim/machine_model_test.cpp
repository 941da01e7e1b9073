#include "machine_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using cnc_sim::kAck;
using cnc_sim::kEnq;
using cnc_sim::kNak;
using cnc_sim::kXoff;
using cnc_sim::kXon;
using cnc_sim::MachineConfig;
using cnc_sim::MachineModel;
using cnc_sim::SimTime;
using testing::ElementsAre;

std::string Text(std::size_t length, char first = 'a') {
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>(first + i % 26);
    }
    return text;
}

std::string Reply(std::initializer_list<char> bytes) {
    return std::string(bytes);
}

MachineConfig Config(std::size_t buffer, std::size_t xoffAt, std::size_t xonAt,
                     std::uint64_t rate) {
    MachineConfig config;
    config.bufferBytes = buffer;
    config.xoffAt = xoffAt;
    config.xonAt = xonAt;
    config.drainRate = rate;
    return config;
}

// One moment of a session: bytes from the tool (none: time passes only) and what the
// control must answer at that moment.
struct Step {
    SimTime at;
    std::string in;
    std::string out;
};

void Play(MachineModel& model, const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const std::string out =
            step.in.empty() ? model.Advance(step.at) : model.Receive(step.in, step.at).reply;
        model.RepliesWritten(step.at);
        EXPECT_EQ(out, step.out) << "step " << i << " at " << step.at.count() << " ns";
    }
}

struct MarksCase {
    const char* name;

    friend void PrintTo(const MarksCase& c, std::ostream* os) { *os << c.name; }
    MachineConfig config;
    SimTime spacing;  // between the tool's bytes; zero sends them in one burst
    std::size_t xoffOnByte;
    SimTime xonDue;
};

class CncSimFlowMarksTest : public testing::TestWithParam<MarksCase> {};

TEST_P(CncSimFlowMarksTest, XoffAtTheHighMarkAndXonOnceDrainedToTheLowMark) {
    const MarksCase& c = GetParam();
    MachineModel model(c.config);
    for (std::size_t byte = 1; byte <= c.xoffOnByte; ++byte) {
        const SimTime at = c.spacing * static_cast<long>(byte - 1);
        const auto exchange = model.Receive("x", at);
        if (byte < c.xoffOnByte) {
            ASSERT_EQ(exchange.reply, "") << "byte " << byte;
        } else {
            ASSERT_EQ(exchange.reply, Reply({kXoff})) << "byte " << byte;
        }
    }
    EXPECT_EQ(model.Fill(), c.config.xoffAt);
    EXPECT_EQ(model.NextDue(), c.xonDue);
    EXPECT_EQ(model.Advance(c.xonDue - 1ns), "");
    EXPECT_EQ(model.Fill(), c.config.xonAt + 1);
    EXPECT_EQ(model.Advance(c.xonDue), Reply({kXon}));
    EXPECT_EQ(model.Fill(), c.config.xonAt);
    EXPECT_EQ(model.NextDue(), std::nullopt);
    EXPECT_EQ(model.Stats().xoffSent, 1u);
    EXPECT_EQ(model.Stats().xonSent, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimFlowMarksTest,
    testing::Values(
        // 128 bytes at 960 per second take 133.33... ms.
        MarksCase{"Defaults", MachineConfig{}, 0ns, 192, 133'333'334ns},
        MarksCase{"SmallBuffer", Config(16, 12, 4, 200), 0ns, 12, 40ms},
        MarksCase{"FullBufferAndEmpty", Config(10, 10, 0, 50), 0ns, 10, 200ms},
        // Two bytes arrive per byte drained, so the fill climbs by one every 10 ms.
        MarksCase{"FedFasterThanDrained", Config(16, 8, 2, 100), 5ms, 14, 120ms}));

struct SteadyCase {
    const char* name;

    friend void PrintTo(const SteadyCase& c, std::ostream* os) { *os << c.name; }
    MachineConfig config;
    SimTime spacing;
    std::size_t bytes;
};

class CncSimNeverFullTest : public testing::TestWithParam<SteadyCase> {};

TEST_P(CncSimNeverFullTest, NoXoffAndNothingLost) {
    const SteadyCase& c = GetParam();
    MachineModel model(c.config);
    std::string data;
    for (std::size_t i = 0; i < c.bytes; ++i) {
        const auto exchange = model.Receive(std::string(1, static_cast<char>('0' + i % 10)),
                                            c.spacing * static_cast<long>(i));
        ASSERT_EQ(exchange.reply, "") << "byte " << i;
        data += exchange.data;
        ASSERT_LE(model.Fill(), 1u);
    }
    EXPECT_EQ(data.size(), c.bytes);
    EXPECT_EQ(model.Stats().bytesReceived, c.bytes);
    EXPECT_EQ(model.Stats().overflowBytes, 0u);
    EXPECT_EQ(model.Stats().xoffSent, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimNeverFullTest,
    testing::Values(SteadyCase{"RateZeroTakesEveryByteAtOnce", Config(16, 12, 4, 0), 0ns, 1000},
                    SteadyCase{"FedExactlyAtTheRate", Config(16, 12, 4, 1000), 1ms, 1000}));

TEST(CncSimMachineModelTest, EachHoldEndsWithOneXonTimedToTheNextByte) {
    MachineModel model(Config(16, 12, 4, 200));  // 5 ms a byte
    Play(model, {
                    {0ms, Text(12), Reply({kXoff})},
                    {0ms, Text(3), ""},
                    {55ms - 1ns, "", ""},
                    {55ms, "", Reply({kXon})},
                    {55ms, Text(8), Reply({kXoff})},
                    {95ms, "", Reply({kXon})},
                    {100ms, Text(9), Reply({kXoff})},
                    {101ms, Text(2), ""},
                });
    const auto& stats = model.Stats();
    EXPECT_EQ(stats.xoffSent, 3u);
    EXPECT_EQ(stats.xonSent, 2u);
    EXPECT_THAT(stats.xonToNextByte, ElementsAre(0ns, 5ms));
    EXPECT_EQ(stats.bytesReceived, 34u);
}

TEST(CncSimMachineModelTest, BytesIntoAFullBufferAreCountedAsOverflowAndStillKept) {
    MachineModel model(Config(16, 12, 4, 200));
    const auto burst = model.Receive(Text(20), 0ms);
    EXPECT_EQ(burst.reply, Reply({kXoff}));
    EXPECT_EQ(burst.data, Text(20));
    EXPECT_EQ(model.Fill(), 16u);
    EXPECT_EQ(model.Stats().overflowBytes, 4u);

    // One byte has drained by 5 ms: the first byte then fits, the second does not.
    model.RepliesWritten(0ms);
    EXPECT_EQ(model.Receive("AB", 5ms).data, "AB");
    EXPECT_EQ(model.Fill(), 16u);
    EXPECT_EQ(model.Stats().overflowBytes, 5u);
    EXPECT_EQ(model.Stats().bytesReceived, 22u);
    EXPECT_EQ(model.Stats().xoffSent, 1u) << "one XOFF per hold";
}

TEST(CncSimMachineModelTest, XonIsTimedFromWhenItWentOutToTheNextDataByte) {
    MachineModel model(Config(16, 12, 4, 200));  // 5 ms a byte
    EXPECT_EQ(model.Receive(Text(12), 0ms).reply, Reply({kXoff}));
    model.RepliesWritten(0ms);
    EXPECT_EQ(model.Advance(40ms), Reply({kXon}));
    model.Receive("a", 41ms);  // arrived before the XON was on the line: no answer to it
    model.RepliesWritten(43ms);
    model.Receive(Text(11), 44ms);
    EXPECT_EQ(model.Advance(100ms), Reply({kXon}));
    model.RepliesWritten(101ms);
    model.Receive("b", 103ms);
    EXPECT_THAT(model.Stats().xonToNextByte, ElementsAre(1ms, 2ms));
}

struct UntilReplyCase {
    const char* name;

    friend void PrintTo(const UntilReplyCase& c, std::ostream* os) { *os << c.name; }
    MachineConfig config;
    std::size_t received;  // data bytes that arrived at 0 ms, before the question
    std::optional<std::uint64_t> untilReply;
};

class CncSimUntilReplyTest : public testing::TestWithParam<UntilReplyCase> {};

// The session sleeps no longer than until the byte the control may answer has arrived, so
// the count must never be more than the bytes that really bring an answer.
TEST_P(CncSimUntilReplyTest, CountsTheDataBytesBeforeTheNextAnswer) {
    const UntilReplyCase& c = GetParam();
    MachineModel model(c.config);
    model.Receive(Text(c.received), 0ms);
    ASSERT_EQ(model.DataBytesUntilReply(), c.untilReply);
    if (c.untilReply) {
        const std::uint64_t before = *c.untilReply - 1;
        EXPECT_EQ(model.Receive(Text(before), 0ms).reply, "");
        EXPECT_NE(model.Receive("z", 0ms).reply, "");
    }
}

MachineConfig StopsReading(MachineConfig config, std::uint64_t at,
                           std::optional<std::chrono::milliseconds> lasting = std::nullopt) {
    config.stopReadingAt = at;
    config.stopReadingFor = lasting;
    return config;
}

MachineConfig WithHandshakes(MachineConfig config, std::uint64_t enqEvery, std::uint64_t nulEvery,
                             std::vector<std::uint64_t> nakAt) {
    config.enqEvery = enqEvery;
    config.nulEvery = nulEvery;
    config.nakAt = std::move(nakAt);
    return config;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimUntilReplyTest,
    testing::Values(
        UntilReplyCase{"ToTheXoffMark", Config(16, 12, 4, 200), 5, 7},
        UntilReplyCase{"NothingAtRateZero", Config(16, 12, 4, 0), 5, std::nullopt},
        UntilReplyCase{"NoSecondXoffWhileHeld", Config(16, 12, 4, 200), 12, std::nullopt},
        UntilReplyCase{"EnqFirst", WithHandshakes(Config(64, 60, 4, 200), 10, 0, {}), 13, 7},
        UntilReplyCase{"NulFirst", WithHandshakes(Config(64, 60, 4, 0), 0, 4, {}), 5, 3},
        UntilReplyCase{"NextNakPoint", WithHandshakes(Config(64, 60, 4, 0), 0, 0, {3, 9}), 5, 4},
        UntilReplyCase{"ThroughAStopOfReadingAtRateZero", StopsReading(Config(64, 60, 4, 0), 10), 5,
                       65}));

struct HandshakeCase {
    const char* name;

    friend void PrintTo(const HandshakeCase& c, std::ostream* os) { *os << c.name; }
    std::uint64_t enqEvery;
    std::vector<std::uint64_t> nakAt;
    SimTime nakHold;
    std::vector<Step> steps;
    std::string data;
    std::uint64_t enqSent, acksReceived, naksSent;
};

class CncSimHandshakeTest : public testing::TestWithParam<HandshakeCase> {};

TEST_P(CncSimHandshakeTest, AnswersAndCounts) {
    const HandshakeCase& c = GetParam();
    MachineConfig config = Config(4096, 4000, 10, 960);
    config.enqEvery = c.enqEvery;
    config.nakAt = c.nakAt;
    config.nakHold = std::chrono::duration_cast<std::chrono::milliseconds>(c.nakHold);
    MachineModel model(config);

    std::string data;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& step = c.steps[i];
        std::string out;
        if (step.in.empty()) {
            out = model.Advance(step.at);
        } else {
            const auto exchange = model.Receive(step.in, step.at);
            out = exchange.reply;
            data += exchange.data;
        }
        EXPECT_EQ(out, step.out) << "step " << i;
    }
    EXPECT_EQ(data, c.data);
    EXPECT_EQ(model.Stats().bytesReceived, c.data.size());
    EXPECT_EQ(model.Stats().enqSent, c.enqSent);
    EXPECT_EQ(model.Stats().acksReceived, c.acksReceived);
    EXPECT_EQ(model.Stats().naksSent, c.naksSent);
}

const std::string kEnqReply(1, kEnq), kNakReply(1, kNak), kAckReply(1, kAck), kAckByte(1, kAck);

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimHandshakeTest,
    testing::Values(
        HandshakeCase{"AckAnswersTheEnq",
                      4,
                      {},
                      0ms,
                      {{0ms, "abcd", kEnqReply}, {1ms, kAckByte, ""}, {2ms, "efgh", kEnqReply}},
                      "abcdefgh",
                      2,
                      1,
                      0},
        HandshakeCase{"AckByteWithNoEnqOutIsData",
                      4,
                      {},
                      0ms,
                      {{0ms, kAckByte + "bc", ""}, {1ms, "d", kEnqReply}},
                      kAckByte + "bcd",
                      1,
                      0,
                      0},
        HandshakeCase{
            "SecondAckByteIsData",
            2,
            {},
            0ms,
            {{0ms, "ab", kEnqReply}, {1ms, kAckByte + kAckByte, ""}, {2ms, "c", kEnqReply}},
            "ab" + kAckByte + "c",
            2,
            1,
            0},
        HandshakeCase{
            "EachOutstandingEnqTakesOneAck",
            2,
            {},
            0ms,
            {{0ms, "abcd", kEnqReply + kEnqReply}, {1ms, kAckByte + kAckByte + kAckByte, ""}},
            "abcd" + kAckByte,
            2,
            2,
            0},
        HandshakeCase{"AckWithinABurst",
                      3,
                      {},
                      0ms,
                      {{0ms, "abc" + kAckByte + "de", kEnqReply}},
                      "abcde",
                      1,
                      1,
                      0},
        HandshakeCase{"EnqOff",
                      0,
                      {},
                      0ms,
                      {{0ms, kAckByte + kAckByte + kAckByte, ""}},
                      kAckByte + kAckByte + kAckByte,
                      0,
                      0,
                      0},
        HandshakeCase{"NakThenAckAfterTheHold",
                      0,
                      {5},
                      200ms,
                      {{0ms, "abcd", ""},
                       {1ms, "ef", kNakReply},
                       {201ms - 1ns, "", ""},
                       {201ms, "", kAckReply},
                       {300ms, "g", ""}},
                      "abcdefg",
                      0,
                      0,
                      1},
        HandshakeCase{"SeveralNakPoints",
                      0,
                      {2, 4},
                      100ms,
                      {{0ms, "ab", kNakReply},
                       {100ms, "", kAckReply},
                       {150ms, "cd", kNakReply},
                       {250ms - 1ns, "", ""},
                       {250ms, "", kAckReply}},
                      "abcd",
                      0,
                      0,
                      2},
        HandshakeCase{"NakDuringAHoldStartsItAgain",
                      0,
                      {1, 2},
                      100ms,
                      {{0ms, "a", kNakReply},
                       {50ms, "b", kNakReply},
                       {100ms, "", ""},
                       {150ms, "", kAckReply},
                       {400ms, "", ""}},
                      "ab",
                      0,
                      0,
                      2},
        HandshakeCase{"NoHold",
                      0,
                      {3},
                      0ms,
                      {{0ms, "abc", kNakReply}, {0ms, "", kAckReply}},
                      "abc",
                      0,
                      0,
                      1}));

TEST(CncSimMachineModelTest, NulsGoOutAfterEveryNthByteAndAreCounted) {
    MachineConfig config = Config(256, 192, 64, 0);
    config.nulEvery = 2;
    MachineModel model(config);
    EXPECT_EQ(model.Receive("a", 0ms).reply, "");
    EXPECT_EQ(model.Receive("b", 0ms).reply, std::string(1, '\0'));
    EXPECT_EQ(model.Receive("cd", 0ms).reply, std::string(1, '\0'));
    EXPECT_EQ(model.Stats().nulsSent, 2U);
}

TEST(CncSimMachineModelTest, RepliesToOneByteGoOutFlowControlFirst) {
    MachineConfig config = Config(4, 3, 1, 100);
    config.enqEvery = 3;
    config.nakAt = {3};
    MachineModel model(config);
    EXPECT_EQ(model.Receive("abc", 0ms).reply, Reply({kXoff, kEnq, kNak}));
}

struct StartCase {
    const char* name;

    friend void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }
    bool startXon;
    std::chrono::milliseconds delay;
    std::string atOpen;  // the reply to the open at 1 s
    std::vector<Step> steps;
    bool sent;
};

class CncSimStartXonTest : public testing::TestWithParam<StartCase> {};

TEST_P(CncSimStartXonTest, SentOnceAfterTheOpen) {
    const StartCase& c = GetParam();
    MachineConfig config;
    config.startXon = c.startXon;
    config.startXonDelay = c.delay;
    MachineModel model(config);
    EXPECT_EQ(model.Connect(1s), c.atOpen);
    Play(model, c.steps);
    EXPECT_EQ(model.Stats().startXonSent, c.sent);
    EXPECT_EQ(model.Stats().xonSent, 0u) << "the start signal is no flow-control XON";
}

const std::string kXonReply(1, kXon);

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimStartXonTest,
    testing::Values(
        StartCase{"Off", false, 100ms, "", {{1s, "", ""}, {5s, "", ""}}, false},
        StartCase{"AtTheOpen", true, 0ms, kXonReply, {{1s, "", ""}, {5s, "", ""}}, true},
        StartCase{"AfterTheDelay",
                  true,
                  100ms,
                  "",
                  {{1s + 100ms - 1ns, "", ""}, {1s + 100ms, "", kXonReply}, {5s, "", ""}},
                  true},
        StartCase{"BytesBeforeTheDelayDoNotHurryIt",
                  true,
                  100ms,
                  "",
                  {{1s + 50ms, "G01", ""}, {1s + 100ms, "", kXonReply}},
                  true}));

struct StopReadingCase {
    const char* name;

    friend void PrintTo(const StopReadingCase& c, std::ostream* os) { *os << c.name; }
    MachineConfig config;
    std::vector<Step> steps;
    std::size_t fill;  // after the last step
    std::uint64_t overflow;
};

class CncSimStopReadingTest : public testing::TestWithParam<StopReadingCase> {};

// A control that stops reading lets its buffer fill whatever its rate, says XOFF at the mark
// and XON only once it reads again and has drained to the other mark.
TEST_P(CncSimStopReadingTest, HoldsTheToolWhileItDoesNotRead) {
    const StopReadingCase& c = GetParam();
    MachineModel model(c.config);
    Play(model, c.steps);
    EXPECT_EQ(model.Fill(), c.fill);
    EXPECT_EQ(model.Stats().overflowBytes, c.overflow);
    EXPECT_TRUE(model.Stats().readingStopped);
}

INSTANTIATE_TEST_SUITE_P(Cases, CncSimStopReadingTest,
                         testing::Values(
                             // Takes every byte at once, but not from the 5th on for 1 s.
                             StopReadingCase{"RateZeroFillsForTheWhile",
                                             StopsReading(Config(16, 12, 4, 0), 4, 1000ms),
                                             {{0ms, Text(4), ""},
                                              {1ms, Text(11), ""},
                                              {2ms, "x", Reply({kXoff})},
                                              {3ms, Text(4), ""},
                                              {1000ms - 1ns, "", ""},
                                              {1000ms, "", Reply({kXon})},
                                              {1005ms, Text(100), ""}},
                                             0,
                                             0},
                             // 200 bytes a second, 5 ms a byte; no drain from 0 ms to 500 ms.
                             StopReadingCase{"RateResumesWhereItStopped",
                                             StopsReading(Config(16, 12, 4, 200), 1, 500ms),
                                             {{0ms, "a", ""},
                                              {100ms, Text(11), Reply({kXoff})},
                                              {540ms - 1ns, "", ""},
                                              {540ms, "", Reply({kXon})}},
                                             4,
                                             0},
                             StopReadingCase{
                                 "ForEver",
                                 StopsReading(Config(16, 12, 4, 100), 2),
                                 {{0ms, Text(14), Reply({kXoff})}, {1h, "", ""}, {2h, Text(5), ""}},
                                 16,
                                 3}));

TEST(CncSimMachineModelTest, NoWakeUpIsDueWhileReadingHasStoppedForEver) {
    MachineModel model(StopsReading(Config(16, 12, 4, 100), 1));
    EXPECT_EQ(model.Receive(Text(12), 0ms).reply, Reply({kXoff}));
    EXPECT_EQ(model.NextDue(), std::nullopt);
    MachineModel resuming(StopsReading(Config(16, 12, 4, 100), 1, 300ms));
    EXPECT_EQ(resuming.Receive(Text(12), 5ms).reply, Reply({kXoff}));
    EXPECT_EQ(resuming.NextDue(), 305ms) << "reading resumes; the drain is timed from then";
    resuming.Advance(305ms);
    EXPECT_EQ(resuming.NextDue(), 305ms + 80ms) << "8 bytes to drain to the XON mark";
}

MachineConfig Noisy(std::chrono::milliseconds every, std::uint64_t seed) {
    MachineConfig config = Config(256, 192, 64, 0);
    config.noiseEvery = every;
    config.noiseSeed = seed;
    return config;
}

TEST(CncSimMachineModelTest, NoiseSendsEveryByteValueOncePerRoundFromAfterThePurge) {
    MachineModel model(Noisy(2ms, 7));
    EXPECT_EQ(model.Connect(0ms), "");
    EXPECT_EQ(model.NextDue(), 250ms) << "the tool purges its input right after the open";
    std::string noise;
    for (SimTime at = 250ms; at < 250ms + 2 * 256 * 2ms; at += 2ms) {
        ASSERT_EQ(model.NextDue(), at);
        const std::string reply = model.Advance(at);
        ASSERT_EQ(reply.size(), 1u) << "one byte every 2 ms";
        noise += reply;
    }
    for (const std::string& round : {noise.substr(0, 256), noise.substr(256)}) {
        std::string sorted = round;
        std::ranges::sort(sorted, [](char a, char b) {
            return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
        });
        for (int value = 0; value < 256; ++value) {
            ASSERT_EQ(static_cast<unsigned char>(sorted[static_cast<std::size_t>(value)]), value);
        }
    }
    EXPECT_NE(noise.substr(0, 256), noise.substr(256)) << "each round in an order of its own";
    EXPECT_EQ(model.Stats().noiseSent, 512u);

    MachineModel again(Noisy(2ms, 7));
    again.Connect(0ms);
    EXPECT_EQ(again.Advance(250ms + 255 * 2ms).substr(0, 16), noise.substr(0, 16))
        << "the seed decides the order; a late session sends at most 16 at once";
    EXPECT_EQ(again.NextDue(), 250ms + 256 * 2ms);
}

TEST(CncSimMachineModelTest, TheToolsAckToANoiseEnqIsNoData) {
    MachineModel model(Noisy(1ms, 3));
    model.Connect(0ms);
    std::string noise;
    SimTime at = 250ms;
    for (; noise.find(kEnq) == std::string::npos; at += 1ms) {
        noise += model.Advance(at);
    }
    // No more noise is due at the moment of the last.
    const SimTime last = at - 1ms;
    const std::string ack(1, kAck);
    EXPECT_EQ(model.Receive("G01" + ack + "X1", last).data, "G01X1");
    EXPECT_EQ(model.Receive(ack, last).data, ack) << "one ACK per ENQ";
}

}  // namespace
