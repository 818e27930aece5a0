#pragma once

// Draws the rows of both tables as bars. On the chart panel each bar is rendered once into the
// picture its row record keeps and copied from there on later paints; rows filtered out of
// their table are blended translucently, selected bars of the active table get a shadow and
// flash. Pictures, printouts and the overview draw directly and never touch the cache.

#include <QRect>
#include <QRegion>
#include <QString>

#include <functional>
#include <vector>

#include "chart/ChartModel.h"
#include "chart/ChartTypes.h"

class TCanvas;
class TTimeChartGeometry;

// The flash strength per phase of the selection flash, in percent.
inline constexpr int FlashStrength[7] = {0, 50, 55, 77, 100, 77, 50};

// What one bar is drawn with: the paint, its row height and text layout, and the font.
struct TBarPaint
{
    const TChartPaintParams *params = nullptr;
    int rowHeight = 1;
    TRowSet rowSet = rsTopMiddleBottom;
    QString fontName;
    int fontSize = 10;
    // The canvas's clip as one paint sees it, taken once so that thousands of bars are
    // tested against it without asking the canvas (logical coordinates).
    QRect clipBounds;
    bool clipIsRect = false; // the clip is exactly clipBounds
    QRegion clip;            // device pixels
    bool clipTaken = false;  // without it, every test asks the canvas
    // The overview's few colours of a bar (fill, frame, selected) as this paint shades them,
    // worked out once each rather than for every bar.
    struct TShade
    {
        TColor brush = 0;
        TColor pen = 0;
        bool selected = false;
        TColor shadedBrush = 0;
        TColor shadedPen = 0;
    };
    mutable std::vector<TShade> shades;

    void TakeClip(TCanvas &canvas);
    bool Visible(const QRect &r, const TCanvas &canvas) const;
};

// One text of a bar: what, where, and with which text-drawing flags.
struct TTextDraw
{
    QString text;
    QRect rect;
    uint flags = 0;
};
using TTextMeasure = std::function<int(const QString &text)>;

class TBarPainter
{
public:
    // How far the shadow of a selected bar reaches right of and below it.
    static constexpr int ShadowSize = 8;

    TBarPainter(IChartModel &model, const TTimeChartGeometry &geometry, const TChartOptions &options,
                TChartPaintStats *stats = nullptr);

    // One bar of a table; a nil node draws the sample bar of the row-set pictures into the
    // canvas's clip rectangle.
    void DrawItem(const TBarPaint &paint, TWhichTable table, TNodeData *node) const;
    // The bar into rect: body = fill and frame; full = palette colours and texts; overflow =
    // texts in black, not kept inside the bar.
    void DrawTo(TCanvas &canvas, const TBarPaint &paint, TWhichTable table, TNodeData *node, QRect rect, bool body,
                bool full, bool overflow) const;

    // The three texts of one text row in rect (flags: the vertical placement, or DT_CALCRECT
    // for nothing). With fullText the rect grows to hold them all.
    static void PlaceTexts(TCanvas &canvas, QRect rect, uint flags, const QString &left, const QString &centre,
                           const QString &right, bool fullText);
    // Where PlaceTexts puts the texts, measured by `measure`.
    static std::vector<TTextDraw> LayoutTexts(const TTextMeasure &measure, QRect rect, uint flags,
                                              const QString &left, const QString &centre, const QString &right,
                                              bool fullText);
    // The vertical flags of a text row (0 top, 1 middle, 2 bottom) for a row set; DT_CALCRECT
    // for a row that is not shown.
    static uint TextRowFlags(TRowSet rowSet, int line);
    // Darkens rect (logical) by blending black over it; only the canvas's clip is touched.
    static void DoShadowBlend(TCanvas &canvas, const QRect &rect, int alpha);
    // Lays a colour over rect (logical) at a constant alpha of 256, inside the canvas's clip.
    static void BlendColor(TCanvas &canvas, const QRect &rect, int alpha, TColor color);
    // The constant alpha that shows a filtered row at the given transparency (percent).
    static int FilteredAlpha(int transparency);

private:
    // What a text row leaves free beside its texts; with full text the row grows to keep it.
    static constexpr int FullTextRoom = 8;

    void DrawCached(TCanvas &canvas, const TBarPaint &paint, TWhichTable table, TNodeData &node, QRect r) const;
    void DrawShadow(TCanvas &canvas, QRect r) const;
    // A framed bar straight into the picture's pixels (the overview's many tiny bars); false
    // when the canvas cannot take it that way.
    static bool FillFramed(TCanvas &canvas, const TBarPaint &paint, const QRect &rect, TColor pen, TColor brush);
    QString Txt(TWhichTable table, const TNodeData *node, TConnection connection) const;
    // The font the texts of a bar are written in.
    static void SetTextFont(TCanvas &canvas, const TBarPaint &paint);
    // How far right the texts of the bar in r reach with full text, at least its right edge.
    int TextRight(TCanvas &canvas, const TBarPaint &paint, TWhichTable table, const TNodeData &node,
                  const QRect &r) const;

    IChartModel &FModel;
    const TTimeChartGeometry &FGeometry;
    const TChartOptions &FOptions;
    TChartPaintStats *FStats;
};
