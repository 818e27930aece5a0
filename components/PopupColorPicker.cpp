#include "PopupColorPicker.h"

#include <QApplication>
#include <QEventLoop>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <qdrawutil.h>

#include <cmath>

#include "Language.h"

namespace {

struct TPaletteEntry {
    const char *Name;
    int R, G, B;
};

const TPaletteEntry PaletteTable[TColorPickerPopup::PaletteCount] = {
    {"Black", 0, 0, 0},          {"Brown", 153, 51, 0},          {"Olive Green", 51, 51, 0},
    {"Dark Green", 0, 51, 0},    {"Dark Teal", 0, 51, 102},      {"Dark blue", 0, 0, 128},
    {"Indigo", 51, 51, 153},     {"Gray-80%", 51, 51, 51},       {"Dark Red", 128, 0, 0},
    {"Orange", 255, 102, 0},     {"Dark Yellow", 128, 128, 0},   {"Green", 0, 128, 0},
    {"Teal", 0, 128, 128},       {"Blue", 0, 0, 255},            {"Blue-Gray", 102, 102, 153},
    {"Gray-50%", 128, 128, 128}, {"Red", 255, 0, 0},             {"Light Orange", 255, 153, 0},
    {"Lime", 153, 204, 0},       {"Sea Green", 51, 153, 102},    {"Aqua", 51, 204, 204},
    {"Light Blue", 51, 102, 255}, {"Violet", 128, 0, 128},       {"Grey-40%", 150, 150, 150},
    {"Pink", 255, 0, 255},       {"Gold", 255, 204, 0},          {"Yellow", 255, 255, 0},
    {"Bright Green", 0, 255, 0}, {"Turquoise", 0, 255, 255},     {"Sky Blue", 0, 204, 255},
    {"Plum", 153, 51, 102},      {"Gray-25%", 192, 192, 192},    {"Rose", 255, 153, 204},
    {"Tan", 255, 204, 153},      {"Light Yellow", 255, 255, 153}, {"Light Green", 204, 255, 204},
    {"Light Turquoise", 204, 255, 255}, {"Pale Blue", 153, 204, 255}, {"Lavender", 204, 153, 255},
    {"White", 255, 255, 255},
};

const char *const SysColorNames[TColorPickerPopup::SysColorCount] = {
    "scroll bar",          "background",        "active caption",     "inactive caption",
    "menu",                "window",            "window frame",       "menu text",
    "window text",         "caption text",      "active border",      "inactive border",
    "application workspace", "highlight",       "highlight text",     "button face",
    "button shadow",       "gray text",         "button text",        "inactive caption text",
    "button highlight",    "3D dark shadow",    "3D light",           "info text",
    "info background",
};

constexpr TColor MakeColor(int r, int g, int b)
{
    return RGBToColor(r, g, b);
}

TColor RGBFromFloat(const double rgb[3])
{
    auto channel = [](double v) { return int(std::nearbyint(qBound(0.0, v, 1.0) * 255)); };
    return MakeColor(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]));
}

const double CornerColors[6][3] = {
    {1, 0, 1}, // magenta
    {1, 0, 0}, // red
    {1, 1, 0}, // yellow
    {0, 1, 0}, // green
    {0, 1, 1}, // cyan
    {0, 0, 1}, // blue
};

QChar Accelerator(const QString &text)
{
    const int at = text.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= text.size() || text.at(at + 1) == QLatin1Char('&'))
        return QChar();
    return text.at(at + 1).toUpper();
}

void DrawEtchedLine(QPainter &painter, const QPalette &pal, int left, int right, int y)
{
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawLine(left, y, right - 1, y);
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(left, y + 1, right - 1, y + 1);
}

} // namespace

TColorPickerPopup::TColorPickerPopup(QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ColorPickerPopup"));
    setAttribute(Qt::WA_NoMouseReplay); // the click that cancels does nothing else
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    FCustomText = Language::Translate(FCustomSource);
    // The six corners of the unit hexagon, half a unit long.
    const double angles[6] = {90, 30, -30, -90, -150, -210};
    for (int i = 0; i < 6; ++i) {
        const double a = angles[i] * M_PI / 180.0;
        FCombCorners[i] = QPointF(0.5 * std::cos(a), -0.5 * std::sin(a));
    }
    AdjustWindow();
}

