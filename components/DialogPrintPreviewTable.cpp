// The recorder's table printer: a grid of strings laid out over as many pages as needed.

#include "DialogPrintPreview.h"

#include <cmath>
#include <vector>

#include "Canvas.h"

namespace {

struct TTableLayout {
    int LineHeight = 0;
    int Spacing = 0;
    int Padding = 0;
    std::vector<int> Columns; // grid columns that are printed
    std::vector<int> Widths;  // including the padding
    int Total = 0;
};

uint AlignmentFlags(TPrintAlignment align)
{
    switch (align) {
    case paRight: return DT_RIGHT;
    case paCenter: return DT_CENTER;
    default: return DT_LEFT;
    }
}

} // namespace

QRect TPrintPreviewDialog::PrintStringGrid(const TPrintGrid &grid, const QString &caption, bool printHeaderRow,
                                           bool printLines, int firstRow, int lastRow, int top)
{
    if (FDonePrinting)
        return QRect();
    if (!GetCurrentCanvas())
        NewPage();
    TCanvas *canvas = GetCurrentCanvas();
    if (!canvas)
        return QRect();

    // The rows that are printed (row 0 belongs to the header band when it is printed).
    firstRow = qMax(firstRow, 0);
    lastRow = qMin(lastRow, grid.RowCount() - 1);
    if (printHeaderRow && grid.RowCount() > 0)
        firstRow = qMax(firstRow, 1);
    std::vector<int> measured;
    if (printHeaderRow && grid.RowCount() > 0)
        measured.push_back(0);
    for (int row = firstRow; row <= lastRow; ++row)
        measured.push_back(row);

    const int bodyWidth = PrintableSize(true, true).x();
    const int bodyHeight = PrintableSize(true, true).y();

    auto measure = [&](TCanvas *c) {
        TTableLayout layout;
        layout.LineHeight = c->TextHeight(QStringLiteral("X"));
        layout.Spacing = layout.LineHeight / 5;
        layout.Padding = c->TextWidth(QStringLiteral("N"));
        std::vector<int> natural, typical;
        std::vector<double> average;
        for (int column = 0; column < grid.ColCount(); ++column) {
            if (grid.ColWidth(column) <= 0)
                continue;
            std::vector<int> widths;
            widths.reserve(measured.size());
            int widest = 0;
            qint64 sum = 0;
            for (int row : measured) {
                const int w = c->TextWidth(grid.Cell(column, row));
                widths.push_back(w);
                widest = qMax(widest, w);
                sum += w;
            }
            const double mean = measured.empty() ? 0.0 : double(sum) / double(measured.size());
            int usual = 0;
            for (int w : widths)
                if (w <= mean)
                    usual = qMax(usual, w);
            layout.Columns.push_back(column);
            natural.push_back(widest);
            typical.push_back(usual);
            average.push_back(mean);
            layout.Widths.push_back(widest + layout.Padding);
            layout.Total += widest + layout.Padding;
        }
        if (layout.Total > bodyWidth) {
            // Columns far wider than their usual text are cut to it.
            layout.Total = 0;
            for (size_t i = 0; i < layout.Widths.size(); ++i) {
                if (natural[i] > 1.5 * average[i])
                    layout.Widths[i] = typical[i] + layout.Padding;
                layout.Total += layout.Widths[i];
            }
        }
        return layout;
    };

    // Narrow the font step by step, down to 0.7 of its size and never below one point.
    TFont &font = canvas->Font();
    const int startSize = font.Size();
    const int minimumSize = qMax(1, int(std::ceil(startSize * 0.7)));
    TTableLayout layout = measure(canvas);
    int size = startSize;
    while (layout.Total > bodyWidth && size > minimumSize) {
        --size;
        font.SetSize(size);
        layout = measure(canvas);
    }
    if (layout.Total > bodyWidth && !layout.Widths.empty()) {
        // Still too wide: the text parts of the columns shrink in proportion.
        const int count = int(layout.Widths.size());
        const qint64 available = qMax<qint64>(0, bodyWidth - qint64(count) * layout.Padding);
        qint64 textSum = 0;
        for (int w : layout.Widths)
            textSum += qMax(0, w - layout.Padding);
        layout.Total = 0;
        for (int &w : layout.Widths) {
            const int text = qMax(0, w - layout.Padding);
            const int narrowed = textSum > 0 ? int(qint64(text) * available / textSum) : 0;
            w = layout.Padding + qMax(0, narrowed);
            layout.Total += w;
        }
    }

    TFont tableFont;
    tableFont.Assign(font);
    const int h = layout.LineHeight;
    const int sp = layout.Spacing;
    const int pad = layout.Padding;
    const int tableLeft = qMax(0, (bodyWidth - layout.Total) / 2);
    const int tableRight = tableLeft + layout.Total;
    std::vector<int> positions{tableLeft};
    for (int w : layout.Widths)
        positions.push_back(positions.back() + w);

    int y = top;
    int tableTop = top;
    int pageTop = top;

    auto writeRow = [&](int row) {
        for (size_t i = 0; i < layout.Columns.size(); ++i) {
            const int column = layout.Columns[i];
            const QRect cell = MakeRect(positions[i] + pad / 2, y, positions[i + 1] - pad / 2, y + h);
            if (cell.width() <= 0)
                continue;
            DrawText(cell, grid.Cell(column, row),
                     DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | AlignmentFlags(grid.ColAlignment(column)));
        }
    };

    auto captionBlock = [&](int blockTop) {
        if (bodyHeight < blockTop + 2 * h) {
            NewPage();
            GetCurrentCanvas()->Font().Assign(tableFont);
            blockTop = 0;
        }
        TCanvas *c = GetCurrentCanvas();
        pageTop = blockTop;
        y = blockTop;
        if (!caption.isEmpty()) {
            const TFontStyles style = c->Font().Style();
            c->Font().SetStyle(style | fsBold);
            TextOut(tableLeft, y, caption);
            c->Font().SetStyle(style);
            y += h + sp;
        }
        if (!printHeaderRow || grid.RowCount() == 0) {
            tableTop = y;
            y += sp;
            return;
        }
        c->Brush().SetStyle(bsSolid);
        c->Brush().SetColor(clBtnFace);
        c->Pen().SetColor(clBlack);
        c->Pen().SetStyle(psSolid);
        Rectangle(MakeRect(tableLeft, y, tableRight, y + h + 2 * sp));
        c->Brush().SetStyle(bsClear);
        y += sp;
        writeRow(0);
        y += h + 2 * sp;
        tableTop = y;
        y += sp;
    };

    auto frame = [&] {
        TCanvas *c = GetCurrentCanvas();
        c->Pen().SetColor(clBtnFace);
        c->Pen().SetStyle(psSolid);
        c->Brush().SetStyle(bsClear);
        if (printLines)
            for (size_t i = 1; i + 1 < positions.size(); ++i)
                Line(QPoint(positions[i], y), QPoint(positions[i], tableTop));
        Rectangle(MakeRect(tableLeft, tableTop, tableRight, y));
    };

    captionBlock(top);
    for (int row = firstRow; row <= lastRow; ++row) {
        writeRow(row);
        y += h;
        const bool last = row == lastRow;
        // The next row must fit above the footer as a whole, not only begin there.
        if (bodyHeight < y + sp + h && !last) {
            frame();
            NewPage();
            GetCurrentCanvas()->Font().Assign(tableFont);
            captionBlock(0);
        } else if (printLines && !last) {
            TCanvas *c = GetCurrentCanvas();
            c->Pen().SetColor(clBtnFace);
            c->Pen().SetStyle(psSolid);
            Line(QPoint(tableLeft, y), QPoint(tableRight, y));
            y += sp;
        }
    }
    frame();
    GetCurrentCanvas()->Font().SetSize(startSize);
    return MakeRect(tableLeft, pageTop, tableRight, y);
}
