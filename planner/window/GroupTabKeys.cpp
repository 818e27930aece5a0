#include "window/GroupTabKeys.h"

#include <QKeyEvent>
#include <QTabBar>

namespace GroupTabKeys {

namespace {

// The tab `step` tabs from the current one over the enabled ones; round at the ends or held
// there. -1 when there is none to go to.
int Neighbour(const QTabBar &tabs, int step, bool round)
{
    const int count = tabs.count();
    int index = tabs.currentIndex();
    for (int passed = 1; passed < count; ++passed) {
        index += step;
        if (index < 0 || index >= count) {
            if (!round)
                return -1;
            index = (index + count) % count;
        }
        if (tabs.isTabEnabled(index))
            return index;
    }
    return -1;
}

// The first enabled tab from `index` on in the direction of `step`.
int Enabled(const QTabBar &tabs, int index, int step)
{
    for (; index >= 0 && index < tabs.count(); index += step)
        if (tabs.isTabEnabled(index))
            return index;
    return -1;
}

} // namespace

bool KeyPress(QTabBar &tabs, const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = modifiers == Qt::ControlModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const int forward = tabs.layoutDirection() == Qt::RightToLeft ? -1 : 1;
    int target = -1;
    switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!plain)
            return false;
        target = Neighbour(tabs, event.key() == Qt::Key_Right ? forward : -forward, false);
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (!plain)
            return false;
        target = event.key() == Qt::Key_Home ? Enabled(tabs, 0, 1) : Enabled(tabs, tabs.count() - 1, -1);
        break;
    case Qt::Key_Tab:
        if (!ctrl)
            return false;
        target = Neighbour(tabs, 1, true);
        break;
    case Qt::Key_Backtab:
        if (modifiers != (Qt::ControlModifier | Qt::ShiftModifier))
            return false;
        target = Neighbour(tabs, -1, true);
        break;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        if (!ctrl)
            return false;
        target = Neighbour(tabs, event.key() == Qt::Key_PageDown ? 1 : -1, true);
        break;
    default:
        return false;
    }
    // At an end the key is still the bar's: it does not reach the chart or the tables.
    if (target >= 0 && target != tabs.currentIndex())
        tabs.setCurrentIndex(target);
    return true;
}

} // namespace GroupTabKeys
