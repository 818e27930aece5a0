// A goto seen through another instance's save: user B's window has gone to a date far from
// the plan when user A (a driver process) saves the shared document; B's reload of the new
// generation leaves B's chart at that date.

#include "planner/sync/SyncDriverTest.h"

#include <QApplication>
#include <QJsonObject>

#include <memory>

#include "planner/CoreTestSupport.h"
#include "planner/chart/GotoTestSupport.h"
#include "sync/DirWatchThread.h"

namespace {

class ChartGotoReloadTest : public SyncDriverTest
{
protected:
    void SetUp() override
    {
        SyncDriverTest::SetUp();
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    // A makes the document with a task every five days for three months from `first`; B's
    // window opens it.
    void Share(TDateTime first)
    {
        a = &Driver(QStringLiteral("hosta"));
        ASSERT_EQ(a->Command({"create", document}), "");
        for (int i = 0; i < 18; ++i) {
            const QString id = a->Command({"add", "Start", DateToStr(first + 5 * i)});
            ASSERT_FALSE(id.isEmpty() || id.startsWith(QStringLiteral("error"))) << id.toStdString();
            ids.append(id);
            ASSERT_EQ(a->Command({"set", id, "Length", "3"}), "");
            ASSERT_EQ(a->Command({"set", id, "Position", QStringLiteral("Position %1").arg(1 + i % 3)}), "");
        }
        ASSERT_EQ(a->Command({"save"}), "");
        form = std::make_unique<TScriptedMainForm>(mrYes);
        form->resize(1000, 700);
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->Open(document);
        ASSERT_EQ(form->Sync().DirWatchThread()->WorkingDir(), a->Json("state").value("generation").toString());
        gototest::Wait(250);
    }
    // A changes a comment and saves; B follows into the new generation.
    void SaveInA(const QString &comment)
    {
        ASSERT_EQ(a->Command({"set", ids.front(), "Comment", comment}), "");
        ASSERT_EQ(a->Command({"save"}), "");
        const QString generation = a->Json("state").value("generation").toString();
        ASSERT_TRUE(Eventually([&] { return form->Sync().DirWatchThread()->WorkingDir() == generation; }, 10000))
            << a->Output().toStdString();
        TPlannerCore &core = form->Core();
        const int column = core.IndexOfColumnHack(tbTable, QStringLiteral("Comment"));
        ASSERT_TRUE(Eventually([&] { return core.GetData(core.FindNode(ids.front()), column) == comment; }, 5000));
    }

    TSyncDriverProcess *a = nullptr;
    QStringList ids;
    std::unique_ptr<TScriptedMainForm> form;
};

} // namespace

TEST_F(ChartGotoReloadTest, AnotherUsersSaveLeavesTheChartAtTheGotoDate)
{
    const TDateTime first = Trunc(Date()) + 30;
    ASSERT_NO_FATAL_FAILURE(Share(first));
    TTimeChartView &chart = *form->TimeChartView;
    const TDateTime after = first + 5 * 17 + 400;
    const TDateTime before = first - 500;
    int saves = 0;
    for (const TDateTime target : {after, before}) {
        ASSERT_NO_FATAL_FAILURE(gototest::Goto(*form, target));
        gototest::LetScrollRun(chart);
        gototest::ExpectFirstDay(chart, target, QStringLiteral("after the goto"));
        ASSERT_NO_FATAL_FAILURE(SaveInA(QStringLiteral("save %1").arg(++saves)));
        gototest::LetScrollRun(chart);
        gototest::ExpectFirstDay(chart, target, QStringLiteral("after A's save"));
    }
}
