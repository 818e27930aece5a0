#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>

#include "CanvasPanel.h"
#include "ScrollBarBox.h"

TEST(CanvasPanel, PaintsThroughOnPaintIntoOneFinishedPicture)
{
    TCanvasPanel panel;
    panel.resize(40, 30);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    panel.setFont(font);
    panel.SetColor(clWhite);
    EXPECT_EQ(panel.GetClientRect(), QRect(0, 0, 40, 30));

    int paints = 0;
    QString fontSeen;
    panel.OnPaint = [&](QObject *sender) {
        EXPECT_EQ(sender, &panel);
        ++paints;
        TCanvas &c = panel.Canvas();
        fontSeen = c.Font().Name();
        EXPECT_EQ(c.Pixel(5, 5), clWhite); // erased before the owner paints
        c.Brush().SetColor(clRed);
        c.FillRect(MakeRect(0, 0, 10, 10));
    };
    const QImage shown = panel.grab().toImage();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(fontSeen, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(shown.pixel(3, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.pixel(20, 20) & 0xFFFFFF, 0xFFFFFFu);
    // The picture persists and can be read back after the paint.
    EXPECT_EQ(panel.Canvas().Pixel(3, 3), clRed);

    // Without a handler the plain panel shows its colour.
    panel.OnPaint = nullptr;
    panel.SetColor(clBlue);
    EXPECT_EQ(panel.grab().toImage().pixel(3, 3) & 0xFFFFFF, 0x0000FFu);
}

TEST(CanvasPanel, MouseEnterAndLeaveReachTheOwner)
{
    TCanvasPanel panel;
    int enter = 0, leave = 0;
    panel.OnMouseEnter = [&](QObject *) { ++enter; };
    panel.OnMouseLeave = [&](QObject *) { ++leave; };
    QEnterEvent in(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&panel, &in);
    QEvent out(QEvent::Leave);
    QCoreApplication::sendEvent(&panel, &out);
    EXPECT_EQ(enter, 1);
    EXPECT_EQ(leave, 1);
}

TEST(CanvasPanel, ScrollBoxPaintsItsClientAreaInsideBorderAndBars)
{
    TScrollBarBox box;
    box.resize(120, 80);
    box.SetColor(clWhite);
    const QRect client = box.GetClientRect();
    EXPECT_LT(client.width(), 120 - 4);
    EXPECT_LT(client.height(), 80 - 4);
    QPoint seen;
    box.OnPaint = [&](QObject *) {
        TCanvas &c = box.Canvas();
        EXPECT_EQ(c.Width(), client.width());
        c.Brush().SetColor(clLime);
        c.FillRect(MakeRect(0, 0, 1, 1));
    };
    box.OnMouseDown = [&](QObject *, QMouseEvent *e) { seen = e->position().toPoint(); };
    const QImage shown = box.grab().toImage();
    // Client (0, 0) lies inside the two-pixel border.
    EXPECT_EQ(shown.pixel(2, 2) & 0xFFFFFF, 0x00FF00u);
    EXPECT_NE(shown.pixel(1, 1) & 0xFFFFFF, 0x00FF00u);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(12, 7), QPointF(12, 7), QPointF(12, 7), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &press);
    EXPECT_EQ(seen, QPoint(10, 5));
}
