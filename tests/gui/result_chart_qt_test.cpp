// The chart of a known record drawn by the Qt host and written as SVG: holds show where the
// record has them, and the SVG is well-formed XML.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QXmlStreamReader>

#include "chart_scene.h"
#include "chart_svg.h"
#include "chart_widget.h"
#include "qt_test_app.h"
#include "run_chart.h"
#include "run_result.h"
#include "transfer_state.h"

namespace {

// Level 5 for 2 s, then 7 to the end at 6 s; the machine holds from 2.5 s to 4.0 s.
RunRecord KnownRecord() {
    RunRecord record;
    record.started = record.ended = true;
    record.events = {
        {0, RunEventKind::Start, 5, 0, 0},
        {2000, RunEventKind::LevelStep, 7, 2000, 0},
        {2500, RunEventKind::Xoff, 7, 2500, 0},
        {4000, RunEventKind::Xon, 7, 2500, 0},
        {6000, RunEventKind::End, 7, 4500, static_cast<std::int32_t>(TransferEnd::EndOfFile)}};
    record.bucketBytes.assign(60, 100);
    for (int i = 25; i < 40; ++i) {
        record.bucketBytes[static_cast<std::size_t>(i)] = 0;
    }
    record.writtenBytes = 4500;
    return record;
}

ChartScene KnownScene() {
    const RunRecord record = KnownRecord();
    return LayOutChart(BuildRunChart(record, ComputeRunResult(record)), 600, 300);
}

bool Reddish(QRgb pixel) {
    return qRed(pixel) > qGreen(pixel) + 20 && qRed(pixel) > qBlue(pixel) + 20;
}

TEST(ResultChartQtTest, TheWidgetShadesTheHoldAndNothingElse) {
    TestApp();
    const RunRecord record = KnownRecord();
    ChartWidget widget;
    widget.resize(600, 300);
    widget.SetChart(BuildRunChart(record, ComputeRunResult(record)));
    const QImage image = widget.grab().toImage();
    ASSERT_EQ(image.width(), 600);

    const ChartScene scene =
        LayOutChart(BuildRunChart(record, ComputeRunResult(record)), 600, 300,
                    std::max(11.0, QFontMetricsF(widget.font()).height() * 0.85));
    const SceneRect* band = nullptr;
    for (const SceneRect& rect : scene.rects) {
        if (rect.band) {
            band = &rect;
        }
    }
    ASSERT_NE(band, nullptr);
    // Halfway down, where no line runs in the hold: shaded inside it, white beside it.
    const int y = static_cast<int>(band->y + band->height * 0.5);
    EXPECT_TRUE(Reddish(image.pixel(static_cast<int>(band->x + band->width / 2), y)));
    EXPECT_FALSE(Reddish(image.pixel(static_cast<int>(band->x - 15), y)));
    EXPECT_FALSE(Reddish(image.pixel(static_cast<int>(band->x + band->width + 15), y)));
}

TEST(ResultChartQtTest, TheSvgIsWellFormedAndHasTheHoldWhereTheRecordHasIt) {
    const ChartScene scene = KnownScene();
    const std::string svg = ChartSvg(scene);
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    int holds = 0;
    int texts = 0;
    double holdX = -1;
    double holdWidth = -1;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"rect" && xml.attributes().value("class") == u"hold") {
            ++holds;
            holdX = xml.attributes().value("x").toDouble();
            holdWidth = xml.attributes().value("width").toDouble();
        } else if (xml.name() == u"text") {
            ++texts;
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(holds, 1);
    EXPECT_GT(texts, 10);
    // 2.5 s to 4.0 s on an axis of 0 to 6 s: the band starts at 5/12 of the plot and spans 1/4.
    double plotLeft = 0;
    double plotRight = 0;
    for (const SceneLine& line : scene.lines) {
        if (line.points.size() == 4) {  // the frame of the axes
            plotLeft = line.points[0].x;
            plotRight = line.points[2].x;
        }
    }
    const double plot = plotRight - plotLeft;
    EXPECT_NEAR(holdX, plotLeft + plot * 2.5 / 6, 0.1);
    EXPECT_NEAR(holdWidth, plot * 1.5 / 6, 0.1);
}

}  // namespace
