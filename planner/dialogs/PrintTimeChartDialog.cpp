#include "dialogs/PrintTimeChartDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

#include "CanvasPanel.h"
#include "DateFormat.h"
#include "DialogPrintPreview.h"
#include "Language.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "dialogs/NamedControl.h"
#include "dialogs/PrintPageOptions.h"
#include "print/ChartPrinter.h"
#include "sync/DirWatchThread.h"

namespace {


QLabel *MakeLabel(QWidget *parent, const char *name, const char *text)
{
    return Named(new QLabel(QString::fromUtf8(text), parent), name);
}

// The chart area in the page picture ($BBGGRR).
constexpr TColor ChartAreaColor = 0xE0CA92;

// Leaves the chart's printing state however printing ends.
struct TPrintingState
{
    bool &flag;
    explicit TPrintingState(bool &f) : flag(f) { flag = true; }
    ~TPrintingState() { flag = false; }
};

} // namespace

TPrintTimeChartDialog::TPrintTimeChartDialog(TTimeChartView &chart, TPrintPreviewDialog &recorder, QWidget *parent)
    : QDialog(parent)
    , FChart(chart)
    , FRecorder(recorder)
{
    setObjectName(QStringLiteral("PrintTimeChartDialog"));
    setWindowTitle(QStringLiteral("Print Timechart"));
    setModal(true);

    RadioButton1 = Named(new QRadioButton(QStringLiteral("Print Summary"), this), "RadioButton1");
    RadioButton2 = Named(new QRadioButton(QStringLiteral("Print current view"), this), "RadioButton2");
    RadioButton3 = Named(new QRadioButton(QStringLiteral("Free input"), this), "RadioButton3");
    RadioButton1->setChecked(true);
    auto makeDate = [this](const char *name) {
        auto *edit = Named(new QDateEdit(this), name);
        edit->setDisplayFormat(ShortDateFormat());
        edit->setMinimumDate(QDate(100, 1, 1));
        edit->setCalendarPopup(true);
        return edit;
    };
    startpicker = makeDate("startpicker");
    endepicker = makeDate("endepicker");
    // 0 shows a range of no days as it is; OK refuses it.
    EditTage = Named(new QSpinBox(this), "EditTage");
    EditTage->setRange(0, TChartPageLayout::MaxDays);
    Edit2 = Named(new QSpinBox(this), "Edit2");
    Edit2->setRange(1, TChartPageLayout::MaxPages);
    PageOptions = new TPrintPageOptions("Tagline", this);
    Header = PageOptions->Header;
    HeaderText = PageOptions->HeaderText;
    Fusszeile = PageOptions->Fusszeile;
    Tagline = PageOptions->FooterText;
    PrintFilename = PageOptions->PrintFilename;
    Lochrand = PageOptions->Lochrand;
    heutehervorheben = Named(new QCheckBox(QStringLiteral("Show today as red bar"), PageOptions), "heutehervorheben");
    PageOptions->Layout->addWidget(heutehervorheben, 4, 0, 1, 2);
    PrinterSetupButton = Named(new QPushButton(QStringLiteral("Printer setup..."), this), "PrinterSetupButton");
    OKButton = Named(new QPushButton(QStringLiteral("OK"), this), "OKButton");
    OKButton->setDefault(true);
    CancelButton = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton");
    Panel = Named(new QFrame(this), "Panel");
    Panel->setFrameShape(QFrame::StyledPanel);
    Panel->setMinimumSize(160, 180);
    pb = Named(new TCanvasPanel(Panel), "pb");
    pb->SetColor(clBtnFace);
    auto *panelLayout = new QVBoxLayout(Panel);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    panelLayout->addWidget(pb);

    auto *range = Named(new QGroupBox(QStringLiteral("Range"), this), "GroupBox1");
    auto *rangeGrid = new QGridLayout(range);
    rangeGrid->addWidget(RadioButton1, 0, 0, 1, 2);
    rangeGrid->addWidget(RadioButton2, 1, 0, 1, 2);
    rangeGrid->addWidget(RadioButton3, 2, 0, 1, 2);
    rangeGrid->addWidget(MakeLabel(range, "Label1", "Start Date"), 3, 0);
    rangeGrid->addWidget(startpicker, 3, 1);
    rangeGrid->addWidget(MakeLabel(range, "Label2", "End Date"), 4, 0);
    rangeGrid->addWidget(endepicker, 4, 1);
    rangeGrid->addWidget(MakeLabel(range, "Label3", "Days"), 5, 0);
    rangeGrid->addWidget(EditTage, 5, 1);
    auto *split = new QHBoxLayout;
    split->addWidget(MakeLabel(this, "Label4", "split to"));
    split->addWidget(Edit2);
    split->addWidget(MakeLabel(this, "Label5", "Page(s)"));
    split->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addWidget(range);
    left->addLayout(split);
    left->addWidget(PageOptions);
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(Panel, 1);
    right->addWidget(PrinterSetupButton);
    auto *body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(right);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    for (QRadioButton *button : {RadioButton1, RadioButton2, RadioButton3})
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                ApplyRange();
        });
    connect(startpicker, &QDateEdit::dateChanged, this, &TPrintTimeChartDialog::startpickerChange);
    connect(endepicker, &QDateEdit::dateChanged, this, &TPrintTimeChartDialog::endepickerChange);
    connect(EditTage, &QSpinBox::valueChanged, this, &TPrintTimeChartDialog::EditTageChange);
    connect(Edit2, &QSpinBox::valueChanged, pb, [this] { pb->update(); });
    connect(Lochrand, &QCheckBox::toggled, pb, [this] { pb->update(); });
    connect(PrinterSetupButton, &QPushButton::clicked, this, [this] {
        if (OnPrinterSetup)
            OnPrinterSetup();
        pb->update();
    });
    connect(OKButton, &QPushButton::clicked, this, &TPrintTimeChartDialog::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    pb->OnPaint = [this](QObject *) { pbPaint(); };
    Translate(this);
}

