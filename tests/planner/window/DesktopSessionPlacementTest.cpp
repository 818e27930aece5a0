// Windows the program places itself, under a window manager that frames them: the question
// where a drawn bar goes stands on the pointer from its first opening in a run, and the editor's
// window made after a docked start opens at the place kept in the program ini.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QWindow>

#include "MemIniFile.h"
#include "common/DesktopSession.h"
#include "dialogs/NewEntryDialog.h"
#include "editor/EditorForm.h"
#include "editor/PropertyEditor.h"
#include "planner/UserInput.h"
#include "window/SettingsKeeper.h"

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

TEST_F(DesktopSessionPlacementTest, WindowsPlacedAtAPointOrAKeptPlaceStandThereFromTheirFirstShowing)
{
    // The editor's window, kept at a place while the program ran docked.
    const QPoint kept(399, 310);
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QString ini = config.filePath(QStringLiteral("velmora.ini"));
    {
        TMemIniFile file(ini);
        file.WriteInteger(QStringLiteral("setup"), QStringLiteral("editorleft"), kept.x());
        file.WriteInteger(QStringLiteral("setup"), QStringLiteral("editortop"), kept.y());
        ASSERT_TRUE(file.UpdateFile(false));
    }
    form->Settings().SetIniFileName(ini);
    form->LoadIni();
    OpenPlan(8, {{1, 2, 3}});
    ASSERT_TRUE(desktop::Activate(form.get()));
    // Placed where it stands, the frame in view (the window manager's default is elsewhere).
    ASSERT_NE(form->frameGeometry().topLeft(), kept);
    userinput::ClickMenuItem(*form, form->menuBar()->findChild<QMenu *>(QStringLiteral("View1")), form->EditorAsForm);
    const QPoint bar = view->TimeChart->mapToGlobal(BarRect(Tasks().front()).center());
    ASSERT_TRUE(Xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(bar.x()),
                     QString::number(bar.y()), QStringLiteral("click"), QStringLiteral("1")}));
    TEditorForm *editor = nullptr;
    ASSERT_TRUE(desktop::WaitFor([&] {
        editor = form->Editor().EditorForm();
        return editor && editor->isVisible();
    }));
    EXPECT_TRUE(desktop::WaitFor([&] { return editor->frameGeometry().topLeft() == kept; }, 5000))
        << editor->frameGeometry().x() << "," << editor->frameGeometry().y();
    // Docked again, the place is kept for the next start.
    userinput::ClickMenuItem(*form, form->menuBar()->findChild<QMenu *>(QStringLiteral("View1")), form->EditorAsForm);
    ASSERT_TRUE(form->Settings().SaveIni());
    {
        const TMemIniFile file(ini);
        EXPECT_EQ(file.ReadInteger(QStringLiteral("setup"), QStringLiteral("editorleft"), -1), kept.x());
        EXPECT_EQ(file.ReadInteger(QStringLiteral("setup"), QStringLiteral("editortop"), -1), kept.y());
    }

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
    EXPECT_EQ(Tasks().size(), 1u);
}
