#include "adapter_numbers.h"

#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

const std::string kFtdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kArduino = "usb-Arduino__www.arduino.cc__0043_95635333231351F0B0C1-if00";

TEST(AdapterNumbersTest, TheSameKeyAsksForTheSameNumberEverywhere) {
    // FNV-1a of the by-id name, fixed here so that a change of the rule shows.
    EXPECT_EQ(PreferredAdapterNumber(kFtdi, 99), PreferredAdapterNumber(kFtdi, 99));
    EXPECT_EQ(PreferredAdapterNumber("", 99), 1 + static_cast<int>(2166136261u % 99));
    EXPECT_EQ(PreferredAdapterNumber("a", 99), 1 + static_cast<int>(0xe40c292cu % 99));
    for (const std::string& key : {kFtdi, kArduino, std::string("ttyUSB0")}) {
        const int number = PreferredAdapterNumber(key, 99);
        EXPECT_GE(number, 1);
        EXPECT_LE(number, 99);
    }
}

TEST(AdapterNumbersTest, AnAdapterKeepsItsNumberWhateverElseIsPlugged) {
    const auto all = [](int) { return true; };
    const int alone = AssignAdapterNumbers({kFtdi}, 99, all)[0];
    EXPECT_EQ(alone, PreferredAdapterNumber(kFtdi, 99));
    const auto withOthers = AssignAdapterNumbers({kArduino, kFtdi, "ttyUSB3"}, 99, all);
    EXPECT_EQ(withOthers[1], alone);
    EXPECT_EQ(std::set<int>(withOthers.begin(), withOthers.end()).size(), 3u);
}

TEST(AdapterNumbersTest, TakenNumbersAreSkippedUpwardAndRoundToOne) {
    const int wanted = PreferredAdapterNumber(kFtdi, 99);
    const auto notWanted = [&](int number) { return number != wanted; };
    EXPECT_EQ(AssignAdapterNumbers({kFtdi}, 99, notWanted)[0], wanted % 99 + 1);

    // Only 2 and 3 are free: whatever the wish, the first by key takes the first found.
    const auto twoAndThree = [](int number) { return number == 2 || number == 3; };
    const auto numbers = AssignAdapterNumbers({"b", "a", "c"}, 99, twoAndThree);
    EXPECT_THAT(numbers, testing::UnorderedElementsAre(2, 3, 0)) << "one finds no number";
}

TEST(AdapterNumbersTest, TwoAdaptersThatWishTheSameNumberGoByKey) {
    // "aa" and "zz" both wish for 2 of 2: the smaller key has it, the other goes round to 1,
    // in whichever order they are found.
    ASSERT_EQ(PreferredAdapterNumber("aa", 2), 2);
    ASSERT_EQ(PreferredAdapterNumber("zz", 2), 2);
    const auto all = [](int) { return true; };
    EXPECT_THAT(AssignAdapterNumbers({"zz", "aa"}, 2, all), testing::ElementsAre(1, 2));
    EXPECT_THAT(AssignAdapterNumbers({"aa", "zz"}, 2, all), testing::ElementsAre(2, 1));
}

}  // namespace