void TPrintTimeChartDialog::SetOptions(const TPrintOptions &options)
{
    PageOptions->SetOptions(options);
    heutehervorheben->setChecked(options.PrintToday);
}

TPrintOptions TPrintTimeChartDialog::Options(TPrintOptions options) const
{
    PageOptions->GetOptions(options);
    options.PrintToday = heutehervorheben->isChecked();
    return options;
}

void TPrintTimeChartDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The user's date format may have changed since the dialog was made.
    for (QDateEdit *edit : {startpicker, endepicker})
        edit->setDisplayFormat(ShortDateFormat());
    ApplyRange();
    pb->update();
}

TDateTime TPrintTimeChartDialog::StartDate() const
{
    return QDateToDateTime(startpicker->date());
}

TDateTime TPrintTimeChartDialog::EndDate() const
{
    return QDateToDateTime(endepicker->date());
}

int TPrintTimeChartDialog::Days() const
{
    return EditTage->value();
}

int TPrintTimeChartDialog::Pages() const
{
    return Edit2->value();
}

void TPrintTimeChartDialog::SetRangeDates(TDateTime start, TDateTime end)
{
    FChanging = true;
    startpicker->setDate(DateTimeToQDate(start));
    endepicker->setDate(DateTimeToQDate(end));
    EditTage->setValue(int(std::lround(EndDate() - StartDate())));
    FChanging = false;
    pb->update();
}

void TPrintTimeChartDialog::ApplyRange()
{
    const bool free = RadioButton3->isChecked();
    for (QWidget *control : {static_cast<QWidget *>(startpicker), static_cast<QWidget *>(endepicker),
                             static_cast<QWidget *>(EditTage)})
        control->setEnabled(free);
    if (RadioButton1->isChecked())
        SetRangeDates(FChart.Core().MinDate(), FChart.Core().MaxDate());
    else if (RadioButton2->isChecked())
        SetRangeDates(FChart.Geometry().Start(), FChart.Geometry().GetTimeChartEnd());
}

