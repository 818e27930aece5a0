#pragma once

// The colour list of a document as text: the current file format and old ini files share it.

#include <QString>
#include <QVector>

#include <functional>

#include "Color.h"

// "0x" and eight upper-case hexadecimal digits of the colour's $00BBGGRR value.
QString ColorText(TColor color);

// Makes the list count colours long, reading colour i from textOf(i): "0x" hexadecimal, as
// written, or "$" hexadecimal or decimal, as old files wrote it. A colour that cannot be read
// keeps the one the list had at that place, or white beyond its old end.
void ReadColorList(QVector<TColor> &colors, int count, const std::function<QString(int)> &textOf);

// Grows a palette to count colours; the new ones follow a fixed cycle of ten, counted from the
// first new one. A longer palette stays as it is.
void FillUpColors(QVector<TColor> &colors, int count);
