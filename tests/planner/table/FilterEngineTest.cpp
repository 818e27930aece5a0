// Column filters on a real document: which rows the tables show, the header texts, the clear
// commands, the filters each group tab keeps (over undo, pasting and reloading), and what the
// filter pop-up is given and gives back.

#include "planner/table/TableTestSupport.h"

#include <QApplication>
#include <QTemporaryDir>

#include "table/TableImages.h"
#include "treegrid/TreeGridColumns.h"

namespace {

class FilterEngineTest : public TableTest
{
protected:
    TTreeGridColumn *HeaderColumn(TWhichTable table, int column)
    {
        return core->GetTable(table)->Header()->Columns()->Items(column);
    }
    // Four valid tasks on the three positions.
    void AddSampleTasks()
    {
        AddTask("Position 1", "02.03.2026", "2", "alpha");
        AddTask("Position 2", "03.03.2026", "5", "beta");
        AddTask("Position 3", "10.03.2026", "1", "gamma");
        AddTask("Position 1", "16.03.2026", "3", "Alphabet");
        core->ClearDelayedFlags();
    }
    QTemporaryDir dir; // outlives the core (TearDown) and so its journal
};

} // namespace

TEST_F(FilterEngineTest, FiltersOfSeveralColumnsHideRowsAndTheHeaderSaysWhy)
{
    AddSampleTasks();
    ASSERT_EQ(Shown(), (TTexts{"alpha", "beta", "gamma", "Alphabet"}));
    const int comment = ColumnOf(cnTextCenterMiddle);
    const int start = ColumnOf(cnStart);
    const int length = ColumnOf(cnLength);

    filters().SetFilter(tbTable, comment, MakeFilter(ftText, fsText, "a*"));
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet"}));
    filters().SetFilter(tbTable, start, MakeFilter(ftDate, fsFromTo, "01.03.2026", "15.03.2026"));
    EXPECT_EQ(Shown(), (TTexts{"alpha"}));
    filters().SetFilter(tbTable, length, MakeFilter(ftNumber, fsGreater, "2"));
    EXPECT_TRUE(Shown().empty());

    EXPECT_EQ(HeaderColumn(tbTable, comment)->Hint(), "[contains a*]");
    EXPECT_EQ(HeaderColumn(tbTable, comment)->ImageIndex(), TableImages::Filter);
    EXPECT_EQ(HeaderColumn(tbTable, start)->Hint(), "[from 01.03.2026 till 15.03.2026]");
    EXPECT_EQ(HeaderColumn(tbTable, ColumnOf(cnPosition))->Hint(), "");
    EXPECT_EQ(HeaderColumn(tbTable, ColumnOf(cnPosition))->ImageIndex(), TableImages::NoFilter);
    QApplication::processEvents(); // the status bar follows once idle
    EXPECT_EQ(window.status[2], "filtered: 0");

    // The commands act on the active column of the active table.
    tables->SetActiveColumn(length);
    tables->ActionClearFilterExecute();
    EXPECT_EQ(Shown(), (TTexts{"alpha"}));
    EXPECT_TRUE(tables->ActionClearAllFiltersUpdate());
    tables->ActionClearAllFiltersExecute();
    EXPECT_EQ(Shown().size(), 4);
    EXPECT_FALSE(tables->ActionClearAllFiltersUpdate());
    EXPECT_EQ(HeaderColumn(tbTable, comment)->Hint(), "");
    // Nothing is filtered while an update bracket is open; its end filters again.
    core->BeginUpdate(QString());
    filters().SetFilter(tbTable, comment, MakeFilter(ftText, fsText, "gam*"));
    EXPECT_EQ(Shown().size(), 4);
    core->EndUpdate();
    EXPECT_EQ(Shown(), TTexts{"gamma"});
}

