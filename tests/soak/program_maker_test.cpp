#include "program_maker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace {

using soak::LineEnds;
using soak::MakeProgram;
using soak::ProgramPlan;

// The bytes before each line feed, a CR counted, line by line.
std::vector<std::size_t> LineLengths(const std::string& text) {
    std::vector<std::size_t> lengths;
    std::size_t start = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
        lengths.push_back(at - start);
        start = at + 1;
    }
    return lengths;
}

struct ShapeCase {
    const char* name;
    ProgramPlan plan;

    friend void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }
};

ProgramPlan Plan(LineEnds ends, std::size_t nuls, std::size_t full, std::size_t hangul,
                 std::optional<std::size_t> overLong, bool unterminated,
                 std::size_t minBytes = 250'000) {
    ProgramPlan plan;
    plan.generatorSeed = 17;
    plan.minBytes = minBytes;
    plan.lineEnds = ends;
    plan.nuls = nuls;
    plan.fullLines = full;
    plan.hangulComments = hangul;
    plan.overLongNear = overLong;
    plan.lastLineUnterminated = unterminated;
    return plan;
}

class SoakProgramShapeTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(SoakProgramShapeTest, HasWhatThePlanAsks) {
    const ProgramPlan& plan = GetParam().plan;
    const std::string text = MakeProgram(plan);
    EXPECT_EQ(text, MakeProgram(plan)) << "the same plan, the same program";
    EXPECT_GE(text.size(), std::max<std::size_t>(plan.minBytes, 200'000));

    const std::size_t crlf = [&text] {
        std::size_t n = 0;
        for (std::size_t i = 1; i < text.size(); ++i) {
            n += text[i] == '\n' && text[i - 1] == '\r';
        }
        return n;
    }();
    const auto lines = static_cast<std::size_t>(std::ranges::count(text, '\n'));
    switch (plan.lineEnds) {
        case LineEnds::kLf:
            EXPECT_EQ(crlf, 0u);
            break;
        case LineEnds::kCrLf:
            EXPECT_EQ(crlf, lines);
            break;
        case LineEnds::kMixed:
            EXPECT_GT(crlf, 0u);
            EXPECT_LT(crlf, lines);
            break;
    }

    const auto lengths = LineLengths(text.substr(0, soak::kReshapedPart + 2'000));
    const auto full =
        std::ranges::count_if(lengths, [](std::size_t n) { return n == 249 || n == 250; });
    EXPECT_EQ(static_cast<std::size_t>(full), plan.fullLines);
    const auto overLong = std::ranges::count_if(lengths, [](std::size_t n) { return n > 250; });
    EXPECT_EQ(overLong, plan.overLongNear ? 1 : 0);

    EXPECT_EQ(static_cast<std::size_t>(std::ranges::count(text, '\0')), plan.nuls);
    EXPECT_EQ(text.find('\0', soak::kReshapedPart), std::string::npos)
        << "NULs only where a test sends";
    EXPECT_EQ(text.back() != '\n', plan.lastLineUnterminated);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoakProgramShapeTest,
    testing::Values(ShapeCase{"AsGenerated", Plan(LineEnds::kMixed, 0, 0, 0, {}, false)},
                    ShapeCase{"LfOnlyStaysLarge", Plan(LineEnds::kLf, 0, 0, 0, {}, false, 200'000)},
                    ShapeCase{"CrLfWithFullLines", Plan(LineEnds::kCrLf, 0, 12, 0, {}, false)},
                    ShapeCase{"MixedFullLines", Plan(LineEnds::kMixed, 0, 20, 0, {}, false)},
                    ShapeCase{"NulsAndHangul", Plan(LineEnds::kLf, 40, 0, 50, {}, false)},
                    ShapeCase{"OverLong", Plan(LineEnds::kCrLf, 3, 2, 5, 30'000, true)},
                    ShapeCase{"Big", Plan(LineEnds::kMixed, 1, 1, 1, {}, true, 3'000'000)}));

TEST(SoakProgramTest, TheOverLongLineComesNearItsPlace) {
    const std::string text = MakeProgram(Plan(LineEnds::kLf, 0, 0, 0, 30'000, false));
    std::size_t start = 0, overLongAt = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
        if (at - start > 250) {
            overLongAt = start;
            break;
        }
        start = at + 1;
    }
    EXPECT_GE(overLongAt, 30'000u);
    EXPECT_LT(overLongAt, 30'300u) << "at the first line start from the place on";
}

TEST(SoakProgramTest, HangulCommentsHoldTrailBytesWithTheValuesOfLetters) {
    const std::string plain = MakeProgram(Plan(LineEnds::kLf, 0, 0, 0, {}, false));
    const std::string text = MakeProgram(Plan(LineEnds::kLf, 0, 0, 50, {}, false));
    std::size_t comments = 0, letterTrails = 0;
    std::size_t start = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos && start < 70'000;
         at = text.find('\n', start)) {
        const std::string line = text.substr(start, at - start);
        start = at + 1;
        if (!line.starts_with("(") || static_cast<unsigned char>(line[1]) < 0x81) {
            continue;
        }
        ++comments;
        for (std::size_t i = 1; i + 1 < line.size() - 1; i += 2) {
            ASSERT_GE(static_cast<unsigned char>(line[i]), 0x81) << "a lead byte";
            letterTrails += std::isalpha(static_cast<unsigned char>(line[i + 1])) != 0;
        }
    }
    EXPECT_EQ(comments, 50u);
    EXPECT_GT(letterTrails, 50u);
    EXPECT_GT(text.size(), plain.size());
}

}  // namespace