void TPrintTimeChartDialog::startpickerChange()
{
    if (FChanging)
        return;
    FChanging = true;
    if (EndDate() < StartDate())
        endepicker->setDate(DateTimeToQDate(StartDate() + 1));
    EditTage->setValue(int(std::lround(EndDate() - StartDate())));
    FChanging = false;
    pb->update();
}

void TPrintTimeChartDialog::endepickerChange()
{
    if (FChanging)
        return;
    FChanging = true;
    if (EndDate() < StartDate())
        startpicker->setDate(DateTimeToQDate(EndDate() - 1));
    EditTage->setValue(int(std::lround(EndDate() - StartDate())));
    FChanging = false;
    pb->update();
}

void TPrintTimeChartDialog::EditTageChange()
{
    if (FChanging || !EditTage->isEnabled())
        return;
    FChanging = true;
    endepicker->setDate(DateTimeToQDate(StartDate() + Days()));
    FChanging = false;
    pb->update();
}

void TPrintTimeChartDialog::pbPaint()
{
    TCanvas &canvas = pb->Canvas();
    const QRect page = FRecorder.FitPage(QRect(0, 0, pb->width(), pb->height()));
    const QSize physical = FRecorder.PhysicalSize();
    if (page.isEmpty() || physical.isEmpty())
        return;
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(page);
    // The chart as one page of the split would hold it, in the printable area without the
    // header and footer lines (known only when printing).
    const int punch = Lochrand->isChecked() ? FRecorder.PunchMargin() : 0;
    const QPoint body = FRecorder.PrintableSize(false, false) - QPoint(punch, 0);
    const QPoint bodyOffset = FRecorder.PhysicalOffset() + QPoint(punch, 0);
    const TChartPrinter printer(FChart.Model(), FChart.Geometry(), FChart.Options());
    const TChartFit fit = printer.Layout(QSize(body.x(), body.y()), std::max(1, Days()), 0);
    const double sx = double(page.width()) / physical.width();
    const double sy = double(page.height()) / physical.height();
    const QRect chart = fit.rect.translated(bodyOffset);
    canvas.Brush().SetColor(ChartAreaColor);
    canvas.FillRect(QRect(page.x() + int(chart.x() * sx), page.y() + int(chart.y() * sy),
                          std::max(1, int(chart.width() * sx)), std::max(1, int(chart.height() * sy))));
}

void TPrintTimeChartDialog::OKButtonClick()
{
    TPlannerCore &core = FChart.Core();
    IPlannerWindow &window = core.Window();
    // The day count stops at its limit while the pickers may span more: that is refused too.
    const double span = EndDate() - StartDate();
    if (!TChartPageLayout::ValidRequest(Days(), Pages()) || span > TChartPageLayout::MaxDays) {
        window.Ask(Translate(QStringLiteral("Please choose between 1 and %s days to print."),
                             {QString::number(TChartPageLayout::MaxDays)}),
                   mtWarning, {mbOK});
        return;
    }
    {
        TPrintingState printing(FChart.FPrinting);
        printAsBitmap = window.Ask(Translate(QStringLiteral("Print in screen resolution to improve printing performance?")),
                                   mtConfirmation, {mbYes, mbNo})
                        == mrYes;
        TChartPrintJob job;
        job.start = StartDate();
        job.days = Days();
        job.pages = Pages();
        job.showToday = heutehervorheben->isChecked();
        job.asBitmap = printAsBitmap;
        job.page = PageOptions->PageTexts(core.DirWatchThread() ? core.DirWatchThread()->GetPossibleFileName()
                                                                : QString());
        TChartPrinter(FChart.Model(), FChart.Geometry(), FChart.Options()).Record(FRecorder, job);
    }
    // A cancelled preview keeps the dialog open for another try.
    if (FRecorder.Preview() == QDialog::Accepted)
        accept();
}
