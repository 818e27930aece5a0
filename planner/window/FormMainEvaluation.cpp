// The main window's Evaluation menu, its search box, "Goto Date..." and "Select all".

#include "window/FormMain.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "Language.h"
#include "chart/TimeChartView.h"
#include "dialogs/ChartDialog.h"
#include "dialogs/GotoDialog.h"
#include "dialogs/HolidayDialog.h"
#include "dialogs/StatisticsDialog.h"
#include "table/Evaluations.h"
#include "table/TableSearch.h"

void TMainForm::CreateEvaluationActions(QMenu *edit)
{
    FEvaluations = std::make_unique<TEvaluations>(*FCore);
    FTableSearch = std::make_unique<TTableSearch>(*FCore);
    MakeAction(ActionSelectAll, "ActionSelectAll", "Select all", &TMainForm::ActionSelectAllExecute, QKeySequence::SelectAll);
    MakeAction(ActionGoto, "ActionGoto", "Goto Date...", &TMainForm::ActionGotoExecute, QKeySequence(Qt::CTRL | Qt::Key_G));
    MakeAction(Auslastung1, "Auslastung1", "Utilization", &TMainForm::Auslastung1Click);
    edit->addSeparator();
    edit->addActions({ActionSelectAll, ActionGoto});

    Auswertung1 = menuBar()->addMenu(Translate(QStringLiteral("Evaluation")));
    Auswertung1->setObjectName(QStringLiteral("Auswertung1"));
    Auswertung1->addAction(Auslastung1);
    NumericStatistics1 = Auswertung1->addMenu(Translate(QStringLiteral("Numeric statistics")));
    NumericStatistics1->setObjectName(QStringLiteral("NumericStatistics1"));
    Utilisation1 = Auswertung1->addMenu(Translate(QStringLiteral("Utilisation")));
    Utilisation1->setObjectName(QStringLiteral("Utilisation1"));
    MakeAction(Statistik1, "Statistik1", "Statistics...", &TMainForm::Statistik1Click);
    MakeAction(ActionHolidayStatistic, "ActionHolidayStatistic", "Absent days statistics...", &TMainForm::ActionHolidayStatisticExecute);
    Auswertung1->addSeparator();
    Auswertung1->addActions({Statistik1, ActionHolidayStatistic});
    connect(Auswertung1, &QMenu::aboutToShow, this, &TMainForm::FillEvaluationMenus);

    ToolBar1 = addToolBar(QString());
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    Edit2 = new QLineEdit(ToolBar1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setClearButtonEnabled(true);
    Edit2->setMaximumWidth(220);
    TranslateSearchBar();
    ToolButton17 = new QToolButton(ToolBar1);
    ToolButton17->setObjectName(QStringLiteral("ToolButton17"));
    ToolButton17->setText(Translate(QStringLiteral("Find next")));
    ToolBar1->addWidget(Edit2);
    ToolBar1->addWidget(ToolButton17);
    connect(Edit2, &QLineEdit::textChanged, this, &TMainForm::Edit2Change);
    connect(Edit2, &QLineEdit::returnPressed, ToolButton17, &QToolButton::click);
    connect(ToolButton17, &QToolButton::clicked, this, &TMainForm::ToolButton17Click);
    FillEvaluationMenus();
}

void TMainForm::TranslateSearchBar()
{
    ToolBar1->setWindowTitle(Translate(QStringLiteral("Search")));
    Edit2->setPlaceholderText(Translate(QStringLiteral("Search")));
}

void TMainForm::FillEvaluationMenus()
{
    const TWhichTable table = FCore->GetActiveTable();
    const std::vector<int> columns = FEvaluations->NumberColumns(table);
    const std::vector<TEvaluations::TResource> resources = FEvaluations->Resources();
    NumericStatistics1->clear();
    Utilisation1->clear();
    for (int column : columns) {
        const QString caption = FCore->GetColumnCaption(table, column);
        QAction *sum = NumericStatistics1->addAction(caption);
        sum->setObjectName(QStringLiteral("NumericStatistics%1").arg(column));
        connect(sum, &QAction::triggered, this, [this, column] { NumericStatisticsClick(column); });

        QMenu *perResource = Utilisation1->addMenu(caption);
        perResource->setObjectName(QStringLiteral("Utilisation%1").arg(column));
        const auto add = [this, perResource, column, caption](const QString &name, int resource) {
            QAction *item = perResource->addAction(name);
            connect(item, &QAction::triggered, this,
                    [this, column, resource, caption] { UtilisationStatistics(column, resource, caption); });
        };
        add(Translate(QStringLiteral("alle")), -1);
        perResource->addSeparator();
        for (const TEvaluations::TResource &resource : resources)
            add(resource.name, resource.number);
    }
    NumericStatistics1->setEnabled(!columns.empty());
    Utilisation1->setEnabled(!columns.empty());
    ActionHolidayStatisticUpdate();
}

int TMainForm::ExecDialog(QDialog &dialog)
{
    return OnExecDialog ? OnExecDialog(dialog) : dialog.exec();
}

TChartDialog *TMainForm::ChartDialog()
{
    if (!FChartDialog) {
        FChartDialog = new TChartDialog(this);
        Translate(FChartDialog.data());
    }
    return FChartDialog;
}

TGotoDialog *TMainForm::GotoDialog()
{
    if (!FGotoDialog) {
        FGotoDialog = new TGotoDialog(this);
        Translate(FGotoDialog.data());
    }
    return FGotoDialog;
}

TStatisticsDialog *TMainForm::StatisticsDialog()
{
    if (!FStatisticsDialog) {
        FStatisticsDialog = new TStatisticsDialog(*FCore, this);
        Translate(FStatisticsDialog.data());
    }
    return FStatisticsDialog;
}

THolidayDialog *TMainForm::HolidayDialog()
{
    if (!FHolidayDialog) {
        FHolidayDialog = new THolidayDialog(*FCore, this);
        Translate(FHolidayDialog.data());
    }
    return FHolidayDialog;
}

void TMainForm::Statistik1Click()
{
    TStatisticsDialog *dialog = StatisticsDialog();
    // Shown through a script in tests, so filled here as well as when shown.
    dialog->FillColumns();
    dialog->DoStatistics();
    ExecDialog(*dialog);
}

void TMainForm::ActionHolidayStatisticUpdate()
{
    ActionHolidayStatistic->setEnabled(FCore->TotalCount(tbExclude) > 0);
}

void TMainForm::ActionHolidayStatisticExecute()
{
    ActionHolidayStatisticUpdate();
    if (!ActionHolidayStatistic->isEnabled())
        return;
    THolidayDialog *dialog = HolidayDialog();
    dialog->SelectFirstView();
    ExecDialog(*dialog);
}

// ---- the charts

void TMainForm::Auslastung1Click()
{
    ChartDialog()->SetSeries(FEvaluations->TaskCount());
    ExecDialog(*ChartDialog());
}

void TMainForm::NumericStatisticsClick(int column)
{
    ChartDialog()->SetSeries(FEvaluations->ColumnSum(column));
    ExecDialog(*ChartDialog());
}

void TMainForm::UtilisationStatistics(int column, int resource, const QString &caption)
{
    ChartDialog()->SetSeries(FEvaluations->ResourceSum(column, resource, caption));
    ExecDialog(*ChartDialog());
}

// ---- search, goto, select all

void TMainForm::Edit2Change()
{
    FTableSearch->Edit2Change(Edit2->text());
}

void TMainForm::ToolButton17Click()
{
    FTableSearch->ToolButton17Click();
}

void TMainForm::ActionSelectAllExecute()
{
    FTableSearch->ActionSelectAllExecute();
}

void TMainForm::ActionGotoExecute()
{
    TGotoDialog *dialog = GotoDialog();
    TTimeChartGeometry &geometry = TimeChartView->Geometry();
    dialog->SetDate(geometry.Start());
    if (ExecDialog(*dialog) != QDialog::Accepted)
        return;
    const TDateTime date = dialog->Date();
    // Where the chart's width after the date passes the data's end, the range must reach that
    // far, or the chart would stop short of the date.
    FCore->SetUserdate(TimeChartView->UserDateFor(date));
    FCore->UpdateBounds(false);
    TimeChartView->SetTimeChartDestination(date, geometry.TopDestination(), false);
}
