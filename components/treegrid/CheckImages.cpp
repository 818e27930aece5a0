#include "treegrid/CheckImages.h"

#include <mutex>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionButton>

#include "Color.h"
#include "ImageList.h"
#include "treegrid/TreeGridRoutines.h"

namespace {

// Guards the conversion of strips into lists.
std::mutex &ConvertSection()
{
    static std::mutex section;
    return section;
}

constexpr int Cell = 16;
const QColor MaskColor(255, 0, 255);
// Colours that colour remapping replaces.
const QColor White(255, 255, 255);
const QColor Silver(192, 192, 192);
const QColor Grey(128, 128, 128);

enum TLook { lkLightCheck, lkDarkCheck, lkLightTick, lkDarkTick, lkFlat, lkXP };

enum TState { stNormal, stHot, stPressed, stDisabled };

struct TPalette {
    QColor frame, frameHot, fill, fillHot, fillPressed, fillDisabled, mark, markDisabled;
};

TPalette PaletteOf(TLook look)
{
    switch (look) {
    case lkDarkCheck:
    case lkDarkTick:
        return {QColor(0, 0, 0), QColor(0, 0, 128), White, QColor(232, 240, 255), Silver, Silver,
                QColor(0, 0, 0), Grey};
    case lkFlat:
        return {Grey, QColor(0, 0, 128), White, White, Silver, Silver, QColor(0, 0, 0), Grey};
    case lkXP:
        return {QColor(28, 81, 128), QColor(232, 160, 40), QColor(244, 244, 240), QColor(252, 240, 220),
                QColor(176, 176, 167), QColor(236, 236, 226), QColor(33, 161, 33), QColor(202, 200, 187)};
    default:
        return {Grey, QColor(0, 0, 128), White, QColor(232, 240, 255), Silver, Silver, QColor(0, 0, 0), Grey};
    }
}

QColor FillOf(const TPalette &p, TState s)
{
    switch (s) {
    case stHot: return p.fillHot;
    case stPressed: return p.fillPressed;
    case stDisabled: return p.fillDisabled;
    default: return p.fill;
    }
}

// A box of 13 x 13 centred in the cell (x 1..13, y 1..13).
void DrawBox(QPainter &p, int ox, TLook look, TState s, const TPalette &pal)
{
    const QRect box(ox + 1, 1, 13, 13);
    p.fillRect(box, s == stHot ? pal.frameHot : pal.frame);
    if (look == lkLightCheck || look == lkLightTick) {
        // Sunken look: a second, lighter inner frame.
        p.fillRect(box.adjusted(1, 1, -1, -1), Silver);
        p.fillRect(box.adjusted(2, 2, -2, -2), FillOf(pal, s));
    } else {
        p.fillRect(box.adjusted(1, 1, -1, -1), FillOf(pal, s));
    }
}

void DrawMark(QPainter &p, int ox, TLook look, const QColor &color)
{
    if (look == lkLightTick || look == lkDarkTick) {
        // A bold tick.
        const QPoint pts[] = {{ox + 4, 7}, {ox + 6, 9}, {ox + 11, 4}, {ox + 11, 6}, {ox + 6, 11}, {ox + 4, 9}};
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPolygon(pts, 6);
    } else {
        // A check mark three pixels thick: down from (4, 7), then up to (11, 4).
        for (int i = 0; i < 3; ++i) {
            for (int x = 0; x < 3; ++x)
                p.fillRect(QRect(ox + 4 + x, 7 + x + i, 1, 1), color);
            for (int x = 0; x < 5; ++x)
                p.fillRect(QRect(ox + 7 + x, 8 - x + i, 1, 1), color);
        }
    }
}

void DrawRadio(QPainter &p, int ox, TState s, bool checked, const TPalette &pal)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(s == stHot ? pal.frameHot : pal.frame);
    p.setBrush(FillOf(pal, s));
    p.drawEllipse(QRect(ox + 2, 2, 11, 11));
    if (checked) {
        p.setPen(Qt::NoPen);
        p.setBrush(s == stDisabled ? pal.markDisabled : pal.mark);
        p.drawEllipse(QRect(ox + 5, 5, 5, 5));
    }
}

