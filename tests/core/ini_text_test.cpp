#include "ini_text.h"

#include <gtest/gtest.h>

namespace {

TEST(IniTextTest, FindsValuesBySectionAndKeyIgnoringCase) {
    const std::string text =
        "ComID=3\r\n"
        "; a comment=1\r\n"
        "# another=2\n"
        "[General]\n"
        "  Boudrate =  19200  \n"
        "[Ports]\n"
        "COM3=/dev/ttyUSB0\n"
        "ComID=9\n"
        "[general]\n"
        "ComID=4\n";
    EXPECT_EQ(FindIniValue(text, "General", "comid"), "4");  // last one in its section wins
    EXPECT_EQ(FindIniValue(text, "General", "Boudrate"), "19200");
    EXPECT_EQ(FindIniValue(text, "ports", "com3"), "/dev/ttyUSB0");
    EXPECT_EQ(FindIniValue(text, "Ports", "ComID"), "9");
    EXPECT_EQ(FindIniValue(text, "General", "a comment"), std::nullopt);
    EXPECT_EQ(FindIniValue(text, "General", "Missing"), std::nullopt);
    EXPECT_EQ(FindIniValue(text, "Other", "ComID"), std::nullopt);
}

TEST(IniTextTest, KeysBeforeAnySectionBelongToGeneral) {
    EXPECT_EQ(FindIniValue("StopBit=1\n[Ports]\nStopBit=2", "General", "StopBit"), "1");
}

TEST(IniTextTest, SurvivesMalformedText) {
    EXPECT_EQ(FindIniValue("", "General", "ComID"), std::nullopt);
    EXPECT_EQ(FindIniValue("[General\nComID=5\n", "General", "ComID"), std::nullopt);
    EXPECT_EQ(FindIniValue("ComID\n=\n==\n[]\nComID==7", "General", "ComID"), std::nullopt);
    EXPECT_EQ(FindIniValue("ComID==7", "General", "ComID"), "=7");
    EXPECT_EQ(FindIniValue("ComID=", "General", "ComID"), "");
    EXPECT_EQ(FindIniValue(std::string("ComID=\x01\x00\x00\x00", 10), "General", "ComID"),
              std::string("\x01\x00\x00\x00", 4));
}

}  // namespace
