#include "ImageList.h"

#include <QPainter>

#include "Canvas.h"

TImageList::TImageList(int width, int height)
    : FWidth(qMax(1, width))
    , FHeight(qMax(1, height))
{
}

void TImageList::SetSize(int width, int height)
{
    FWidth = qMax(1, width);
    FHeight = qMax(1, height);
    FImages.clear();
    FOverlays.clear();
    Changed();
}

void TImageList::Clear()
{
    FImages.clear();
    FOverlays.clear();
    Changed();
}

QImage TImageList::Piece(const QImage &source, int x) const
{
    QImage piece(FWidth, FHeight, QImage::Format_ARGB32);
    piece.fill(Qt::transparent);
    QPainter p(&piece);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), source, QRect(x, 0, FWidth, FHeight));
    return piece;
}

int TImageList::AddMasked(const QImage &image, TColor maskColor)
{
    if (image.isNull())
        return -1;
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = ToQRgb(maskColor) & 0xFFFFFF;
    const int first = Count();
    const int pieces = qMax(1, src.width() / FWidth);
    for (int i = 0; i < pieces; ++i) {
        QImage piece = Piece(src, i * FWidth);
        for (int y = 0; y < piece.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(piece.scanLine(y));
            for (int x = 0; x < piece.width(); ++x)
                if ((row[x] & 0xFFFFFF) == mask || qAlpha(row[x]) == 0)
                    row[x] = 0;
        }
        FImages.push_back(piece);
    }
    Changed();
    return first;
}

int TImageList::Add(const QImage &image)
{
    if (image.isNull())
        return -1;
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const int first = Count();
    const int pieces = qMax(1, src.width() / FWidth);
    for (int i = 0; i < pieces; ++i)
        FImages.push_back(Piece(src, i * FWidth));
    Changed();
    return first;
}

void TImageList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    FImages.erase(FImages.begin() + index);
    for (auto it = FOverlays.begin(); it != FOverlays.end();) {
        if (it->second == index)
            it = FOverlays.erase(it);
        else {
            if (it->second > index)
                --it->second;
            ++it;
        }
    }
    Changed();
}

QImage TImageList::GetImage(int index) const
{
    if (index < 0 || index >= Count())
        return QImage();
    return FImages[size_t(index)];
}

