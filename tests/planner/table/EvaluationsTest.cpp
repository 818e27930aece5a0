// The utilisation evaluations: the event sweep against sampling every day or minute, the
// exact sums behind it, the three charts on real documents (day and minute mode, group tabs,
// "alle" and an empty group), and the absent days that apply to a chart row.

#include "planner/table/TableTestSupport.h"

#include <QRandomGenerator>

#include <algorithm>

#include "DateList.h"
#include "table/Evaluations.h"
#include "table/ExactSum.h"
#include "table/UtilisationSweep.h"

namespace {

using TItem = TUtilisationSweep::TItem;
using TPoints = std::vector<TUtilisationSweep::TPoint>;

// Visits every sample and adds up the running items in their order.
TPoints Sampled(const std::vector<TItem> &items, qint64 first, qint64 last, int divisor)
{
    TPoints points;
    double previous = -1;
    for (qint64 sample = first; sample < last; ++sample) {
        double sum = 0;
        for (const TItem &item : items)
            if (item.from <= sample && sample < item.to)
                sum += item.value;
        const double value = TUtilisationSweep::Divided(sum, divisor);
        if (sample == first || value != previous)
            points.push_back({sample, value});
        previous = value;
    }
    return points;
}

// Items over and around [first, last), values that add up exactly (quarters), some zero.
std::vector<TItem> RandomItems(QRandomGenerator &random, int count, qint64 first, qint64 last, bool whole)
{
    std::vector<TItem> items;
    const qint64 span = last - first;
    for (int i = 0; i < count; ++i) {
        TItem item;
        item.from = first - span / 4 + qint64(random.bounded(double(span * 3 / 2)));
        item.to = item.from + qint64(random.bounded(double(span / 3 + 1))) - (i % 17 == 0 ? 2 : 0);
        item.value = whole ? double(random.bounded(-3, 9)) : random.bounded(-20, 200) / 4.0;
        items.push_back(item);
    }
    return items;
}

} // namespace

TEST(UtilisationSweepTest, EqualsSamplingEveryDayAndEveryMinute)
{
    QRandomGenerator random(2024);
    struct TCase
    {
        qint64 first;
        qint64 last;
        int count;
    };
    // Two years of days, and two days of minutes.
    for (const TCase &range : {TCase{45000, 45730, 300}, TCase{45000 * 1440LL, 45002 * 1440LL, 150}}) {
        for (int round = 0; round < 6; ++round) {
            const bool whole = round % 2 == 1;
            const std::vector<TItem> items = RandomItems(random, range.count, range.first, range.last, whole);
            const int divisor = whole ? 1 + round : 1;
            const TPoints swept = TUtilisationSweep::Run(items, range.first, range.last, divisor);
            ASSERT_EQ(swept, Sampled(items, range.first, range.last, divisor)) << "round " << round;
            ASSERT_GT(swept.size(), 10u);
        }
    }
    // No samples, no points; no items, one point of 0.
    EXPECT_TRUE(TUtilisationSweep::Run({{1, 5, 1}}, 10, 10).empty());
    EXPECT_EQ(TUtilisationSweep::Run({}, 3, 9), (TPoints{{3, 0}}));
}

TEST(UtilisationSweepTest, ExactSumDoesNotDependOnOrder)
{
    QRandomGenerator random(7);
    std::vector<double> values;
    for (int i = 0; i < 400; ++i)
        values.push_back((random.generateDouble() - 0.3) * std::pow(10.0, random.bounded(-6, 12)));
    values.push_back(0.1);
    values.push_back(0.2);
    TExactSum running;
    for (double v : values)
        running.Add(v);
    // Take every other value away again in a shuffled order...
    std::vector<double> removed;
    std::vector<double> kept;
    for (std::size_t i = 0; i < values.size(); ++i)
        (i % 2 ? removed : kept).push_back(values[i]);
    std::shuffle(removed.begin(), removed.end(), std::mt19937(3));
    for (double v : removed)
        running.Add(-v);
    // ...and the rest added afresh in another order gives the same number.
    std::sort(kept.begin(), kept.end());
    TExactSum fresh;
    for (double v : kept)
        fresh.Add(v);
    EXPECT_EQ(running.Value(), fresh.Value());
    TExactSum tenths;
    for (double v : {0.1, 0.2, 0.3, -0.1, -0.2})
        tenths.Add(v);
    EXPECT_EQ(tenths.Value(), 0.3);
    tenths.Add(-0.3);
    EXPECT_EQ(tenths.Value(), 0.0);
    EXPECT_FALSE(std::signbit(tenths.Value()));
}

