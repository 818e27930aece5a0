#pragma once

// The chart's own cursors, registered once under fixed numbers: 1 to 9 "HAND_TIMER_1" to
// "HAND_TIMER_9" (the steps of the group switch while a bar is dragged over a tab),
// 10 "HAND_OPEN", 11 "HAND_CLOSED", 12 "HAND_SWITCH".

#include <QString>

#include "CursorRegistry.h"

inline constexpr TCursor crHandTimer1 = 1;
inline constexpr TCursor crHandOpen = 10;
inline constexpr TCursor crHandClosed = 11;
inline constexpr TCursor crHandSwitch = 12;

// Registers all twelve (again after they were removed); needs a GUI application.
void RegisterChartCursors();
// The number of a cursor name, 0 for none.
TCursor ChartCursorId(const QString &name);
