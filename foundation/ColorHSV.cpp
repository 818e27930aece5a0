#include "ColorHSV.h"

#include <algorithm>
#include <cmath>

#include "DateTime.h"

namespace {

int redOf(TColor c) { return c & 0xFF; }
int greenOf(TColor c) { return (c >> 8) & 0xFF; }
int blueOf(TColor c) { return (c >> 16) & 0xFF; }

TColor fromBytes(int r, int g, int b)
{
    return TColor(std::clamp(r, 0, 255) | (std::clamp(g, 0, 255) << 8) | (std::clamp(b, 0, 255) << 16));
}

int toByte(double component)
{
    return int(Round(std::clamp(component, 0.0, 1.0) * 255.0));
}

} // namespace

void RGBToHSV(const TRGB &rgb, THSV &hsv)
{
    const double max = std::max({rgb.r, rgb.g, rgb.b});
    const double min = std::min({rgb.r, rgb.g, rgb.b});
    const double delta = max - min;
    hsv.v = max;
    hsv.s = max != 0 ? delta / max : 0;
    if (hsv.s > 0) {
        double h = 0;
        if (rgb.r == max)
            h = (rgb.g - rgb.b) / delta;
        else if (rgb.g == max)
            h = 2 + (rgb.b - rgb.r) / delta;
        else
            h = 4 + (rgb.r - rgb.g) / delta;
        h *= 60;
        if (h < 0)
            h += 360;
        hsv.h = h;
    }
}

void HSVToRGB(const THSV &hsv, TRGB &rgb)
{
    const double v = hsv.v;
    const double s = hsv.s;
    if (s == 0) {
        rgb.r = rgb.g = rgb.b = v;
        return;
    }
    // Any hue outside 0..360 (360 itself included) wraps around instead of indexing past the
    // six sectors.
    double h = std::fmod(hsv.h, 360.0);
    if (!(h >= 0))
        h = std::isfinite(h) ? h + 360.0 : 0.0;
    if (h >= 360.0)
        h = 0;
    h /= 60;
    const int i = std::clamp(int(std::floor(h)), 0, 5);
    const double f = h - i;
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    switch (i) {
    case 0: rgb.r = v; rgb.g = t; rgb.b = p; break;
    case 1: rgb.r = q; rgb.g = v; rgb.b = p; break;
    case 2: rgb.r = p; rgb.g = v; rgb.b = t; break;
    case 3: rgb.r = p; rgb.g = q; rgb.b = v; break;
    case 4: rgb.r = t; rgb.g = p; rgb.b = v; break;
    default: rgb.r = v; rgb.g = p; rgb.b = q; break;
    }
}

void ColorToHSV(TColor color, THSV &hsv)
{
    TRGB rgb;
    rgb.r = redOf(color) / 255.0;
    rgb.g = greenOf(color) / 255.0;
    rgb.b = blueOf(color) / 255.0;
    RGBToHSV(rgb, hsv);
}

TColor HSVToColor(const THSV &hsv)
{
    TRGB rgb;
    HSVToRGB(hsv, rgb);
    return fromBytes(toByte(rgb.r), toByte(rgb.g), toByte(rgb.b));
}

TColor FlashColor(TColor color, int percent)
{
    if (percent == 0)
        return color;
    THSV hsv;
    ColorToHSV(color, hsv);
    if (percent >= 1)
        hsv.v = hsv.v + (1 - hsv.v) * percent / 100.0;
    else
        hsv.v = hsv.v * (1 + percent / 100.0);
    hsv.v = std::clamp(hsv.v, 0.0, 1.0);
    return HSVToColor(hsv);
}

TColor FadeColorRGB(TColor c1, TColor c2, int percent)
{
    const auto fade = [percent](int a, int b) { return a + int(Round((b - a) * percent / 100.0)); };
    return fromBytes(fade(redOf(c1), redOf(c2)), fade(greenOf(c1), greenOf(c2)), fade(blueOf(c1), blueOf(c2)));
}

TColor VisibleContrast(TColor background)
{
    THSV hsv;
    ColorToHSV(background, hsv);
    return hsv.v <= 0.8 ? TColor(0xFFFFFF) : TColor(0x000000);
}
