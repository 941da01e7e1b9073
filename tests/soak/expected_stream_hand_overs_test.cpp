// The oracle's list of hand-overs, by which the soak judges a test that ended early: each
// entry must be a point the engine can stop at, with the level it then has.
#include <gtest/gtest.h>

#include <string>

#include "expected_stream.h"

namespace {

TEST(ExpectedStreamHandOversTest, OneEntryPerBatchWithTheLevelItBrought) {
    // Lines of 100 bytes: a batch is handed over every third line (300 > 200 bytes).
    std::string line(99, 'g');
    line += '\n';
    std::string file;
    for (int i = 0; i < 30; ++i) {
        file += line;
    }
    const ExpectedStream expected = ExpectedStreamFor(file);
    ASSERT_EQ(expected.handOvers.size(), 10u);
    EXPECT_EQ(expected.handOvers[0].end, 300u);
    EXPECT_EQ(expected.handOvers[0].level, 5) << "300 bytes do not yet pass 500";
    EXPECT_EQ(expected.handOvers[1].end, 600u);
    EXPECT_EQ(expected.handOvers[1].level, 7);
    EXPECT_EQ(expected.handOvers[3].level, 9);
    EXPECT_EQ(expected.handOvers.back().end, expected.bytes.size());
    EXPECT_EQ(expected.handOvers.back().level, expected.finalLevel);
}

TEST(ExpectedStreamHandOversTest, NothingHandedOverBeforeAnOverLongLine) {
    const ExpectedStream expected = ExpectedStreamFor(std::string(251, 'x') + "\n");
    EXPECT_TRUE(expected.handOvers.empty());
    EXPECT_EQ(expected.end, ExpectedStream::End::LongLine);
}

}  // namespace