void DrawButton(QPainter &p, int ox, TState s, const TPalette &pal)
{
    const QRect r(ox + 1, 1, 14, 14);
    const bool sunken = s == stPressed;
    p.fillRect(r, Silver);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), sunken ? Grey : White);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), sunken ? Grey : White);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), sunken ? White : QColor(0, 0, 0));
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), sunken ? White : QColor(0, 0, 0));
    if (s == stHot)
        p.fillRect(QRect(r.left() + 1, r.bottom() - 1, r.width() - 2, 1), pal.frameHot);
    // A small dot marks the button's face; grey when disabled.
    p.fillRect(QRect(ox + 7, 7, 2, 2), s == stDisabled ? Grey : QColor(0, 0, 0));
}

QImage CheckStrip(TLook look)
{
    QImage strip(25 * Cell, Cell, QImage::Format_RGB32);
    strip.fill(MaskColor);
    const TPalette pal = PaletteOf(look);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int index = 1; index <= 24; ++index) {
        const int ox = index * Cell;
        const TState state = TState((index - 1) % 4);
        const QColor mark = state == stDisabled ? pal.markDisabled : pal.mark;
        if (index <= 8) {
            DrawRadio(p, ox, state, index >= 5, pal);
        } else if (index <= 20) {
            DrawBox(p, ox, look, state, pal);
            if (index >= 13 && index <= 16)
                DrawMark(p, ox, look, mark);
            else if (index >= 17)
                p.fillRect(QRect(ox + 5, 5, 5, 5), mark); // mixed
        } else {
            DrawButton(p, ox, state, pal);
        }
    }
    return strip;
}

// Drop marks, sort arrows and the themed sort arrows.
QImage UtilityStrip()
{
    QImage strip(6 * Cell, Cell, QImage::Format_RGB32);
    strip.fill(MaskColor);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    auto tri = [&](std::initializer_list<QPoint> pts) { p.drawPolygon(pts.begin(), int(pts.size())); };
    // 0: drop mark at a left edge (points right); 1: at a right edge (points left).
    tri({{1, 3}, {7, 8}, {1, 13}});
    tri({{Cell + 14, 3}, {Cell + 8, 8}, {Cell + 14, 13}});
    // 2: descending; 3: ascending (grey so that remapping gives the shadow colour).
    p.setBrush(Grey);
    tri({{2 * Cell + 3, 6}, {2 * Cell + 12, 6}, {2 * Cell + 7, 11}});
    tri({{3 * Cell + 3, 10}, {3 * Cell + 12, 10}, {3 * Cell + 7, 5}});
    // 4, 5: the themed, flatter chevrons (4 also marks push buttons).
    p.setBrush(QColor(0, 0, 0));
    tri({{4 * Cell + 4, 7}, {4 * Cell + 11, 7}, {4 * Cell + 7, 10}});
    tri({{5 * Cell + 4, 9}, {5 * Cell + 11, 9}, {5 * Cell + 7, 6}});
    return strip;
}

QImage Remapped(const QImage &source)
{
    QImage img = source.convertToFormat(QImage::Format_RGB32);
    const QRgb window = ToQRgb(clWindow), face = ToQRgb(clBtnFace), shadow = ToQRgb(clBtnShadow);
    for (int y = 0; y < img.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb v = row[x] & 0xFFFFFF;
            if (v == 0xFFFFFF)
                row[x] = window;
            else if (v == 0xC0C0C0)
                row[x] = face;
            else if (v == 0x808080)
                row[x] = shadow;
        }
    }
    return img;
}

} // namespace

