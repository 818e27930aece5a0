// Hints of TBaseTreeGrid: which text a point shows (the header's column hint, the tree's own
// hint, a node's hint or the whole text of a cut-off cell) and where the hint window stands.

#include "treegrid/BaseTreeGrid.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHintWindow.h"

namespace {

// A hint below the pointer keeps clear of the cursor's picture.
constexpr int CursorHeight = 20;

} // namespace

TTreeGridHintWindow *TBaseTreeGrid::HintWindow() const
{
    return FHintWindow;
}

TTreeGridHintWindow *TBaseTreeGrid::CreateHintWindow()
{
    return new TTreeGridHintWindow(this);
}

void TBaseTreeGrid::CancelHint()
{
    if (FHintWindow && FHintWindow->isVisible())
        FHintWindow->hide();
    FLastHintRect = QRect();
    DoStateChange({}, {tsHint});
}

QString TBaseTreeGrid::DoGetNodeHint(PGridNode, TColumnIndex, TTGTooltipLineBreakStyle &lineBreakStyle)
{
    lineBreakStyle = hlbDefault;
    return FHint;
}

QString TBaseTreeGrid::DoGetNodeTooltip(PGridNode, TColumnIndex, TTGTooltipLineBreakStyle &lineBreakStyle)
{
    lineBreakStyle = hlbDefault;
    return FHint;
}

QString TBaseTreeGrid::HintTextFor(const TTGHintData &data, TTGTooltipLineBreakStyle &lineBreakStyle)
{
    lineBreakStyle = data.LineBreakStyle;
    if (!data.HintText.isEmpty() || !data.Node)
        return data.HintText.isEmpty() ? data.DefaultHint : data.HintText;
    if (data.Tooltip)
        return DoGetNodeTooltip(data.Node, data.Column, lineBreakStyle);
    QString text = DoGetNodeHint(data.Node, data.Column, lineBreakStyle);
    if (text.isEmpty() && FHintMode == hmHintAndDefault)
        text = data.DefaultHint;
    return text;
}

bool TBaseTreeGrid::HintShowsAtOnce(QPoint clientPos) const
{
    if (FHintMode == hmTooltip && clientPos.y() >= 0)
        return true;
    const bool headerHints = FHeader && FHeader->Options().contains(hoShowHint) && clientPos.y() < 0;
    return headerHints && FHintWindow && FHintWindow->Animating();
}

