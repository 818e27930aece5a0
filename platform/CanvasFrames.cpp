// Frames of the canvas: the dotted focus rectangle and the 3D edges.

#include "Canvas.h"

void TCanvas::XorPatternSpan(const QRect &deviceRect)
{
    const QRgb fore = ToQRgb(TextColor()) & 0xFFFFFF;
    const QRgb back = ToQRgb(BkColor()) & 0xFFFFFF;
    const QRegion area = ClipRegion().intersected(deviceRect);
    if (FImage && (FImage->depth() == 32)) {
        for (const QRect &part : area) {
            for (int y = part.top(); y <= part.bottom(); ++y) {
                auto *row = reinterpret_cast<QRgb *>(FImage->scanLine(y));
                for (int x = part.left(); x <= part.right(); ++x)
                    row[x] ^= ((x + y) & 1) ? back : fore;
            }
        }
        return;
    }
    // Other devices: the same pattern through the painter's exclusive-or.
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, 0xFF000000 | (((x + y) & 1) ? back : fore));
    const QTransform t = FPainter.transform();
    FPainter.resetTransform();
    FPainter.setBrushOrigin(0, 0);
    FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const QRect &part : area)
        FPainter.fillRect(part, QBrush(tile));
    ResetCompositionMode();
    FPainter.setTransform(t);
}

void TCanvas::DrawFocusRect(const QRect &rect)
{
    if (!FPainter.isActive())
        return;
    const QRect r = rect.normalized().translated(-FWindowOrg);
    if (r.isEmpty())
        return;
    const int L = r.left(), T = r.top(), R = RectRight(r), B = RectBottom(r);
    // Four spans that never overlap, so no pixel is flipped twice.
    XorPatternSpan(MakeRect(L, T, R, T + 1));
    if (B - 1 > T)
        XorPatternSpan(MakeRect(L, B - 1, R, B));
    if (B - 1 > T + 1) {
        XorPatternSpan(MakeRect(L, T + 1, L + 1, B - 1));
        if (R - 1 > L)
            XorPatternSpan(MakeRect(R - 1, T + 1, R, B - 1));
    }
}

namespace {

struct TEdgeColors {
    TColor topLeft;
    TColor bottomRight;
};

// Colours of one border line by edge kind; -1 means the line is not drawn.
bool OuterColors(uint edge, uint flags, TEdgeColors &c)
{
    const uint kind = edge & BDR_OUTER;
    if (kind == 0 || kind == BDR_OUTER)
        return false;
    if (flags & BF_MONO) {
        c = {clWindowFrame, clWindowFrame};
        return true;
    }
    if (flags & BF_FLAT) {
        c = {clBtnShadow, clBtnShadow};
        return true;
    }
    const bool soft = flags & BF_SOFT;
    if (kind == BDR_RAISEDOUTER)
        c = {soft ? clBtnHighlight : cl3DLight, cl3DDkShadow};
    else
        c = {soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight};
    return true;
}

bool InnerColors(uint edge, uint flags, TEdgeColors &c)
{
    const uint kind = edge & BDR_INNER;
    if (kind == 0 || kind == BDR_INNER)
        return false;
    if (flags & BF_MONO) {
        c = {clWindow, clWindow};
        return true;
    }
    if (flags & BF_FLAT) {
        c = {clBtnFace, clBtnFace};
        return true;
    }
    const bool soft = flags & BF_SOFT;
    if (kind == BDR_RAISEDINNER)
        c = {soft ? cl3DLight : clBtnHighlight, clBtnShadow};
    else
        c = {soft ? clBtnShadow : cl3DDkShadow, cl3DLight};
    return true;
}

} // namespace

bool TCanvas::DrawEdge(QRect &r, uint edge, uint flags)
{
    QRect inner = r;
    const auto drawBorder = [&](const TEdgeColors &c) {
        const int L = inner.left(), T = inner.top(), R = RectRight(inner), B = RectBottom(inner);
        if (R <= L || B <= T)
            return;
        // Top and left first; right and bottom own the two corners they share with them.
        if (flags & BF_LEFT)
            FillSolid(MakeRect(L, T, L + 1, B), ToQColor(c.topLeft));
        if (flags & BF_TOP)
            FillSolid(MakeRect(L, T, R, T + 1), ToQColor(c.topLeft));
        if (flags & BF_RIGHT)
            FillSolid(MakeRect(R - 1, T, R, B), ToQColor(c.bottomRight));
        if (flags & BF_BOTTOM)
            FillSolid(MakeRect(L, B - 1, R, B), ToQColor(c.bottomRight));
        inner = MakeRect(L + ((flags & BF_LEFT) ? 1 : 0), T + ((flags & BF_TOP) ? 1 : 0),
                         R - ((flags & BF_RIGHT) ? 1 : 0), B - ((flags & BF_BOTTOM) ? 1 : 0));
    };
    if (FPainter.isActive())
        ResetCompositionMode();
    TEdgeColors c{};
    const bool active = FPainter.isActive();
    if (OuterColors(edge, flags, c) && active)
        drawBorder(c);
    if (InnerColors(edge, flags, c) && active)
        drawBorder(c);
    if ((flags & BF_MIDDLE) && active)
        FillSolid(inner, ToQColor((flags & BF_MONO) ? clWindow : clBtnFace));
    if (flags & BF_ADJUST) {
        int width = 0;
        if (edge & BDR_OUTER)
            ++width;
        if (edge & BDR_INNER)
            ++width;
        r = MakeRect(r.left() + ((flags & BF_LEFT) ? width : 0), r.top() + ((flags & BF_TOP) ? width : 0),
                     RectRight(r) - ((flags & BF_RIGHT) ? width : 0),
                     RectBottom(r) - ((flags & BF_BOTTOM) ? width : 0));
    }
    return true;
}
