#include "dialogs/PrintTimeChartDialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>


#include "CanvasPanel.h"
#include "DialogPrintPreview.h"
#include "Language.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "dialogs/DateField.h"
#include "dialogs/DateRangeControls.h"
#include "dialogs/DialogParts.h"
#include "dialogs/NamedControl.h"
#include "dialogs/PrintPageOptions.h"
#include "dialogs/PrintTarget.h"
#include "print/ChartPrinter.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

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

TPrintTimeChartDialog::TPrintTimeChartDialog(TTimeChartView &chart, const TDocumentSync &sync,
                                             TPrintPreviewDialog &recorder, QWidget *parent)
    : QDialog(parent)
    , FChart(chart)
    , FSync(sync)
    , FRecorder(recorder)
{
    setObjectName(QStringLiteral("PrintTimeChartDialog"));
    setWindowTitle(QStringLiteral("Print Timechart"));
    setModal(true);

    // 0 shows a range of no days as it is; OK refuses it.
    Range = new TDateRangeControls(this, "Print Summary", "Print current view", 1, 0, TChartPageLayout::MaxDays);
    Range->WholeRange = [this] { return TDateRangeControls::TRange(FChart.Core().MinDate(), FChart.Core().MaxDate()); };
    Range->ViewRange = [this] {
        return TDateRangeControls::TRange(FChart.Geometry().Start(), FChart.Geometry().GetTimeChartEnd());
    };
    Range->OnChange = [this] { pb->update(); };
    RadioButton1 = Range->RadioButton1;
    RadioButton2 = Range->RadioButton2;
    RadioButton3 = Range->RadioButton3;
    startpicker = Range->startpicker;
    endepicker = Range->endepicker;
    EditTage = Range->EditTage;
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
    Target = new TPrintTarget(recorder, sync, poChart, this);
    Panel = Named(new QFrame(this), "Panel");
    Panel->setFrameShape(QFrame::StyledPanel);
    Panel->setMinimumSize(160, 180);
    pb = Named(new TCanvasPanel(Panel), "pb");
    pb->SetColor(clBtnFace);
    auto *panelLayout = new QVBoxLayout(Panel);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    panelLayout->addWidget(pb);

    auto *range = Named(new QGroupBox(QStringLiteral("Range"), this), "GroupBox1");
    Range->AddTo(new QGridLayout(range));
    auto *split = new QHBoxLayout;
    split->addWidget(MakeLabel(this, "Label4", "split to"));
    split->addWidget(Edit2);
    split->addWidget(MakeLabel(this, "Label5", "Page(s)"));
    split->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addWidget(range);
    left->addLayout(split);
    left->addWidget(PageOptions);
    QHBoxLayout *body = BesidePicture(left, Panel, PrinterSetupButton, false);
    QHBoxLayout *buttons = OkCancelRow(this, OKButton, CancelButton, "OKButton", "CancelButton");
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(Target);
    layout->addLayout(buttons);

    connect(Edit2, &QSpinBox::valueChanged, pb, [this] { pb->update(); });
    connect(Lochrand, &QCheckBox::toggled, pb, [this] { pb->update(); });
    connect(PrinterSetupButton, &QPushButton::clicked, this, [this] {
        Target->SetupClosed(OnPrinterSetup && OnPrinterSetup());
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
    Range->Shown();
    Target->Shown();
    pb->update();
}

TDateTime TPrintTimeChartDialog::StartDate() const
{
    return Range->StartDate();
}

TDateTime TPrintTimeChartDialog::EndDate() const
{
    return Range->EndDate();
}

int TPrintTimeChartDialog::Days() const
{
    return Range->Days();
}

int TPrintTimeChartDialog::Pages() const
{
    return Edit2->value();
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
    // A date typed that names none is mended before anything is printed.
    if (!CommitDateFields(this))
        return;
    TPlannerCore &core = FChart.Core();
    IPlannerWindow &window = core.Window();
    if (!Target->Apply(window))
        return;
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
        job.page = PageOptions->PageTexts(FSync.DirWatchThread() ? FSync.DirWatchThread()->GetPossibleFileName()
                                                                 : QString());
        TChartPrinter(FChart.Model(), FChart.Geometry(), FChart.Options()).Record(FRecorder, job);
    }
    // A cancelled preview keeps the dialog open for another try.
    const bool printed = FRecorder.Preview() == QDialog::Accepted;
    Target->Printed();
    if (printed)
        accept();
}
