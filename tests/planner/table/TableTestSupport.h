#pragma once

// A planner core on two real tree-grids with the tables' behaviour attached.

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

// Filter parameters in one call.
inline TFilterParams MakeFilter(TFilterType type, TFilterSubType sub, const QString &text1,
                                const QString &text2 = QString())
{
    TFilterParams params;
    params.FilterType = type;
    params.FilterSubType = sub;
    params.Text1 = text1;
    params.text2 = text2;
    return params;
}

class TableTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        tables = std::make_unique<TPlannerTables>(*core);
    }
    void TearDown() override
    {
        tables.reset(); // before the core
        CoreTest::TearDown();
    }

    // A task row with the given cells (position name, start text, length text, comment), journalled.
    TNodeData *AddTask(const QString &position, const QString &start, const QString &length,
                       const QString &comment = QString())
    {
        TNodeData *node = CoreTest::AddTask(position, start, length);
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

    std::unique_ptr<TPlannerTables> tables;
};
