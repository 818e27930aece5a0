#pragma once

#include <QColor>
#include <QWidget>

#include <vector>

// The left part of the property editor: behind each caption a rounded marker whose colour
// tells what the column means to the chart.
class TEditorNamePanel : public QWidget
{
public:
    explicit TEditorNamePanel(QWidget *parent = nullptr);

    struct TMarker
    {
        int top; // of the line
        QColor color;
    };
    void SetMarkers(std::vector<TMarker> markers, int pitch);

    // The pen of every marker: RGB(98, 135, 151).
    static QColor MarkerPen() { return QColor(98, 135, 151); }
    // Where the marker of a line at `top` lies.
    QRect MarkerRect(int top) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<TMarker> FMarkers;
    int FPitch = 27;
};
