#include "dialogs/Form1.h"

#include <QApplication>
#include <QDateEdit>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

#include "Canvas.h"
#include "DateFormat.h"
#include "Jpeg.h"
#include "Language.h"
#include "Version.h"
#include "chart/ChartPicture.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "sync/DirWatchThread.h"

namespace {

constexpr int MaxDays = 10000;

QDateEdit *MakeDateEdit(QWidget *parent, const char *name)
{
    auto *edit = new QDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setDisplayFormat(ShortDateFormat());
    edit->setMinimumDate(QDate(100, 1, 1));
    edit->setCalendarPopup(true);
    return edit;
}

QRadioButton *MakeRadio(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QRadioButton(Translate(QString::fromLatin1(caption)), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const char *caption)
{
    auto *label = new QLabel(Translate(QString::fromLatin1(caption)), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

TDateTime DateOf(const QDateEdit *edit)
{
    return QDateToDateTime(edit->date());
}

// The hourglass while the picture is drawn, back on every way out.
struct TBusy
{
    TBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusy() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TForm1::TForm1(TTimeChartView &chart, QWidget *parent)
    : QDialog(parent)
    , FChart(chart)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Translate(QStringLiteral("Save Graphics")));
    setModal(true);

    RadioButton1 = MakeRadio(this, "RadioButton1", "Draw Summary");
    RadioButton2 = MakeRadio(this, "RadioButton2", "Draw current view");
    RadioButton3 = MakeRadio(this, "RadioButton3", "Free input");
    RadioButton2->setChecked(true);
    startpicker = MakeDateEdit(this, "startpicker");
    endepicker = MakeDateEdit(this, "endepicker");
    EditTage = new QSpinBox(this);
    EditTage->setObjectName(QStringLiteral("EditTage"));
    EditTage->setRange(1, MaxDays);
    OKButton = new QPushButton(Translate(QStringLiteral("OK")), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(Translate(QStringLiteral("Cancel")), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    for (QRadioButton *button : {RadioButton1, RadioButton2, RadioButton3})
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                ApplyRange();
        });
    connect(startpicker, &QDateEdit::dateChanged, this, &TForm1::startpickerChange);
    connect(endepicker, &QDateEdit::dateChanged, this, &TForm1::endepickerChange);
    connect(EditTage, &QSpinBox::valueChanged, this, &TForm1::EditTageChange);
    connect(OKButton, &QPushButton::clicked, this, &TForm1::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(RadioButton1, 0, 0, 1, 2);
    grid->addWidget(RadioButton2, 1, 0, 1, 2);
    grid->addWidget(RadioButton3, 2, 0, 1, 2);
    grid->addWidget(MakeLabel(this, "Label1", "Start Date"), 3, 0);
    grid->addWidget(startpicker, 3, 1);
    grid->addWidget(MakeLabel(this, "Label2", "End Date"), 4, 0);
    grid->addWidget(endepicker, 4, 1);
    grid->addWidget(MakeLabel(this, "Label3", "Days"), 5, 0);
    grid->addWidget(EditTage, 5, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    ApplyRange();
}

void TForm1::showEvent(QShowEvent *event)
{
    // The plan and the view may have changed since the window was last shown.
    ApplyRange();
    QDialog::showEvent(event);
}

void TForm1::SetRangeDates(TDateTime start, TDateTime end)
{
    FChanging = true;
    startpicker->setDate(DateTimeToQDate(start));
    endepicker->setDate(DateTimeToQDate(end));
    EditTage->setValue(int(std::clamp<TDateTime>(Trunc(end) - Trunc(start), 1, MaxDays)));
    FChanging = false;
}

void TForm1::ApplyRange()
{
    const bool free = RadioButton3->isChecked();
    startpicker->setEnabled(free);
    endepicker->setEnabled(free);
    EditTage->setEnabled(free);
    if (RadioButton1->isChecked())
        SetRangeDates(FChart.Core().MinDate(), FChart.Core().MaxDate());
    else if (RadioButton2->isChecked())
        SetRangeDates(FChart.Geometry().Start(), std::ceil(FChart.Geometry().GetTimeChartEnd()));
}

void TForm1::startpickerChange()
{
    if (FChanging)
        return;
    FChanging = true;
    if (endepicker->date() < startpicker->date())
        endepicker->setDate(startpicker->date().addDays(1));
    EditTage->setValue(int(std::clamp<qint64>(startpicker->date().daysTo(endepicker->date()), 1, MaxDays)));
    FChanging = false;
}

void TForm1::endepickerChange()
{
    if (FChanging)
        return;
    FChanging = true;
    if (endepicker->date() < startpicker->date())
        startpicker->setDate(endepicker->date().addDays(-1));
    EditTage->setValue(int(std::clamp<qint64>(startpicker->date().daysTo(endepicker->date()), 1, MaxDays)));
    FChanging = false;
}

void TForm1::EditTageChange()
{
    if (FChanging || !EditTage->isEnabled())
        return;
    FChanging = true;
    endepicker->setDate(startpicker->date().addDays(EditTage->value()));
    FChanging = false;
}

TDateTime TForm1::StartDate() const
{
    return DateOf(startpicker);
}

TDateTime TForm1::EndDate() const
{
    return StartDate() + Days();
}

int TForm1::Days() const
{
    return EditTage->value();
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
    QString document = QFileInfo(FChart.Core().DirWatchThread()->Filename()).fileName();
    if (document.isEmpty())
        document = FChart.Core().DirWatchThread()->GetPossibleFileName();
    return Translate(QStringLiteral("Created with")) + QLatin1Char(' ') + platform::creditLine() + QLatin1Char(' ')
           + document + QStringLiteral(" (") + DateTimeToShortStr(Now()) + QLatin1Char(')');
}

bool TForm1::redrawGraphics()
{
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
    FBitmap = QImage(int(width), int(height), QImage::Format_RGB32);
    if (FBitmap.isNull()) {
        window.Ask(Translate(QStringLiteral("There is not enough memory for a picture of %s x %s pixels."),
                             {QString::number(width), QString::number(height)}),
                   mtError, {mbOK});
        return false;
    }
    FBitmap.fill(Qt::white);
    TCanvas canvas(&FBitmap);
    TChartPictureParams p;
    p.canvas = &canvas;
    p.rangeStart = StartDate();
    p.rangeEnd = EndDate();
    p.width = int(width);
    p.height = int(height);
    p.showNow = true;
    TChartPicture(FChart.Model(), FChart.Geometry(), FChart.Options()).DrawBitmap(p);

    canvas.SaveDC();
    canvas.RemoveClip();
    canvas.Font().Assign(QApplication::font());
    canvas.Font().SetColor(clBlack);
    canvas.SetBkMode(bkTransparent);
    QRect r(0, 0, int(width), int(height));
    canvas.DrawText(Signature(), r, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    canvas.RestoreDC();
    return true;
}

void TForm1::OKButtonClick()
{
    if (redrawGraphics())
        accept();
}
