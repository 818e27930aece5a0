// The property editor over a task table of 40 columns of every type and 20,000 rows:
// rebuilding all its lines (a page change, every outermost EndUpdate) and refilling them from
// 10,000 selected rows (every selection change and every write).

#include "BenchSupport.h"

#include <QWidget>

#include "CommaText.h"
#include "editor/PropertyEditor.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

constexpr int kColumns = 40;
constexpr int kRows = 20000;
constexpr int kSelected = 10000;

struct TEditorPlan : TBenchCore
{
    QWidget panel;
    std::unique_ptr<TPropertyEditor> editor;

    TEditorPlan()
    {
        core->BeginUpdate(QStringLiteral("loading"));
        const TColumnType types[] = {ctText, ctNumber, ctPulldown, ctCheckBox, ctDate, ctLink};
        for (int column = core->GetTableColCount(tbTable); column < kColumns; ++column) {
            core->InsertColumn(tbTable, column);
            core->SetColumnCaption(tbTable, column, QStringLiteral("Field %1").arg(column));
            const TColumnType type = types[column % 6];
            core->SetColumnType(tbTable, column, type);
            if (type == ctPulldown)
                core->ColumnStrings(tbTable, column) = QStringList{QStringLiteral("low"), QStringLiteral("middle"),
                                                                    QStringLiteral("high")};
        }
        TBaseTreeGrid *grid = core->GetTable(tbTable);
        for (int row = 0; row < kRows; ++row) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, false);
            core->DoSetData(node, 0, QStringLiteral("Position %1").arg(1 + row % 3), false);
            core->DoSetStartOf(node, false, EncodeDate(2024, 1, 1) + row % 300);
            core->DoSetData(node, core->GetConnection(tbTable, cnLength), QString::number(1 + row % 5), false);
            for (int column = 6; column < kColumns; ++column)
                core->DoSetData(node, column, QStringLiteral("v%1").arg((row / 7 + column) % 11), false);
            if (row % 2 == 0)
                grid->SetSelected(node->VNode, true);
        }
        core->EndUpdate();
        core->ClearDelayedFlags();
        panel.resize(400, 800);
        editor = std::make_unique<TPropertyEditor>(*core, *sync, &panel, &panel);
        editor->PageControl1Change();
        editor->SeteditorVisible(true);
        // Shown, as in the main window: the controls are polished and laid out too.
        panel.show();
    }
    ~TEditorPlan() { editor.reset(); }
};

void BM_EditorRebuild(benchmark::State &state)
{
    TEditorPlan plan;
    for (auto _ : state) {
        plan.editor->PageControl1Change();
        // Until the new lines are laid out and painted.
        plan.panel.repaint();
        // The previous lines are freed by the event loop.
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["lines"] = plan.editor->LineCount();
}

void BM_UpdateEditor(benchmark::State &state)
{
    TEditorPlan plan;
    for (auto _ : state)
        plan.editor->UpdateEditor();
    state.counters["selected"] = double(plan.editor->SelectedRows().size());
    state.counters["rows"] = kRows;
}

} // namespace

BENCHMARK(BM_EditorRebuild)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_UpdateEditor)->Unit(benchmark::kMillisecond)->Iterations(20);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv, [] { UsePlannerDateFormats(); });
}