bool TBaseTreeGrid::ShowHintAt(QPoint clientPos, QPoint globalPos)
{
    if (FDestroying)
        return false;
    // Within the area of the hint shown the hint stays as it is.
    if (FHintWindow && FHintWindow->isVisible() && FLastHintRect.contains(clientPos))
        return true;

    THitInfo hitInfo;
    const bool inRows = clientPos.y() >= 0;
    if (inRows)
        GetHitTestInfoAt(clientPos.x(), clientPos.y(), true, hitInfo);
    bool showOwnHint;
    if (IsEditing())
        showOwnHint = hitInfo.HitNode != FEditNode;
    else
        showOwnHint = hasFocus() || window()->isActiveWindow() || QApplication::activeWindow() != nullptr;

    TTGHintData data;
    data.Tree = this;
    data.DefaultHint = FHint;
    QRect area;
    bool show = false;
    const bool quiet = !QWidget::mouseGrabber() && FShowHint
                       && !FStates.intersects({tsOLEDragging, tsVCLDragging, tsScrolling}) && !IsMouseSelecting()
                       && HeaderIdle() && showOwnHint;
    TTreeGridHeader *header = Header();
    if (quiet && !inRows) {
        if (header && UseColumns() && header->Options().contains(hoShowHint) && header->InHeader(clientPos)) {
            TTreeGridColumns *columns = header->Columns();
            const TColumnIndex column = columns->ColumnFromPosition(QPoint(clientPos.x(), 0));
            if (const TTreeGridColumn *item = columns->Items(column); item && !item->Hint().isEmpty()) {
                int left = 0, right = 0;
                columns->GetColumnBounds(column, left, right);
                area = QRect(left, -header->Height(), right - left, header->Height());
                data.Column = column;
                data.HintText = item->Hint();
                data.BiDiMode = item->BiDiMode();
                data.Alignment = item->Alignment();
                show = true;
            }
        }
    } else if (quiet && FHintMode == hmDefault) {
        area = viewport()->rect();
        show = !FHint.isEmpty();
    } else if (quiet && (!hitInfo.HitNode || hitInfo.HitColumn <= InvalidColumn)) {
        if (FHintMode == hmHintAndDefault && !FHint.isEmpty()) {
            area = viewport()->rect();
            show = true;
        }
    } else if (quiet) {
        const PGridNode node = hitInfo.HitNode;
        const TColumnIndex column = hitInfo.HitColumn;
        int left = 0;
        int right = ClientWidth();
        if (UseColumns()) {
            TTreeGridColumns *columns = header->Columns();
            columns->GetColumnBounds(column, left, right);
            if (FOptions->AutoOptions().contains(toAutoSpanColumns)) {
                for (TColumnIndex next = columns->GetNextVisibleColumn(column); next > NoColumn && ColumnIsEmpty(node, next);
                     next = columns->GetNextVisibleColumn(next)) {
                    int unused = 0;
                    columns->GetColumnBounds(next, unused, right);
                }
            }
            if (const TTreeGridColumn *item = columns->Items(column)) {
                data.BiDiMode = item->BiDiMode();
                data.Alignment = item->Alignment();
            }
        }
        data.Node = node;
        data.Column = column;
        if (FHintMode == hmTooltip) {
            const QRect textRect = GetDisplayRect(node, column, true, true, true);
            if (node->States.contains(vsMultiline)) {
                show = hitInfo.HitPositions.contains(hiOnItemLabel);
            } else {
                // Only a text that the column or the client area cuts off is repeated.
                const bool inside = textRect.contains(clientPos) && clientPos.x() >= left && clientPos.x() < right;
                const bool cut = RectRight(textRect) > std::min(right, ClientWidth()) || textRect.x() < 0
                                 || RectBottom(textRect) > ClientHeight() || textRect.y() < 0;
                show = inside && cut;
            }
            area = textRect;
            data.Tooltip = true;
        } else {
            const QRect row = GetDisplayRect(node, NoColumn, false);
            area = MakeRect(left, row.top(), right, RectBottom(row));
            show = true;
        }
    }

    if (!show) {
        CancelHint();
        return false;
    }
    TTGTooltipLineBreakStyle lineBreakStyle = hlbDefault;
    const QString text = HintTextFor(data, lineBreakStyle);
    // The handler asked for the text may have removed the node: nothing shows for it.
    if (IsRemoved(data.Node)) {
        CancelHint();
        return false;
    }
    data.LineBreakStyle = lineBreakStyle;
    if (!FHintWindow)
        FHintWindow = CreateHintWindow();
    FHintWindow->HintData() = data;
    FHintWindow->HintData().HintRect = area;
    QScreen *screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const int maxWidth = screen ? screen->availableGeometry().width() : 800;
    QRect r = FHintWindow->CalcHintRect(maxWidth, text, FHintWindow->HintData());
    // Nothing to show (no text, and no owner who draws one).
    if (r.isEmpty()) {
        FHintWindow->HintData() = TTGHintData();
        CancelHint();
        return false;
    }
    if (data.Tooltip)
        r.moveTopLeft(viewport()->mapToGlobal(area.topLeft() - QPoint(TextMargin() + 1, 1)));
    else
        r.moveTopLeft(globalPos + QPoint(0, CursorHeight));
    const QRect globalArea(viewport()->mapToGlobal(area.topLeft()), area.size());
    FLastHintRect = area;
    DoStateChange({tsHint});
    FHintWindow->ActivateHint(r, text, globalArea);
    return true;
}
