// Draws a chart description with QPainter, laid out afresh at the widget's size.
#pragma once

#include <QWidget>

#include "chart_description.h"
#include "chart_scene.h"

class QPainter;

class ChartWidget : public QWidget {
  public:
    explicit ChartWidget(QWidget* parent = nullptr);
    void SetChart(const ChartDescription& chart);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ChartDescription chart_;
    bool hasChart_ = false;
};

// Paints a laid-out chart; also used to render one into an image.
void PaintChartScene(QPainter& painter, const ChartScene& scene, const QFont& font);
