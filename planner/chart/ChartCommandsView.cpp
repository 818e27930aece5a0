// The view options of the main window, the About window and splitting a bar.

#include "chart/ChartCommands.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

#include "Language.h"
#include "Version.h"
#include "chart/OptionAction.h"
#include "chart/TimeChartMouse.h"
#include "chart/TimeChartView.h"
#include "core/ActionScope.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "dialogs/SplashForm.h"
#include "treegrid/BaseTreeGrid.h"

void TChartCommands::CreateViewOptions()
{
    Werkzeugleisteanzeigen1 = MakeOptionAction(this, "Werkzeugleisteanzeigen1", "Toolbar", true);
    Statuszeileanzeigen1 = MakeOptionAction(this, "Statuszeileanzeigen1", "Status Bar", true);
    Tabelleanzeigen1 = MakeOptionAction(this, "Tabelleanzeigen1", "Table", true);
    Tabelleanzeigen1->setVisible(false);
    LinienzwischenArbeitspltze1 = MakeOptionAction(this, "LinienzwischenArbeitspltze1", "Lines between resources", false);
    LinienzwischenmultiArbeitspltze1 =
        MakeOptionAction(this, "LinienzwischenmultiArbeitspltze1", "Lines between multi-row resources", false);
    LinienzwischenmultiArbeitspltze1->setEnabled(false);
    leereArbeitspltzeausblenden1 = MakeOptionAction(this, "leereArbeitspltzeausblenden1", "Hide empty resources", false);
    leeremultiArbeitspltzeausblenden1 =
        MakeOptionAction(this, "leeremultiArbeitspltzeausblenden1", "Hide empty multi-row resources", false);
    Info1 = new QAction(Translate(QStringLiteral("About")), this);
    Info1->setObjectName(QStringLiteral("Info1"));

    connect(Werkzeugleisteanzeigen1, &QAction::triggered, this, &TChartCommands::Werkzeugleisteanzeigen1Click);
    connect(Statuszeileanzeigen1, &QAction::triggered, this, &TChartCommands::Statuszeileanzeigen1Click);
    connect(Tabelleanzeigen1, &QAction::triggered, this, &TChartCommands::Tabelleanzeigen1Click);
    connect(LinienzwischenArbeitspltze1, &QAction::triggered, this, &TChartCommands::LinienzwischenArbeitspltze1Click);
    connect(LinienzwischenmultiArbeitspltze1, &QAction::triggered, this,
            &TChartCommands::LinienzwischenArbeitspltze1Click);
    connect(leereArbeitspltzeausblenden1, &QAction::triggered, this, &TChartCommands::leereArbeitspltzeausblenden1Click);
    connect(leeremultiArbeitspltzeausblenden1, &QAction::triggered, this,
            &TChartCommands::leereArbeitspltzeausblenden1Click);
    connect(Info1, &QAction::triggered, this, &TChartCommands::Info1Click);
}

void TChartCommands::Werkzeugleisteanzeigen1Click()
{
    dfsToolBar2->setVisible(Werkzeugleisteanzeigen1->isChecked());
}

void TChartCommands::Statuszeileanzeigen1Click()
{
    FWindow.statusBar()->setVisible(Statuszeileanzeigen1->isChecked());
}

void TChartCommands::Tabelleanzeigen1Click()
{
    const bool shown = Tabelleanzeigen1->isChecked();
    if (FTableArea)
        FTableArea->setVisible(shown);
    // The editor goes back beside the hidden table and stays there until the table shows.
    if (auto *editorAsForm = FWindow.findChild<QAction *>(QStringLiteral("EditorAsForm"))) {
        if (!shown && editorAsForm->isChecked())
            editorAsForm->setChecked(false);
        editorAsForm->setEnabled(shown);
    }
}

void TChartCommands::LinienzwischenArbeitspltze1Click()
{
    TChartOptions &options = FView.Options();
    options.linesBetweenResources = LinienzwischenArbeitspltze1->isChecked();
    options.linesBetweenMultiRows = LinienzwischenmultiArbeitspltze1->isChecked();
    LinienzwischenmultiArbeitspltze1->setEnabled(options.linesBetweenResources);
    FView.InvalidateTimeChart(false);
}

