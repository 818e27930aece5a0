#pragma once

class QKeyEvent;
class QTabBar;

// The keys that switch the group tabs while their bar has the focus, as a tab bar of the
// desktop answers them: Left and Right step to the neighbour (mirrored right to left), Home
// and End go to the first and last tab, Ctrl+Tab and Ctrl+Page Down to the next tab and
// Ctrl+Shift+Tab and Ctrl+Page Up to the previous one, going round at the ends.
namespace GroupTabKeys {

// Switches the tab for a key press on the bar; true when the key was one of them.
bool KeyPress(QTabBar &tabs, const QKeyEvent &event);

} // namespace GroupTabKeys
