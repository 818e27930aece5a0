// Lookups kept between calls against the long way: the chart rows of positions, kept in maps
// checked by shared lists, and the meanings of columns, kept by column. After whatever touched
// the lists or the connections they must say what reading everything from scratch says.

#include "planner/CoreTestSupport.h"

#include <random>

#include "CommaText.h"

class PositionLookupTest : public CoreTest
{
protected:
    // Every row's chart row and every chart row's week, from the lists read from scratch.
    void ExpectLookupsOfTheLists(const std::string &after)
    {
        const int column = core->GetConnection(tbTable, cnPosition);
        ASSERT_GE(column, 0) << after;
        // The expanded full list: a position of n rows is followed by "name (2)" ... "name (n)".
        QStringList names;
        std::vector<tWeekInfo> weeks;
        for (const QString &entry : core->GetColumnStrings(tbTable, column)) {
            const QStringList items = ParseCommaText(entry);
            bool ok = false;
            int rows = items.value(2).trimmed().toInt(&ok);
            rows = ok && rows > 0 ? rows : 1;
            tWeekInfo week;
            String2WeekInfo(items.value(1), week);
            for (int k = 1; k <= rows; ++k) {
                names.append(k == 1 ? items.value(0) : items.value(0) + QStringLiteral(" (%1)").arg(k));
                weeks.push_back(week);
            }
        }
        QStringList shown;
        for (const QString &entry : core->FGlobalPositionFilter)
            shown.append(ParseCommaText(entry).value(0));
        for (TWhichTable table : {tbTable, tbExclude})
            core->ForEach(table, feAll, [&](TNodeData *node) {
                const int position = node->nodePosition;
                int expected = -1;
                if (position == -9)
                    expected = -9;
                else if (position >= 0 && position < names.size())
                    expected = shown.isEmpty() ? position : (shown.contains(names[position]) ? int(shown.indexOf(names[position])) : -2);
                EXPECT_EQ(core->GetPositionOf(node), expected) << after << " " << core->GetData_(node, cnPosition).toStdString();
            });
        for (int row = 0; row < std::max<qsizetype>(1, shown.size()) + 1; ++row) {
            int position = -1;
            if (shown.isEmpty())
                position = row < names.size() ? row : -1;
            else if (row < shown.size())
                position = int(names.indexOf(shown[row]));
            const tWeekInfo expected = position >= 0 ? weeks[std::size_t(position)] : DefaultWeekInfo();
            EXPECT_EQ(WeekInfo2String(core->GetWeekInfo(row)), WeekInfo2String(expected)) << after << " row " << row;
        }
    }
};

TEST_F(PositionLookupTest, LookupsFollowTheListsWhateverTouchedThem)
{
    std::mt19937 random(99);
    QStringList &positions = core->ColumnStrings(tbTable, 0);
    positions.clear();
    for (int p = 0; p < 8; ++p)
        positions.append(CommaTextOf({QStringLiteral("P%1").arg(p), WeekInfo2String(RandomWorkingDays(random)),
                                      QString::number(p % 3 == 0 ? 2 : 1)}));
    const QStringList names = {"P0", "P0 (2)", "P1", "P2", "P3", "P3 (2)", "P4", "P5", "P6", "P6 (2)", "P7", "*", "Gone"};
    core->BeginUpdate(QStringLiteral("Loading"));
    for (int i = 0; i < 60; ++i)
        AddTask(names[i % names.size()], "04.03.2024", "2");
    TNodeData *away = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(away, cnPosition, "P3");
    core->EndUpdate();
    ExpectLookupsOfTheLists("loading");

    core->AddPositionGroup("Odd", CommaTextOf({positions[1], positions[3], positions[5], positions[7]}));
    core->AddPositionGroup("Empty", QString());
    core->SelectGroupTab(1);
    ExpectLookupsOfTheLists("a group of four");

    // The same entries in a list of their own (written through the reference, unchanged).
    positions = QStringList(positions.begin(), positions.end());
    ExpectLookupsOfTheLists("the list copied");
    positions[3] = positions[3];
    ExpectLookupsOfTheLists("an entry written over with itself");

    // An entry renamed in place: its rows name nothing now until read again.
    positions[3] = CommaTextOf({"P3 new", WeekInfo2String(DefaultWeekInfo())});
    ExpectLookupsOfTheLists("an entry renamed");
    core->BeginUpdate(QString());
    core->EndUpdate();
    ExpectLookupsOfTheLists("renamed, read again");

    // The shown rows replaced by an equal list of their own, then by a shorter one.
    core->FGlobalPositionFilter = QStringList(core->FGlobalPositionFilter.begin(), core->FGlobalPositionFilter.end());
    ExpectLookupsOfTheLists("the shown rows copied");
    core->FHideEmptyRows = true;
    core->UpdateEmptyRowsProc();
    ExpectLookupsOfTheLists("empty rows hidden");
    core->SelectGroupTab(2);
    ExpectLookupsOfTheLists("the empty group");
    core->SelectGroupTab(0);
    ExpectLookupsOfTheLists("all positions");

    // The position column moved by a column in front.
    core->InsertColumn(tbTable, 0);
    core->SetConnection(tbTable, cnPosition, 1);
    core->BeginUpdate(QString());
    core->EndUpdate();
    ExpectLookupsOfTheLists("a column in front");
    core->ColumnStrings(tbTable, 1).append(CommaTextOf({"P8"}));
    ExpectLookupsOfTheLists("a position appended");
}

// The meaning of a column is the first connection naming it, whatever changed the connections.
TEST_F(CoreTest, ColumnMeaningsFollowTheConnections)
{
    auto expectMeanings = [&](const std::string &after) {
        for (TWhichTable table : {tbTable, tbExclude})
            for (int column = -2; column < core->GetTableColCount(table) + 2; ++column) {
                TConnection expected = cnNone;
                for (int cn = cnNone; cn < ConnectionCount; ++cn)
                    if (core->GetConnection(table, TConnection(cn)) == column) {
                        expected = TConnection(cn);
                        break;
                    }
                EXPECT_EQ(core->GetColumnConnection(table, column), expected) << after << " table " << table << " column " << column;
            }
    };
    expectMeanings("a new document");
    // Two meanings on one column: the first counts.
    core->SetConnection(tbTable, cnTextLeftTop, 5);
    core->SetConnection(tbTable, cnTextCenterMiddle, 5);
    expectMeanings("two meanings on the comment");
    core->SetConnection(tbTable, cnTextCenterMiddle, -1);
    expectMeanings("one taken away");
    core->InsertColumn(tbTable, 2);
    expectMeanings("a column inserted");
    core->SetConnection(tbTable, cnTermin, 2);
    expectMeanings("the new column a deadline");
    core->RemoveColumn(tbTable, 1);
    expectMeanings("the start removed");
    core->ResizeTable(tbTable, 3);
    expectMeanings("the table cut to three columns");
    core->ResetConnections(tbTable);
    expectMeanings("no meanings");
    core->SetConnection(tbExclude, cnColor, 0);
    expectMeanings("the absent days' position a reason");
}
