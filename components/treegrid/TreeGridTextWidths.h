#pragma once

#include <QString>

class TCanvas;

// Text widths measured once per distinct text and font: a table repeats the same texts (dates,
// names, numbers) over thousands of rows, and fitting a column to its content measures every
// row. The widths are the canvas's own (TextWidth); each thread keeps its own store, which is
// emptied when it grows large.
int CachedTextWidth(TCanvas &canvas, const QString &text);
void ClearTextWidthCache();
