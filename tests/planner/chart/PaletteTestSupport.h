#pragma once

// A colour chosen on a colour panel of the main window as a user chooses it.

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "PopupColorPicker.h"
#include "chart/ColorPanel.h"

namespace palettetest {

constexpr int BlackCell = 0;

// A right click on a swatch through the window, the picker answered with a click on a cell.
inline void PickOnPanel(QWidget *window, TColorPanel *panel, int swatch, int cell)
{
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&answer, cell] {
        if (auto *picker = qobject_cast<TColorPickerPopup *>(QApplication::activePopupWidget())) {
            answer.stop();
            QTest::mouseClick(picker, Qt::LeftButton, {}, picker->CellCenter(cell));
        }
    });
    answer.start(10);
    const QPoint at = panel->mapTo(window, QPoint(swatch * panel->CellWidth() + 1, panel->height() / 2));
    QTest::mousePress(window->windowHandle(), Qt::RightButton, {}, at);
    QTest::mouseRelease(window->windowHandle(), Qt::RightButton, {}, at);
}

} // namespace palettetest