void TColorPickerPopup::SetDefaultText(const QString &text)
{
    FDefaultText = text;
    AdjustWindow();
}

void TColorPickerPopup::SetCustomText(const QString &text)
{
    FCustomSource = text;
    FCustomText = text.isEmpty() ? QString() : Language::Translate(text);
    AdjustWindow();
}

void TColorPickerPopup::SetShowSysColors(bool value)
{
    FShowSysColors = value;
    AdjustWindow();
}

TColor TColorPickerPopup::CellColor(int index)
{
    if (index >= 0 && index < PaletteCount) {
        const TPaletteEntry &e = PaletteTable[index];
        return MakeColor(e.R, e.G, e.B);
    }
    if (index >= PaletteCount && index < PaletteCount + SysColorCount)
        return clSystemColor | (index - PaletteCount);
    return NoColor;
}

QString TColorPickerPopup::CellName(int index)
{
    if (index >= 0 && index < PaletteCount)
        return QString::fromLatin1(PaletteTable[index].Name);
    if (index >= PaletteCount && index < PaletteCount + SysColorCount)
        return QStringLiteral("system color: ") + QString::fromLatin1(SysColorNames[index - PaletteCount]);
    return QString();
}

void TColorPickerPopup::SetSelectionColor(TColor c)
{
    FSelectionColor = c;
    FSelectedIndex = NoCell;
    FCustomIndex = 0;
    if (c == NoColor)
        return;
    if (c == DefaultColor) {
        if (!FDefaultText.isEmpty())
            FSelectedIndex = DefaultCell;
        return;
    }
    if (c < 0) {
        const int index = c & 0xFF;
        if (FShowSysColors && index < SysColorCount && (c & ~0xFF) == clSystemColor)
            FSelectedIndex = PaletteCount + index;
        if (FSelectedIndex != NoCell)
            return;
    }
    const TColor rgb = ColorToRGB(c);
    for (int i = 0; i < PaletteCount; ++i) {
        if (CellColor(i) == rgb) {
            FSelectedIndex = i;
            return;
        }
    }
    if (FShowSysColors) {
        for (int i = 0; i < SysColorCount; ++i) {
            if (ColorToRGB(clSystemColor | i) == rgb) {
                FSelectedIndex = PaletteCount + i;
                return;
            }
        }
    }
    if (FCustomText.isEmpty())
        return;
    const QList<TCombEntry> &grey = BWCombs();
    for (int i = 0; i < grey.size(); ++i) {
        if (grey[i].Color == rgb) {
            FSelectedIndex = CustomCell;
            FCustomIndex = -(i + 1);
            return;
        }
    }
    const QList<TCombEntry> &comb = ColorCombs();
    for (int i = 0; i < comb.size(); ++i) {
        if (comb[i].Color == rgb) {
            FSelectedIndex = CustomCell;
            FCustomIndex = i + 1;
            return;
        }
    }
}

void TColorPickerPopup::SetCenterIntensity(double value)
{
    FCenterIntensity = qBound(0.0, value, 1.0);
    CalculateCombLayout();
}

const QList<TCombEntry> &TColorPickerPopup::ColorCombs()
{
    if (!FCombCalculated)
        CalculateCombLayout();
    return FColorCombs;
}

const QList<TCombEntry> &TColorPickerPopup::BWCombs()
{
    if (!FCombCalculated)
        CalculateCombLayout();
    return FBWCombs;
}

