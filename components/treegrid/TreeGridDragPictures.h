#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <memory>

#include "treegrid/TreeGridDragImage.h"

class QMimeData;
class TBaseTreeGrid;

enum TTGDragImageKind : std::uint8_t { diComplete, diMainColumnOnly, diNoImage };

// The pictures of dragged rows, a part of every tree (a base of TBaseTreeGrid and of nothing
// else): the picture of the tree's own drag that follows the pointer over the program's trees,
// the pixmap of the rows that the platform's drag and the framework drag's pointer show, and
// the picture of another tree's drag while it is over this tree.
class TTreeGridDragPictures
{
public:
    TTreeGridDragPictures();
    virtual ~TTreeGridDragPictures();
    TTreeGridDragPictures(const TTreeGridDragPictures &) = delete;
    TTreeGridDragPictures &operator=(const TTreeGridDragPictures &) = delete;

    TTGDragImageKind DragImageKind() const { return FDragImageKind; }
    void SetDragImageKind(TTGDragImageKind value) { FDragImageKind = value; }
    int DragWidth() const { return FDragWidth; }
    void SetDragWidth(int value) { FDragWidth = value; }
    int DragHeight() const { return FDragHeight; }
    void SetDragHeight(int value) { FDragHeight = value; }
    bool CanShowDragImage() const { return FDragImageKind != diNoImage; }

    // The selected rows around the hot spot (client point) as the framework drag's pointer shows
    // them (and the platform's drag when the tree has no picture of its own): an opaque, framed
    // picture beside the pointer (a translucent one shows as an opaque box on an X server
    // without compositing, hiding the rows the pointer is on). hotSpot becomes the pointer's place
    // relative to the picture, above and left of it.
    QPixmap DragImage(QPoint point, QPoint &hotSpot);
    // Where the picture's top left corner stands from the pointer: clear of the arrow.
    static constexpr QPoint DragPictureOffset{16, 20};
    // The picture a drag of this tree shows over the program's trees, and its options.
    TTGDragImage &DragImage();
    // Prepares that picture: the selected rows within DragWidth x DragHeight around the hot
    // spot (client point), nothing when the tree shows no drag image.
    void PrepareDragImage(QPoint hotSpot, const QMimeData *dataObject);
    // This tree changed what it shows in treeRect (client coordinates) during a drag of tree:
    // the part under tree's picture is taken again before it is shown again.
    void UpdateWindowAndDragImage(TBaseTreeGrid *tree, const QRect &treeRect, bool updateNCArea,
                                  bool reshowDragImage);

protected:
    // The source's picture follows the pointer over this tree.
    void FollowDragImage(TBaseTreeGrid *source, QPoint pt);
    // This tree shows the source's picture now.
    bool ShowsDragImageOf(TBaseTreeGrid *source) const;

    std::unique_ptr<TTGDragImage> FDragImage;
    TTGDragImageKind FDragImageKind = diComplete;
    int FDragWidth = 200;
    int FDragHeight = 350;

private:
    TBaseTreeGrid &Tree();
    const TBaseTreeGrid &Tree() const;
};