QImage TreeGridResourceImage(const QString &name)
{
    if (name == QLatin1String("TG_CHECK_LIGHT"))
        return CheckStrip(lkLightCheck);
    if (name == QLatin1String("TG_CHECK_DARK"))
        return CheckStrip(lkDarkCheck);
    if (name == QLatin1String("TG_TICK_LIGHT"))
        return CheckStrip(lkLightTick);
    if (name == QLatin1String("TG_TICK_DARK"))
        return CheckStrip(lkDarkTick);
    if (name == QLatin1String("TG_FLAT"))
        return CheckStrip(lkFlat);
    if (name == QLatin1String("TG_XP"))
        return CheckStrip(lkXP);
    if (name == QLatin1String("TG_UTILITIES"))
        return UtilityStrip();
    return QImage();
}

void ConvertImageList(TImageList &imageList, const QString &imageName, bool colorRemapping)
{
    std::lock_guard<std::mutex> lock(ConvertSection());
    QImage strip = TreeGridResourceImage(imageName);
    if (strip.height() < 1)
        ShowError(QStringLiteral("Internal image \"%1\" is missing or corrupt.").arg(imageName), 0);
    if (colorRemapping)
        strip = Remapped(strip);
    const int side = strip.height();
    imageList.Clear();
    imageList.SetSize(side, side);
    const TColor mask = FromQRgb(strip.pixel(0, 0));
    for (int i = 0; i < strip.width() / side; ++i)
        imageList.AddMasked(strip.copy(i * side, 0, side, side), mask);
}

int MenuCheckSize()
{
    return 13;
}

void AddSystemImage(TImageList &imageList, int index, bool flat)
{
    const int w = imageList.Width(), h = imageList.Height();
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (app) {
        QStyleOptionButton option;
        // The rectangle (1, 2)-(width - 2, height - 1), right and bottom excluded.
        option.rect = QRect(1, 2, w - 3, h - 3);
        option.palette = QApplication::palette();
        const int state = index % 4;
        option.state = QStyle::State_None;
        if (state != 3)
            option.state |= QStyle::State_Enabled;
        if (state == 1)
            option.state |= QStyle::State_MouseOver;
        if (state == 2)
            option.state |= QStyle::State_Sunken;
        if (!flat)
            option.state |= QStyle::State_Raised;
        if (index >= 16)
            option.state |= QStyle::State_NoChange;
        else if ((index >= 4 && index <= 7) || index >= 12)
            option.state |= QStyle::State_On;
        else
            option.state |= QStyle::State_Off;
        QPainter p(&img);
        const QStyle::PrimitiveElement element =
            index < 8 ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox;
        QApplication::style()->drawPrimitive(element, &option, &p);
    }
    imageList.AddMasked(img, clRed);
}

void AddNodeImages(TImageList &imageList, bool flat)
{
    TImageList *source = flat ? FlatImages() : LightCheckImages();
    if (!source)
        return;
    const int w = imageList.Width(), h = imageList.Height();
    for (int i = 21; i <= 24; ++i) {
        QImage cell(w, h, QImage::Format_ARGB32);
        cell.fill(QColor(255, 0, 0));
        QPainter p(&cell);
        p.drawImage(QPoint((w - source->Width()) / 2, (h - source->Height()) / 2), source->GetImage(i));
        p.end();
        imageList.AddMasked(cell, clRed);
    }
}

void CreateSystemImageSet(std::unique_ptr<TImageList> &imageList, bool flat)
{
    const int side = MenuCheckSize() + 3;
    imageList = std::make_unique<TImageList>(side, side);
    imageList->SetBkColor(clWhite);
    QImage empty(side, side, QImage::Format_RGB32);
    empty.fill(QColor(255, 0, 0));
    imageList->AddMasked(empty, clRed);
    for (int index = 0; index < 20; ++index)
        AddSystemImage(*imageList, index, flat);
    AddNodeImages(*imageList, flat);
}
