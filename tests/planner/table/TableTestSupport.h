#pragma once

// A planner core on two real tree-grids with the tables' behaviour attached, and a window
// that also records what the selection bookkeeping asks of the chart and the editor.

#include "planner/CoreTestSupport.h"

#include <string>
#include <vector>

#include "table/FilterEngine.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"
#include "table/TableEvents.h"
#include "table/TableSorter.h"

// Cell texts in table order, as plain strings so that failures print them readably.
using TTexts = std::vector<std::string>;
inline TTexts Texts(const QStringList &list)
{
    TTexts texts;
    for (const QString &text : list)
        texts.push_back(text.toStdString());
    return texts;
}

class TTableWindow : public TScriptedWindow
{
public:
    void CenterNode(TNodeData &node) override { centred.push_back(&node); }
    void SeteditorVisible(bool visible) override
    {
        editorVisible = visible;
        ++editorVisibilityRequests;
    }
    void UpdateEditor() override { ++editorUpdates; }

    std::vector<TNodeData *> centred;
    bool editorVisible = false;
    int editorVisibilityRequests = 0;
    int editorUpdates = 0;
};

class TableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        tasks.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        absent.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        tables = std::make_unique<TPlannerTables>(*core);
        core->ActionNewExecute();
        core->ClearDelayedFlags();
    }
    void TearDown() override
    {
        tables.reset();
        core.reset();
        ResetDateFormats();
    }

    // A task row with the given cells (position name, start text, length text), journalled.
    TNodeData *AddTask(const QString &position, const QString &start, const QString &length,
                       const QString &comment = QString())
    {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
        core->SetData_(node, cnPosition, position);
        core->SetData_(node, cnStart, start);
        core->SetData_(node, cnLength, length);
        if (!comment.isEmpty())
            core->SetData_(node, cnTextCenterMiddle, comment);
        return node;
    }
    // The comments of the rows the task table shows, top to bottom.
    TTexts Shown(TWhichTable table = tbTable, TConnection cn = cnTextCenterMiddle)
    {
        TTexts texts;
        core->ForEach(table, feFiltered, [&](TNodeData *node) { texts.push_back(core->GetData_(node, cn).toStdString()); });
        return texts;
    }
    // The cells of a column in table order.
    TTexts Column(int column, TWhichTable table = tbTable)
    {
        TTexts texts;
        core->ForEach(table, feAll, [&](TNodeData *node) { texts.push_back(core->GetData(node, column).toStdString()); });
        return texts;
    }
    TFilterEngine &filters() { return tables->Filters(); }
    TTableSorter &sorter() { return tables->Sorter(); }
    int ColumnOf(TConnection cn, TWhichTable table = tbTable) { return core->GetConnection(table, cn); }

    TTableWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks;
    std::unique_ptr<TStringTreeGrid> absent;
    std::unique_ptr<TPlannerCore> core;
    std::unique_ptr<TPlannerTables> tables; // goes before the core
};