TEST_F(FilterEngineTest, RowsThatCannotBeDrawnStayAndHiddenRowsLoseTheirSelection)
{
    AddSampleTasks();
    TNodeData *broken = AddTask("Position 2", "not a date", "2", "broken");
    ASSERT_FALSE(broken->nodeValid);
    TNodeData *beta = nullptr;
    core->ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (core->GetData_(node, cnTextCenterMiddle) == "beta")
            beta = node;
    });
    tasks->SetSelected(beta->VNode, true);
    tasks->SetSelected(broken->VNode, true);

    filters().SetFilter(tbTable, ColumnOf(cnTextCenterMiddle), MakeFilter(ftList, fsEquals, "ALPHA,gamma"));
    // The invalid row is shown whatever the filter says.
    EXPECT_EQ(Shown(), (TTexts{"alpha", "gamma", "broken"}));
    EXPECT_FALSE(tasks->Selected(beta->VNode));
    EXPECT_TRUE(tasks->Selected(broken->VNode));
    filters().SetFilter(tbTable, ColumnOf(cnTextCenterMiddle), MakeFilter(ftText, fsText, "*n*"));
    EXPECT_EQ(Shown(), (TTexts{"broken"}));
    // One row alone, as the chart and the editor ask for it.
    core->SetData_(beta, cnTextCenterMiddle, "beta, now with n");
    EXPECT_TRUE(core->GetNodeFiltered(beta));
    core->CB_FilterNode(beta);
    EXPECT_FALSE(core->GetNodeFiltered(beta));
}

TEST_F(FilterEngineTest, GroupTabsHideTheirResourcesAndKeepTheirOwnFilters)
{
    AddSampleTasks();
    TNodeData *everywhere = AddTask("*", "05.03.2026", "1", "for all");
    ASSERT_TRUE(everywhere->nodeValid);
    core->AddPositionGroup("Team 1", CommaTextOf({core->Positiongroups(false, true)[0]}));
    core->AddPositionGroup("Team 2+3", CommaTextOf({core->Positiongroups(false, true)[1],
                                                    core->Positiongroups(false, true)[2]}));
    core->SelectGroupTab(1);
    // Rows of hidden resources go even without any column filter; "*" rows never do.
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet", "for all"}));

    const int comment = ColumnOf(cnTextCenterMiddle);
    filters().SetFilter(tbTable, comment, MakeFilter(ftText, fsText, "alpha*"));
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet"}));
    core->SelectGroupTab(2);
    EXPECT_EQ(Shown(), (TTexts{"beta", "gamma", "for all"}));
    EXPECT_FALSE(core->GetHeader(tbTable, comment)->IsFiltered());
    filters().SetFilter(tbTable, ColumnOf(cnLength), MakeFilter(ftNumber, fsSmaller, "3"));
    EXPECT_EQ(Shown(), (TTexts{"gamma", "for all"}));
    core->SelectGroupTab(0);
    EXPECT_EQ(Shown().size(), 5);

    core->SelectGroupTab(1);
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet"}));
    EXPECT_EQ(core->GetHeader(tbTable, comment)->Filter, MakeFilter(ftText, fsText, "alpha*"));
    // A cleared filter stays cleared over further edits and tab changes.
    tables->SetActiveColumn(comment);
    tables->ActionClearFilterExecute();
    AddTask("Position 1", "20.03.2026", "1", "delta");
    core->SelectGroupTab(2);
    core->SelectGroupTab(1);
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet", "for all", "delta"}));
    EXPECT_FALSE(core->GetHeader(tbTable, comment)->IsFiltered());
    // The kept entries: one per table, tab and column; clearing keeps the entry, cleared.
    ASSERT_EQ(filters().Filters().size(), 2u);
    EXPECT_EQ(filters().Filters()[0]->group, "Team 1");
    EXPECT_EQ(filters().Filters()[0]->header, "Comment");
    EXPECT_EQ(filters().Filters()[0]->params.FilterType, ftNone);
    EXPECT_EQ(filters().Filters()[1]->group, "Team 2+3");
    EXPECT_EQ(filters().Filters()[1]->header, "Length");
}

