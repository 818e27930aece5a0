#pragma once

// Checks that what a widget shows after incremental paints is what a full paint draws: after
// each step of a sequence of real events, the widget's part of its window's backing store (what
// the user sees) must equal a fresh render of the widget, pixel for pixel.

#include <gtest/gtest.h>

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace testsupport {

// Lets the event loop deliver what is due, then brings every pending paint to the windows'
// backing stores.
void FlushPaints();

// What the user sees of the widget: its rectangle in its window's backing store.
QImage ShownPixels(QWidget *widget);
// The same once the events that are due have been delivered.
QImage ShownAfterEvents(QWidget *widget);
// The widget painted afresh, as a whole.
QImage FreshRender(QWidget *widget);

// The pixels whose colours differ between two pictures of one size, leaving out their last
// `skipRows` rows; -1 when their sizes differ.
int DifferingPixels(const QImage &a, const QImage &b, int skipRows = 0);

// Equal, or a description of where they differ. Pixels inside `ignored` (widget coordinates:
// named animated parts) do not count.
::testing::AssertionResult SameShown(const QImage &shown, const QImage &fresh, const std::vector<QRect> &ignored = {});
// What the user sees of the widget, once the events that are due have been delivered, is what
// a full paint of it draws.
::testing::AssertionResult ShowsFullRender(QWidget *widget);

// The check over a sequence: Check after each step compares every watched widget. A failure
// names the step and the widget; with VELMORA_REPAINT_DUMP set to a folder, both pictures are
// written there.
class TRepaintCheck
{
public:
    // Rectangles of a widget that animate on their own (a flash), in widget coordinates.
    using TAnimated = std::function<std::vector<QRect>()>;
    // Makes a widget that keeps a picture of its own between paints (and draws only its
    // changed parts into it) draw that picture whole at its next paint.
    using TDrawWhole = std::function<void()>;

    // With `drawWhole`, each check also compares the kept picture with one drawn whole.
    void Watch(QWidget *widget, TAnimated animated = {}, TDrawWhole drawWhole = {});
    // Flushes the paints and compares; false (with a test failure) when a widget differs.
    bool Check(const QString &step);
    int Checks() const { return FChecks; }

private:
    struct TWatched
    {
        QPointer<QWidget> widget;
        TAnimated animated;
        TDrawWhole drawWhole;
    };
    std::vector<TWatched> FWidgets;
    int FChecks = 0;
};

} // namespace testsupport
