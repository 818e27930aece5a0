#pragma once

#include "Color.h"

// Colour arithmetic for the chart: the HSV model and brightening, darkening and fading of
// $BBGGRR colours. System colours (negative values) must be resolved before they come here.

// Components 0..1; `a` is carried along but never computed.
struct TRGB
{
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 0;
};

// h in degrees, 0 up to below 360; s, v, a 0..1.
struct THSV
{
    double h = 0;
    double s = 0;
    double v = 0;
    double a = 0;
};

// For a grey (s = 0) the hue is left as it was.
void RGBToHSV(const TRGB &rgb, THSV &hsv);
void HSVToRGB(const THSV &hsv, TRGB &rgb);
void ColorToHSV(TColor color, THSV &hsv);
TColor HSVToColor(const THSV &hsv);

// percent >= 1 brightens (v moves toward 1 by that share), percent < 0 darkens (v shrinks by
// that share); hue and saturation stay. The result is clamped to valid colours.
TColor FlashColor(TColor color, int percent);
// Per byte c1 + Round((c2 - c1) * percent / 100): 0 gives c1, 100 gives c2.
TColor FadeColorRGB(TColor c1, TColor c2, int percent);
// White on dark and medium backgrounds (v <= 0.8), else black.
TColor VisibleContrast(TColor background);
