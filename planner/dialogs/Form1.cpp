#include "dialogs/Form1.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "Canvas.h"
#include "DateFormat.h"
#include "Jpeg.h"
#include "Language.h"
#include "PreviewPaintBox.h"
#include "Version.h"
#include "chart/ChartPicture.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "dialogs/DateField.h"
#include "dialogs/DateRangeControls.h"
#include "dialogs/DialogParts.h"
#include "dialogs/NamedControl.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

namespace {

constexpr int MaxDays = 10000;
// The pause after a change of the range before the preview is made anew (typing a day count
// changes it with every digit).
constexpr int PreviewDelay = 150;

// The hourglass while the picture is drawn, back on every way out.
struct TBusy
{
    TBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusy() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TForm1::TForm1(TTimeChartView &chart, const TDocumentSync &sync, QWidget *parent)
    : QDialog(parent)
    , FChart(chart)
    , FSync(sync)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Translate(QStringLiteral("Save Graphics")));
    setModal(true);

    Range = new TDateRangeControls(this, "Draw Summary", "Draw current view", 2, 1, MaxDays);
    Range->WholeRange = [this] { return TDateRangeControls::TRange(FChart.Core().MinDate(), FChart.Core().MaxDate()); };
    Range->ViewRange = [this] {
        return TDateRangeControls::TRange(FChart.Geometry().Start(), std::ceil(FChart.Geometry().GetTimeChartEnd()));
    };
    RadioButton1 = Range->RadioButton1;
    RadioButton2 = Range->RadioButton2;
    RadioButton3 = Range->RadioButton3;
    startpicker = Range->startpicker;
    endepicker = Range->endepicker;
    EditTage = Range->EditTage;

    PreviewBox = Named(new TPreviewPaintBox(this), "PreviewBox");
    PreviewBox->setMinimumSize(480, 240);
    PreviewBox->OnPaint = [this](QPainter &painter) { PaintPreview(painter); };
    PictureSizeLabel = Named(new QLabel(this), "PictureSizeLabel");
    PictureSizeLabel->setProperty("noTranslate", true); // filled in translated
    FPreviewTimer.setSingleShot(true);
    FPreviewTimer.setInterval(PreviewDelay);
    connect(&FPreviewTimer, &QTimer::timeout, this, [this] {
        if (isVisible())
            UpdatePreview();
    });
    Range->OnChange = [this] { FPreviewTimer.start(); };

