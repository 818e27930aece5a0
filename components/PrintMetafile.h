#pragma once

#include <memory>
#include <vector>

#include <QFont>
#include <QList>
#include <QPaintDevice>
#include <QPointF>
#include <QSize>
#include <QString>

class QPainter;
class TPrintMetafileEngine;

// A text drawn on a recorded page: its baseline start in page pixels and its font.
struct TRecordedText {
    QPointF Position;
    QString Text;
    QFont Font;
};

// One recorded page: a paint device that keeps every drawing call as a display list, with the
// size and resolution of the printer's printable area, so that fonts sized for the printer keep
// their size. Replaying draws the list on any painter, scaled to a target rectangle.
class TPrintMetafile : public QPaintDevice
{
public:
    TPrintMetafile(const QSize &size, int dpiX, int dpiY);
    ~TPrintMetafile() override;

    TPrintMetafile(const TPrintMetafile &) = delete;
    TPrintMetafile &operator=(const TPrintMetafile &) = delete;

    QSize Size() const { return FSize; }
    // Number of recorded drawing calls (state changes not counted).
    int DrawCount() const;
    bool IsEmpty() const { return DrawCount() == 0; }
    // The texts in drawing order.
    QList<TRecordedText> Texts() const;

    // Draws the page stretched into target (painter coordinates).
    void Play(QPainter &painter, const QRectF &target) const;

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize FSize;
    int FDpiX;
    int FDpiY;
    std::unique_ptr<TPrintMetafileEngine> FEngine;
};
