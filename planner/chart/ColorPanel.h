#pragma once

// One of the two colour panels of the toolbar: a swatch per colour of a table's palette (the
// task states or the absence reasons). Pointing at a swatch names its value; a left click
// gives the selected rows of that table that colour, a right click changes the colour itself.
// While the selected bars flash, the swatches of their colours flash with them.

#include <QRect>

#include <functional>
#include <optional>

#include "CanvasPanel.h"
#include "core/DocumentTypes.h"

class QMouseEvent;
class TPlannerCore;
class TTimeChartView;

class TColorPanel : public TCanvasPanel
{
    Q_OBJECT
public:
    // Width of one swatch with its gap.
    static constexpr int SwatchWidth = 20;

    TColorPanel(TTimeChartView &view, TWhichTable table, QWidget *parent = nullptr);

    TWhichTable Table() const { return FTable; }
    // The table's palette, grown to its value list first.
    QVector<TColor> &Palette() const;
    // The entries of the value list of the table's colour column (their first item).
    QStringList ValueList() const;
    // How many swatches are painted: tasks count their value list (the palette when the list
    // is empty), absent days their palette.
    int SwatchCount() const;
    // A swatch with its gap as painted; hints and presses measure with the same cells.
    int CellWidth() const;
    // A swatch each; the toolbar may give less, then nothing is drawn that would not fit.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return QSize(0, 0); }
    // The hint over a point ("Table Tasks: %s"); empty over a gap or beyond the list.
    QString HintAt(int x) const;
    // The swatch under a press: the palette index, none in a gap or beyond the swatches.
    std::optional<int> PaletteIndexAt(int x) const;
    // Whether a selected row of the table has that colour.
    bool IsColorSelected(int index) const;

    void ColorPanelPaint();
    void ColorPanelMouseMove(QMouseEvent *event);
    void ColorPanelMouseDown(QMouseEvent *event);
    // Left button: the selected rows get the colour; right button: the colour is chosen anew.
    void ApplyColor(int index);
    void ChooseColor(int index);

    // The colour picker below a swatch: the chosen colour, nothing when cancelled. Tests
    // answer it; by default the program's colour picker pop-up opens.
    std::function<std::optional<TColor>(TColor current, QRect swatch)> OnPickColor;
    // Asks the layout for the width it wants now (the value list may have grown).
    void UpdateWidth();

signals:
    // A colour of the palette was chosen anew: the document holds a change that only a save
    // keeps.
    void PaletteChanged();

private:
    TTimeChartView &FView;
    TPlannerCore &FCore;
    TWhichTable FTable;
    int FHintedWidth = -1;
};
