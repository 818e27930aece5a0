#pragma once

// What a user does with the mouse and keys, for tests that go through the real window: menus
// opened by a click on their title and items clicked in them, clicks on table cells; and the
// room a header cell gives its caption.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

#include "Canvas.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderWidget.h"

namespace userinput {

// Runs the event loop until `done` or five seconds passed.
inline bool WaitUntil(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Runs the event loop as the program does, waiting for events between them, so that the
// window's idle processing takes its turns; until `done` or ten seconds passed.
inline bool IdleUntil(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

// Clicks the item of an open pop-up menu (press, then release on it, as a hand does).
inline void ClickOpenMenuItem(QMenu *menu, QAction *action)
{
    const QPoint at = menu->actionGeometry(action).center();
    QTest::mouseMove(menu, at);
    QTest::mousePress(menu, Qt::LeftButton, {}, at);
    QTest::mouseRelease(menu, Qt::LeftButton, {}, at);
}

// Opens a menu of the menu bar with a click on its title; true when it shows.
inline bool OpenMenu(QMainWindow &window, QMenu *menu)
{
    QMenuBar *bar = window.menuBar();
    const QPoint at = bar->actionGeometry(menu->menuAction()).center();
    QTest::mouseClick(bar, Qt::LeftButton, {}, at);
    return WaitUntil([menu] { return menu->isVisible(); });
}

// Opens the submenu of an open menu by moving the pointer onto its item.
inline bool OpenSubMenu(QMenu *menu, QMenu *sub)
{
    const QPoint at = menu->actionGeometry(sub->menuAction()).center();
    QTest::mouseMove(menu, at);
    QTest::mousePress(menu, Qt::LeftButton, {}, at);
    QTest::mouseRelease(menu, Qt::LeftButton, {}, at);
    return WaitUntil([sub] { return sub->isVisible(); });
}

// Clicks an item of a menu of the menu bar (through its submenu when given).
inline void ClickMenuItem(QMainWindow &window, QMenu *menu, QAction *action, QMenu *sub = nullptr)
{
    ASSERT_TRUE(OpenMenu(window, menu)) << menu->objectName().toStdString();
    if (sub) {
        ASSERT_TRUE(OpenSubMenu(menu, sub)) << sub->objectName().toStdString();
        ClickOpenMenuItem(sub, action);
    } else {
        ClickOpenMenuItem(menu, action);
    }
}

// The middle of a row's cell in a table's viewport.
inline QPoint CellPoint(TBaseTreeGrid *grid, TGridNode *node, int column)
{
    const QRect row = grid->GetDisplayRect(node, column, false);
    return row.center();
}

// Clicks a row of a table in the given column, with modifiers (Ctrl adds to the selection).
inline void ClickCell(TBaseTreeGrid *grid, TGridNode *node, int column, Qt::KeyboardModifiers modifiers = {})
{
    const QPoint at = CellPoint(grid, node, column);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, modifiers, at);
}

// Clicks the check box of a row of a tree-grid.
inline void ClickCheckBox(TBaseTreeGrid *grid, TGridNode *node)
{
    const int y = grid->GetDisplayRect(node, NoColumn, false).center().y();
    for (int x = 0; x < grid->ClientWidth(); ++x)
        if (grid->GetHitTestInfoAt(x, y).HitPositions.contains(hiOnItemCheckbox)) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(x + 2, y));
            return;
        }
    ADD_FAILURE() << "no check box in the row";
}

// Works a window that a command shows modally, from inside its loop, once it shows: `get`
// finds it (it may be made only by the command). It is closed afterwards in any case, so that
// a failing test cannot hang. True once it was worked.
inline void WhenShown(QObject *context, const std::function<QWidget *()> &get, const std::function<void(QWidget *)> &act,
                      bool *worked = nullptr)
{
    auto *poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, get, act, worked] {
        QWidget *window = get();
        if (!window || !window->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(window);
        if (window->isVisible())
            window->close();
        if (worked)
            *worked = true;
    });
    poll->start(10);
}

// The middle of a column's header cell, in the header widget.
inline QPoint HeaderPoint(TBaseTreeGrid *grid, int column, int fromLeft = -1)
{
    QWidget *header = grid->Header()->Widget();
    const TTreeGridColumn *item = grid->Header()->Columns()->Items(column);
    const int x = fromLeft < 0 ? item->Left() + item->Width() / 2 : item->Left() + fromLeft;
    return QPoint(x, header->height() / 2);
}

// The right border of a column's header cell, in the header widget.
inline QPoint HeaderBorder(TBaseTreeGrid *grid, const TTreeGridColumn *column)
{
    return QPoint(column->Left() + column->Width() - 1, grid->Header()->Widget()->height() / 2);
}

// Drags the right border of a column's header cell by dx pixels.
inline void DragHeaderBorder(TBaseTreeGrid *grid, const TTreeGridColumn *column, int dx)
{
    QWidget *header = grid->Header()->Widget();
    const QPoint border = HeaderBorder(grid, column);
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, border);
    QTest::mouseMove(header, border + QPoint(dx / 2, 0));
    QTest::mouseMove(header, border + QPoint(dx, 0));
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, border + QPoint(dx, 0));
    QApplication::processEvents();
}

// A double click as a hand makes it: press, release, the second press (a double click) and
// its release, at one point of a widget.
inline void DoubleClick(QWidget *widget, QPoint at)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
}

// The width a header cell lays its caption out in, and the width the caption needs there.
struct TCaptionRoom
{
    int space = 0;
    int needed = 0;
};

inline TCaptionRoom CaptionRoom(TTreeGridHeader *header, int index)
{
    TCanvas canvas(1, 1);
    canvas.Font().Assign(header->Font());
    TTreeGridColumn *column = header->Columns()->Items(index);
    QPoint glyph;
    QPoint sort;
    QRect text;
    // The header lays a caption out 2 pixels inside its cell.
    const QRect cell(0, 0, column->Width(), header->Height());
    column->ComputeHeaderLayout(canvas, cell.adjusted(2, 2, -2, -2), true, index == header->SortColumn(), glyph, sort,
                                text, DT_TOP | DT_LEFT | DT_NOPREFIX);
    return {text.width(), canvas.TextWidth(column->Text()) + 2};
}

// The captions the header cannot show whole at the columns' widths.
inline QStringList CutCaptions(TTreeGridHeader *header)
{
    QStringList cut;
    for (int i = 0; i < header->Columns()->Count(); ++i) {
        const TCaptionRoom room = CaptionRoom(header, i);
        if (room.space < room.needed)
            cut.append(header->Columns()->Items(i)->Text());
    }
    return cut;
}

} // namespace userinput
