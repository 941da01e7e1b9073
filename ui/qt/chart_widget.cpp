#include "chart_widget.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace {

QColor ToQColor(ChartColor c, double opacity = 1) {
    QColor color(c.r, c.g, c.b);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

}  // namespace

void PaintChartScene(QPainter& painter, const ChartScene& scene, const QFont& font) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const SceneRect& rect : scene.rects) {
        painter.fillRect(QRectF(rect.x, rect.y, rect.width, rect.height),
                         ToQColor(rect.fill, rect.opacity));
    }
    for (const SceneLine& line : scene.lines) {
        QPen pen(ToQColor(line.color), line.width);
        if (line.dashed) {
            pen.setStyle(Qt::DashLine);
        }
        painter.setPen(pen);
        QPolygonF polygon;
        for (const ChartPoint& point : line.points) {
            polygon << QPointF(point.x, point.y);
        }
        painter.drawPolyline(polygon);
    }
    for (const SceneText& text : scene.texts) {
        QFont sized = font;
        sized.setPixelSize(std::max(1, static_cast<int>(text.size + 0.5)));
        painter.setFont(sized);
        painter.setPen(ToQColor(text.color));
        const QString string =
            QString::fromUtf8(text.text.data(), static_cast<qsizetype>(text.text.size()));
        const double width = QFontMetricsF(sized).horizontalAdvance(string);
        double left = text.x;
        if (text.anchor == TextAnchor::Middle) {
            left -= width / 2;
        } else if (text.anchor == TextAnchor::End) {
            left -= width;
        }
        painter.drawText(QRectF(left, text.y - text.size, width + 1, text.size * 2),
                         Qt::AlignLeft | Qt::AlignVCenter, string);
    }
}

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartWidget::SetChart(const ChartDescription& chart) {
    chart_ = chart;
    hasChart_ = true;
    update();
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!hasChart_) {
        return;
    }
    // Labels a little smaller than the dialog's text, never so small they cannot be read.
    const double textSize = std::max(11.0, QFontMetricsF(font()).height() * 0.85);
    PaintChartScene(painter, LayOutChart(chart_, width(), height(), textSize), font());
}
