#pragma once

#include <QtGlobal>

// Colours are written $BBGGRR (red in the low byte); negative values name system colours.
// The helpers over this type are declared below this line as they are built.
using TColor = qint32;
