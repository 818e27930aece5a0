#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <vector>

#include "Color.h"
#include "treegrid/AlphaBlend.h"
#include "treegrid/TreeGridSet.h"

class QWidget;
class TBaseTreeGrid;

enum TTGDragMoveRestriction : std::uint8_t { dmrNone, dmrHorizontalOnly, dmrVerticalOnly };
enum TTGDragImageState : std::uint8_t { disHidden, disInDrag, disPrepared, disSystemSupport };
using TTGDragImageStates = TTGSet<TTGDragImageState, std::uint8_t>;

// The picture of the dragged nodes that follows the pointer over the program's trees. No
// platform draws it (disSystemSupport never holds here), so the program does: the picture is
// blended in software (AlphaBlend) over a captured picture of the tree beneath and shown
// opaque, which looks translucent whether or not a compositor blends windows. It shows over
// one tree at a time (the drop target), within that tree's rows; the tree reports what it
// repaints under it (RecaptureBackground) so that the picture never shows stale rows.
class TTGDragImage
{
public:
    TTGDragImage();
    ~TTGDragImage();

    TTGDragImage(const TTGDragImage &) = delete;
    TTGDragImage &operator=(const TTGDragImage &) = delete;

    // Constant alpha of the picture (0 leaves it invisible).
    std::uint8_t Transparency() const { return FTransparency; }
    void SetTransparency(std::uint8_t value) { FTransparency = value; }
    // Added to the picture's colours once when it is prepared (negative darkens).
    std::int8_t PreBlendBias() const { return FPreBlendBias; }
    void SetPreBlendBias(std::int8_t value) { FPreBlendBias = value; }
    // Added to every blended pixel when it is shown.
    std::int8_t PostBlendBias() const { return FPostBlendBias; }
    void SetPostBlendBias(std::int8_t value) { FPostBlendBias = value; }
    // The picture fades out from its middle towards its edges.
    bool Fade() const { return FFade; }
    void SetFade(bool value) { FFade = value; }
    TTGDragMoveRestriction MoveRestriction() const { return FMoveRestriction; }
    void SetMoveRestriction(TTGDragMoveRestriction value) { FMoveRestriction = value; }
    // Pixels of this colour (as painted) are left out; clNone keeps every pixel.
    TColor ColorKey() const { return FColorKey; }
    void SetColorKey(TColor value) { FColorKey = value; }

    TTGDragImageStates States() const { return FStates; }
    // In a drag, prepared and shown by the program.
    bool Visible() const;
    // The tree the picture shows over, nil while hidden.
    TBaseTreeGrid *Host() const { return FHost; }

    // Takes the picture whose top-left corner lies at imagePosition (screen) while the pointer
    // is at hotSpot (screen). It stays hidden until a tree shows it.
    void PrepareDrag(const QImage &image, QPoint imagePosition, QPoint hotSpot);
    // Shows the picture over the tree; only when hidden, in a drag and prepared.
    void ShowDragImage(TBaseTreeGrid *host);
    // The tree shows through again.
    void HideDragImage();
    // Follows the pointer (screen) within the move restriction. While shown, a small move
    // keeps what it knows of the background and takes only the newly covered strips; a jump of
    // the picture's size or more, or forceRepaint, takes the whole background afresh.
    void DragTo(QPoint p, bool forceRepaint);
    // Whether DragTo(p) would move the picture.
    bool WillMove(QPoint p) const;
    // Hides the picture and lets it go.
    void EndDrag();
    // The picture's place on the screen while visible, else empty.
    QRect GetDragImageRect() const;
    // The tree changed what it shows in r (its client coordinates): the part under the picture
    // is taken again, and with reshow the picture is blended and shown again at once.
    void RecaptureBackground(TBaseTreeGrid *tree, const QRect &r, bool reshow);

    // The prepared picture (ARGB32 with the alpha the options made).
    const QImage &Image() const { return FDragImage; }
    // How the picture is blended over the background.
    TBlendMode BlendMode() const;

    // The picture of the given size moved by delta: Kept is the part of the old background that
    // still lies under it, Exposed the strips it newly covers (both in the moved picture's
    // coordinates).
    struct TDragRectangles {
        QRect Kept;
        std::vector<QRect> Exposed;
    };
    static TDragRectangles FillDragRectangles(QSize size, QPoint delta);

private:
    QPoint Restricted(QPoint p) const;
    // Takes the host's rows under area (picture coordinates) into the background.
    void CaptureBackground(const QRect &area);
    void InternalShowDragImage();

    std::uint8_t FTransparency = 200;
    std::int8_t FPreBlendBias = 0;
    std::int8_t FPostBlendBias = 0;
    bool FFade = true;
    TTGDragMoveRestriction FMoveRestriction = dmrNone;
    TColor FColorKey = clNone;
    TTGDragImageStates FStates{disHidden};

    QPointer<TBaseTreeGrid> FHost;
    QPointer<QWidget> FView;
    QImage FDragImage;  // the picture with its alpha channel
    QImage FBackImage;  // what lies under it
    QPoint FImagePosition; // screen
    QPoint FHotSpot;       // the pointer within the picture
};
