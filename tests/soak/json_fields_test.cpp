#include "json_fields.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using soak::JsonBool;
using soak::JsonNumber;
using soak::JsonNumbers;
using soak::JsonWord;
using testing::ElementsAre;

// As cnc-sim and the runner write them: nested objects, lists, words.
constexpr const char* kReport = R"({
  "bytes_received": 49216,
  "after_xoff": {
    "max": 248,
    "median": 3.5,
    "per_xoff": [14, 3, 6]
  },
  "xon_to_next_byte_ms": {
    "median": 0.25,
    "max": 1.5
  },
  "xon_written_us": [],
  "tool_last_wrote_us": -1,
  "end_reason": "port_lost",
  "line_hung_up": true
}
)";

TEST(SoakJsonFieldsTest, ReadsWhatTheReportsHold) {
    EXPECT_EQ(JsonNumber(kReport, "bytes_received"), 49216);
    EXPECT_EQ(JsonNumber(kReport, "max", "after_xoff"), 248);
    EXPECT_EQ(JsonNumber(kReport, "max", "xon_to_next_byte_ms"), 1.5);
    EXPECT_EQ(JsonNumber(kReport, "median", "after_xoff"), 3.5);
    EXPECT_EQ(JsonNumber(kReport, "tool_last_wrote_us"), -1);
    EXPECT_THAT(JsonNumbers(kReport, "per_xoff").value(), ElementsAre(14, 3, 6));
    EXPECT_THAT(JsonNumbers(kReport, "xon_written_us").value(), testing::IsEmpty());
    EXPECT_EQ(JsonWord(kReport, "end_reason"), "port_lost");
    EXPECT_EQ(JsonBool(kReport, "line_hung_up"), true);
}

TEST(SoakJsonFieldsTest, NothingForWhatIsMissingOrOfAnotherKind) {
    EXPECT_EQ(JsonNumber(kReport, "overflow_bytes"), std::nullopt);
    EXPECT_EQ(JsonNumber(kReport, "max", "no_such_object"), std::nullopt);
    EXPECT_EQ(JsonNumber(kReport, "end_reason"), std::nullopt);
    EXPECT_EQ(JsonWord(kReport, "bytes_received"), std::nullopt);
    EXPECT_EQ(JsonBool(kReport, "end_reason"), std::nullopt);
    EXPECT_EQ(JsonNumbers(kReport, "bytes_received"), std::nullopt);
    EXPECT_EQ(JsonNumbers(R"({"list": [1, 2)", "list"), std::nullopt) << "cut short";
    EXPECT_EQ(JsonNumber("", "x"), std::nullopt);
}

}  // namespace
