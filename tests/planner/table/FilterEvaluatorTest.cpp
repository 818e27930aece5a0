// One column filter against cell texts, with a date reader that works in whole days.

#include "planner/table/TableTestSupport.h"

#include <QStringList>

#include <cmath>

#include "DateFormat.h"
#include "table/FilterEvaluator.h"

namespace {

class FilterEvaluatorTest : public ::testing::Test
{
protected:
    void SetUp() override { SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm")); }
    void TearDown() override { ResetDateFormats(); }

    // The document's date reading in day mode: unreadable texts are day zero, times are cut.
    static TDateTime DayReader(const QString &text)
    {
        TDateTime value = 0;
        return text.trimmed().isEmpty() || !TryStrToDateTime(text, value) ? 0 : std::trunc(value);
    }
    static QStringList Passing(const TFilterParams &params, const QStringList &cells)
    {
        const TFilterEvaluator evaluator(params, DayReader);
        QStringList passing;
        for (const QString &cell : cells)
            if (evaluator.Passes(cell))
                passing.append(cell);
        return passing;
    }
};

} // namespace

TEST_F(FilterEvaluatorTest, DatesCompareAsWholeDaysWithBothEndDaysIncluded)
{
    const QStringList cells{"09.03.2026", "10.03.2026", "10.03.2026 17:30", "12.03.2026", "14.03.2026",
                            "15.03.2026", "", "not a date", "2026-03-11"};
    EXPECT_EQ(Passing(MakeFilter(ftDate, fsFromTo, "10.03.2026", "14.03.2026"), cells),
              (QStringList{"10.03.2026", "10.03.2026 17:30", "12.03.2026", "14.03.2026", "2026-03-11"}));
    // "before" and "after" include the day itself; unreadable cells are day zero, before any date.
    EXPECT_EQ(Passing(MakeFilter(ftDate, fsSmaller, "10.03.2026"), cells),
              (QStringList{"09.03.2026", "10.03.2026", "10.03.2026 17:30", "", "not a date"}));
    EXPECT_EQ(Passing(MakeFilter(ftDate, fsGreater, "14.03.2026"), cells), (QStringList{"14.03.2026", "15.03.2026"}));
    EXPECT_EQ(Passing(MakeFilter(ftDate, fsEquals, "12.03.2026"), cells), (QStringList{"12.03.2026"}));
    // Sub-types that mean nothing for dates let no row pass.
    EXPECT_TRUE(Passing(MakeFilter(ftDate, fsText, "12.03.2026"), cells).isEmpty());
    EXPECT_TRUE(Passing(MakeFilter(ftDate, fsEmpty, ""), cells).isEmpty());
}

TEST_F(FilterEvaluatorTest, NumbersAreIntegersAndEverythingElseFails)
{
    const QStringList cells{"1", "2", "3", "4", "5", "", "abc", " 7 ", "-3", "2.5", "99999999999", "10"};
    EXPECT_EQ(Passing(MakeFilter(ftNumber, fsFromTo, "1", "5"), cells), (QStringList{"2", "3", "4"}));
    EXPECT_EQ(Passing(MakeFilter(ftNumber, fsSmaller, "10"), cells),
              (QStringList{"1", "2", "3", "4", "5", " 7 ", "-3"}));
    EXPECT_EQ(Passing(MakeFilter(ftNumber, fsGreater, "4"), cells), (QStringList{"5", " 7 ", "10"}));
    EXPECT_EQ(Passing(MakeFilter(ftNumber, fsEquals, "-3"), cells), (QStringList{"-3"}));
    // An operand that is no number hides every row.
    EXPECT_TRUE(Passing(MakeFilter(ftNumber, fsSmaller, "ten"), cells).isEmpty());
    EXPECT_TRUE(Passing(MakeFilter(ftNumber, fsFromTo, "1", ""), cells).isEmpty());
    EXPECT_TRUE(Passing(MakeFilter(ftNumber, fsEmpty, ""), cells).isEmpty());
    qint32 value = 0;
    EXPECT_TRUE(TFilterEvaluator::ReadInteger(" -2147483648", value));
    EXPECT_EQ(value, -2147483648);
    EXPECT_FALSE(TFilterEvaluator::ReadInteger("2147483648", value));
}

TEST_F(FilterEvaluatorTest, TextsListsAndEmptyCells)
{
    const QStringList cells{"abc", "Axe", "bA", "", "a", "Berlin", "berlin", "BERLIN ", "Bonn", "Köln", "KÖLN"};
    // Wildcards over the whole cell, case-blind.
    EXPECT_EQ(Passing(MakeFilter(ftText, fsText, "A*"), cells), (QStringList{"abc", "Axe", "a"}));
    EXPECT_EQ(Passing(MakeFilter(ftText, fsText, "?e*"), cells), (QStringList{"Berlin", "berlin", "BERLIN "}));
    EXPECT_EQ(Passing(MakeFilter(ftText, fsText, "berlin"), cells), (QStringList{"Berlin", "berlin"}));
    EXPECT_EQ(Passing(MakeFilter(ftText, fsEmpty, "ignored"), cells), (QStringList{""}));
    // A list passes its items without regard to case, beyond ASCII too.
    EXPECT_EQ(Passing(MakeFilter(ftList, fsEquals, "Berlin,köln"), cells),
              (QStringList{"Berlin", "berlin", "Köln", "KÖLN"}));
    EXPECT_EQ(Passing(MakeFilter(ftList, fsEquals, "\"\",Bonn"), cells), (QStringList{"", "Bonn"}));
    // An empty list lets nothing pass; no filter lets everything pass.
    EXPECT_TRUE(Passing(MakeFilter(ftList, fsEquals, ""), cells).isEmpty());
    EXPECT_EQ(Passing(TFilterParams(), cells), cells);
    EXPECT_FALSE(TFilterEvaluator(TFilterParams(), DayReader).Active());
    // Types beyond the known ones (stored settings) hide every row.
    EXPECT_TRUE(Passing(MakeFilter(TFilterType(9), fsText, "*"), cells).isEmpty());
    EXPECT_TRUE(Passing(MakeFilter(ftText, fsSmaller, "*"), cells).isEmpty());
}

TEST_F(FilterEvaluatorTest, HeaderDescriptions)
{
    EXPECT_EQ(TFilterEvaluator::Description(TFilterParams()), "");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftDate, fsFromTo, "10.03.2026", "14.03.2026")),
              "[from 10.03.2026 till 14.03.2026]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftDate, fsSmaller, "10.03.2026")), "[before 10.03.2026]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftDate, fsGreater, "10.03.2026")), "[after 10.03.2026]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftDate, fsEquals, "10.03.2026")), "[on 10.03.2026]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftList, fsEquals, "Berlin,\"New York\"")), "[= Berlin,New York]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftText, fsText, "A*")), "[contains A*]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftText, fsEmpty, "")), "[empty fields]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftNumber, fsSmaller, "10")), "[smaller than 10]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftNumber, fsGreater, "10")), "[bigger than 10]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftNumber, fsEquals, "10")), "[= 10]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftNumber, fsFromTo, "1", "5")), "[from 1 to 5]");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftNumber, fsText, "1")), "");
    EXPECT_EQ(TFilterEvaluator::Description(MakeFilter(ftText, fsFromTo, "1")), "");
}
