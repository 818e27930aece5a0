// A goto seen through another instance's save: user B's window has gone to a date far from
// the plan when user A (a driver process) saves the shared document; B's reload of the new
// generation leaves B's chart at that date.

#include "planner/sync/SharedWindowTest.h"

#include "planner/chart/GotoTestSupport.h"

namespace {

class ChartGotoReloadTest : public SharedWindowTest
{
protected:
    // A shares an empty document with B's window, then adds a task every five days for three
    // months from `first` and saves; B follows.
    void ShareDated(TDateTime first)
    {
        ASSERT_NO_FATAL_FAILURE(Share(0));
        for (int i = 0; i < 18; ++i) {
            const QString id = a->Command({"add", "Start", DateToStr(first + 5 * i)});
            ASSERT_FALSE(id.isEmpty() || id.startsWith(QStringLiteral("error"))) << id.toStdString();
            ids.append(id);
            ASSERT_EQ(a->Command({"set", id, "Length", "3"}), "");
            ASSERT_EQ(a->Command({"set", id, "Position", QStringLiteral("Position %1").arg(1 + i % 3)}), "");
        }
        ASSERT_NO_FATAL_FAILURE(SaveInA());
        ASSERT_TRUE(Idle([&] { return core->FindNode(ids.back()) != nullptr; }, 5000));
    }
    // A changes a comment and saves; B follows into the new generation.
    void SaveComment(const QString &comment)
    {
        ASSERT_EQ(a->Command({"set", ids.front(), "Comment", comment}), "");
        ASSERT_NO_FATAL_FAILURE(SaveInA());
        ASSERT_TRUE(Idle([&] { return Cell(ids.front(), "Comment") == comment; }, 5000));
    }
};

} // namespace

TEST_F(ChartGotoReloadTest, AnotherUsersSaveLeavesTheChartAtTheGotoDate)
{
    const TDateTime first = Trunc(Date()) + 30;
    ASSERT_NO_FATAL_FAILURE(ShareDated(first));
    TTimeChartView &chart = *form->TimeChartView;
    const TDateTime after = first + 5 * 17 + 400;
    const TDateTime before = first - 500;
    int saves = 0;
    for (const TDateTime target : {after, before}) {
        ASSERT_NO_FATAL_FAILURE(gototest::Goto(*form, target));
        gototest::LetScrollRun(chart);
        gototest::ExpectFirstDay(chart, target, QStringLiteral("after the goto"));
        ASSERT_NO_FATAL_FAILURE(SaveComment(QStringLiteral("save %1").arg(++saves)));
        gototest::LetScrollRun(chart);
        gototest::ExpectFirstDay(chart, target, QStringLiteral("after A's save"));
    }
}
