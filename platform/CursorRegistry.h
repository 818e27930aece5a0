#pragma once

#include <QCursor>

// Cursors by number, as the window system's screen kept them: negative numbers are the
// standard shapes, positive numbers are the program's own cursors registered at start-up.
using TCursor = int;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;
inline constexpr TCursor crSize = -22;

// Process-wide table of cursors; used from the user-interface thread only.
class TCursorRegistry
{
public:
    // Registers (or replaces) a cursor under a number. Standard numbers cannot be replaced.
    static void Register(TCursor id, const QCursor &cursor);
    static void Unregister(TCursor id);
    static bool Has(TCursor id);
    // The cursor of a number; unknown numbers give the default arrow.
    static QCursor Cursor(TCursor id);

    // The screen cursor overrides every window's own cursor until it is crDefault again.
    static void SetScreenCursor(TCursor id);
    static TCursor ScreenCursor();
};
