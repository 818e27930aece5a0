// The absent days per resource and reason, and the sums and means of numeric columns, on real
// documents: ranges over a year's end in working and calendar days, group tabs, reasons, texts
// among numbers and the length column in both time units.

#include "planner/table/TableTestSupport.h"

#include "CommaText.h"
#include "table/AbsenceReport.h"
#include "table/ColumnStatistics.h"

namespace {

class AbsenceReportTest : public TableTest
{
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        core->ColumnStrings(tbTable, 0) = QStringList{"A", "B", "C", "D"};
        core->ColumnStrings(tbExclude, ColumnOf(cnColor, tbExclude)) =
            QStringList{CommaTextOf({"Vacation", "15790320"}), CommaTextOf({"Illness", "255"})};
        core->CreateDefaultWeekInfo();
        Refresh();
        report = std::make_unique<TAbsenceReport>(*core);
    }
    void Refresh()
    {
        core->BeginUpdate(QString());
        core->EndUpdate();
        core->UpdateBoundsProc();
    }
    // An absence of `length` days; counted in working days unless `calendar`.
    TNodeData *Absence(const QString &position, const QString &start, int length, const QString &reason,
                       bool calendar = false)
    {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbExclude, true);
        core->SetData_(node, cnPosition, position);
        core->SetData_(node, cnStart, start);
        core->SetData_(node, cnLength, QString::number(length));
        core->SetData_(node, cnColor, reason);
        core->SetData_(node, cnLengthWithWeekend, BoolName(!calendar));
        return node;
    }
    static TDateTime Day(int y, int m, int d) { return EncodeDate(y, m, d); }
    double DaysOf(int row, int reason, TDateTime from, TDateTime to)
    {
        for (const TAbsenceReport::TRowSums &sums : report->Sums(from, to))
            if (sums.row == row)
                return sums.days.at(std::size_t(reason));
        return 0;
    }

    std::unique_ptr<TAbsenceReport> report;
};

} // namespace

TEST_F(AbsenceReportTest, AnAbsenceOverTheYearsEndCountsOnlyItsDaysInsideTheYear)
{
    // Monday 28 December 2026 to Tuesday 5 January 2027: seven working days, nine calendar days.
    TNodeData *work = Absence("A", "28.12.2026", 7, "Vacation");
    TNodeData *calendar = Absence("B", "28.12.2026", 9, "Vacation", true);
    Refresh();
    ASSERT_EQ(core->GetEndOf(work), Day(2027, 1, 5));
    ASSERT_EQ(core->GetEndOf(calendar), Day(2027, 1, 5));
    // Four working days in 2026 (not 7 - 5 calendar days after the year), three in 2027.
    EXPECT_EQ(DaysOf(0, 0, Day(2026, 1, 1), Day(2026, 12, 31)), 4);
    EXPECT_EQ(DaysOf(0, 0, Day(2027, 1, 1), Day(2027, 12, 31)), 3);
    EXPECT_EQ(DaysOf(1, 0, Day(2026, 1, 1), Day(2026, 12, 31)), 4);
    EXPECT_EQ(DaysOf(1, 0, Day(2027, 1, 1), Day(2027, 12, 31)), 5);
    // A range inside the absence; a range that holds it whole takes its own length.
    EXPECT_EQ(DaysOf(0, 0, Day(2026, 12, 30), Day(2026, 12, 30)), 1);
    EXPECT_EQ(DaysOf(1, 0, Day(2026, 12, 1), Day(2027, 1, 31)), 9);
    // The range's first and last days are part of it.
    EXPECT_EQ(DaysOf(1, 0, Day(2027, 1, 5), Day(2027, 2, 1)), 1);
    EXPECT_EQ(DaysOf(1, 0, Day(2026, 11, 1), Day(2026, 12, 28)), 1);
    // Never negative, whatever the length cell says.
    core->SetData_(work, cnLength, "-3");
    Refresh();
    for (const TAbsenceReport::TRowSums &sums : report->Sums(Day(2026, 1, 1), Day(2027, 12, 31)))
        for (double days : sums.days)
            EXPECT_GE(days, 0);
}

TEST_F(AbsenceReportTest, ReportListsRowsWithAbsencesPerReason)
{
    Absence("A", "02.03.2026", 5, "Vacation");
    Absence("A", "16.03.2026", 2, "Illness");
    Absence("A", "23.03.2026", 1, "Vacation");
    Absence("C", "01.06.2026", 3, "Illness");
    Absence("D", "01.06.2025", 3, "Illness"); // outside the range
    Absence("*", "04.03.2026", 1, "Vacation"); // for everyone: a day of each resource
    Refresh();
    EXPECT_EQ(report->Reasons(), (QStringList{"Vacation", "Illness"}));
    const QStringList lines = report->Lines(Day(2026, 1, 1), Day(2026, 12, 31));
    const auto days = TAbsenceReport::TwoDecimals;
    const QString rule = "==============================";
    EXPECT_EQ(lines, (QStringList{"A", rule, days(7) + " days Vacation", days(2) + " days Illness",
                                  "total " + days(9) + " absent days", "",
                                  "B", rule, days(1) + " days Vacation", "total " + days(1) + " absent days", "",
                                  "C", rule, days(1) + " days Vacation", days(3) + " days Illness",
                                  "total " + days(4) + " absent days", "",
                                  "D", rule, days(1) + " days Vacation", "total " + days(1) + " absent days", ""}));
    EXPECT_TRUE(days(6).endsWith(QStringLiteral("00")));
    EXPECT_EQ(days(6).size(), 4);
    // A range without absences gives an empty report.
    EXPECT_TRUE(report->Lines(Day(2024, 1, 1), Day(2024, 12, 31)).isEmpty());
}

