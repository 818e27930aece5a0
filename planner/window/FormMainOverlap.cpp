// The main window's overlap commands.

#include "window/FormMain.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "Language.h"
#include "table/OverlapSolver.h"

void TMainForm::CreateOverlapActions()
{
    MakeAction(ActionSolveOverlapping, "ActionSolveOverlapping", "Solve Interleaving");
    MakeAction(ActionSolveOverlappingSingle, "ActionSolveOverlappingSingle", "Solve Interleaving in each resource");
    MakeAction(AutoArrange, "AutoArrange", "Automatically arrange items");
    AutoArrange->setCheckable(true);
    connect(ActionSolveOverlapping, &QAction::triggered, this,
            [this] { FOverlapSolver->ActionSolveOverlappingExecute(); });
    connect(ActionSolveOverlappingSingle, &QAction::triggered, this,
            [this] { FOverlapSolver->ActionSolveOverlappingSingleExecute(); });
    connect(AutoArrange, &QAction::toggled, this, [this](bool checked) {
        FOverlapSolver->SetAutoArrange(checked);
        // Checked with overlaps present: they are solved at the next recomputation.
        FCore->UpdateOverlapping(true);
    });
    connect(FOverlapSolver.get(), &TOverlapSolver::OverlappingChanged, this, &TMainForm::UpdateOverlapActions);

    QMenu *tools = menuBar()->addMenu(Translate(QStringLiteral("Tools")));
    tools->setObjectName(QStringLiteral("Extras1"));
    tools->addActions({ActionSolveOverlapping, ActionSolveOverlappingSingle});
    tools->addSeparator();
    tools->addAction(AutoArrange);
    UpdateOverlapActions();
}

void TMainForm::UpdateOverlapActions()
{
    const bool enabled = FOverlapSolver->ActionSolveOverlappingUpdate();
    ActionSolveOverlapping->setEnabled(enabled);
    ActionSolveOverlappingSingle->setEnabled(enabled);
}