void TColorPickerPopup::CalculateCombLayout()
{
    FCombCalculated = true;
    const int steps = FLevels - 1;
    const QPointF center = QRectF(FColorCombRect).center();
    double c[3];
    for (int ch = 0; ch < 3; ++ch)
        c[ch] = FCenterColor[ch] * FCenterIntensity;

    FColorCombs.clear();
    FColorCombs.append({center, RGBFromFloat(c)});
    for (int i = 0; i < 6; ++i) {
        const int next = (i + 1) % 6;
        const QPointF corner = center + FCombCorners[i] * FRadius;
        const QPointF nextCorner = center + FCombCorners[next] * FRadius;
        for (int k = 1; k <= steps; ++k) {
            for (int j = 0; j < k; ++j) {
                const double fk = double(k) / steps;
                const double fj = double(j) / steps;
                double rgb[3];
                for (int ch = 0; ch < 3; ++ch)
                    rgb[ch] = c[ch] + fk * (CornerColors[i][ch] - c[ch]) + fj * (CornerColors[next][ch] - CornerColors[i][ch]);
                const QPointF pos = center + fk * (corner - center) + fj * (nextCorner - corner);
                FColorCombs.append({pos, RGBFromFloat(rgb)});
            }
        }
    }

    // White, fifteen greys from 225 down to 15, black: a column beside the colour comb.
    FBWCombs.clear();
    const double cell = FBWCombRect.height() / double(BWCombCount);
    for (int i = 0; i < BWCombCount; ++i) {
        int v;
        if (i == 0)
            v = 255;
        else if (i == BWCombCount - 1)
            v = 0;
        else
            v = (16 - i) * 15;
        const QPointF pos(FBWCombRect.left() + FBWCombRect.width() / 2.0, FBWCombRect.top() + (i + 0.5) * cell);
        FBWCombs.append({pos, MakeColor(v, v, v)});
    }
}

void TColorPickerPopup::AdjustWindow()
{
    const int th = fontMetrics().height();
    const int gridWidth = FColumnCount * FBoxSize;
    int width = gridWidth + 2 * FSpacing;
    int y = 2 * FMargin;

    FDefaultTextRect = QRect();
    if (!FDefaultText.isEmpty()) {
        FDefaultTextRect = QRect(FSpacing, y, gridWidth, th + 6);
        y = FDefaultTextRect.bottom() + 1;
    }
    FGridTop = y + int(std::nearbyint(2.5 * FMargin));
    y = FGridTop + FRowCount * FBoxSize;
    if (FShowSysColors)
        y += 3 * FMargin + FSysRowCount * FBoxSize;
    y += 2 * FMargin;

    FCustomTextRect = QRect();
    FCustomColorRect = QRect();
    FColorCombRect = QRect();
    FBWCombRect = QRect();
    FSliderRect = QRect();
    // The comb: rings on a hexagon of half the radius, one ring spacing apart.
    FRadius = int(std::nearbyint(8.0 * 18 * 7 / (FLevels - 1)));
    FCombSize = int(std::nearbyint(double(FRadius) / (FLevels - 1)));
    const double spacing = FRadius * 0.5 / (FLevels - 1);
    const int combWidth = int(std::ceil(2 * (FRadius * 0.5 * std::cos(M_PI / 6) + spacing / 2))) + 1;
    const int combHeight = int(std::ceil(2 * (FRadius * 0.5 + spacing / 2))) + 1;
    const int greyCell = 10;
    if (!FCustomText.isEmpty()) {
        FCustomTextRect = QRect(FSpacing, y + FMargin, gridWidth, th + 6);
        const int box = th;
        FCustomColorRect = QRect(FCustomTextRect.right() - box - 2, FCustomTextRect.top() + 3, box, box);
        y = FCustomTextRect.bottom() + 1 + FMargin;
        // The area is laid out always, so that comb lookups have positions; it shows only unfolded.
        const int areaTop = y + FSpacing;
        FColorCombRect = QRect(FSpacing, areaTop, combWidth, combHeight);
        FBWCombRect = QRect(FColorCombRect.right() + 1 + FSpacing, areaTop + (combHeight - BWCombCount * greyCell) / 2,
                            greyCell, BWCombCount * greyCell);
        FSliderRect = QRect(FBWCombRect.right() + 1 + FSpacing, areaTop, 12, combHeight);
        if (CustomSelected()) {
            width = qMax(width, FSliderRect.right() + 1 + FSpacing);
            y = FColorCombRect.bottom() + 1 + FSpacing;
        }
    }
    y += FMargin;
    FWindowRect = QRect(0, 0, width, y);
    if (FCombCalculated)
        CalculateCombLayout();
    setFixedSize(FWindowRect.size());
    update();
}