class EvaluationsTest : public TableTest
{
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        core->ColumnStrings(tbTable, 0) = QStringList{"A", "B", "C", "D"};
        core->CreateDefaultWeekInfo();
        Refresh();
        evaluations = std::make_unique<TEvaluations>(*core);
    }
    void Refresh()
    {
        core->BeginUpdate(QString());
        core->EndUpdate();
        core->UpdateBoundsProc();
    }
    // The value the series shows on a date.
    static double ValueAt(const TEvaluations::TSeries &series, TDateTime date)
    {
        double value = 0;
        for (const TEvaluations::TPoint &point : series.points)
            if (point.date <= date)
                value = point.value;
        return value;
    }
    int Length() const { return core->GetConnection(tbTable, cnLength); }

    std::unique_ptr<TEvaluations> evaluations;
};

TEST_F(EvaluationsTest, TaskCountOverDays)
{
    // Mon 2 March 2026: three tasks; the one-day task counts on its day.
    AddTask("A", "02.03.2026", "3");
    AddTask("B", "02.03.2026", "1");
    AddTask("C", "02.03.2026", "5");
    AddTask("D", "16.03.2026", "1");
    TNodeData *broken = AddTask("D", "not a date", "1");
    ASSERT_FALSE(broken->nodeValid);
    Refresh();
    const TEvaluations::TSeries series = evaluations->TaskCount();
    EXPECT_EQ(series.title1, "Utilization");
    EXPECT_EQ(series.title2, "No. Tasks");
    EXPECT_EQ(series.first, core->MinDate());
    EXPECT_EQ(series.last, core->MaxDate());
    const TDateTime monday = EncodeDate(2026, 3, 2);
    EXPECT_EQ(ValueAt(series, monday - 1), 0);
    EXPECT_EQ(ValueAt(series, monday), 3);
    EXPECT_EQ(ValueAt(series, monday + 1), 2);  // the one-day task is over
    EXPECT_EQ(ValueAt(series, monday + 3), 1);  // Thursday: only the five-day task
    EXPECT_EQ(ValueAt(series, monday + 7), 0);  // the five days ended on Friday
    EXPECT_EQ(ValueAt(series, monday + 14), 1);
    // A step series: the first sample, then only changes; 0 is written once and holds.
    ASSERT_FALSE(series.points.empty());
    EXPECT_EQ(series.points.front().date, core->MinDate());
    EXPECT_EQ(series.points.front().value, 0);
    for (std::size_t i = 1; i < series.points.size(); ++i)
        EXPECT_NE(series.points[i].value, series.points[i - 1].value);
    EXPECT_EQ(series.points.size(), 7u);
}

