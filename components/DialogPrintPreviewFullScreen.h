#pragma once

#include <QDialog>

class QScrollBar;
class TPreviewPaintBox;
class TPrintPreviewDialog;

// One page of a recorded job shown maximised; a click closes it, and the preview then shows
// the page this view ended on.
class TPrintPreviewFullScreenDialog : public QDialog
{
    Q_OBJECT
public:
    TPrintPreviewFullScreenDialog(TPrintPreviewDialog &owner, QWidget *parent = nullptr);

    // Shows page n modally; returns the page shown last.
    int Execute(int page);
    int Page() const;
    QScrollBar *ScrollBar() const { return FScrollBar; }
    TPreviewPaintBox *PaintBox() const { return PaintBox1; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void PositionPaintBox();
    void ScrollBarChange(int value);

    TPrintPreviewDialog &FOwner;
    TPreviewPaintBox *PaintBox1 = nullptr; // child
    QScrollBar *FScrollBar = nullptr;      // child
};
