#pragma once

#include <QWidget>

class QLabel;
class QTimer;

// The window that greets at start: the program's picture, what it is doing, "Multiuser" and
// its version. Borderless and on top; its timer hides it two seconds after the start.
class TSplashForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSplashForm(QWidget *parent = nullptr);

    // The version label anew (after a language switch, too).
    void UpdateShape();
    // Centred over `window`, or over the screen without one.
    void CenterOn(const QWidget *window);
    // Hides the window after Timer1's interval.
    void StartTimer();
    // The shape behind the version label, a little wider than the label.
    QRect ShapeRect() const;

    QLabel *LabelStatus = nullptr;
    QLabel *LabelMultiuser = nullptr;
    QLabel *LabelVersion = nullptr;
    QTimer *Timer1 = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
};