TEST_F(EvaluationsTest, SweepEqualsSamplingOnRandomPlansInBothModes)
{
    for (TMinUnit unit : {muDay, muMinute}) {
        core->SetMinUnit(unit);
        QRandomGenerator random(unit == muDay ? 11 : 12);
        core->BeginUpdate(QString());
        for (int i = 0; i < 60; ++i) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
            core->SetData_(node, cnPosition, QStringList{"A", "B", "C", "D"}[random.bounded(4)]);
            const TDateTime start = EncodeDate(2026, 3, 1) + random.bounded(20)
                                    + (unit == muMinute ? random.bounded(600) / 1440.0 : 0);
            core->SetData_(node, cnStart, core->FormatDateTime(start));
            core->SetData_(node, cnLength, unit == muMinute ? QStringLiteral("%1,%2").arg(random.bounded(30)).arg(random.bounded(60))
                                                            : QString::number(1 + random.bounded(8)));
        }
        core->EndUpdate();
        core->UpdateBoundsProc();
        std::vector<TEvaluations::TInput> inputs{evaluations->TaskCountInput(), evaluations->ResourceSumInput(Length(), -1)};
        // Sampling every minute is slow: the other two charts are compared by day only.
        if (unit == muDay) {
            inputs.push_back(evaluations->ColumnSumInput(Length()));
            inputs.push_back(evaluations->ResourceSumInput(Length(), 2));
        }
        for (const TEvaluations::TInput &input : inputs) {
            ASSERT_EQ(TUtilisationSweep::Run(input.items, input.first, input.last, input.divisor),
                      Sampled(input.items, input.first, input.last, input.divisor));
        }
        const TEvaluations::TInput count = evaluations->TaskCountInput();
        EXPECT_EQ(count.items.size(), 60u);
        EXPECT_EQ(count.last - count.first, qint64(core->MaxDate() - core->MinDate()) * (unit == muMinute ? 1440 : 1));
        core->ForEach(tbTable, feAll, [&](TNodeData *node) { core->DeleteNode(node, false); });
    }
}

TEST_F(EvaluationsTest, MinuteModeCountsTasksToTheMinute)
{
    core->SetMinUnit(muMinute);
    TNodeData *a = AddTask("A", "02.03.2026 09:00", "2");
    TNodeData *b = AddTask("B", "02.03.2026 10:30", "1,15");
    Refresh();
    const TDateTime endA = core->GetEndOf(a);
    const TDateTime endB = core->GetEndOf(b);
    ASSERT_LT(endA, endB);
    ASSERT_GT(endA, EncodeDateTime(2026, 3, 2, 10, 31, 0, 0));
    const TEvaluations::TSeries series = evaluations->TaskCount();
    const double minute = 1.0 / 1440;
    const auto at = [&](TDateTime t) { return ValueAt(series, t + 1e-9); };
    EXPECT_EQ(at(EncodeDateTime(2026, 3, 2, 8, 59, 0, 0)), 0);
    EXPECT_EQ(at(EncodeDateTime(2026, 3, 2, 9, 0, 0, 0)), 1);
    EXPECT_EQ(at(EncodeDateTime(2026, 3, 2, 10, 30, 0, 0)), 2);
    EXPECT_EQ(at(endA - minute), 2);
    EXPECT_EQ(at(endA), 1);
    EXPECT_EQ(at(endB - minute), 1);
    EXPECT_EQ(at(endB), 0);
}

TEST_F(EvaluationsTest, ColumnSumsReadNumbersAndSkipTexts)
{
    const int comment = core->GetConnection(tbTable, cnTextCenterMiddle);
    core->SetColumnType(tbTable, comment, ctNumber);
    AddTask("A", "02.03.2026", "2", "1.5");
    AddTask("B", "02.03.2026", "2", "2.25");
    AddTask("C", "02.03.2026", "2", "many");
    Refresh();
    const TEvaluations::TSeries sum = evaluations->ColumnSum(comment);
    EXPECT_EQ(sum.title2, core->GetColumnCaption(tbTable, comment));
    EXPECT_EQ(ValueAt(sum, EncodeDate(2026, 3, 2)), 3.75);
    EXPECT_EQ(ValueAt(sum, EncodeDate(2026, 3, 4)), 0);
    EXPECT_EQ(evaluations->NumberColumns(tbTable), (std::vector<int>{Length(), comment}));
}

