#pragma once

#include <QCursor>
#include <QImage>
#include <QRegion>
#include <QWidget>

// The marker of middle-button panning: a small round window standing at the press point that
// shows in which directions the view can move, and the cursors that show where it moves.

enum TTGPanningKind : std::uint8_t {
    pkMoveAll, pkMoveEW, pkMoveNS, pkMoveN, pkMoveNE, pkMoveE, pkMoveSE, pkMoveS, pkMoveSW, pkMoveW, pkMoveNW
};

// The resource name a kind stands for ("TG_MOVEALL", "TG_MOVEEW", ..., "TG_MOVENW").
const char *PanningResourceName(TTGPanningKind kind);
// The marker picture of pkMoveAll, pkMoveEW or pkMoveNS: 32 x 32 pixels, magenta ($FF00FF) where
// it is transparent.
QImage PanningImage(TTGPanningKind kind);
// The cursor of a kind; the hot spot lies in its middle.
QCursor PanningCursor(TTGPanningKind kind);
// The region of a picture's pixels that are not magenta, as runs per row.
QRegion OpaqueRegion(const QImage &image);

class TTreeGridPanningWindow : public QWidget
{
    Q_OBJECT

public:
    TTreeGridPanningWindow(TTGPanningKind kind, QWidget *parent);

    TTGPanningKind Kind() const { return FKind; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TTGPanningKind FKind;
    QImage FImage;
};
