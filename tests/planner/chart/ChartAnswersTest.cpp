// Beside the chart's bars: a bar's hint gives its cells as the table shows them, and the
// question where a drawn bar goes opens with its frame's bottom-left corner at the pointer.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QWindow>

#include "dialogs/NewEntryDialog.h"
#include "dialogs/SetupDialogs.h"
#include "planner/UserInput.h"
#include "setup/SetupApplier.h"

using ChartAnswersTest = ChartMouseTest;

TEST_F(ChartAnswersTest, TheHintShowsACheckBoxAsTheTableDoes)
{
    OpenPlan(2, {{0, 2, 3}});
    TSetupApplier &applier = form->SetupDialogs().Applier();
    TSetupChanges changes;
    changes.Table = applier.ReadTable();
    changes.Table->Columns.push_back({QStringLiteral("Confirmed"), ctCheckBox, {}, -1});
    ASSERT_TRUE(applier.Apply(changes));
    TNodeData *task = Tasks().front();
    for (const bool confirmed : {false, true}) {
        Core().SetData(task, Core().GetTableColCount(tbTable) - 1, BoolName(confirmed));
        // Off the bar and back: the hint is made anew.
        Hover(At(Base() + 10, 1));
        Hover(BarRect(task).center());
        const QString hint = view->TimeChart->toolTip();
        EXPECT_TRUE(hint.endsWith(confirmed ? QStringLiteral("\nConfirmed: yes") : QStringLiteral("\nConfirmed: no")))
            << hint.toStdString();
    }
}

TEST_F(ChartAnswersTest, TheNewEntryQuestionOpensAtThePointer)
{
    OpenPlan(8, {});
    const QPoint from = At(Base() + 4, 6);
    const QPoint to = from + QPoint(3 * 20, 0);
    QRect frame;
    QMargins margins;
    userinput::WhenShown(form.get(), [this] { return static_cast<QWidget *>(form->findChild<TNewEntryDialog *>()); },
                         [&](QWidget *dialog) {
                             frame = dialog->frameGeometry();
                             margins = dialog->windowHandle()->frameMargins();
                             QTest::mouseClick(static_cast<TNewEntryDialog *>(dialog)->Button3, Qt::LeftButton);
                         });
    Hover(from);
    Press(from);
    Drag(to);
    Release(to);
    // The window has a frame here, or the test would prove nothing.
    ASSERT_GT(margins.top(), 0);
    EXPECT_EQ(frame.bottomLeft() + QPoint(0, 1), view->TimeChart->mapToGlobal(to));
    EXPECT_TRUE(Tasks().empty());
}
