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

TEST(IniTextTest, AnEndOfLineCommentIsNoPartOfTheValue) {
    const std::string text =
        "ParityBit=2        ; 0 none, 1 odd, 2 even\n"
        "[Ports]\n"
        "COM3=/dev/ttyUSB0  ; without an entry, COMn is /dev/ttyS<n-1>\n"
        "COM4=/dev/serial/by-id/usb-x#1\t# tab then hash\n"
        "COM5=  ; nothing but a comment\n";
    EXPECT_EQ(FindIniValue(text, "General", "ParityBit"), "2");
    EXPECT_EQ(FindIniValue(text, "Ports", "COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(FindIniValue(text, "Ports", "COM4"), "/dev/serial/by-id/usb-x#1");
    EXPECT_EQ(FindIniValue(text, "Ports", "COM5"), "");
}

// Every byte but the values set stays; what was not there is added where a reader finds it.
TEST(IniTextTest, SettingValuesKeepsEveryOtherByte) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"values replaced in place, comments and spacing kept",
         "# mine\r\n[General]\r\nComID = 1   ; the port\r\nBoudrate=9600\r\n\r\n[Ports]\r\n"
         "COM3=/dev/ttyUSB0\r\n",
         "# mine\r\n[General]\r\nComID = 12   ; the port\r\nBoudrate=19200\r\n\r\n[Ports]\r\n"
         "COM3=/dev/ttyUSB0\r\n"},
        {"a missing key goes after the section's last key, in the file's line ends",
         "[General]\r\nComID=1\r\n\r\n[Ports]\r\nComID=7\r\n",
         "[General]\r\nComID=12\r\nBoudrate=19200\r\n\r\n[Ports]\r\nComID=7\r\n"},
        {"keys above every header are General's", "comid=3\n[Ports]\nCOM1=/dev/pts/1\n",
         "comid=12\nBoudrate=19200\n[Ports]\nCOM1=/dev/pts/1\n"},
        {"every line that sets the key is changed", "[General]\nComID=1\n[general]\nComID=2",
         "[General]\nComID=12\n[general]\nComID=12\nBoudrate=19200\n"},
        {"no General section: one at the top", "[Ports]\nCOM1=/x\n",
         "[General]\nComID=12\nBoudrate=19200\n\n[Ports]\nCOM1=/x\n"},
        {"an empty file", "", "[General]\nComID=12\nBoudrate=19200\n"},
        {"an empty value gets one", "[General]\nComID=\nBoudrate=   # none yet\n",
         "[General]\nComID=12\nBoudrate=19200   # none yet\n"},
        {"a header without keys", "[General]\n[Ports]\n",
         "[General]\nComID=12\nBoudrate=19200\n[Ports]\n"},
        {"an empty value on a last line without a line feed",
         "[General]\nComID=", "[General]\nComID=12\nBoudrate=19200\n"},
    };
    const std::vector<std::pair<std::string, std::string>> values = {{"ComID", "12"},
                                                                     {"Boudrate", "19200"}};
    for (const Case& c : cases) {
        const std::string after = SetIniValues(c.before, "General", values);
        EXPECT_EQ(after, c.after) << c.name;
        EXPECT_EQ(FindIniValue(after, "General", "ComID"), "12") << c.name;
        EXPECT_EQ(FindIniValue(after, "General", "Boudrate"), "19200") << c.name;
    }
}

}  // namespace
