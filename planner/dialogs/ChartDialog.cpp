#include "dialogs/ChartDialog.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

#include "DateFormat.h"

namespace {

double AxisMs(TDateTime date)
{
    return double(DateTimeToQDateTime(date).toMSecsSinceEpoch());
}

} // namespace

TChartDialog::TChartDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ChartDialog"));
    setWindowTitle(QStringLiteral("Chart"));
    setModal(true);
    resize(760, 480);

    FChart = new QChart;
    FChart->legend()->hide();
    FUpper = new QLineSeries(FChart);
    FArea = new QAreaSeries(FUpper);
    FArea->setObjectName(QStringLiteral("Series1"));
    FArea->setColor(QColor(70, 130, 200, 170));
    FArea->setBorderColor(QColor(30, 80, 150));
    FChart->addSeries(FArea);
    FAxisX = new QDateTimeAxis(FChart);
    FAxisX->setFormat(ShortDateFormat());
    FAxisX->setTickCount(7);
    FAxisY = new QValueAxis(FChart);
    FAxisY->setLabelFormat(QStringLiteral("%g"));
    FChart->addAxis(FAxisX, Qt::AlignBottom);
    FChart->addAxis(FAxisY, Qt::AlignLeft);
    FArea->attachAxis(FAxisX);
    FArea->attachAxis(FAxisY);

    Chart1 = new QChartView(FChart, this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setRenderHint(QPainter::Antialiasing);
    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Chart1, 1);
    layout->addLayout(buttons);
}

QList<QPointF> TChartDialog::Outline() const
{
    QList<QPointF> outline;
    const std::vector<TEvaluations::TPoint> &points = FSeries.points;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double x = AxisMs(points[i].date);
        if (i > 0)
            outline.append(QPointF(x, points[i - 1].value));
        outline.append(QPointF(x, points[i].value));
    }
    if (!points.empty())
        outline.append(QPointF(AxisMs(FSeries.last), points.back().value));
    return outline;
}

void TChartDialog::SetSeries(const TEvaluations::TSeries &series)
{
    FSeries = series;
    FChart->setTitle(series.title1.toHtmlEscaped() + QStringLiteral("<br>") + series.title2.toHtmlEscaped());
    FUpper->replace(Outline());
    double low = 0;
    double high = 0;
    for (const TEvaluations::TPoint &point : series.points) {
        low = std::min(low, point.value);
        high = std::max(high, point.value);
    }
    if (high <= low)
        high = low + 1;
    FAxisY->setRange(low, high + (high - low) * 0.05);
    FAxisY->applyNiceNumbers();
    const TDateTime last = series.last > series.first ? series.last : series.first + 1;
    FAxisX->setRange(DateTimeToQDateTime(series.first), DateTimeToQDateTime(last));
}