TEST_F(EvaluationsTest, ResourcesAreMatchedByTheirChartRow)
{
    // Lengths 4, 2 and 0 on the resources A, B and C on Monday.
    AddTask("A", "02.03.2026", "4");
    AddTask("B", "02.03.2026", "2");
    TNodeData *none = AddTask("C", "02.03.2026", "1");
    core->SetData_(none, cnLength, "0");
    Refresh();
    const TDateTime monday = EncodeDate(2026, 3, 2);
    // Four resources A..D: (4 + 2 + 0 + 0) div 4 = 1.
    TEvaluations::TSeries all = evaluations->ResourceSum(Length(), -1, "Length");
    EXPECT_EQ(all.title1, "Utilization Test");
    EXPECT_EQ(all.title2, "Length");
    EXPECT_EQ(ValueAt(all, monday), 1);
    EXPECT_EQ(ValueAt(evaluations->ResourceSum(Length(), 1, "Length"), monday), 2);

    // Under a group tab of A, B and C the rows are numbered within the group: (4 + 2 + 0) div 3 = 2.
    const QStringList entries = core->Positiongroups(false, true);
    core->AddPositionGroup("Three", CommaTextOf({entries[0], entries[1], entries[2]}));
    core->AddPositionGroup("B and C", CommaTextOf({entries[1], entries[2]}));
    core->SelectGroupTab(1);
    EXPECT_EQ(ValueAt(evaluations->ResourceSum(Length(), -1, "Length"), monday), 2);
    core->SelectGroupTab(2);
    const std::vector<TEvaluations::TResource> resources = evaluations->Resources();
    ASSERT_EQ(resources.size(), 2u);
    EXPECT_EQ(resources[0].name, "B");
    EXPECT_EQ(resources[1].number, 1);
    EXPECT_EQ(ValueAt(evaluations->ResourceSum(Length(), 0, "Length"), monday), 2);
    EXPECT_EQ(ValueAt(evaluations->ResourceSum(Length(), 1, "Length"), monday), 0);
    EXPECT_EQ(ValueAt(evaluations->ResourceSum(Length(), -1, "Length"), monday), 1);
}

TEST_F(EvaluationsTest, AllOnAnEmptyGroupIsZero)
{
    AddTask("A", "02.03.2026", "4");
    core->ColumnStrings(tbTable, 0).clear();
    Refresh();
    ASSERT_TRUE(core->FGlobalPositionFilter.isEmpty());
    EXPECT_TRUE(evaluations->Resources().empty());
    const TEvaluations::TSeries all = evaluations->ResourceSum(Length(), -1, "Length");
    ASSERT_EQ(all.points.size(), 1u);
    EXPECT_EQ(all.points.front().value, 0);
}

TEST_F(EvaluationsTest, MultiRowResourcesShareTheirNumber)
{
    core->ColumnStrings(tbTable, 0) = QStringList{"A", CommaTextOf({"Team", WeekInfo2String(DefaultWeekInfo()), "3"}), "C"};
    Refresh();
    EXPECT_EQ(evaluations->ResourceNumbers(), (std::vector<int>{0, 1, 1, 1, 2}));
    AddTask("Team (3)", "02.03.2026", "3");
    AddTask("Team", "02.03.2026", "2");
    Refresh();
    EXPECT_EQ(ValueAt(evaluations->ResourceSum(Length(), 1, "Length"), EncodeDate(2026, 3, 2)), 5);

    // Absent days: "*" is in every row's list, one on the block in each of its rows.
    const auto absence = [&](const QString &position, const QString &start) {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbExclude, true);
        core->SetData_(node, cnPosition, position);
        core->SetData_(node, cnStart, start);
        core->SetData_(node, cnLength, "2");
        return node;
    };
    TNodeData *everyone = absence("*", "09.03.2026");
    TNodeData *team = absence("Team", "11.03.2026");
    absence("C", "12.03.2026");
    Refresh();
    for (int row = 0; row < 5; ++row) {
        tDateList list;
        evaluations->addTableToDateList(list, row);
        const bool inTeam = row >= 1 && row <= 3;
        ASSERT_EQ(list.Count(), inTeam || row == 4 ? 2 : 1) << row;
        EXPECT_EQ(list.Items(0)->node, everyone);
        EXPECT_EQ(list.Items(0)->position, row);
        EXPECT_EQ(list.Items(0)->start, EncodeDate(2026, 3, 9));
        EXPECT_EQ(list.Items(0)->ende, everyone->nodeEnd + 1);
        if (inTeam) {
            EXPECT_EQ(list.Items(1)->node, team);
        }
    }
}
