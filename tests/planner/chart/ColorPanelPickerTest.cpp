// A right click on a colour panel's swatch as the window system delivers it (to the main
// window, which finds the panel under the point): the picker opens below the swatch, its
// colour takes, and no other menu follows the click.

#include "planner/UserInput.h"
#include "planner/chart/ChartMouseTestSupport.h"

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
    QTest::qWait(100); // time for anything that would follow the click

    // Right under the swatch, its left edge with the swatch's unless the screen ends first.
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_EQ(pickerAt.top(), swatch.bottom() + 1);
    EXPECT_EQ(pickerAt.left(), std::min(swatch.left(), screen.right() + 1 - pickerAt.width()));
    EXPECT_EQ(panel->Palette()[1], TColor(0x0000FF)); // red ($BBGGRR)
    EXPECT_TRUE(menus.isEmpty()) << menus.join(QLatin1Char('\n')).toStdString();
}
