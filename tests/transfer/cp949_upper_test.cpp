#include "cp949_upper.h"
#include "hex_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct UpperCase {
    const char* name;
    std::string text;
    std::string expected;

    friend void PrintTo(const UpperCase& c, std::ostream* os) { *os << c.name; }
};

const std::vector<UpperCase> kCases = {
    {"NcBlock", "g01 x10. y-2.5 f300;", "G01 X10. Y-2.5 F300;"},
    {"Empty", "", ""},
    // (가공 시작) m30
    {"HangulComment", "(\xB0\xA1\xB0\xF8 \xBD\xC3\xC0\xDB) m30",
     "(\xB0\xA1\xB0\xF8 \xBD\xC3\xC0\xDB) M30"},
    // 갵 걕 죂: their trail bytes are 'a', 'z' and 'a'.
    {"TrailBytesWithLetterValues",
     "\x81\x61\x81\x7A\xA1\x61"
     "a",
     "\x81\x61\x81\x7A\xA1\x61"
     "A"},
    // Pairs glibc maps to no character still travel as pairs.
    {"UnmappedPairs",
     "\xC6\x7A\xFE\x61"
     "a",
     "\xC6\x7A\xFE\x61"
     "A"},
    {"FullWidthLatin", "\xA3\xE1\xA3\xFA", "\xA3\xC1\xA3\xDA"},                   // ａｚ
    {"Greek", "\xA5\xE1\xA5\xF8", "\xA5\xC1\xA5\xD8"},                            // αω
    {"Cyrillic", "\xAC\xD1\xAC\xF1\xAC\xD7", "\xAC\xA1\xAC\xC1\xAC\xA7"},         // аяё
    {"SmallRomanNumerals", "\xA5\xA1\xA5\xAA", "\xA5\xB0\xA5\xB9"},               // ⅰⅹ
    {"Row9LatinToRow8", "\xA9\xA1\xA9\xA9\xA9\xAF", "\xA8\xA1\xA8\xA9\xA8\xAF"},  // æłŋ
    // ı đ ⓐ ⒜ ß ĸ ŉ: no capital, or none among the double-byte characters.
    {"CapitalOutsideTheCodePage", "\xA9\xA5\xA9\xA2\xA8\xCD\xA9\xCD\xA9\xAC\xA9\xA7\xA9\xB0",
     "\xA9\xA5\xA9\xA2\xA8\xCD\xA9\xCD\xA9\xAC\xA9\xA7\xA9\xB0"},
    {"LeadByteAtTheEnd", "x\xB0", "X\xB0"},
    {"LeadByteBeforeNonTrailBytes", "\xB0 a\xA3{x", "\xB0 A\xA3{X"},
    {"AlreadyUpperCase", "G01 X10. (\xB0\xA1) \xA3\xC1\xA5\xC1\xAC\xC1\xA5\xB0\xA8\xA1",
     "G01 X10. (\xB0\xA1) \xA3\xC1\xA5\xC1\xAC\xC1\xA5\xB0\xA8\xA1"},
};

class Cp949UpperTest : public testing::TestWithParam<UpperCase> {};

TEST_P(Cp949UpperTest, UpperCasesInPlace) {
    std::string text = GetParam().text;
    UpperCaseCp949(text);
    EXPECT_EQ(Hex(text), Hex(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Texts, Cp949UpperTest, testing::ValuesIn(kCases));

TEST(Cp949UpperTextTest, LeavesTheByteAfterTheLengthAlone) {
    // Read past the end, 0xA3 0xE1 would be ａ and become Ａ.
    char text[] = {'x', '\xA3', '\xE1'};
    UpperCaseCp949(text, 2);
    EXPECT_EQ(Hex(std::string(text, 3)), Hex("X\xA3\xE1"));
}

TEST(Cp949UpperTextTest, ConvertingAgainChangesNothing) {
    std::string mixed;
    for (const UpperCase& c : kCases) {
        mixed += c.text;
    }
    UpperCaseCp949(mixed);
    const std::string once = mixed;
    UpperCaseCp949(mixed);
    EXPECT_EQ(Hex(mixed), Hex(once));
}

}  // namespace
