#include "notice_file.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

TEST(NoticeFileTest, AZeroByteEndsOnlyThe500BytePieceItIsIn) {
    const std::string head(498, 'a');
    struct Case {
        std::string stored;
        std::string shown;
    };
    const Case cases[] = {
        {"안내\r\n", "안내\r\n"},
        {std::string("ab\0cd", 5), "ab"},
        // The zero is the last byte of the first piece; the second is shown whole.
        {head + std::string("x\0yz", 4) + "next", head + "xyznext"},
        {head + std::string("\0xy", 3) + "next", head + "ynext"},
        {std::string(1200, 'b'), std::string(1200, 'b')},
        {"", ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        EXPECT_EQ(ReadNoticeFile(dir.Write("Strandex.txt", c.stored)), c.shown);
    }
}

// A file that is only read is never created: starting the tool in a folder leaves it as it was.
TEST(NoticeFileTest, AMissingFileIsAnEmptyNoticeAndIsNotCreated) {
    TempDir dir;
    EXPECT_EQ(ReadNoticeFile(dir.path() / "Strandex.txt"), "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Strandex.txt"));
    EXPECT_EQ(ReadNoticeFile(dir.path() / "missing-folder" / "Strandex.txt"), "");
    std::filesystem::create_directory(dir.path() / "Strandex.txt");
    EXPECT_EQ(ReadNoticeFile(dir.path() / "Strandex.txt"), std::nullopt);
}

}  // namespace
