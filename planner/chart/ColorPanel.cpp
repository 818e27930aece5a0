#include "chart/ColorPanel.h"

#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>

#include <vector>

#include "Canvas.h"
#include "ColorHSV.h"
#include "CommaText.h"
#include "Language.h"
#include "PopupColorPicker.h"
#include "chart/BarPainter.h"
#include "chart/TimeChartView.h"
#include "core/ActionScope.h"
#include "core/DocumentColors.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"

TColorPanel::TColorPanel(TTimeChartView &view, TWhichTable table, QWidget *parent)
    : TCanvasPanel(parent)
    , FView(view)
    , FCore(view.Core())
    , FTable(table)
{
    setObjectName(table == tbTable ? QStringLiteral("ItemColorPanel") : QStringLiteral("HolidayColorPanel"));
    setMouseTracking(true);
    setFixedHeight(22);
    // The right button chooses a colour here: the toolbar's own menu must not follow it.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    UpdateWidth();
    OnPaint = [this](QObject *) { ColorPanelPaint(); };
    OnMouseMove = [this](QObject *, QMouseEvent *event) { ColorPanelMouseMove(event); };
    OnMouseDown = [this](QObject *, QMouseEvent *event) { ColorPanelMouseDown(event); };
}

QVector<TColor> &TColorPanel::Palette() const
{
    QVector<TColor> &palette = FTable == tbTable ? FCore.FColors : FCore.FHolidayColors;
    // A value added to the list gets a colour of its own.
    FillUpColors(palette, int(ValueList().size()));
    return palette;
}

QStringList TColorPanel::ValueList() const
{
    const int column = FCore.GetConnection(FTable, cnColor);
    QStringList values;
    if (column < 0)
        return values;
    for (const QString &entry : FCore.GetColumnStrings(FTable, column))
        values.append(ParseCommaText(entry).value(0));
    return values;
}

int TColorPanel::SwatchCount() const
{
    const int palette = int(Palette().size());
    if (FTable == tbExclude)
        return palette;
    const int values = int(ValueList().size());
    return values > 0 ? values : palette;
}

bool TColorPanel::IsColorSelected(int index) const
{
    bool found = false;
    FCore.ForEach(FTable, feSelected, [&](TNodeData *node) {
        if (node->nodeColor == index)
            found = true;
    });
    return found;
}

void TColorPanel::ColorPanelPaint()
{
    if (SwatchCount() * SwatchWidth != FHintedWidth)
        QTimer::singleShot(0, this, &TColorPanel::UpdateWidth);
    TCanvas &canvas = Canvas();
    const int n = SwatchCount();
    const int c = CellWidth();
    // No swatches, or no room for them: the panel stays empty.
    if (c <= 0)
        return;
    const QVector<TColor> &palette = Palette();
    const bool flashing = FView.FlashSelectedTimer.isActive() && FCore.GetActiveTable() == FTable;
    const int phase = std::clamp(FView.Options().flashPhase, 0, 6);
    // The selected rows' colours in one walk, not one per swatch.
    std::vector<bool> selected(std::size_t(n), false);
    if (flashing)
        FCore.ForEach(FTable, feSelected, [&selected, n](TNodeData *node) {
            if (node->nodeColor >= 0 && node->nodeColor < n)
                selected[std::size_t(node->nodeColor)] = true;
        });
    for (int i = 0; i < n; ++i) {
        TColor color = i < palette.size() ? palette[i] : clBtnFace;
        if (selected[std::size_t(i)])
            color = FadeColorRGB(color, VisibleContrast(color), FlashStrength[phase]);
        QRect r = MakeRect(i * c, 0, i * c + c * 3 / 4, height());
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(color);
        canvas.FillRect(r);
        canvas.DrawEdge(r, BDR_RAISEDINNER, BF_RECT);
    }
}

int TColorPanel::CellWidth() const
{
    const int n = SwatchCount();
    return n > 0 ? width() / n : 0;
}

QSize TColorPanel::sizeHint() const
{
    return QSize(SwatchCount() * SwatchWidth, 22);
}

void TColorPanel::UpdateWidth()
{
    FHintedWidth = SwatchCount() * SwatchWidth;
    updateGeometry();
}

QString TColorPanel::HintAt(int x) const
{
    const QStringList values = ValueList();
    const int c = CellWidth();
    if (c <= 0 || x < 0 || x % c > c * 3 / 4 || x / c >= values.size())
        return QString();
    const QString format = FTable == tbTable ? QStringLiteral("Table Tasks: %s") : QStringLiteral("Table Absent Days: %s");
    return Translate(format, {values[x / c]});
}

std::optional<int> TColorPanel::PaletteIndexAt(int x) const
{
    const int c = CellWidth();
    if (c <= 0 || x < 0 || x % c >= c * 3 / 4 || x / c >= SwatchCount())
        return std::nullopt;
    return x / c;
}

void TColorPanel::ColorPanelMouseMove(QMouseEvent *event)
{
    const QString hint = HintAt(event->position().toPoint().x());
    if (hint == toolTip())
        return;
    setToolTip(hint);
    if (hint.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), hint, this);
}

void TColorPanel::ColorPanelMouseDown(QMouseEvent *event)
{
    const std::optional<int> index = PaletteIndexAt(event->position().toPoint().x());
    if (!index)
        return;
    // Handled here: the press goes no further up to the toolbar.
    event->accept();
    if (event->button() == Qt::RightButton)
        ChooseColor(*index);
    else if (event->button() == Qt::LeftButton)
        ApplyColor(*index);
}

void TColorPanel::ApplyColor(int index)
{
    if (FTable != FCore.GetActiveTable())
        return;
    const int column = FCore.GetConnection(FTable, cnColor);
    if (column < 0)
        return;
    std::vector<TNodeData *> rows;
    FCore.ForEach(FTable, feSelected, [&rows](TNodeData *node) { rows.push_back(node); });
    if (rows.empty())
        return;
    const TActionScope action(FCore);
    for (TNodeData *node : rows)
        FCore.SetDataIndex(node, column, index);
}

void TColorPanel::ChooseColor(int index)
{
    QVector<TColor> &palette = Palette();
    if (index < 0 || index >= palette.size())
        return;
    const int c = CellWidth();
    const QRect swatch(mapToGlobal(QPoint(index * c, 0)), QSize(c * 3 / 4, height()));
    std::optional<TColor> chosen;
    if (OnPickColor) {
        chosen = OnPickColor(palette[index], swatch);
    } else {
        TColorPickerPopup picker(window());
        picker.DestRect = swatch;
        picker.SetSelectionColor(palette[index]);
        if (picker.ShowModal() == 1 && picker.SelectionColor() != TColorPickerPopup::NoColor
            && picker.SelectionColor() != TColorPickerPopup::DefaultColor)
            chosen = picker.SelectionColor();
    }
    if (!chosen || *chosen == palette[index])
        return;
    palette[index] = *chosen;
    update();
    FCore.ForEach(FTable, feAll, &TPlannerCore::CB_SetRecalcBitmap);
    FView.InvalidateTimeChart(false);
    emit PaletteChanged();
}
