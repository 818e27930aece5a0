#pragma once

// A chart view of a generated plan shown at a fixed panel size, as the chart benchmarks use it.

#include <QApplication>

#include "CanvasPanel.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"

// Shows `view` without its overview strip, its chart panel exactly `width` x `height`, scrolled
// to `first`. "dense" shows narrow rows at zoom 10 so that every resource is on screen.
inline void ShowBenchChart(TTimeChartView &view, TDateTime first, bool dense, int width, int height)
{
    view.Gesamtbersicht1->setChecked(false);
    view.Gesamtbersicht1Click();
    if (dense) {
        view.SetTimeChartColWidth(80);
        view.SetZoom(10);
    }
    view.resize(width, height + 60);
    view.show();
    view.TimeChart->parentWidget()->setFixedSize(width + 20, height + 20);
    QApplication::processEvents();
    view.SetTimeChartDestination(first, 0, true);
}