QPoint TColorPickerPopup::AlignedPosition(const QRect &available, const QRect &dest, const QSize &size)
{
    QPoint p(dest.left(), dest.bottom() + 1);
    if (p.y() + size.height() > available.bottom() + 1) {
        p.setY(available.bottom() + 1 - size.height());
        if (p.y() < dest.bottom() + 1 && p.y() + size.height() > dest.top())
            p.setY(dest.top() - size.height());
    }
    if (p.y() < available.top())
        p.setY(available.top());
    if (p.x() + size.width() > available.right() + 1)
        p.setX(available.right() + 1 - size.width());
    if (p.x() < available.left())
        p.setX(available.left());
    return p;
}

void TColorPickerPopup::ShowPopupAligned()
{
    FHoverIndex = NoCell;
    AdjustWindow();
    QScreen *screen = QGuiApplication::screenAt(DestRect.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size());
    move(AlignedPosition(available, DestRect, size()));
}

int TColorPickerPopup::ShowModal()
{
    if (FLoop)
        return 2; // already open: a second request is refused
    FModalResult = 0;
    FSelectionMode = smNone;
    // Below (or above) the control that opened it, not where the window system puts it.
    if (!DestRect.isEmpty())
        ShowPopupAligned();
    show();
    activateWindow();
    setFocus();
    if (isVisible() && FModalResult == 0) {
        QEventLoop loop;
        FLoop = &loop;
        loop.exec();
        FLoop = nullptr;
    }
    if (FModalResult == 0)
        FModalResult = 2;
    return FModalResult;
}

void TColorPickerPopup::EndSelection(bool cancel)
{
    if (cancel) {
        FModalResult = 2;
    } else {
        if (FSelectedIndex >= 0 && FSelectedIndex < CellCount())
            FSelectionColor = CellColor(FSelectedIndex);
        else if (FSelectedIndex == CustomCell && FCustomIndex != 0)
            FSelectionColor = CustomColor();
        FModalResult = 1;
    }
    hide();
    // The default entry has no colour of its own: SelectionColor stays, the caller hears of it.
    if (!cancel && FSelectedIndex == DefaultCell)
        emit DefaultSelected();
}

TColor TColorPickerPopup::CustomColor() const
{
    if (FCustomIndex > 0 && FCustomIndex <= FColorCombs.size())
        return FColorCombs[FCustomIndex - 1].Color;
    if (FCustomIndex < 0 && -FCustomIndex <= FBWCombs.size())
        return FBWCombs[-FCustomIndex - 1].Color;
    return NoColor;
}

int TColorPickerPopup::GetIndex(int row, int column) const
{
    if (row < 0 || column < 0 || column >= FColumnCount)
        return NoCell;
    if (row < FRowCount)
        return row * FColumnCount + column;
    if (!FShowSysColors)
        return NoCell;
    const int index = PaletteCount + (row - FRowCount) * FColumnCount + column;
    return index < PaletteCount + SysColorCount ? index : NoCell;
}

QRect TColorPickerPopup::CellRect(int index) const
{
    if (index < 0 || index >= CellCount())
        return QRect();
    int row = index / FColumnCount;
    const int column = index % FColumnCount;
    int top = FGridTop + row * FBoxSize;
    if (index >= PaletteCount) {
        row = (index - PaletteCount) / FColumnCount;
        top = FGridTop + FRowCount * FBoxSize + 3 * FMargin + row * FBoxSize;
    }
    return QRect(FSpacing + column * FBoxSize, top, FBoxSize, FBoxSize);
}

QPoint TColorPickerPopup::CellCenter(int index) const
{
    if (index == DefaultCell)
        return FDefaultTextRect.center();
    if (index == CustomCell)
        return FCustomTextRect.center();
    return CellRect(index).center();
}

int TColorPickerPopup::SelectionFromPoint(const QPoint &p) const
{
    if (!FCustomTextRect.isNull() && FCustomTextRect.contains(p))
        return CustomCell;
    if (!FDefaultTextRect.isNull() && FDefaultTextRect.contains(p))
        return DefaultCell;
    const int x = p.x() - FSpacing;
    int y = p.y() - FGridTop;
    if (x < 0 || y < 0)
        return NoCell;
    if (FShowSysColors && y >= FRowCount * FBoxSize) {
        y -= 3 * FMargin;
        if (y < FRowCount * FBoxSize)
            return NoCell; // the separator band
    }
    return GetIndex(y / FBoxSize, x / FBoxSize);
}