void TChartCommands::leereArbeitspltzeausblenden1Click()
{
    FCore.FHideEmptyRows = leereArbeitspltzeausblenden1->isChecked();
    FCore.FHideEmptyMultiRows = leeremultiArbeitspltzeausblenden1->isChecked();
    leeremultiArbeitspltzeausblenden1->setEnabled(!FCore.FHideEmptyRows);
    FCore.UpdateEmptyRows(true);
    // The note under the rows comes and goes with the options, also when no row changes.
    FView.InvalidateTimeChart(false);
}

void TChartCommands::Info1Click()
{
    // Not while the splash window still greets the start.
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *splash = qobject_cast<TSplashForm *>(window))
            if (splash->Timer1->isActive())
                return;
    QDialog about(&FWindow);
    about.setObjectName(QStringLiteral("AboutDialog"));
    about.setWindowTitle(Translate(QStringLiteral("About")));
    auto *picture = new TSplashForm(&about);
    picture->setWindowFlags(Qt::Widget);
    picture->LabelStatus->setText(platform::creditLine());
    picture->LabelStatus->adjustSize();
    auto *layout = new QVBoxLayout(&about);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    about.setFixedSize(picture->size());
    about.exec();
}

// ---- splitting a bar

void TChartCommands::ActionSplitExecute()
{
    const TTimeChartGeometry &g = FView.Geometry();
    const TWhichTable table = FCore.GetActiveTable();
    const QPoint at = FMouse.Mouse();
    const int dayWidth = g.GetTimeChartColWidth();
    const TDateTime s = FCore.GetMinUnit() == muMinute && table == tbTable
                            ? g.Start() + double(at.x()) / dayWidth
                            : g.Start() + std::floor(double(at.x()) / dayWidth);
    TBaseTreeGrid *grid = FCore.GetTable(table);
    TGridNode *first = grid ? grid->GetFirstSelected() : nullptr;
    TNodeData *node = first ? TPlannerCore::NodeData(grid, first) : nullptr;
    IPlannerWindow &window = FCore.Window();
    if (!node) {
        window.Ask(Translate(QStringLiteral("A task must be selected to copy from.")), mtInformation, {mbOK});
        return;
    }
    // The parts are measured on the row's own calendar; a day-mode end is its last day.
    const int row = FCore.GetPositionOf(node);
    const TDateTime start = FCore.GetStartOf(node);
    const TDateTime end = FCore.GetEndOf(node) + (FCore.GetMinUnit() == muDay || table == tbExclude ? 1 : 0);
    const int before = FCore.calcLengthOf(table, row, start, s);
    const int after = FCore.calcLengthOf(table, row, s, end);
    if (before <= 0 || after <= 0) {
        window.Ask(Translate(QStringLiteral("A task can only be split between its start and its end.")), mtInformation,
                   {mbOK});
        return;
    }
    if (window.Ask(Translate(QStringLiteral("Split task at this position (%s)?"), {FCore.FormatDateTime(s)}),
                   mtConfirmation, {mbOK, mbCancel})
        != mrOk)
        return;

    const TActionScope action(FCore);
    // Each part is a copy of the row (but its dates), selected and focused as it is made.
    const auto copy = [&](TDateTime from, int length) {
        FCore.FFocusNewNode = true;
        TNodeData *part = FCore.AddNode(FCore.GetFreeID(), table, true);
        for (int column = 0; column < FCore.GetTableColCount(table); ++column) {
            const TConnection connection = FCore.GetColumnConnection(table, column);
            if (connection != cnStart && connection != cnEnd)
                FCore.SetData(part, column, FCore.GetData(node, column));
        }
        FCore.SetStartOf(part, from);
        FCore.SetLengthOf(part, length);
    };
    grid->SetFocusedNode(node->VNode);
    copy(start, before);
    grid->SetFocusedNode(node->VNode);
    copy(s, after);
    FCore.DeleteNode(node, true);
    FCore.UpdateStatusBar();
}
