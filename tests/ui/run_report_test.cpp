#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "chart_scene.h"
#include "chart_svg.h"
#include "html_report.h"
#include "result_text.h"
#include "run_chart.h"
#include "run_result.h"
#include "transfer_state.h"

namespace {

using testing::HasSubstr;
using testing::Not;

// Level 5 for a second, 7 for two; the machine holds from 1.5 s to 2.0 s and again from
// 2.5 s to the end at 3 s.
RunRecord SmallRecord() {
    RunRecord record;
    record.started = true;
    record.ended = true;
    record.events = {
        {0, RunEventKind::Start, 5, 0, 0},
        {1000, RunEventKind::LevelStep, 7, 600, 0},
        {1500, RunEventKind::Xoff, 7, 900, 0},
        {2000, RunEventKind::Xon, 7, 900, 0},
        {2500, RunEventKind::Xoff, 7, 1200, 0},
        {3000, RunEventKind::End, 7, 1200, static_cast<std::int32_t>(TransferEnd::Stopped)},
    };
    record.bucketBytes.assign(30, 40);
    record.writtenBytes = 1200;
    return record;
}

TEST(RunChartTest, AxesStartAtZeroAndCoverTheRun) {
    const RunRecord record = SmallRecord();
    const ChartDescription chart = BuildRunChart(record, ComputeRunResult(record));
    EXPECT_EQ(chart.x.title, "시간 (초)");
    EXPECT_EQ(chart.x.min, 0);
    EXPECT_GE(chart.x.max, 3.0);
    EXPECT_EQ(chart.left.min, 0);
    EXPECT_EQ(chart.left.ticks.front().value, 0);
    EXPECT_GE(chart.left.max, 7);
    EXPECT_EQ(chart.right.min, 0);
    EXPECT_GE(chart.right.max, 400.0) << "40 bytes a 100 ms bucket";
    for (const ChartAxis* axis : {&chart.x, &chart.left, &chart.right}) {
        ASSERT_GE(axis->ticks.size(), 2u);
        EXPECT_EQ(axis->ticks.back().value, axis->max);
    }
}

TEST(RunChartTest, LevelStepsBandsAndEndFromTheRecord) {
    const RunRecord record = SmallRecord();
    const ChartDescription chart = BuildRunChart(record, ComputeRunResult(record));
    ASSERT_EQ(chart.series.size(), 2u);
    const ChartSeries& level = chart.series[0];
    EXPECT_TRUE(level.steps);
    ASSERT_EQ(level.points.size(), 3u);
    EXPECT_EQ(level.points[0].x, 0.0);
    EXPECT_EQ(level.points[0].y, 5.0);
    EXPECT_EQ(level.points[1].x, 1.0);
    EXPECT_EQ(level.points[1].y, 7.0);
    EXPECT_EQ(level.points[2].x, 3.0);
    EXPECT_EQ(chart.series[1].side, ChartSide::Right);
    EXPECT_NEAR(chart.series[1].points[0].y, 400.0, 1e-9);

    ASSERT_EQ(chart.bands.size(), 2u);
    EXPECT_EQ(chart.bands[0].from, 1.5);
    EXPECT_EQ(chart.bands[0].to, 2.0);
    EXPECT_EQ(chart.bands[1].from, 2.5);
    EXPECT_EQ(chart.bands[1].to, 3.0) << "an open hold runs to the end";
    ASSERT_EQ(chart.markers.size(), 1u);
    EXPECT_EQ(chart.markers[0].x, 3.0);
    EXPECT_EQ(chart.markers[0].label, "종료: 중단됨");
}

TEST(RunChartTest, SceneBandsSitWhereTheHoldsAreInsideThePlot) {
    const RunRecord record = SmallRecord();
    const ChartDescription chart = BuildRunChart(record, ComputeRunResult(record));
    const ChartScene scene = LayOutChart(chart, 600, 300);
    std::vector<SceneRect> bands;
    for (const SceneRect& rect : scene.rects) {
        if (rect.band) {
            bands.push_back(rect);
        }
    }
    ASSERT_EQ(bands.size(), 2u);
    // Same height, the first half as wide as the second's distance from it.
    EXPECT_EQ(bands[0].height, bands[1].height);
    EXPECT_GT(bands[0].height, 150);
    EXPECT_NEAR(bands[0].width, bands[1].width, 0.01);
    EXPECT_NEAR(bands[1].x - bands[0].x, 2 * bands[0].width, 0.01);
    EXPECT_GT(bands[0].x, 0);
    EXPECT_LT(bands[1].x + bands[1].width, 600);
}

TEST(RunChartTest, SvgMarksEveryHoldAndEscapesText) {
    RunRecord record = SmallRecord();
    const std::string svg =
        ChartSvg(LayOutChart(BuildRunChart(record, ComputeRunResult(record)), 600, 300));
    EXPECT_THAT(svg, testing::StartsWith("<svg xmlns=\"http://www.w3.org/2000/svg\""));
    std::size_t holds = 0;
    for (std::size_t at = svg.find("class=\"hold\""); at != std::string::npos;
         at = svg.find("class=\"hold\"", at + 1)) {
        ++holds;
    }
    EXPECT_EQ(holds, 2u);
    EXPECT_THAT(svg, HasSubstr(">XOFF 멈춤</text>"));
    EXPECT_EQ(XmlEscaped("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
}

TEST(ResultTextTest, HeadlineSaysWhereTheMachineBeganToHold) {
    const RunResult held = ComputeRunResult(SmallRecord());
    const auto lines = HeadlineLines(held);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_THAT(lines[0], HasSubstr("전송단위 7부터"));
    EXPECT_THAT(lines[1], HasSubstr("멈춤 1.0초 / 전체 3.0초 (33.3%), XOFF 2회"));
    EXPECT_EQ(lines[2], "종료: 중단됨");

    RunRecord calm;
    calm.ended = true;
    calm.events = {
        {0, RunEventKind::Start, 5, 0, 0},
        {800, RunEventKind::LevelStep, 7, 0, 0},
        {900, RunEventKind::End, 7, 0, static_cast<std::int32_t>(TransferEnd::EndOfFile)}};
    const auto calmLines = HeadlineLines(ComputeRunResult(calm));
    EXPECT_THAT(calmLines[0], HasSubstr("XOFF 없음: 전송단위 7까지"));
    EXPECT_EQ(calmLines[2], "종료: 파일 끝까지 전송");
}

TEST(ResultTextTest, TableColumnsLineUpWithKoreanCountedDoubleWide) {
    const std::string text = FormatTextTable(LevelTable(ComputeRunResult(SmallRecord())));
    std::vector<std::string> lines;
    for (std::size_t from = 0, to; (to = text.find('\n', from)) != std::string::npos;
         from = to + 1) {
        lines.push_back(text.substr(from, to - from));
    }
    ASSERT_EQ(lines.size(), 4u);  // header, rule, levels 5 and 7
    EXPECT_EQ(lines[2].substr(0, DisplayWidth("전송단위")), "       5");
    EXPECT_EQ(DisplayWidth(lines[0]), DisplayWidth(lines[2]));
    EXPECT_EQ(DisplayWidth(lines[0]), DisplayWidth(lines[3]));
    EXPECT_EQ(DisplayWidth(lines[1]), DisplayWidth(lines[0]));
    EXPECT_THAT(lines[3], HasSubstr("600"));  // bytes at level 7
    EXPECT_EQ(DisplayWidth("가a"), 3u);
}

TEST(HtmlReportTest, OneSelfContainedFileWithEverythingKept) {
    ReportInputs inputs;
    inputs.programPath = "/cnc/<part> & 1.nc";
    inputs.programSize = 250000;
    inputs.settings = DefaultPortSettings();
    inputs.eventLog = "전송단위 11 \r\n14:5:9  Xoff 수신 \r\n";
    inputs.startedAt = "2026-01-02T03:04:05+0900";
    inputs.record = SmallRecord();
    const std::string html = HtmlReport(inputs);

    EXPECT_THAT(html, HasSubstr("<meta charset=\"utf-8\">"));
    EXPECT_THAT(html, HasSubstr("default-src 'none'"));
    EXPECT_THAT(html, HasSubstr("전송단위 7부터"));
    EXPECT_THAT(html, HasSubstr("<td>7</td><td>600</td><td>2.0</td><td>300</td><td>2</td>"));
    EXPECT_THAT(html, HasSubstr("<svg xmlns"));
    EXPECT_THAT(html, HasSubstr("/cnc/&lt;part&gt; &amp; 1.nc"));
    EXPECT_THAT(html, HasSubstr("250000 바이트"));
    EXPECT_THAT(html, HasSubstr("COM1, 9600 baud, 7 data bits, even parity, 2 stop bits"));
    EXPECT_THAT(html, HasSubstr("전송단위 11 \n14:5:9  Xoff 수신 \n"));
    // Nothing to fetch: no links, scripts, pictures or fonts from elsewhere.
    for (const char* fetch : {"<script", "<link", "<img", "url(", "@import", "src="}) {
        EXPECT_THAT(html, Not(HasSubstr(fetch))) << fetch;
    }
    std::size_t at = 0;
    while ((at = html.find("http", at)) != std::string::npos) {
        EXPECT_TRUE(html.compare(at, 26, "http://www.w3.org/2000/svg") == 0 ||
                    html.compare(at - 6, 10, "<meta http") == 0)
            << html.substr(at, 40);
        ++at;
    }
}

}  // namespace