int TColorPickerPopup::CombCellAt(const QPointF &p) const
{
    // The nearest centre within half a cell size.
    int best = -1;
    double bestDistance = FCombSize / 2.0;
    for (int i = 0; i < FColorCombs.size(); ++i) {
        const QPointF d = FColorCombs[i].Position - p;
        const double distance = std::hypot(d.x(), d.y());
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

int TColorPickerPopup::BWCellAt(const QPointF &p) const
{
    const double cell = FBWCombRect.height() / double(BWCombCount);
    int best = -1;
    double bestDistance = 1e9;
    for (int i = 0; i < FBWCombs.size(); ++i) {
        const QPointF d = FBWCombs[i].Position - p;
        const double distance = std::hypot(d.x(), d.y());
        const double limit = (i == 0 || i == BWCombCount - 1) ? cell : cell / 2;
        if (distance <= limit && distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

void TColorPickerPopup::SetHoverIndex(int index)
{
    if (index == FHoverIndex)
        return;
    FHoverIndex = index;
    update();
}

void TColorPickerPopup::MoveHover(int key)
{
    const bool hasDefault = !FDefaultText.isEmpty();
    const bool hasCustom = !FCustomText.isEmpty();
    const int count = CellCount();
    // Linear order: default entry, the cells, custom entry.
    QList<int> order;
    if (hasDefault)
        order.append(DefaultCell);
    for (int i = 0; i < count; ++i)
        order.append(i);
    if (hasCustom)
        order.append(CustomCell);

    int current = FHoverIndex;
    if (current == NoCell)
        current = FSelectedIndex;
    if (current == NoCell || !order.contains(current)) {
        SetHoverIndex(order.first());
        return;
    }
    int next = current;
    switch (key) {
    case Qt::Key_Left:
        next = order.at(qMax(0, order.indexOf(current) - 1));
        break;
    case Qt::Key_Right:
        next = order.at(qMin(order.size() - 1, order.indexOf(current) + 1));
        break;
    case Qt::Key_Up:
        if (current == CustomCell)
            next = (count - 1) / FColumnCount * FColumnCount;
        else if (current == DefaultCell)
            next = DefaultCell;
        else if (current >= PaletteCount && current < PaletteCount + FColumnCount)
            next = current - PaletteCount + (FRowCount - 1) * FColumnCount;
        else if (current >= FColumnCount)
            next = current - FColumnCount;
        else if (hasDefault)
            next = DefaultCell;
        break;
    case Qt::Key_Down:
        if (current == DefaultCell)
            next = 0;
        else if (current == CustomCell)
            next = CustomCell;
        else if (current < PaletteCount && current + FColumnCount >= PaletteCount) {
            if (FShowSysColors)
                next = qMin(PaletteCount + current % FColumnCount, count - 1);
            else if (hasCustom)
                next = CustomCell;
        } else if (current + FColumnCount < count)
            next = current + FColumnCount;
        else if (hasCustom)
            next = CustomCell;
        break;
    default:
        break;
    }
    SetHoverIndex(next);
}

void TColorPickerPopup::Unfold()
{
    FSelectedIndex = CustomCell;
    const QPoint topLeft = pos();
    AdjustWindow();
    if (!FCombCalculated)
        CalculateCombLayout();
    // Unfolding must keep the pop-up on its screen.
    QScreen *s = screen();
    if (s) {
        const QRect available = s->availableGeometry();
        QPoint p = topLeft;
        if (p.y() + height() > available.bottom() + 1)
            p.setY(qMax(available.top(), available.bottom() + 1 - height()));
        if (p.x() + width() > available.right() + 1)
            p.setX(qMax(available.left(), available.right() + 1 - width()));
        move(p);
    }
    update();
}

void TColorPickerPopup::UpdateSlider(int y)
{
    const double intensity = 1.0 - double(y - FSliderRect.top()) / FSliderRect.height();
    SetCenterIntensity(intensity);
    update();
}

void TColorPickerPopup::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (!rect().contains(p)) {
        EndSelection(true);
        return;
    }
    if (event->button() != Qt::LeftButton || !CustomSelected())
        return;
    if (FColorCombRect.contains(p)) {
        FSelectionMode = smColorComb;
    } else if (FBWCombRect.adjusted(-FSpacing / 2, -FSpacing / 2, FSpacing / 2, FSpacing / 2).contains(p)) {
        FSelectionMode = smBWComb;
    } else if (FSliderRect.contains(p)) {
        FSelectionMode = smRamp;
        UpdateSlider(p.y());
        return;
    }
    mouseMoveEvent(event);
}

void TColorPickerPopup::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    const bool leftDown = event->buttons() & Qt::LeftButton;
    if (leftDown && FSelectionMode == smColorComb) {
        const int cell = CombCellAt(event->position());
        if (cell >= 0 && FCustomIndex != cell + 1) {
            FCustomIndex = cell + 1;
            update();
        }
        return;
    }
    if (leftDown && FSelectionMode == smBWComb) {
        const int cell = BWCellAt(event->position());
        if (cell >= 0 && FCustomIndex != -(cell + 1)) {
            FCustomIndex = -(cell + 1);
            update();
        }
        return;
    }
    if (leftDown && FSelectionMode == smRamp) {
        if (p.x() >= FSliderRect.left() && p.x() <= FSliderRect.right())
            UpdateSlider(p.y());
        return;
    }
    SetHoverIndex(rect().contains(p) ? SelectionFromPoint(p) : NoCell);
}

void TColorPickerPopup::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const TSelectionMode mode = FSelectionMode;
    FSelectionMode = smNone;
    if (mode == smColorComb || mode == smBWComb) {
        if (FCustomIndex != 0) {
            FSelectedIndex = CustomCell;
            EndSelection(false);
        }
        return;
    }
    if (mode == smRamp)
        return;
    const QPoint p = event->position().toPoint();
    if (!rect().contains(p))
        return;
    const int index = SelectionFromPoint(p);
    if (index == CustomCell) {
        Unfold();
        return;
    }
    if (index == NoCell)
        return;
    FSelectedIndex = index;
    EndSelection(false);
}

void TColorPickerPopup::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        EndSelection(true);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (FHoverIndex != NoCell)
            FSelectedIndex = FHoverIndex;
        EndSelection(false);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        MoveHover(event->key());
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() == 1) {
        const QChar ch = text.at(0).toUpper();
        if (!ch.isNull() && ch == Accelerator(FDefaultText)) {
            FSelectedIndex = DefaultCell;
            EndSelection(false);
            return;
        }
        if (!ch.isNull() && ch == Accelerator(FCustomText)) {
            Unfold();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TColorPickerPopup::showEvent(QShowEvent *event)
{
    // As a pop-up window it holds the mouse while shown. The language may have changed.
    QWidget::showEvent(event);
    const QString custom = FCustomSource.isEmpty() ? QString() : Language::Translate(FCustomSource);
    if (custom != FCustomText) {
        FCustomText = custom;
        AdjustWindow();
    }
}

void TColorPickerPopup::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (FLoop)
        FLoop->exit(0);
}

bool TColorPickerPopup::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = SelectionFromPoint(help->pos());
        const QString name = CellName(index);
        if (name.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), name, this, CellRect(index));
        return true;
    }
    return QWidget::event(event);
}