QImage TImageList::GetMask(int index) const
{
    const QImage img = GetImage(index);
    if (img.isNull())
        return img;
    QImage mask(img.size(), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            mask.setPixel(x, y, qAlpha(img.pixel(x, y)) == 0 ? 0xFFFFFFFF : 0xFF000000);
    return mask;
}

bool TImageList::Overlay(int imageIndex, int overlay)
{
    if (imageIndex < 0 || imageIndex >= Count() || overlay < 0 || overlay > 14)
        return false;
    FOverlays[overlay] = imageIndex;
    return true;
}

int TImageList::OverlayImage(int overlay) const
{
    const auto it = FOverlays.find(overlay);
    return it == FOverlays.end() ? -1 : it->second;
}

void TImageList::SetBkColor(TColor value)
{
    if (FBkColor != value) {
        FBkColor = value;
        Changed();
    }
}

void TImageList::SetBlendColor(TColor value)
{
    if (FBlendColor != value) {
        FBlendColor = value;
        Changed();
    }
}

void TImageList::SetDrawingStyle(TDrawingStyle value)
{
    if (FDrawingStyle != value) {
        FDrawingStyle = value;
        Changed();
    }
}

void TImageList::SetImageType(TImageType value)
{
    if (FImageType != value) {
        FImageType = value;
        Changed();
    }
}

void TImageList::Draw(TCanvas &canvas, int x, int y, int index, bool enabled) const
{
    Draw(canvas, x, y, index, FDrawingStyle, FImageType, enabled);
}

void TImageList::Draw(TCanvas &canvas, int x, int y, int index, TDrawingStyle style, TImageType type,
                      bool enabled) const
{
    uint flags = ILD_NORMAL;
    switch (style) {
    case dsFocus: flags = ILD_FOCUS; break;
    case dsSelected: flags = ILD_SELECTED; break;
    case dsTransparent: flags = ILD_TRANSPARENT; break;
    default: break;
    }
    if (type == itMask)
        flags |= ILD_MASK;
    DrawEx(canvas, x, y, index, flags, FBkColor, FBlendColor, enabled);
}

void TImageList::DrawEx(TCanvas &canvas, int x, int y, int index, uint style, TColor background, TColor blend,
                        bool enabled) const
{
    QImage img = GetImage(index);
    if (img.isNull())
        return;
    // Once per image in every painted cell: the light painter, not the full state of the canvas.
    const TCanvasImagePainter p = canvas.ImagePainter();
    if (!p)
        return;

    if (style & ILD_MASK) {
        p->drawImage(QPoint(x, y), GetMask(index));
        return;
    }

    if (!enabled) {
        // Embossed: the dark pixels' shape in the highlight colour one pixel down-right, then
        // in the shadow colour.
        QImage shape(img.size(), QImage::Format_ARGB32);
        shape.fill(Qt::transparent);
        for (int yy = 0; yy < img.height(); ++yy)
            for (int xx = 0; xx < img.width(); ++xx) {
                const QRgb v = img.pixel(xx, yy);
                if (qAlpha(v) != 0 && qGray(v) < 192)
                    shape.setPixel(xx, yy, 0xFF000000);
            }
        auto tinted = [&](TColor c) {
            QImage t = shape;
            QPainter tp(&t);
            tp.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tp.fillRect(t.rect(), ToQColor(c));
            return t;
        };
        p->drawImage(QPoint(x + 1, y + 1), tinted(clBtnHighlight));
        p->drawImage(QPoint(x, y), tinted(clBtnShadow));
        return;
    }

    const TColor bk = background == clDefault ? FBkColor : background;
    if (!(style & ILD_TRANSPARENT) && bk != clNone)
        p->fillRect(QRect(x, y, FWidth, FHeight), ToQColor(bk));

    const uint blendFlags = style & (ILD_BLEND25 | ILD_BLEND50);
    if (blendFlags) {
        const int percent = (blendFlags & ILD_BLEND50) ? 50 : 25;
        if (blend == clNone) {
            // Blend with what lies below: draw partly transparent.
            p->setOpacity(1.0 - percent / 100.0);
            p->drawImage(QPoint(x, y), img);
            p->setOpacity(1.0);
        } else {
            const QRgb c = ToQRgb(blend == clDefault ? clHighlight : blend);
            for (int yy = 0; yy < img.height(); ++yy) {
                auto *row = reinterpret_cast<QRgb *>(img.scanLine(yy));
                for (int xx = 0; xx < img.width(); ++xx) {
                    const QRgb v = row[xx];
                    if (qAlpha(v) == 0)
                        continue;
                    auto mix = [&](int a, int b) { return (a * (100 - percent) + b * percent) / 100; };
                    row[xx] = qRgba(mix(qRed(v), qRed(c)), mix(qGreen(v), qGreen(c)), mix(qBlue(v), qBlue(c)),
                                    qAlpha(v));
                }
            }
            p->drawImage(QPoint(x, y), img);
        }
    } else {
        p->drawImage(QPoint(x, y), img);
    }

    const int overlay = int((style & ILD_OVERLAYMASK) >> 8);
    if (overlay > 0) {
        const int overlayIndex = OverlayImage(overlay - 1);
        if (overlayIndex >= 0 && overlayIndex != index)
            DrawEx(canvas, x, y, overlayIndex, (style & ~ILD_OVERLAYMASK) | ILD_TRANSPARENT, clNone, blend, true);
    }
}

int TImageList::AddChangeLink(std::function<void()> onChange)
{
    const int id = FNextLink++;
    FLinks[id] = std::move(onChange);
    return id;
}

void TImageList::RemoveChangeLink(int id)
{
    FLinks.erase(id);
}

void TImageList::Changed()
{
    // A listener may remove itself while being told.
    const auto links = FLinks;
    for (const auto &link : links)
        if (link.second)
            link.second();
}
