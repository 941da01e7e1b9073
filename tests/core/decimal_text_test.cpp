#include "decimal_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DecimalCase {
    std::string text;
    std::int32_t expected;

    friend void PrintTo(const DecimalCase& c, std::ostream* os) {
        *os << testing::PrintToString(c.text.substr(0, 40));
    }
};

class DecimalTextTest : public testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalTextTest, FollowsTheCLibraryRule) {
    EXPECT_EQ(DecimalTextToInt(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DecimalTextTest,
    testing::Values(DecimalCase{"9600", 9600}, DecimalCase{"3abc", 3}, DecimalCase{"abc", 0},
                    DecimalCase{"", 0}, DecimalCase{"  \t\n\v\f\r42", 42}, DecimalCase{"+7", 7},
                    DecimalCase{"-2", -2}, DecimalCase{"- 2", 0}, DecimalCase{"+-2", 0},
                    DecimalCase{"2 3", 2}, DecimalCase{"0x10", 0}, DecimalCase{"007", 7},
                    DecimalCase{"1.5", 1},
                    // A value stored as a 32-bit number reads as its bytes: 2 is "\x02".
                    DecimalCase{std::string("\x02\x00\x00\x00", 4), 0},
                    DecimalCase{std::string("12\x00"
                                            "34",
                                            5),
                                12},
                    DecimalCase{"\xff\xfe"
                                "5",
                                0},
                    DecimalCase{"2147483647", 2147483647}, DecimalCase{"2147483648", 2147483647},
                    DecimalCase{"-2147483648", -2147483647 - 1},
                    DecimalCase{"-99999999999999999999999", -2147483647 - 1},
                    DecimalCase{std::string(5000, '9'), 2147483647}));

}  // namespace
