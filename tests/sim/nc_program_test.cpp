#include "nc_program.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NcProgramTest, IsARealisticProgramOfAtLeastTheAskedSize) {
    const std::string program = GenerateNcProgram(200000, 7);
    EXPECT_GE(program.size(), 200000u);
    EXPECT_LT(program.size(), 201000u);
    EXPECT_EQ(program, GenerateNcProgram(200000, 7)) << "the same for the same seed";
    EXPECT_NE(program, GenerateNcProgram(200000, 8));

    ASSERT_EQ(program.back(), '\n');
    std::size_t lines = 0, crlf = 0, lower = 0, longest = 0;
    for (std::size_t start = 0; start < program.size();) {
        const std::size_t end = program.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = program.substr(start, end - start);
        ++lines;
        crlf += !line.empty() && line.back() == '\r';
        lower += line.starts_with("n");
        longest = std::max(longest, line.size());
        start = end + 1;
    }
    EXPECT_GT(crlf, lines / 10);
    EXPECT_LT(crlf, lines);
    EXPECT_GT(lower, lines / 10);
    EXPECT_LT(longest, 250u) << "no line the tool would refuse";
    EXPECT_EQ(program.find('\0'), std::string::npos);
    // Hangul in code page 949 (가공), and a syllable whose trail byte reads as 'c'.
    EXPECT_NE(program.find("\xB0\xA1\xB0\xF8"), std::string::npos);
    EXPECT_NE(program.find("\x8C\x63"), std::string::npos);
}

}  // namespace
