#include "treegrid/TreeGridDragPictures.h"

#include <QPainter>

#include "Canvas.h"
#include "Color.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

// The part of the tree's client area a drag picture shows: DragWidth x DragHeight around the
// hot spot, within the rows.
QRect DragArea(TBaseTreeGrid &tree, QPoint hotSpot)
{
    const QRect area(hotSpot.x() - tree.DragWidth() / 2, hotSpot.y() - tree.DragHeight() / 2, tree.DragWidth(),
                     tree.DragHeight());
    return area & tree.viewport()->rect();
}

// The selected rows of the tree within area (client coordinates), on transparent ground.
QImage SelectedRows(TBaseTreeGrid &tree, const QRect &area)
{
    QImage rows(area.size(), QImage::Format_ARGB32_Premultiplied);
    rows.fill(Qt::transparent);
    TCanvas canvas(&rows);
    TTGInternalPaintOptions options{poDrawSelection, poSelectedOnly};
    if (tree.DragImageKind() == diMainColumnOnly)
        options.include(poMainOnly);
    tree.PaintTree(canvas, area.translated(tree.EffectiveOffsetX(), -tree.OffsetY()), QPoint(0, 0), options);
    return rows;
}

} // namespace

TTreeGridDragPictures::TTreeGridDragPictures() = default;

TTreeGridDragPictures::~TTreeGridDragPictures() = default;

TBaseTreeGrid &TTreeGridDragPictures::Tree()
{
    return static_cast<TBaseTreeGrid &>(*this);
}

const TBaseTreeGrid &TTreeGridDragPictures::Tree() const
{
    return static_cast<const TBaseTreeGrid &>(*this);
}

TTGDragImage &TTreeGridDragPictures::DragImage()
{
    if (!FDragImage)
        FDragImage = std::make_unique<TTGDragImage>();
    return *FDragImage;
}

void TTreeGridDragPictures::PrepareDragImage(QPoint hotSpot, const QMimeData *)
{
    TTGDragImage &image = DragImage();
    image.EndDrag();
    if (!CanShowDragImage())
        return;
    TBaseTreeGrid &tree = Tree();
    const QRect area = DragArea(tree, hotSpot);
    if (area.isEmpty())
        return;
    // The rows on the tree's paper: with the tree's colour as colour key the paper drops out.
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(ToQColor(tree.Color()));
    QPainter painter(&picture);
    painter.drawImage(0, 0, SelectedRows(tree, area));
    painter.end();
    image.PrepareDrag(picture, tree.viewport()->mapToGlobal(area.topLeft()), tree.viewport()->mapToGlobal(hotSpot));
}

QPixmap TTreeGridDragPictures::DragImage(QPoint point, QPoint &hotSpot)
{
    TBaseTreeGrid &tree = Tree();
    const QRect area = DragArea(tree, point);
    if (area.isEmpty() || !CanShowDragImage())
        return {};
    const QImage rows = SelectedRows(tree, area);
    // Only the rows of the selected nodes in the area, and what lies between them.
    QRect used;
    for (PGridNode node = tree.GetNodeAt(0, area.top()); node; node = tree.GetNextVisible(node, true)) {
        const QRect row = tree.GetDisplayRect(node, NoColumn, false);
        if (row.top() > area.bottom())
            break;
        if (node->States.contains(vsSelected))
            used |= row.intersected(area);
    }
    used.translate(-area.topLeft());
    if (used.isEmpty())
        return {};
    // Opaque on the tree's paper, with a frame, beside the pointer rather than over the rows it
    // points at.
    QImage picture(used.size() + QSize(2, 2), QImage::Format_RGB32);
    picture.fill(ToQColor(tree.Color()));
    QPainter painter(&picture);
    painter.drawImage(QPoint(1, 1), rows, used);
    painter.setPen(tree.palette().color(QPalette::Dark));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    painter.end();
    hotSpot = -DragPictureOffset;
    return QPixmap::fromImage(picture);
}

bool TTreeGridDragPictures::ShowsDragImageOf(TBaseTreeGrid *source) const
{
    const TTreeGridDragPictures *pictures = source;
    return pictures && pictures->FDragImage && pictures->FDragImage->Visible()
           && pictures->FDragImage->Host() == &Tree();
}

void TTreeGridDragPictures::FollowDragImage(TBaseTreeGrid *source, QPoint pt)
{
    const TTreeGridDragPictures *pictures = source;
    if (!pictures || !pictures->FDragImage)
        return;
    TTGDragImage &image = *pictures->FDragImage;
    if (!image.States().containsAll({disInDrag, disPrepared}) || image.States().contains(disSystemSupport))
        return;
    const QPoint screen = Tree().viewport()->mapToGlobal(pt);
    if (ShowsDragImageOf(source)) {
        if (image.WillMove(screen))
            image.DragTo(screen, false);
        return;
    }
    // Over this tree now: the picture leaves the tree it was shown over.
    image.HideDragImage();
    image.DragTo(screen, false);
    image.ShowDragImage(&Tree());
}

void TTreeGridDragPictures::UpdateWindowAndDragImage(TBaseTreeGrid *tree, const QRect &treeRect, bool updateNCArea,
                                                     bool reshowDragImage)
{
    TBaseTreeGrid &self = Tree();
    if (!self.isVisible() || treeRect.isEmpty())
        return;
    self.viewport()->update(treeRect);
    if (updateNCArea)
        self.update();
    if (!ShowsDragImageOf(tree))
        return;
    const TTreeGridDragPictures *pictures = tree;
    const QRect onScreen(self.viewport()->mapToGlobal(treeRect.topLeft()), treeRect.size());
    if (onScreen.intersects(pictures->FDragImage->GetDragImageRect()))
        pictures->FDragImage->RecaptureBackground(&self, treeRect, reshowDragImage);
}