TEST_F(FilterEngineTest, AFilterOnTheFirstColumnSurvivesUndoPastingAndOpeningAgain)
{
    AddSampleTasks();
    const int position = ColumnOf(cnPosition);
    ASSERT_EQ(position, 0);
    filters().SetFilter(tbTable, position, MakeFilter(ftList, fsEquals, CommaTextOf({"Position 1"})));
    ASSERT_EQ(Shown(), (TTexts{"alpha", "Alphabet"}));

    // Undo runs in an update bracket, whose end puts the tab's filters back.
    TNodeData *row = AddTask("Position 1", "04.03.2026", "1", "undone");
    core->Undo();
    EXPECT_EQ(core->GetData_(row, cnTextCenterMiddle), "");
    EXPECT_EQ(core->GetHeader(tbTable, position)->Filter.Text1, CommaTextOf({"Position 1"}));
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet", ""}));

    // Rows pasted inside a bracket are filtered when it ends.
    core->BeginUpdate(QString());
    for (const QString name : {"Position 2", "Position 1"}) {
        TNodeData *pasted = core->AddNode(core->GetFreeID(), tbTable, true);
        core->SetData_(pasted, cnPosition, name);
        core->SetData_(pasted, cnStart, "05.03.2026");
        core->SetData_(pasted, cnLength, "1");
        core->SetData_(pasted, cnTextCenterMiddle, "pasted " + name);
    }
    core->EndUpdate();
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet", "", "pasted Position 1"}));

    // Reading the document anew from its file keeps the filter.
    ASSERT_TRUE(dir.isValid());
    window.answers.assign(8, mrYes);
    ASSERT_TRUE(documentFile->Save(dir.filePath("plan.zop")));
    documentFile->Open(dir.filePath("plan.zop"));
    ASSERT_EQ(core->TotalCount(tbTable), 7);
    EXPECT_TRUE(core->GetHeader(tbTable, position)->IsFiltered());
    EXPECT_EQ(Shown(), (TTexts{"alpha", "Alphabet", "", "pasted Position 1"}));
}

