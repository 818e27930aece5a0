#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

#include "Color.h"
#include "treegrid/TreeGridTypes.h"

class TTreeGridColumns;
class TTreeGridHeader;
class TBaseTreeGrid;
class TCanvas;

// A column's index in the collection never changes by reordering; its display position does.
using TColumnIndex = qint32;
using TColumnPosition = quint32;

inline constexpr TColumnIndex NoColumn = -1;
inline constexpr TColumnIndex InvalidColumn = -2;

enum TTreeGridColumnStyle : qint32 { vsText, vsOwnerDraw };

enum TTGHeaderColumnLayout : qint32 { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

enum TColumnAlignment : qint32 { taLeftJustify, taRightJustify, taCenter };

inline Qt::Alignment ToQtAlignment(TColumnAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

enum TColumnBiDiMode : qint32 {
    bdLeftToRight,
    bdRightToLeft,
    bdRightToLeftNoAlign,
    bdRightToLeftReadingOnly
};

// Bit numbers of the 16-bit option set (the value the header stream stores).
enum TTGColumnOption : std::uint8_t {
    coAllowClick,
    coDraggable,
    coEnabled,
    coParentBidiMode,
    coParentColor,
    coResizable,
    coShowDropMark,
    coVisible,
    coAutoSpring,
    coFixed,
    coSmartResize,
    coAllowFocus,
    coDisableAnimatedResize,
    coWrapCaption,
    coUseCaptionAlignment
};
using TTGColumnOptions = TTGSet<TTGColumnOption, std::uint16_t>;

inline constexpr TTGColumnOptions DefaultColumnOptions{coAllowClick, coDraggable, coEnabled,
                                                       coParentBidiMode, coParentColor, coResizable,
                                                       coShowDropMark, coVisible, coAllowFocus};

// One column of a tree-grid. Owned by its collection (TTreeGridColumns), which creates and
// destroys it; the column keeps a plain back link to that collection.
class TTreeGridColumn
{
public:
    explicit TTreeGridColumn(TTreeGridColumns *collection);
    virtual ~TTreeGridColumn();

    TTreeGridColumn(const TTreeGridColumn &) = delete;
    TTreeGridColumn &operator=(const TTreeGridColumn &) = delete;

    TTreeGridColumns *Collection() const { return FCollection; }
    TTreeGridHeader *Header() const;
    TBaseTreeGrid *Owner() const;

    TColumnIndex Index() const { return FIndex; }
    // Moves the column inside the collection; the position map follows.
    void SetIndex(TColumnIndex value);

    const QString &Text() const { return FText; }
    void SetText(const QString &value);
    const QString &Hint() const { return FHint; }
    void SetHint(const QString &value);
    const QString &CaptionText() const { return FCaptionText; }

    int Left() const;
    int Width() const { return FWidth; }
    void SetWidth(int value);
    int LastWidth() const { return FLastWidth; }
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int value);
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int value);
    TColumnPosition Position() const { return FPosition; }
    void SetPosition(TColumnPosition value);

    TTreeGridColumnStyle Style() const { return FStyle; }
    void SetStyle(TTreeGridColumnStyle value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    TColumnBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TColumnBiDiMode value);
    TTGHeaderColumnLayout Layout() const { return FLayout; }
    void SetLayout(TTGHeaderColumnLayout value);
    int Margin() const { return FMargin; }
    void SetMargin(int value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value);
    TTGColumnOptions Options() const { return FOptions; }
    void SetOptions(TTGColumnOptions value);
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    TColumnAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TColumnAlignment value);
    TColumnAlignment CaptionAlignment() const;
    void SetCaptionAlignment(TColumnAlignment value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);

    bool CheckBox() const { return FCheckBox; }
    void SetCheckBox(bool value);
    TCheckType CheckType() const { return FCheckType; }
    void SetCheckType(TCheckType value);
    TCheckState CheckState() const { return FCheckState; }
    void SetCheckState(TCheckState value);

    bool BonusPixel() const { return FBonusPixel; }
    void SetBonusPixel(bool value) { FBonusPixel = value; }
    float SpringRest() const { return FSpringRest; }
    void SetSpringRest(float value) { FSpringRest = value; }

    // Left edge and right edge in tree coordinates, not scroll-adjusted.
    void GetAbsoluteBounds(int &left, int &right) const;
    virtual QRect GetRect() const;
    QString GetDisplayName() const;
    // Places header glyph, sort glyph and caption inside the client rectangle of the column's
    // header cell (positions as for left alignment, mirrored in right-to-left reading).
    void ComputeHeaderLayout(TCanvas &dc, const QRect &client, bool useHeaderGlyph, bool useSortGlyph,
                             QPoint &headerGlyphPos, QPoint &sortGlyphPos, QRect &textBounds, uint drawFormat);
    // Where the header glyph was drawn last (for click tests), and whether it was.
    QRect ImageRect() const { return FImageRect; }
    bool HasImage() const { return FHasImage; }
    bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
    void RestoreLastWidth();
    void ParentBiDiModeChanged();
    void ParentColorChanged();
    bool Equals(const TTreeGridColumn &other) const;
    virtual void Assign(const TTreeGridColumn &source);

    // Stored-property tests of the form resource.
    bool IsBiDiModeStored() const { return !FOptions.contains(coParentBidiMode); }
    bool IsColorStored() const { return !FOptions.contains(coParentColor); }
    bool IsCaptionAlignmentStored() const { return FOptions.contains(coUseCaptionAlignment); }

protected:
    // Tells the collection that this column (allItems false) or everything changed.
    void Changed(bool allItems);

private:
    friend class TTreeGridColumns;
    friend class TTreeGridHeader;

    bool IsLoading() const;
    // The size of the glyph shown in the header cell: the check image or the header image.
    QSize HeaderGlyphSize() const;

    TTreeGridColumns *FCollection;
    TColumnIndex FIndex = NoColumn;

    QString FText;
    QString FHint;
    QString FCaptionText;
    int FLeft = 0;
    int FWidth = 50;
    int FLastWidth = 50;
    int FMinWidth = 10;
    int FMaxWidth = 10000;
    TColumnPosition FPosition = 0;
    TTreeGridColumnStyle FStyle = vsText;
    int FImageIndex = -1;
    TColumnBiDiMode FBiDiMode = bdLeftToRight;
    TTGHeaderColumnLayout FLayout = blGlyphLeft;
    int FMargin = 4;
    int FSpacing = 4;
    TTGColumnOptions FOptions = DefaultColumnOptions;
    int FTag = 0;
    TColumnAlignment FAlignment = taLeftJustify;
    TColumnAlignment FCaptionAlignment = taLeftJustify;
    TColor FColor;
    bool FBonusPixel = false;
    float FSpringRest = 0.0f;
    bool FCheckBox = false;
    TCheckType FCheckType = TCheckType::ctCheckBox;
    TCheckState FCheckState = csUncheckedNormal;
    QRect FImageRect;
    bool FHasImage = false;
};
