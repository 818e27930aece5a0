#pragma once

#include <QColor>
#include <QComboBox>
#include <QList>
#include <QStringList>

class QLabel;

enum TFontType { ftTrueTypeAnsi = 0x1, ftTrueTypeSymbol = 0x2, ftRaster = 0x4 };

struct TFontEntry {
    QString Name;
    TFontType Type = ftTrueTypeAnsi;
};

// An owner-drawn list of the installed fonts, lines "name=type" (TA, TS, R), with the recently
// used fonts on top and an optional preview window beside the open list.
class TScFontComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TScFontComboBox(QWidget *parent = nullptr);
    ~TScFontComboBox() override;

    QString FontName() const { return FStrFontName; }
    // Selects the first line of exactly that family and applies it as a choice; an unknown
    // name changes nothing.
    void SetFontName(const QString &name);

    int FontTypes() const { return FFontTypes; }
    void SetFontTypes(int types) { FFontTypes = types; }
    bool MoveUsedToTop() const { return FBlnMoveUsedToTop; }
    void SetMoveUsedToTop(bool value) { FBlnMoveUsedToTop = value; }
    int MaxUsed() const { return FIntMaxUsed; }
    void SetMaxUsed(int value) { FIntMaxUsed = qMax(0, value); }
    QColor ColorUsed() const { return FColorUsed; }
    void SetColorUsed(const QColor &c) { FColorUsed = c; }

    int PreviewWidth() const { return FIntPreviewWidth; }
    void SetPreviewWidth(int value) { FIntPreviewWidth = value; }
    int PreviewHeight() const { return FIntPreviewHeight; }
    void SetPreviewHeight(int value) { FIntPreviewHeight = value; }
    QString PreviewText() const { return FStrPreviewText; }
    void SetPreviewText(const QString &text) { FStrPreviewText = text; }
    bool ShowPreview() const { return FBlnShowPreview; }
    void SetShowPreview(bool value) { FBlnShowPreview = value; }
    bool ShowPreviewInList() const { return FBlnShowPreviewInList; }
    void SetShowPreviewInList(bool value) { FBlnShowPreviewInList = value; }
    bool ShowPreviewInEdit() const { return FBlnShowPreviewInEdit; }
    void SetShowPreviewInEdit(bool value) { FBlnShowPreviewInEdit = value; }
    bool ShowImagesFontType() const { return FBlnShowImagesFontType; }
    void SetShowImagesFontType(bool value) { FBlnShowImagesFontType = value; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value) { FItemHeight = qMax(1, value); }
    bool ShowPreviewFontName() const { return FBlnShowPreviewFontName; }
    void SetShowPreviewFontName(bool value) { FBlnShowPreviewFontName = value; }

    // Fills the list from the enumerated fonts; the recently used block is dropped. Runs by
    // itself when the list is first needed.
    void GetFontNames();
    // Applies the selected line as the chosen font and keeps the recently used block.
    void ChooseFont();

    QStringList Lines() const;
    int IntCountUsed = 0;
    bool BlnDown = false;

    static QString NameOf(const QString &line);
    static QString TypeOf(const QString &line);
    // The preview window (created on first need).
    QWidget *FormExample();

    void showPopup() override;
    void hidePopup() override;

signals:
    void OnChange();
    void OnClick();

protected:
    // The screen's fonts; tests give their own list.
    virtual QList<TFontEntry> EnumerateFonts() const;

    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Files the choice once the list has closed: a click or Enter in the list sets the picked
    // line only after the list has been hidden, so the choice waits for it.
    void FinishClose();
    void ShowExample(int index);
    void PlaceExample();

    int FFontTypes = ftTrueTypeAnsi | ftTrueTypeSymbol;
    QString FStrFontName;
    bool FBlnMoveUsedToTop = true;
    int FIntMaxUsed = 5;
    QColor FColorUsed = QColor(0, 0, 128);
    int FIntPreviewWidth = 240;
    int FIntPreviewHeight = 60;
    QString FStrPreviewText;
    bool FBlnShowPreview = false;
    bool FBlnShowPreviewInList = true;
    bool FBlnShowPreviewInEdit = false;
    bool FBlnShowImagesFontType = true;
    bool FBlnShowPreviewFontName = true;
    bool FChoosing = false;
    bool FClosePending = false;
    bool FNamesLoaded = false;
    int FItemHeight = 18;

    QWidget *FFormExample = nullptr; // top-level, deleted with the box
    QLabel *FExampleCaption = nullptr;
    QLabel *FExampleText = nullptr;

    friend class TFontItemDelegate;
};
