// A window the program places itself, under a window manager that frames it: the question where
// a drawn bar goes stands on the pointer from its first opening in a run.

#include "planner/chart/ChartMouseTestSupport.h"

#include "common/DesktopSession.h"
#include "dialogs/NewEntryDialog.h"
#include "planner/UserInput.h"

namespace {

class DesktopSessionPlacementTest : public ChartMouseTest
{
protected:
    void SetUp() override
    {
        if (!desktop::Active())
            GTEST_SKIP() << "needs a desktop session";
        ChartMouseTest::SetUp();
    }
    static bool Xdo(const QStringList &arguments) { return desktop::Run(QStringLiteral("xdotool"), arguments); }
};

} // namespace

TEST_F(DesktopSessionPlacementTest, TheNewEntryQuestionStandsOnThePointerFromItsFirstOpening)
{
    OpenPlan(8, {});
    ASSERT_TRUE(desktop::Activate(form.get()));
    // The question where a drawn bar goes, three times: its frame ends right above the pointer.
    ASSERT_EQ(form->findChild<TNewEntryDialog *>(), nullptr);
    for (int opening = 0; opening < 3; ++opening) {
        SCOPED_TRACE(opening);
        const QPoint from = view->TimeChart->mapToGlobal(At(Base() + 4 + opening * 5, 3 + opening));
        const QPoint to = from + QPoint(3 * 20, 0);
        QPoint frame;
        bool placed = false;
        userinput::WhenShown(
            form.get(), [this] { return static_cast<QWidget *>(form->findChild<TNewEntryDialog *>()); },
            [&](QWidget *dialog) {
                placed = desktop::WaitFor([&] { return dialog->frameGeometry().bottomLeft() + QPoint(0, 1) == to; },
                                          5000);
                frame = dialog->frameGeometry().bottomLeft();
                static_cast<TNewEntryDialog *>(dialog)->reject();
            });
        ASSERT_TRUE(Xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(from.x()),
                         QString::number(from.y()), QStringLiteral("mousedown"), QStringLiteral("1")}));
        ASSERT_TRUE(Xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(from.x() + 30),
                         QString::number(from.y())}));
        ASSERT_TRUE(Xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(to.x()),
                         QString::number(to.y()), QStringLiteral("mouseup"), QStringLiteral("1")}));
        ASSERT_TRUE(desktop::WaitFor([&] {
            const auto *dialog = form->findChild<TNewEntryDialog *>();
            return dialog && !dialog->isVisible() && !frame.isNull();
        }));
        EXPECT_TRUE(placed) << "frame's bottom left " << frame.x() << "," << frame.y() << ", pointer " << to.x() << ","
                            << to.y();
    }
    EXPECT_TRUE(Tasks().empty());
}
