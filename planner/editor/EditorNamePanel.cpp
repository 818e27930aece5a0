#include "editor/EditorNamePanel.h"

#include <QPainter>

TEditorNamePanel::TEditorNamePanel(QWidget *parent)
    : QWidget(parent)
{
}

void TEditorNamePanel::SetMarkers(std::vector<TMarker> markers, int pitch)
{
    FMarkers = std::move(markers);
    FPitch = pitch;
    update();
}

QRect TEditorNamePanel::MarkerRect(int top) const
{
    return QRect(4, top + (FPitch - 21) / 2, width() - 9, 17);
}

void TEditorNamePanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(MarkerPen());
    for (const TMarker &marker : FMarkers) {
        painter.setBrush(marker.color);
        // Drawn inside its rectangle, as a shape with a one-pixel pen is.
        painter.drawRoundedRect(QRectF(MarkerRect(marker.top)).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
}