void TColorPickerPopup::DrawCell(QPainter &painter, int index)
{
    const QPalette pal = palette();
    const bool selected = index == FSelectedIndex;
    const bool hovered = index == FHoverIndex;
    if (index == DefaultCell) {
        painter.fillRect(FDefaultTextRect, ToQColor(selected && !hovered ? clBtnHighlight : clBtnFace));
        if (selected || hovered)
            qDrawShadePanel(&painter, FDefaultTextRect, pal, selected, 1);
        else {
            painter.setPen(ToQColor(clBtnShadow));
            painter.drawRect(FDefaultTextRect.adjusted(0, 0, -1, -1));
        }
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(FDefaultTextRect, Qt::AlignCenter | Qt::TextShowMnemonic, FDefaultText);
        return;
    }
    if (index == CustomCell) {
        painter.fillRect(FCustomTextRect, ToQColor(selected && !hovered ? clBtnHighlight : clBtnFace));
        if (selected || hovered)
            qDrawShadePanel(&painter, FCustomTextRect, pal, selected, 1);
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(FCustomTextRect.adjusted(0, 0, -FCustomColorRect.width() - 4, 0),
                         Qt::AlignCenter | Qt::TextShowMnemonic, FCustomText);
        if (FCustomIndex != 0 && (FCombCalculated))
            painter.fillRect(FCustomColorRect, ToQColor(CustomColor()));
        painter.setPen(pal.color(QPalette::Dark));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(FCustomColorRect.adjusted(0, 0, -1, -1));
        return;
    }
    const QRect r = CellRect(index);
    if (r.isNull())
        return;
    painter.fillRect(r, ToQColor(selected && !hovered ? clBtnHighlight : clBtnFace));
    if (selected || hovered)
        qDrawShadePanel(&painter, r, pal, selected, 1);
    const QRect inner = r.adjusted(FMargin + 1, FMargin + 1, -(FMargin + 1), -(FMargin + 1));
    painter.fillRect(inner, ToQColor(CellColor(index)));
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner.adjusted(0, 0, -1, -1));
}