TEST_F(FilterEngineTest, WhatThePopupShowsAndWhatItGivesBack)
{
    AddSampleTasks();
    const int start = ColumnOf(cnStart);
    const int state = ColumnOf(cnColor);
    const int comment = ColumnOf(cnTextCenterMiddle);
    const int length = ColumnOf(cnLength);

    // A date column: only dates (and the text section, which every column has).
    filters().SetFilter(tbTable, start, MakeFilter(ftDate, fsFromTo, "01.03.2026", "not a date"));
    TFilterPopupValues values = filters().PopupValues(tbTable, start);
    EXPECT_EQ(values.Caption, "Filter Column Start");
    EXPECT_TRUE(values.DateEnabled);
    EXPECT_FALSE(values.ListEnabled);
    EXPECT_FALSE(values.NumberEnabled);
    EXPECT_EQ(values.Kind, TFilterPopupValues::fkDate);
    EXPECT_TRUE(values.DateFromSet);
    EXPECT_EQ(DateToStr(values.DateFrom), "01.03.2026");
    EXPECT_FALSE(values.DateTillSet);
    values.DateTill = values.DateFrom + 9;
    EXPECT_EQ(filters().ParamsFromPopup(core->GetHeader(tbTable, start)->Filter, values),
              MakeFilter(ftDate, fsFromTo, "01.03.2026", "10.03.2026"));

    // A pick-list column offers its shown values; a text column its distinct cells, sorted.
    values = filters().PopupValues(tbTable, state);
    EXPECT_TRUE(values.ListEnabled);
    EXPECT_EQ(values.ListValues, (QStringList{"State 1", "State 2", "State 3"}));
    values = filters().PopupValues(tbTable, comment);
    EXPECT_EQ(values.ListValues, (QStringList{"alpha", "Alphabet", "beta", "gamma"}));
    EXPECT_EQ(values.Completion, values.ListValues);
    EXPECT_EQ(values.Kind, TFilterPopupValues::fkNone);
    values.Kind = TFilterPopupValues::fkList;
    values.ListSelected = QStringList{"beta", "gamma"};
    const TFilterParams list = filters().ParamsFromPopup(TFilterParams(), values);
    EXPECT_EQ(list, MakeFilter(ftList, fsEquals, "beta,gamma"));
    filters().SetFilter(tbTable, comment, list);
    EXPECT_EQ(filters().PopupValues(tbTable, comment).ListSelected, (QStringList{"beta", "gamma"}));
    EXPECT_EQ(filters().PopupValues(tbTable, comment).Kind, TFilterPopupValues::fkList);
    // "List" with nothing selected keeps the previous texts.
    values.ListSelected.clear();
    EXPECT_EQ(filters().ParamsFromPopup(list, values), list);
    values.Kind = TFilterPopupValues::fkText;
    values.Text = "b*";
    EXPECT_EQ(filters().ParamsFromPopup(list, values), MakeFilter(ftText, fsText, "b*"));
    values.Kind = TFilterPopupValues::fkEmpty;
    EXPECT_EQ(filters().ParamsFromPopup(TFilterParams(), values), MakeFilter(ftText, fsEmpty, "b*"));

    // A number column: its four comparisons.
    filters().SetFilter(tbTable, length, MakeFilter(ftNumber, fsFromTo, "1", "5"));
    values = filters().PopupValues(tbTable, length);
    EXPECT_TRUE(values.NumberEnabled);
    EXPECT_FALSE(values.ListEnabled);
    EXPECT_EQ(values.Kind, TFilterPopupValues::fkFromTo);
    EXPECT_EQ(values.NumberFrom, "1");
    EXPECT_EQ(values.NumberTo, "5");
    EXPECT_EQ(values.NumberValue, "1");
    values.Kind = TFilterPopupValues::fkSmaller;
    values.NumberValue = "4";
    EXPECT_EQ(filters().ParamsFromPopup(core->GetHeader(tbTable, length)->Filter, values),
              MakeFilter(ftNumber, fsSmaller, "4", "5"));
    values.Kind = TFilterPopupValues::fkNone;
    EXPECT_EQ(filters().ParamsFromPopup(core->GetHeader(tbTable, length)->Filter, values).FilterType, ftNone);
}

TEST_F(FilterEngineTest, TheAbsentDaysPositionColumnUsesTheTaskTablesPositionList)
{
    // Absent-day cells are found by their untranslated captions in any case.
    EXPECT_EQ(core->IndexOfColumnHack(tbExclude, "working days"), core->GetConnection(tbExclude, cnLengthWithWeekend));
    EXPECT_EQ(core->IndexOfColumnHack(tbExclude, "Working Days"), core->GetConnection(tbExclude, cnLengthWithWeekend));
    EXPECT_EQ(core->IndexOfColumnHack(tbTable, "comment"), -1);

    // The absent-days position column moves away from the task table's position column.
    core->InsertColumn(tbExclude, 0);
    const int absentPosition = core->GetConnection(tbExclude, cnPosition);
    ASSERT_EQ(absentPosition, 1);
    ASSERT_EQ(core->GetConnection(tbTable, cnPosition), 0);
    const QStringList positions = core->GetColumnStrings(tbTable, 0);
    ASSERT_EQ(positions.size(), 3);
    EXPECT_EQ(core->GetColumnStrings(tbExclude, absentPosition), positions);
    // Writing the list writes the task table's position list, not its column 1 (Start).
    core->ColumnStrings(tbExclude, absentPosition).append(CommaTextOf({"Position 4"}));
    EXPECT_EQ(core->GetColumnStrings(tbTable, 0).size(), 4);
    EXPECT_TRUE(core->GetColumnStrings(tbTable, 1).isEmpty());
    EXPECT_EQ(filters().ListValues(tbExclude, absentPosition),
              (QStringList{"Position 1", "Position 2", "Position 3", "Position 4"}));
}