    auto *grid = new QGridLayout;
    Range->AddTo(grid);
    auto *left = new QVBoxLayout;
    left->addLayout(grid);
    QHBoxLayout *body = BesidePicture(left, PreviewBox, PictureSizeLabel, true);
    QHBoxLayout *buttons = OkCancelRow(this, OKButton, CancelButton, "OKButton", "CancelButton");
    connect(OKButton, &QPushButton::clicked, this, &TForm1::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    Range->ApplyRange();
}

void TForm1::showEvent(QShowEvent *event)
{
    Range->Shown();
    QDialog::showEvent(event);
    // The plan may have changed since the last time.
    FPreviewTimer.start();
}

TDateTime TForm1::StartDate() const
{
    return Range->StartDate();
}

TDateTime TForm1::EndDate() const
{
    return StartDate() + Days();
}

int TForm1::Days() const
{
    return Range->Days();
}

QSize TForm1::PictureSize(int days, qint64 *width, qint64 *height) const
{
    const TTimeChartGeometry &g = FChart.Geometry();
    const qint64 w = qint64(g.GetTimeChartColWidth()) * std::max(days, 0);
    const qint64 h = g.RowsHeight(0) + g.TimeChartFullRowHeight(0);
    if (width)
        *width = w;
    if (height)
        *height = h;
    return QSize(int(std::min<qint64>(w, INT_MAX)), int(std::min<qint64>(h, INT_MAX)));
}

QString TForm1::Signature() const
{
    QString document = QFileInfo(FSync.DirWatchThread()->Filename()).fileName();
    if (document.isEmpty())
        document = FSync.DirWatchThread()->GetPossibleFileName();
    return Translate(QStringLiteral("Created with")) + QLatin1Char(' ') + platform::creditLine() + QLatin1Char(' ')
           + document + QStringLiteral(" (") + DateTimeToShortStr(Now()) + QLatin1Char(')');
}

bool TForm1::DrawPicture(QImage &image, int width, int height) const
{
    image = QImage(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.fill(Qt::white);
    TCanvas canvas(&image);
    TChartPictureParams p;
    p.canvas = &canvas;
    p.rangeStart = StartDate();
    p.rangeEnd = EndDate();
    p.width = width;
    p.height = height;
    p.showNow = true;
    TChartPicture(FChart.Model(), FChart.Geometry(), FChart.Options()).DrawBitmap(p);

    canvas.SaveDC();
    canvas.RemoveClip();
    canvas.Font().Assign(QApplication::font());
    canvas.Font().SetColor(clBlack);
    canvas.SetBkMode(bkTransparent);
    QRect r(0, 0, width, height);
    canvas.DrawText(Signature(), r, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    canvas.RestoreDC();
    return true;
}

bool TForm1::redrawGraphics()
{
    FPreviewTimer.stop();
    qint64 width = 0;
    qint64 height = 0;
    PictureSize(Days(), &width, &height);
    IPlannerWindow &window = FChart.Core().Window();
    if (!platform::jpegSizeAllowed(width, height)) {
        window.Ask(Translate(QStringLiteral("A picture of %s x %s pixels is larger than a picture may be (%s pixels a side, "
                                            "%s megapixels). Please choose fewer days or a smaller zoom."),
                             {QString::number(width), QString::number(height), QString::number(platform::MaxJpegSide),
                              QString::number(platform::MaxJpegPixels / 1'000'000)}),
                   mtInformation, {mbOK});
        return false;
    }
    const TBusy busy;
    if (!DrawPicture(FBitmap, int(width), int(height))) {
        window.Ask(Translate(QStringLiteral("There is not enough memory for a picture of %s x %s pixels."),
                             {QString::number(width), QString::number(height)}),
                   mtError, {mbOK});
        return false;
    }
    return true;
}

void TForm1::UpdatePreview()
{
    FPreviewTimer.stop();
    qint64 width = 0;
    qint64 height = 0;
    PictureSize(Days(), &width, &height);
    PictureSizeLabel->setText(Translate(QStringLiteral("%s x %s pixels"), {QString::number(width), QString::number(height)}));
    FPreview = QImage();
    // A picture that may not be made has no preview; OK tells why.
    if (width > 0 && height > 0 && platform::jpegSizeAllowed(width, height)) {
        const TBusy busy;
        QImage picture;
        if (DrawPicture(picture, int(width), int(height)))
            FPreview = picture.size().boundedTo(PreviewLimit) == picture.size()
                           ? picture
                           : picture.scaled(PreviewLimit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    PreviewBox->update();
}

void TForm1::PaintPreview(QPainter &painter)
{
    const QRect box = PreviewBox->rect().adjusted(4, 4, -4, -4);
    if (FPreview.isNull()) {
        painter.setPen(PreviewBox->palette().color(QPalette::WindowText));
        painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap,
                         Translate(QStringLiteral("No preview: the picture would be too large.")));
        return;
    }
    // The picture fitted into the box, keeping its proportions, centred, with a thin frame.
    QSize size = FPreview.size().scaled(box.size(), Qt::KeepAspectRatio);
    if (FPreview.width() <= box.width() && FPreview.height() <= box.height())
        size = FPreview.size();
    const QRect target(box.x() + (box.width() - size.width()) / 2, box.y() + (box.height() - size.height()) / 2,
                       size.width(), size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, FPreview);
    painter.setPen(QColor(160, 160, 160));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(target.adjusted(-1, -1, 0, 0));
}

void TForm1::OKButtonClick()
{
    // A date typed that names none is mended before the picture is made.
    if (CommitDateFields(this) && redrawGraphics())
        accept();
}
