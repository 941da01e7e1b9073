#include "console_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "temp_dir.h"
#include "utf8_path.h"

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The report's path is checked before the port opens; the check itself must change nothing.
TEST(ReportPathTest, OnlyAPathThatCanTakeTheReportPasses) {
    TempDir dir;
    const fs::path program = dir.Write("program.nc", "G01\n");
    const fs::path earlier = dir.Write("earlier.json", "{}\n");
    fs::create_directory(dir.path() / "folder");
    struct Case {
        const char* name;
        fs::path report;
        const char* problem;  // empty: usable
    };
    const Case cases[] = {
        {"a new file", dir.path() / "new.json", ""},
        {"an earlier report", earlier, ""},
        {"a missing folder", dir.path() / "missing" / "report.json", "its folder does not exist"},
        {"a folder", dir.path() / "folder", "it is a folder"},
        {"the program", program, "it is the program under test"},
        {"the program by another name", dir.path() / "folder" / ".." / "program.nc",
         "it is the program under test"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReportPathProblem(PathToUtf8(c.report), PathToUtf8(program)), c.problem)
            << c.name;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "new.json")) << "the check leaves no file behind";
    EXPECT_EQ(Contents(earlier), "{}\n");
    EXPECT_EQ(Contents(program), "G01\n");
}

}  // namespace
