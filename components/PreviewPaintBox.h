#pragma once

#include <functional>

#include <QWidget>

// A white box that paints through a callback and reports clicks and wheel notches.
class TPreviewPaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit TPreviewPaintBox(QWidget *parent = nullptr);

    std::function<void(QPainter &painter)> OnPaint;

signals:
    void Click();
    // Positive notches turn the wheel away from the user (upwards).
    void Wheel(int notches);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    int FWheelRest = 0;
};
