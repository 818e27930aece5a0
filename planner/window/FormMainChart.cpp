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
#include "chart/ChartCommands.h"
#include "chart/ColorPanel.h"
#include "chart/SaveGraphics.h"
#include "chart/TimeChartMouse.h"
#include "chart/TimeChartView.h"
#include "exchange/RowClipboard.h"
#include "table/OverlapSolver.h"
#include "table/TableCommands.h"

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
        if (ChartCommands)
            ChartCommands->SyncControls();
    };
    TimeChartMouse = new TTimeChartMouse(*TimeChartView, this);
    TimeChartMouse->OnTabAt = [this](QPoint global) { return TabControl1->tabAt(TabControl1->mapFromGlobal(global)); };
    TimeChartMouse->OnOverTabs = [this](QPoint global) {
        return TabControl1->isVisible() && TabControl1->rect().contains(TabControl1->mapFromGlobal(global));
    };
    TimeChartMouse->OnPopupMenu = [this](QPoint global, bool pointerOnBar) { TimeChartPopup(global, pointerOnBar); };
    TimeChartMouse->OnFitColumns = [this](TWhichTable table) {
        if (FTableCommands)
            FTableCommands->AutoFitColumns(table);
    };
}

void TMainForm::CreateChartMenu()
{
    ChartCommands = new TChartCommands(*this, *TimeChartView, *TimeChartMouse);
    ChartCommands->SetTableArea(Panel1);
    TChartCommands &c = *ChartCommands;
    // The palettes travel with the document file, not with the journal.
    for (TColorPanel *panel : {c.ItemColorPanel, c.HolidayColorPanel})
        connect(panel, &TColorPanel::PaletteChanged, this, [this] { Sync().NoteUnjournalledChange(); });
    QMenu *view = menuBar()->addMenu(Translate(QStringLiteral("&View")));
    view->setObjectName(QStringLiteral("View1"));
    view->addActions({c.Werkzeugleisteanzeigen1, c.Statuszeileanzeigen1, TimeChartView->Gesamtbersicht1,
                      c.Tabelleanzeigen1});
    view->addSeparator();
    view->addActions({c.LinienzwischenArbeitspltze1, c.LinienzwischenmultiArbeitspltze1,
                      c.leereArbeitspltzeausblenden1, c.leeremultiArbeitspltzeausblenden1});
    view->addSeparator();
    view->addMenu(c.KalendarZoom1);
    view->addMenu(c.transparenzfrgefiltertAuftrge1);
    view->addSeparator();

    if (QMenu *edit = menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"))) {
        edit->addSeparator();
        edit->addActions({TimeChartMouse->autoscroll, TimeChartMouse->naturalscrolling, TimeChartMouse->DenyMoveBeforeNow});
    }
    SaveGraphics = new TSaveGraphics(*TimeChartView, Sync(), this);
    if (Datei1) {
        Datei1->insertAction(Dateikomprimiertspeichern1, SaveGraphics->Grafikspeichern1);
        Datei1->insertSeparator(Dateikomprimiertspeichern1);
    }

    TimeChartPopupMenu = new QMenu(this);
    TimeChartPopupMenu->setObjectName(QStringLiteral("TimeChartPopupMenu"));
    TimeChartPopupMenu->addActions({ActionCut, ActionCopy, ActionPaste});
    TimeChartPopupMenu->addSeparator();
    TimeChartPopupMenu->addActions({ActionPasteNode, ActionDeleteNode});
    TimeChartPopupMenu->addSeparator();
    TimeChartPopupMenu->addActions({c.ActionSplit, ActionSolveOverlapping, ActionSolveOverlappingSingle});
    connect(TimeChartPopupMenu, &QMenu::aboutToHide, this, [this] {
        // Shortcuts and the other menus use these commands too: they are enabled only while
        // this menu shows what applies to the pointed bar.
        for (QAction *action : {ActionCut, ActionCopy, ActionPasteNode, ActionDeleteNode, ChartCommands->ActionSplit})
            action->setEnabled(true);
        TimeChartMouse->PopupMenuClosed();
    });
}

void TMainForm::TimeChartPopup(QPoint global, bool pointerOnBar)
{
    const bool selected = FCore->SelectedCount(FCore->GetActiveTable()) > 0;
    ActionCut->setEnabled(selected);
    ActionCopy->setEnabled(selected);
    ActionDeleteNode->setEnabled(selected);
    ActionPasteNode->setEnabled(FRowClipboard->NumPasteableNodes() == 1);
    ChartCommands->ActionSplit->setEnabled(pointerOnBar && FOverlapSolver->ActionSplitUpdate());
    UpdateOverlapActions();
    TimeChartPopupPoint = TimeChartMouse->Mouse();
    TimeChartPopupMenu->popup(global);
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
