// The time chart area of the main window: the chart view above the tables with its splitter,
// its menu, and the chart's side of the window interface.

#include "window/FormMain.h"

#include <QMenuBar>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "CanvasPanel.h"
#include "Language.h"
#include "chart/TimeChartView.h"

void TMainForm::CreateTimeChart()
{
    TimeChartView = new TTimeChartView(*FCore, this);
    TimeChartView->SetGroupTabs(TabControl1);
    TimeChartView->TimeChart->installEventFilter(this);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *tables = new QVBoxLayout(Panel1);
    tables->setContentsMargins(0, 0, 0, 0);
    tables->addWidget(PageControl1);
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(TimeChartView);
    Splitter1->addWidget(Panel1);
    // The chart keeps its height when the window grows; the tables take the rest.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({470, 200});
    setCentralWidget(Splitter1);
    FCore->OnEndUpdate = [this] {
        if (TimeChartView) // not while the window is torn down
            TimeChartView->EndUpdate();
    };
}

void TMainForm::CreateChartMenu()
{
    QMenu *view = menuBar()->addMenu(Translate(QStringLiteral("&View")));
    view->setObjectName(QStringLiteral("View1"));
    view->addAction(TimeChartView->Gesamtbersicht1);
}

void TMainForm::InvalidateRow(TNodeData &node)
{
    if (TimeChartView)
        TimeChartView->InvalidateNode(node);
}

void TMainForm::InvalidateChart()
{
    if (TimeChartView)
        TimeChartView->InvalidateTimeChart(true);
}

void TMainForm::FlashSelectedBars()
{
    if (TimeChartView)
        TimeChartView->ResetFlashSelectedTimer();
}

int TMainForm::TimeChartWidthInDays() const
{
    return TimeChartView ? TimeChartView->TimeChartWidthInDays() : 0;
}

void TMainForm::CenterNode(TNodeData &node)
{
    if (TimeChartView)
        TimeChartView->CenterNode(&node);
}

void TMainForm::ChartReset()
{
    if (TimeChartView)
        TimeChartView->ChartReset();
}
