#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

#include "Color.h"

class QEventLoop;

struct TCombEntry {
    QPointF Position; // the cell centre
    TColor Color = 0;
};

// A pop-up offering the named palette, optionally the system colours, a default entry and a
// "mix colour" entry that unfolds a hexagonal colour comb, a grey comb and a brightness slider.
class TColorPickerPopup : public QWidget
{
    Q_OBJECT
public:
    // What the mouse is dragging.
    enum TSelectionMode { smNone, smColorComb, smBWComb, smRamp };

    static constexpr TColor NoColor = 0x1FFFFFFF;      // nothing chosen
    static constexpr TColor DefaultColor = 0x20000000; // the default entry
    static constexpr int NoCell = -1;
    static constexpr int CustomCell = -2;
    static constexpr int DefaultCell = -3;
    static constexpr int PaletteCount = 40;
    static constexpr int SysColorCount = 25;
    static constexpr int ColorCombCount = 127;
    static constexpr int BWCombCount = 17;

    explicit TColorPickerPopup(QWidget *parent = nullptr);

    TColor SelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(TColor c);

    QString DefaultText() const { return FDefaultText; }
    void SetDefaultText(const QString &text);
    // The text of the mix entry as shown (translated); empty hides the entry.
    QString CustomText() const { return FCustomText; }
    // Sets the untranslated text of the mix entry.
    void SetCustomText(const QString &text);
    bool ShowSysColors() const { return FShowSysColors; }
    void SetShowSysColors(bool value);

    // The screen rectangle of the control the pop-up belongs to.
    QRect DestRect;

    // Sizes the window and places it at the bottom-left corner of DestRect (or above it).
    void ShowPopupAligned();
    // Shows the pop-up aligned to DestRect (when set) and waits until it ends; returns mrOk (1)
    // or mrCancel (2).
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    void EndSelection(bool cancel);

    int SelectedIndex() const { return FSelectedIndex; }
    int HoverIndex() const { return FHoverIndex; }
    int CustomIndex() const { return FCustomIndex; }
    double CenterIntensity() const { return FCenterIntensity; }
    void SetCenterIntensity(double value);

    // Cells 0..39 are the palette, 40..64 the system colours.
    static TColor CellColor(int index);
    static QString CellName(int index);
    int SelectionFromPoint(const QPoint &p) const;
    QPoint CellCenter(int index) const;

    const QList<TCombEntry> &ColorCombs();
    const QList<TCombEntry> &BWCombs();
    void CalculateCombLayout();

    void AdjustWindow();
    QRect DefaultTextRect() const { return FDefaultTextRect; }
    QRect CustomTextRect() const { return FCustomTextRect; }
    QRect ColorCombRect() const { return FColorCombRect; }
    QRect BWCombRect() const { return FBWCombRect; }
    QRect SliderRect() const { return FSliderRect; }
    int CombSize() const { return FCombSize; }

    // Where a pop-up of the given size opens for the control rectangle dest.
    static QPoint AlignedPosition(const QRect &available, const QRect &dest, const QSize &size);

signals:
    // The pop-up ended with OK on the default entry; SelectionColor is left as it was.
    void DefaultSelected();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;

private:
    int GetIndex(int row, int column) const;
    int CellCount() const { return FShowSysColors ? PaletteCount + SysColorCount : PaletteCount; }
    QRect CellRect(int index) const;
    void SetHoverIndex(int index);
    void MoveHover(int key);
    void DrawCell(class QPainter &painter, int index);
    void DrawComb(class QPainter &painter);
    int CombCellAt(const QPointF &p) const;
    int BWCellAt(const QPointF &p) const;
    void UpdateSlider(int y);
    TColor CustomColor() const;
    void Unfold();
    bool CustomSelected() const { return FSelectedIndex == CustomCell; }

    QString FDefaultText;
    QString FCustomText;
    QString FCustomSource = QStringLiteral("mix colour"); // untranslated
    bool FShowSysColors = false;
    int FMargin = 2;
    int FSpacing = 8;
    int FBoxSize = 18;
    int FColumnCount = 8;
    int FRowCount = 5;
    int FSysRowCount = 4;
    int FSelectedIndex = NoCell;
    int FHoverIndex = NoCell;

    QRect FWindowRect;
    QRect FDefaultTextRect;
    QRect FCustomTextRect;
    QRect FCustomColorRect;
    QRect FColorCombRect;
    QRect FBWCombRect;
    QRect FSliderRect;
    int FGridTop = 0;

    int FRadius = 66;
    int FLevels = 7;
    int FCombSize = 11;
    QPointF FCombCorners[6];
    double FCenterColor[3] = {1.0, 1.0, 1.0};
    double FCenterIntensity = 1.0;
    QList<TCombEntry> FColorCombs;
    QList<TCombEntry> FBWCombs;
    bool FCombCalculated = false;
    int FCustomIndex = 0;
    TSelectionMode FSelectionMode = smNone;

    TColor FSelectionColor = NoColor;
    int FModalResult = 0;
    QEventLoop *FLoop = nullptr; // lives on ShowModal's stack
};
