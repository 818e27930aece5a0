#pragma once

#include <QDialog>
#include <QImage>
#include <QTimer>

#include "DateTime.h"

class QLabel;
class QPainter;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TDateField;
class TDateRangeControls;
class TDocumentSync;
class TPreviewPaintBox;
class TTimeChartView;

// "Save Graphics": chooses the date range of a picture of the chart (the whole plan, the
// visible part or dates of the user's choice) and renders it with the logo, the captions and
// a signature in its lower right corner. Beside the range it shows that picture, made anew a
// moment after the range changed. The window keeps the picture until the next one.
class TForm1 : public QDialog
{
    Q_OBJECT

public:
    // `sync` names the document the signature mentions.
    TForm1(TTimeChartView &chart, const TDocumentSync &sync, QWidget *parent = nullptr);

    TDateTime StartDate() const;
    TDateTime EndDate() const;
    int Days() const;

    // The size of the picture of `days` days: the chart's day width times the days by its
    // rows under the caption bands (64 bits: it may be far too large).
    QSize PictureSize(int days, qint64 *width = nullptr, qint64 *height = nullptr) const;
    // Renders the chosen range into Bitmap(); false (after telling the user) when the
    // picture would be larger than a picture may be.
    bool redrawGraphics();
    const QImage &Bitmap() const { return FBitmap; }
    // The signature text: "Created with", the credit line, the document and the time.
    QString Signature() const;
    // The picture of the chosen range made small for the preview (at most PreviewLimit);
    // null while there is none (the picture would be too large).
    const QImage &PreviewImage() const { return FPreview; }
    static constexpr QSize PreviewLimit{1200, 800};
    // Makes the preview now (it follows range changes by itself after a short pause).
    void UpdatePreview();

    TDateRangeControls *Range = nullptr;
    // Its controls.
    QRadioButton *RadioButton1 = nullptr; // "Draw Summary"
    QRadioButton *RadioButton2 = nullptr; // "Draw current view"
    QRadioButton *RadioButton3 = nullptr; // "Free input"
    TDateField *startpicker = nullptr;
    TDateField *endepicker = nullptr;
    QSpinBox *EditTage = nullptr; // days
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
    TPreviewPaintBox *PreviewBox = nullptr;
    QLabel *PictureSizeLabel = nullptr; // "%s x %s pixels"

protected:
    void showEvent(QShowEvent *event) override;

private:
    void OKButtonClick();
    // The picture of the chosen range, with its signature, into a new image of that size.
    bool DrawPicture(QImage &image, int width, int height) const;
    void PaintPreview(QPainter &painter);

    TTimeChartView &FChart;
    const TDocumentSync &FSync;
    QImage FBitmap;
    QImage FPreview;
    QTimer FPreviewTimer;
};
