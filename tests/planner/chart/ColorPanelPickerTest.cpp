// A right click on a colour panel's swatch as the window system delivers it (to the main
// window, which finds the panel under the point): the picker opens below the swatch, its
// colour takes, and no other menu follows the click. The chosen colour is a change of the
// document that is saved or asked about.

#include "planner/UserInput.h"
#include "planner/chart/ChartMouseTestSupport.h"
#include "planner/chart/PaletteTestSupport.h"
#include "planner/sync/SharedWindowTest.h"
#include "planner/window/WindowTestSupport.h"

#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "PopupColorPicker.h"
#include "chart/ChartCommands.h"
#include "chart/ColorPanel.h"

TEST_F(ChartMouseTest, RightClickOnASwatchOpensThePickerBelowItAndNothingElse)
{
    OpenPlan(2, {{0, 2, 3}});
    TColorPanel *panel = form->ChartCommands->ItemColorPanel;
    const int c = panel->CellWidth();
    ASSERT_GT(c, 3);
    const QRect swatch(panel->mapToGlobal(QPoint(c, 0)), QSize(c * 3 / 4, panel->height()));

    // What pops up meanwhile: the picker is answered with Red, a menu is noted and closed.
    QRect pickerAt;
    QStringList menus;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget *popup = QApplication::activePopupWidget();
        if (auto *picker = qobject_cast<TColorPickerPopup *>(popup)) {
            pickerAt = picker->geometry();
            QTest::mouseClick(picker, Qt::LeftButton, {}, picker->CellCenter(16));
        } else if (auto *menu = qobject_cast<QMenu *>(popup)) {
            menus << QString::number(menu->actions().size()) + QStringLiteral(" items");
            menu->close();
        }
    });
    watch.start(10);
    const QPoint at = panel->mapTo(form.get(), QPoint(c + 1, panel->height() / 2));
    QTest::mousePress(form->windowHandle(), Qt::RightButton, {}, at);
    QTest::mouseRelease(form->windowHandle(), Qt::RightButton, {}, at);
    ASSERT_TRUE(userinput::WaitUntil([&] { return !pickerAt.isEmpty(); }));
    // Whatever the click still brings (a context menu, a queued call) is delivered now: a menu
    // opened by it would be the active pop-up.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    watch.stop();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Right under the swatch, its left edge with the swatch's unless the screen ends first.
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_EQ(pickerAt.top(), swatch.bottom() + 1);
    EXPECT_EQ(pickerAt.left(), std::min(swatch.left(), screen.right() + 1 - pickerAt.width()));
    EXPECT_EQ(panel->Palette()[1], TColor(0x0000FF)); // red ($BBGGRR)
    EXPECT_TRUE(menus.isEmpty()) << menus.join(QLatin1Char('\n')).toStdString();
}

namespace {

using palettetest::BlackCell;
using palettetest::PickOnPanel;

class ColorPanelSaveTest : public windowtest::MainWindowTest
{
protected:
    QTemporaryDir dir;
};

} // namespace

// A colour chosen on a panel changes the document: Save is enabled, closing asks until it is
// saved, and the file holds the colour.
TEST_F(ColorPanelSaveTest, AColourChosenOnAPanelIsSavedOrAskedAbout)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const QString file = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop")));
    form->Open(file);
    ASSERT_TRUE(userinput::IdleUntil([&] { return !form->ActionSave->isEnabled(); }));
    PickOnPanel(form.get(), form->ChartCommands->HolidayColorPanel, 1, BlackCell);
    EXPECT_TRUE(userinput::IdleUntil([&] { return form->ActionSave->isEnabled(); }));
    form->answers = {mrCancel};
    EXPECT_FALSE(form->close());
    form->ActionSave->trigger();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(form->questions, QStringList{QStringLiteral("Do you want to save changes to %1?").arg(file)});
    TOtherDocument reopened;
    ASSERT_TRUE(reopened.file->LoadFrom(file));
    EXPECT_EQ(reopened.core.FHolidayColors.value(1), TColor(0x000000));
}

// Another instance saves while a chosen colour is unsaved here: the window follows with the
// colour and Save kept, and its own save writes the colour.
TEST_F(SharedWindowTest, AnUnsavedColourOutlivesAnotherInstancesSave)
{
    Share(1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    PickOnPanel(form.get(), form->ChartCommands->ItemColorPanel, 1, BlackCell);
    SaveInA();
    EXPECT_TRUE(Idle([&] { return form->ActionSave->isEnabled(); }, 5000));
    form->ActionSave->trigger();
    TOtherDocument saved;
    ASSERT_TRUE(saved.file->LoadFrom(document));
    EXPECT_EQ(saved.core.FColors.value(1), TColor(0x000000));
}
