#pragma once

#include <QDialog>

#include "table/Evaluations.h"

class QAreaSeries;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QValueAxis;

// The utilisation chart: one area series of an evaluation's step points over a date-time
// axis, with the evaluation's two title lines. Filled, then shown modally.
class TChartDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TChartDialog(QWidget *parent = nullptr);

    // Replaces what the chart shows.
    void SetSeries(const TEvaluations::TSeries &series);
    const TEvaluations::TSeries &Series() const { return FSeries; }
    // The area's outline as drawn: each value holds until the next point, the last one until
    // the end of the range.
    QList<QPointF> Outline() const;

    QChartView *Chart1 = nullptr;
    QPushButton *Button1 = nullptr; // Close

private:
    QChart *FChart = nullptr;
    QLineSeries *FUpper = nullptr;
    QAreaSeries *FArea = nullptr;
    QDateTimeAxis *FAxisX = nullptr;
    QValueAxis *FAxisY = nullptr;
    TEvaluations::TSeries FSeries;
};
