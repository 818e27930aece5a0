#include "Color.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

struct TSysRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Which palette entry stands for each window-system colour index.
TSysRole RoleOf(int index)
{
    using P = QPalette;
    switch (index) {
    case 0: return {P::Active, P::Button};               // scroll bar
    case 1: return {P::Active, P::Dark};                 // desktop
    case 2: return {P::Active, P::Highlight};            // active caption
    case 3: return {P::Inactive, P::Mid};                // inactive caption
    case 4: return {P::Active, P::Window};               // menu
    case 5: return {P::Active, P::Base};                 // window
    case 6: return {P::Active, P::Shadow};               // window frame
    case 7: return {P::Active, P::WindowText};           // menu text
    case 8: return {P::Active, P::Text};                 // window text
    case 9: return {P::Active, P::HighlightedText};      // caption text
    case 10: return {P::Active, P::Window};              // active border
    case 11: return {P::Inactive, P::Window};            // inactive border
    case 12: return {P::Active, P::Dark};                // application workspace
    case 13: return {P::Active, P::Highlight};           // highlight
    case 14: return {P::Active, P::HighlightedText};     // highlight text
    case 15: return {P::Active, P::Button};              // button face
    case 16: return {P::Active, P::Dark};                // button shadow
    case 17: return {P::Disabled, P::Text};              // grey text
    case 18: return {P::Active, P::ButtonText};          // button text
    case 19: return {P::Inactive, P::WindowText};        // inactive caption text
    case 20: return {P::Active, P::Light};               // button highlight
    case 21: return {P::Active, P::Shadow};              // 3D dark shadow
    case 22: return {P::Active, P::Midlight};            // 3D light
    case 23: return {P::Active, P::ToolTipText};         // info text
    case 24: return {P::Active, P::ToolTipBase};         // info background
    case 26: return {P::Active, P::Link};                // hot light
    case 27: return {P::Active, P::Highlight};           // gradient active caption
    case 28: return {P::Inactive, P::Mid};               // gradient inactive caption
    case 29: return {P::Active, P::Highlight};           // menu highlight
    case 30: return {P::Active, P::Window};              // menu bar
    default: return {P::Active, P::Window};
    }
}

} // namespace

TColor SysColor(int index)
{
    const TSysRole r = RoleOf(index);
    // Without a GUI application there is no palette; QPalette's defaults still give sane values.
    const QPalette palette = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                                 ? QGuiApplication::palette()
                                 : QPalette();
    return FromQColor(palette.color(r.group, r.role));
}

TColor ColorToRGB(TColor c)
{
    if (IsSystemColor(c))
        return SysColor(c & 0xFF);
    return c & 0xFFFFFF;
}

QColor ToQColor(TColor c)
{
    if (c == clNone)
        return QColor(Qt::transparent);
    const TColor v = ColorToRGB(c);
    return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

TColor FromQColor(const QColor &c)
{
    const QRgb v = c.rgb();
    return RGBToColor(qRed(v), qGreen(v), qBlue(v));
}

QRgb ToQRgb(TColor c)
{
    const TColor v = ColorToRGB(c);
    return qRgb(GetRValue(v), GetGValue(v), GetBValue(v));
}

TColor FromQRgb(QRgb c)
{
    return RGBToColor(qRed(c), qGreen(c), qBlue(c));
}
