#include "cp949_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp949TextTest, DecodesKoreanAndKeepsGoingPastBadBytes) {
    EXPECT_EQ(Cp949ToUtf8("(\xB0\xA1\xB0\xF8) G01\r\n"), "(가공) G01\r\n");
    EXPECT_EQ(Cp949ToUtf8("\x8C\x63\xC1\x64"), "똠햏");  // trail bytes in the ASCII range
    EXPECT_EQ(Cp949ToUtf8(""), "");
    EXPECT_EQ(Cp949ToUtf8("a\xFF"
                          "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Cp949ToUtf8("ok \xB0"), "ok \xEF\xBF\xBD") << "a lead byte cut off at the end";
    const std::string longText(5000, 'x');
    EXPECT_EQ(Cp949ToUtf8(longText + "\xB0\xA1"), longText + "가");
}

}  // namespace
