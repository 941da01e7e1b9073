#include "uart_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line_frame.h"

namespace {

using namespace std::chrono_literals;
using cnc_sim::Arrival;
using cnc_sim::LineFrame;
using cnc_sim::ParseLineFrame;
using cnc_sim::SimTime;
using cnc_sim::TimeOfCharacters;
using cnc_sim::UartModel;
using testing::ElementsAre;

const LineFrame k7E2{7, 'E', 4};
const LineFrame k8N1{8, 'N', 2};

struct FrameCase {
    const char* text;
    double bits;
    std::uint32_t baud;
    std::uint64_t count;
    SimTime time;

    friend void PrintTo(const FrameCase& c, std::ostream* os) {
        *os << c.count << " x " << c.text << " at " << c.baud;
    }
};

class CncSimLineFrameTest : public testing::TestWithParam<FrameCase> {};

TEST_P(CncSimLineFrameTest, BitsAndTimeOnTheWire) {
    const FrameCase& c = GetParam();
    const auto frame = ParseLineFrame(c.text);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->BitsPerCharacter(), c.bits);
    EXPECT_EQ(frame->Text(), c.text);
    EXPECT_EQ(TimeOfCharacters(c.count, *frame, c.baud), c.time);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimLineFrameTest,
    testing::Values(
        // 11 bits at 9600 baud: 872.7 characters a second, one in 1.1458333 ms (rounded up).
        FrameCase{"7E2", 11, 9600, 1, 1'145'834ns},
        FrameCase{"7E2", 11, 9600, 873, 1'000'312'500ns}, FrameCase{"8N1", 10, 9600, 960, 1s},
        FrameCase{"8O1", 11, 115200, 1, 95'487ns}, FrameCase{"7E1.5", 10.5, 9600, 1, 1'093'750ns},
        FrameCase{"5N1.5", 7.5, 110, 1, 68'181'819ns},
        FrameCase{"8N2", 11, 921600, 92160, 1'100'000'000ns},
        // A billion characters at the slowest rate stay exact.
        FrameCase{"8N2", 11, 50, 1'000'000'000, 220'000'000s}, FrameCase{"8N1", 10, 0, 1000, 0ns}));

TEST(CncSimLineFrameTest, RefusesWhatIsNoFrame) {
    for (const char* text : {"", "7E", "9N1", "4N1", "7X1", "7E3", "7E1.", "7E15", "8N1 "}) {
        EXPECT_FALSE(ParseLineFrame(text).has_value()) << text;
    }
    EXPECT_EQ(ParseLineFrame("8n1")->Text(), "8N1");
}

std::string Bytes(const std::vector<Arrival>& arrivals) {
    std::string bytes;
    for (const Arrival& arrival : arrivals) {
        bytes += arrival.byte;
    }
    return bytes;
}

std::vector<SimTime> Times(const std::vector<Arrival>& arrivals) {
    std::vector<SimTime> times;
    for (const Arrival& arrival : arrivals) {
        times.push_back(arrival.at);
    }
    return times;
}

// 8N1 at 10000 baud: one character in exactly 1 ms.
constexpr std::uint32_t kMsBaud = 10000;

TEST(CncSimUartModelTest, CharactersArriveOneAfterTheOtherWithTheirLastBit) {
    UartModel uart(k7E2, 9600);
    uart.Queue("abc", 0ms);
    EXPECT_EQ(uart.ArrivalOf(1), 1'145'834ns);
    EXPECT_EQ(uart.ArrivalOf(3), 3'437'500ns) << "timed from the first, so rounding never adds up";
    EXPECT_EQ(uart.ArrivalOf(4), std::nullopt) << "not queued";
    uart.AdvanceTo(2'291'667ns - 1ns);
    EXPECT_EQ(Bytes(uart.TakeArrivals()), "a");
    uart.AdvanceTo(1s);
    const auto rest = uart.TakeArrivals();
    EXPECT_EQ(Bytes(rest), "bc");
    EXPECT_THAT(Times(rest), ElementsAre(2'291'667ns, 3'437'500ns));
    EXPECT_EQ(uart.Queued(), 0u);
    EXPECT_TRUE(uart.TakeArrivals().empty()) << "each arrival is taken once";
}

TEST(CncSimUartModelTest, AnIdleLineStartsACharacterTheMomentItIsQueued) {
    UartModel uart(k8N1, kMsBaud);
    uart.Queue("a", 0ms);
    uart.Queue("b", 10ms);
    uart.Queue("cd", 10ms + 500us);
    uart.AdvanceTo(1s);
    EXPECT_THAT(Times(uart.TakeArrivals()), ElementsAre(1ms, 11ms, 12ms, 13ms));
}

TEST(CncSimUartModelTest, AHoldLetsTheCharacterOnTheWireFinishAndKeepsTheRest) {
    UartModel uart(k8N1, kMsBaud);
    uart.Queue("abcd", 0ms);
    uart.Hold(1500us);  // b is on the wire
    EXPECT_EQ(uart.ArrivalOf(1), 2ms);
    EXPECT_EQ(uart.ArrivalOf(2), std::nullopt) << "held";
    uart.AdvanceTo(50ms);
    EXPECT_EQ(Bytes(uart.TakeArrivals()), "ab");
    EXPECT_EQ(uart.Queued(), 2u);
    EXPECT_TRUE(uart.Held());

    uart.Release(60ms);
    uart.AdvanceTo(1s);
    const auto rest = uart.TakeArrivals();
    EXPECT_EQ(Bytes(rest), "cd");
    EXPECT_THAT(Times(rest), ElementsAre(61ms, 62ms));
}

TEST(CncSimUartModelTest, QueuedWhileHeldGoesOnlyOnRelease) {
    UartModel uart(k8N1, kMsBaud);
    uart.Hold(0ms);
    uart.Queue("ab", 1ms);
    uart.AdvanceTo(100ms);
    EXPECT_TRUE(uart.TakeArrivals().empty());
    uart.Release(100ms);
    uart.AdvanceTo(1s);
    EXPECT_THAT(Times(uart.TakeArrivals()), ElementsAre(101ms, 102ms));
}

TEST(CncSimUartModelTest, AChangedRateTimesTheCharactersNotYetOnTheWire) {
    UartModel uart(k8N1, kMsBaud);
    uart.Queue("abc", 0ms);
    uart.SetBaud(2 * kMsBaud, 500us);
    EXPECT_EQ(uart.ArrivalOf(3), 2ms);
    uart.AdvanceTo(1s);
    EXPECT_THAT(Times(uart.TakeArrivals()), ElementsAre(1ms, 1500us, 2ms));
    EXPECT_EQ(uart.Stats().baud, 2 * kMsBaud);
}

TEST(CncSimUartModelTest, APurgeDropsWhatIsNotOnTheWire) {
    UartModel uart(k8N1, kMsBaud);
    uart.Queue("abcde", 0ms);
    uart.Purge(500us);
    uart.AdvanceTo(1s);
    EXPECT_EQ(Bytes(uart.TakeArrivals()), "a");
    EXPECT_EQ(uart.Stats().purged, 4u);
}

TEST(CncSimUartModelTest, QueueMaxCountsWaitingAndOnTheWire) {
    UartModel uart(k8N1, kMsBaud);
    uart.Queue("abc", 0ms);
    uart.Queue("de", 1500us);  // a has arrived: b on the wire, c, d, e waiting
    uart.AdvanceTo(3500us);
    uart.Queue("f", 3500us);  // d on the wire, e, f waiting
    uart.AdvanceTo(1s);
    EXPECT_EQ(uart.Stats().queueMax, 4u);
    EXPECT_EQ(uart.Queued(), 0u);
}

TEST(CncSimUartModelTest, ZeroBaudDeliversAtOnce) {
    UartModel uart(k7E2, 0);
    uart.Queue("abc", 5ms);
    uart.AdvanceTo(5ms);
    EXPECT_THAT(Times(uart.TakeArrivals()), ElementsAre(5ms, 5ms, 5ms));
}

// One moment of the line: what happened at it.
enum class Event { kQueue, kXoff, kXon, kHold, kRelease, kFinish };
struct Step {
    SimTime at;
    Event event;
    const char* bytes = "";
};

struct ReactionCase {
    const char* name;

    friend void PrintTo(const ReactionCase& c, std::ostream* os) { *os << c.name; }
    std::vector<Step> steps;
    std::vector<std::uint64_t> afterXoff;
    std::vector<std::uint64_t> writtenAfterXoff;
};

class CncSimAfterXoffTest : public testing::TestWithParam<ReactionCase> {};

// Characters that went onto the wire after the machine's XOFF was written and before the
// tool's hold: the tool's reaction as a real line shows it.
TEST_P(CncSimAfterXoffTest, CountsWhatStartedBetweenXoffAndHold) {
    const ReactionCase& c = GetParam();
    UartModel uart(k8N1, kMsBaud);
    for (const Step& step : c.steps) {
        switch (step.event) {
            case Event::kQueue:
                uart.Queue(step.bytes, step.at);
                break;
            case Event::kXoff:
                uart.XoffWritten(step.at);
                break;
            case Event::kXon:
                uart.XonWritten(step.at);
                break;
            case Event::kHold:
                uart.Hold(step.at);
                break;
            case Event::kRelease:
                uart.Release(step.at);
                break;
            case Event::kFinish:
                uart.Finish(step.at);
                break;
        }
    }
    EXPECT_EQ(uart.Stats().afterXoff, c.afterXoff);
    EXPECT_EQ(uart.Stats().writtenAfterXoff, c.writtenAfterXoff);
}

const char* const kTen = "0123456789";

INSTANTIATE_TEST_SUITE_P(
    Cases, CncSimAfterXoffTest,
    testing::Values(
        // 2 was on the wire at the XOFF and 5 started just before the hold: 3, 4, 5.
        ReactionCase{"StartedInBetween",
                     {{0ms, Event::kQueue, kTen},
                      {2500us, Event::kXoff},
                      {5500us, Event::kHold},
                      {9ms, Event::kRelease}},
                     {3},
                     {0}},
        ReactionCase{"AnAtOnceHoldLetsNothingThrough",
                     {{0ms, Event::kQueue, kTen},
                      {2500us, Event::kXoff},
                      {2600us, Event::kHold},
                      {9ms, Event::kRelease}},
                     {0},
                     {0}},
        ReactionCase{"ACharacterStartingAtTheHoldStillGoes",
                     {{0ms, Event::kQueue, kTen}, {500us, Event::kXoff}, {3ms, Event::kHold}},
                     {3},
                     {0}},
        ReactionCase{"WrittenWhileTheXoffWasUnread",
                     {{0ms, Event::kQueue, kTen},
                      {500us, Event::kXoff},
                      {1ms, Event::kQueue, "abcde"},
                      {2ms, Event::kQueue, "fgh"},
                      {3ms, Event::kHold}},
                     {3},
                     {8}},
        ReactionCase{"AlreadyHeldWhenTheXoffWentOut",
                     {{0ms, Event::kQueue, kTen}, {500us, Event::kHold}, {700us, Event::kXoff}},
                     {0},
                     {0}},
        ReactionCase{"WrittenAfterTheXoffOntoAnIdleLine",
                     {{500us, Event::kXoff}, {2ms, Event::kQueue, "ab"}, {2100us, Event::kHold}},
                     {1},
                     {2}},
        ReactionCase{"NeverHeldCountsUpToTheXon",
                     {{0ms, Event::kQueue, kTen},
                      {500us, Event::kXoff},
                      {4500us, Event::kXon},
                      {6500us, Event::kHold}},
                     {4},
                     {0}},
        ReactionCase{"AReleaseWithoutAHoldSeenEndsIt",
                     {{0ms, Event::kQueue, kTen}, {500us, Event::kXoff}, {2500us, Event::kRelease}},
                     {2},
                     {0}},
        ReactionCase{"EachXoffApart",
                     {{0ms, Event::kQueue, kTen},
                      {500us, Event::kXoff},
                      {1500us, Event::kHold},
                      {3ms, Event::kRelease},
                      {3500us, Event::kXoff},
                      {3600us, Event::kXoff},
                      {6500us, Event::kHold}},
                     {1, 0, 3},
                     {0, 0, 0}},
        ReactionCase{"TheEndOfTheSessionEndsIt",
                     {{0ms, Event::kQueue, kTen}, {500us, Event::kXoff}, {4500us, Event::kFinish}},
                     {4},
                     {0}},
        ReactionCase{"NoXoffNoCount", {{0ms, Event::kQueue, kTen}, {5ms, Event::kHold}}, {}, {}}));

}  // namespace
