// A right click on a swatch of a colour panel, through the main window as the window system
// delivers it: the colour picker opens below the swatch, the chosen colour takes, and nothing
// else (no context menu of the toolbar) follows the click.

#include "planner/chart/ChartMouseTestSupport.h"
#include "planner/UserInput.h"

#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "PopupColorPicker.h"
#include "chart/ChartCommands.h"
#include "chart/ColorPanel.h"

namespace {

class ColorPanelPickerTest : public ChartMouseTest
{
protected:
    // A press and release of the right button at a point of the panel, handed to the main
    // window's native window as the window system does: the window finds the panel under it.
    void RightClickThroughWindow(TColorPanel *panel, QPoint at)
    {
        QWindow *window = form->windowHandle();
        ASSERT_TRUE(window);
        const QPoint p = panel->mapTo(form.get(), at);
        QTest::mousePress(window, Qt::RightButton, {}, p);
        QTest::mouseRelease(window, Qt::RightButton, {}, p);
    }
};

} // namespace

TEST_F(ColorPanelPickerTest, RightClickOpensThePickerBelowTheSwatchAndNothingElse)
{
    OpenPlan(2, {{0, 2, 3}, {1, 2, 3}});
    TColorPanel *panel = form->ChartCommands->ItemColorPanel;
    ASSERT_TRUE(panel->isVisible());
    const int c = panel->CellWidth();
    ASSERT_GT(c, 3);
    const QRect swatch(panel->mapToGlobal(QPoint(c, 0)), QSize(c * 3 / 4, panel->height()));

    QRect pickerAt;
    QStringList menus;
    // Whatever pops up while the click is handled: the picker is answered with Red, a menu
    // is noted and closed.
    std::function<void()> watch = [&] {
        QWidget *popup = QApplication::activePopupWidget();
        if (auto *picker = qobject_cast<TColorPickerPopup *>(popup)) {
            pickerAt = picker->geometry();
            QTest::mouseClick(picker, Qt::LeftButton, {}, picker->CellCenter(16));
        } else if (auto *menu = qobject_cast<QMenu *>(popup)) {
            menus << menu->title() + QStringLiteral(" (") + QString::number(menu->actions().size())
                         + QStringLiteral(" items)");
            menu->close();
        }
    };
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, watch);
    poll.start();
    RightClickThroughWindow(panel, QPoint(c + 1, panel->height() / 2));
    ASSERT_TRUE(userinput::WaitUntil([&] { return !pickerAt.isEmpty(); }));
    // Time for anything that would follow the click.
    QTest::qWait(100);
    poll.stop();

    // Right under the swatch, its left edge with the swatch's unless the screen ends first.
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_EQ(pickerAt.top(), swatch.bottom() + 1);
    EXPECT_EQ(pickerAt.left(), std::min(swatch.left(), screen.right() + 1 - pickerAt.width()));
    EXPECT_TRUE(screen.contains(pickerAt));
    EXPECT_EQ(panel->Palette()[1], TColor(0x0000FF)); // red, $BBGGRR
    EXPECT_TRUE(menus.isEmpty()) << menus.join(QLatin1Char('\n')).toStdString();
}
