#pragma once

#include <QString>
#include <Qt>

#include "ColorHSV.h"
#include "DateTime.h"
#include "Wildcard.h"

// Small helpers shared across the program: the date-time text of every file, the user's
// identity, the keyboard state, the program's version, ordering of two integers and comparing
// texts without case.

// "yyyy-mm-dd hh:nn:ss", the form every file stores date-times in.
QString FormatDateTimeForStorage(TDateTime value);
// Reads that form by its fixed positions; a text that is too short, holds anything but digits
// there or names no valid date and time gives the current date and time.
TDateTime StrToDateTimeFromStorage(const QString &text);
// The same, reporting failure instead of falling back to the clock.
bool TryStrToDateTimeFromStorage(const QString &text, TDateTime &value);

// The short host name and the login name.
QString GetCompName();
QString GetUser();
// Computer name "." user name, e.g. "pc17.anna"; the same for the whole run.
QString UserIdentity();

// The Shift, Ctrl and Alt keys held right now (asked of the window system, not of an event).
Qt::KeyboardModifiers ShiftState();

// The version of a program file: only the running executable (or an empty name) has one;
// false for every other file, with the outputs untouched.
bool GetBuildInfo(const QString &fileName, int &major, int &minor, int &release, int &build, int &flags);
// "major.minor.release" of the running program, with " prerelease" (flag 2) or " RC" (flag 32).
QString GetFileVersion();

// Orders two integers: afterwards a <= b.
void Swap(int &a, int &b);

// Equal but for case, in the user's locale (lists and CSV headers match names this way).
bool SameText(const QString &a, const QString &b);