void TColorPickerPopup::DrawComb(QPainter &painter)
{
    const double spacing = FRadius * 0.5 / (FLevels - 1);
    const double r = spacing / std::sqrt(3.0);
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i)
        hexagon << QPointF(r * std::cos(i * M_PI / 3), r * std::sin(i * M_PI / 3));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    for (const TCombEntry &e : std::as_const(FColorCombs)) {
        painter.setBrush(ToQColor(e.Color));
        painter.drawPolygon(hexagon.translated(e.Position));
    }
    const double greyCell = FBWCombRect.height() / double(BWCombCount);
    for (const TCombEntry &e : std::as_const(FBWCombs)) {
        painter.setBrush(ToQColor(e.Color));
        painter.drawRect(QRectF(e.Position.x() - FBWCombRect.width() / 2.0, e.Position.y() - greyCell / 2,
                                FBWCombRect.width(), greyCell));
    }
    // The selected comb cell gets a frame.
    painter.setBrush(Qt::NoBrush);
    if (FCustomIndex > 0 && FCustomIndex <= FColorCombs.size()) {
        painter.setPen(QPen(Qt::black, 1.5));
        painter.drawPolygon(hexagon.translated(FColorCombs[FCustomIndex - 1].Position));
    } else if (FCustomIndex < 0 && -FCustomIndex <= FBWCombs.size()) {
        const QPointF c = FBWCombs[-FCustomIndex - 1].Position;
        painter.setPen(QPen(Qt::red, 1.5));
        painter.drawRect(QRectF(c.x() - FBWCombRect.width() / 2.0, c.y() - greyCell / 2, FBWCombRect.width(), greyCell));
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    // The brightness slider: a ramp from white to black with a marker at the intensity.
    QLinearGradient ramp(FSliderRect.topLeft(), FSliderRect.bottomLeft());
    ramp.setColorAt(0, Qt::white);
    ramp.setColorAt(1, Qt::black);
    painter.fillRect(FSliderRect, ramp);
    qDrawShadePanel(&painter, FSliderRect, palette(), true, 1);
    const int markerY = FSliderRect.top() + int(std::nearbyint((1.0 - FCenterIntensity) * FSliderRect.height()));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(FSliderRect.left() - 3, markerY, FSliderRect.right() + 3, markerY);
}

void TColorPickerPopup::paintEvent(QPaintEvent *)
{
    if (!FCombCalculated)
        CalculateCombLayout();
    QPainter painter(this);
    const QPalette pal = palette();
    painter.fillRect(rect(), ToQColor(clBtnFace));
    if (!FDefaultText.isEmpty())
        DrawCell(painter, DefaultCell);
    for (int i = 0; i < PaletteCount; ++i)
        DrawCell(painter, i);
    if (FShowSysColors) {
        const int y = FGridTop + FRowCount * FBoxSize + (3 * FMargin) / 2 - 1;
        DrawEtchedLine(painter, pal, FSpacing, FSpacing + FColumnCount * FBoxSize, y);
        for (int i = PaletteCount; i < PaletteCount + SysColorCount; ++i)
            DrawCell(painter, i);
    }
    if (!FCustomText.isEmpty()) {
        DrawEtchedLine(painter, pal, FSpacing, FSpacing + FColumnCount * FBoxSize, FCustomTextRect.top() - FMargin);
        DrawCell(painter, CustomCell);
        if (CustomSelected())
            DrawComb(painter);
    }
    qDrawWinPanel(&painter, rect(), pal, false);
}
