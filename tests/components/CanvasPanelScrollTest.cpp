#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "CanvasPanel.h"

namespace {

// A panel showing a pattern of the world's pixels from an origin that scrolls.
struct ScrolledPanel
{
    TCanvasPanel panel;
    QPoint origin;
    QRegion painted;

    ScrolledPanel()
    {
        panel.resize(120, 80);
        panel.OnPaint = [this](QObject *) {
            TCanvas &c = panel.Canvas();
            painted += c.ClipRegion();
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 120; ++x) {
                    const int wx = x + origin.x();
                    const int wy = y + origin.y();
                    if (!c.RectVisible(QRect(x, y, 1, 1)))
                        continue;
                    c.Brush().SetColor(RGBToColor((wx * 7) & 0xFF, (wy * 5) & 0xFF, (wx ^ wy) & 0xFF));
                    c.FillRect(QRect(x, y, 1, 1));
                }
        };
    }
    static void Settle()
    {
        for (int i = 0; i < 4; ++i)
            QApplication::processEvents();
    }
};

} // namespace

TEST(CanvasPanelScroll, MovesTheKeptPictureAndRepaintsOnlyTheUncoveredStrips)
{
    ScrolledPanel s;
    s.panel.show();
    ScrolledPanel::Settle();
    // The world moves 7 pixels left and 5 down under the panel.
    s.painted = QRegion();
    s.origin += QPoint(7, -5);
    s.panel.ScrollContents(-7, 5);
    ScrolledPanel::Settle();
    const QImage scrolled = s.panel.Canvas().Image()->copy();
    EXPECT_FALSE(s.painted.isEmpty());
    EXPECT_FALSE(s.painted.contains(QPoint(50, 40))); // the middle was moved, not painted
    EXPECT_TRUE(s.painted.contains(QPoint(118, 40))); // the strip that came in at the right
    EXPECT_TRUE(s.painted.contains(QPoint(50, 2)));   // and at the top
    // The same picture as a whole repaint.
    s.panel.update();
    ScrolledPanel::Settle();
    EXPECT_EQ(scrolled, *s.panel.Canvas().Image());
    EXPECT_EQ(s.panel.grab().toImage().convertToFormat(QImage::Format_RGB32), scrolled);

    // A scroll wider than the panel repaints it all.
    s.painted = QRegion();
    s.origin += QPoint(500, 0);
    s.panel.ScrollContents(-500, 0);
    ScrolledPanel::Settle();
    EXPECT_TRUE(s.painted.contains(QRect(0, 0, 120, 80)));
    s.panel.ScrollContents(0, 0); // nothing to do
}