TEST_F(AbsenceReportTest, RowsOfAGroupTabFindTheirOwnAbsences)
{
    Absence("A", "02.03.2026", 2, "Vacation");
    Absence("D", "02.03.2026", 4, "Illness");
    Refresh();
    const QStringList entries = core->Positiongroups(false, true);
    core->AddPositionGroup("C and D", CommaTextOf({entries[2], entries[3]}));
    core->SelectGroupTab(1);
    ASSERT_EQ(core->GetRowCount(), 2);
    // D is the second row of the group; A is not in it.
    const QStringList lines = report->Lines(Day(2026, 1, 1), Day(2026, 12, 31));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "D");
    EXPECT_EQ(lines[2], TAbsenceReport::TwoDecimals(4) + " days Illness");
    core->SelectGroupTab(0);
    EXPECT_EQ(report->Lines(Day(2026, 1, 1), Day(2026, 12, 31)).size(), 10);
}

TEST_F(AbsenceReportTest, StatisticsSumOnlyNumbersOfTheChosenRows)
{
    const int comment = ColumnOf(cnTextCenterMiddle);
    core->SetColumnType(tbTable, comment, ctNumber);
    const QStringList cells{"3", "abc", "4.5", "", "-1.5"};
    std::vector<TNodeData *> rows;
    for (int i = 0; i < cells.size(); ++i)
        rows.push_back(AddTask("A", QStringLiteral("0%1.03.2026").arg(2 + i), QString::number(1 + i), cells[i]));
    Refresh();
    TColumnStatistics statistics(*core);
    EXPECT_EQ(statistics.Count(tbTable, feGroupAll), 5);
    const TColumnStatistics::TResult all = statistics.Evaluate(tbTable, feGroupAll, comment);
    EXPECT_EQ(all.count, 3);
    EXPECT_EQ(all.sum, 6);
    // The length column counts days in day mode: 1 + 2 + 3 + 4 + 5.
    const int length = ColumnOf(cnLength);
    EXPECT_EQ(statistics.Evaluate(tbTable, feGroupAll, length).sum, 15);
    EXPECT_EQ(statistics.Evaluate(tbTable, feGroupAll, length).count, 5);

    // Selected rows only.
    tasks->ClearSelection();
    tasks->SetSelected(rows[1]->VNode, true);
    tasks->SetSelected(rows[2]->VNode, true);
    EXPECT_EQ(statistics.Count(tbTable, feSelected), 2);
    const TColumnStatistics::TResult selected = statistics.Evaluate(tbTable, feSelected, comment);
    EXPECT_EQ(selected.count, 1);
    EXPECT_EQ(selected.sum, 4.5);

    // Filtered rows only.
    filters().SetFilter(tbTable, length, MakeFilter(ftNumber, fsGreater, "3"));
    EXPECT_EQ(statistics.Count(tbTable, feGroupFiltered), 2);
    EXPECT_EQ(statistics.Evaluate(tbTable, feGroupFiltered, comment).sum, -1.5);
    filters().ClearFilter(tbTable, length);

    const QStringList lines = statistics.Lines(tbTable, feGroupAll, {length, comment});
    EXPECT_EQ(lines, (QStringList{"Length (5 items selected)", "======================",
                                  "sum: " + TAbsenceReport::TwoDecimals(15),
                                  "median: " + TAbsenceReport::TwoDecimals(3), "",
                                  "Comment (3 items selected)", "======================",
                                  "sum: " + TAbsenceReport::TwoDecimals(6),
                                  "median: " + TAbsenceReport::TwoDecimals(2), ""}));
    for (TNodeData *row : rows)
        core->SetData_(row, cnTextCenterMiddle, "none");
    EXPECT_EQ(statistics.Lines(tbTable, feGroupAll, {comment}), QStringList{"Comment (no values available)"});
}

TEST_F(AbsenceReportTest, StatisticsCountTheLengthInHoursInMinuteMode)
{
    core->SetMinUnit(muMinute);
    AddTask("A", "02.03.2026 08:00", "1,30");
    AddTask("B", "02.03.2026 08:00", "2");
    Absence("A", "09.03.2026", 2, "Vacation");
    Refresh();
    TColumnStatistics statistics(*core);
    EXPECT_EQ(statistics.Evaluate(tbTable, feGroupAll, ColumnOf(cnLength)).sum, 3.5);
    // Absent days stay in days.
    EXPECT_EQ(statistics.Evaluate(tbExclude, feGroupAll, ColumnOf(cnLength, tbExclude)).sum, 2);
}
