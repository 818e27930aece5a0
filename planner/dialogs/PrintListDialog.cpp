#include "dialogs/PrintListDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "DialogPrintPreview.h"
#include "Language.h"
#include "PrintGrid.h"
#include "core/PlannerCore.h"
#include "dialogs/DialogParts.h"
#include "dialogs/NamedControl.h"
#include "dialogs/PrintPageOptions.h"
#include "dialogs/PrintTarget.h"
#include "print/TablePrinter.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"
#include "treegrid/StringTreeGrid.h"

TPrintListDialog::TPrintListDialog(TPlannerCore &core, const TDocumentSync &sync, TPrintPreviewDialog &recorder,
                                   QWidget *parent)
    : QDialog(parent)
    , FCore(core)
    , FSync(sync)
    , FRecorder(recorder)
    , FGrid(std::make_unique<TPrintStringGrid>())
{
    setObjectName(QStringLiteral("PrintListDialog"));
    setWindowTitle(QStringLiteral("Print Table"));
    setModal(true);

    RadioButton1 = Named(new QRadioButton(QStringLiteral("all Tasks"), this), "RadioButton1");
    RadioButton2 = Named(new QRadioButton(QStringLiteral("filtered Tasks"), this), "RadioButton2");
    RadioButton3 = Named(new QRadioButton(QStringLiteral("selected Tasks"), this), "RadioButton3");
    RadioButton1->setChecked(true);
    EditCount = Named(new QLineEdit(this), "EditCount");
    EditCount->setReadOnly(true);
    Columns = Named(TBaseTreeGrid::Create<TStringTreeGrid>(this), "Columns");
    TCustomTreeGridOptions &options = Columns->TreeOptions();
    options.SetMiscOptions(options.MiscOptions() + TTGMiscOptions{toCheckSupport});
    // A plain list of columns: no tree lines.
    options.SetPaintOptions(options.PaintOptions() - TTGPaintOptions{toShowRoot, toShowTreeLines});
    Columns->OnGetText = [this](TBaseTreeGrid *, TGridNode *node, TColumnIndex, TVSTTextType, QString &text) {
        text = FCore.GetColumnCaption(FTable, int(node->Index));
    };
    Columns->OnChecked = [this](TBaseTreeGrid *, TGridNode *) { UpdateCount(); };
    PageOptions = new TPrintPageOptions("TagLine", this);
    Header = PageOptions->Header;
    HeaderText = PageOptions->HeaderText;
    Fusszeile = PageOptions->Fusszeile;
    TagLine = PageOptions->FooterText;
    PrintFilename = PageOptions->PrintFilename;
    Lochrand = PageOptions->Lochrand;
    PrinterSetupButton = Named(new QPushButton(QStringLiteral("Printer setup..."), this), "PrinterSetupButton");
    Target = new TPrintTarget(recorder, sync, poTable, this);

    auto *rows = new QVBoxLayout;
    rows->addWidget(RadioButton1);
    rows->addWidget(RadioButton2);
    rows->addWidget(RadioButton3);
    auto *count = new QHBoxLayout;
    count->addWidget(Named(new QLabel(QStringLiteral("No. of tasks "), this), "Label1"));
    count->addWidget(EditCount);
    rows->addLayout(count);
    rows->addWidget(PageOptions);
    rows->addStretch(1);
    rows->addWidget(PrinterSetupButton);
    auto *columns = new QVBoxLayout;
    columns->addWidget(Named(new QLabel(QStringLiteral("Columns to print"), this), "Label2"));
    columns->addWidget(Columns, 1);
    auto *body = new QHBoxLayout;
    body->addLayout(rows, 1);
    body->addLayout(columns, 1);
    QHBoxLayout *buttons = OkCancelRow(this, OKButton, CancelButton, "OKButton", "CancelButton");
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(Target);
    layout->addLayout(buttons);
    resize(520, 360);

    for (QRadioButton *button : {RadioButton1, RadioButton2, RadioButton3})
        connect(button, &QRadioButton::clicked, this, &TPrintListDialog::UpdateCount);
    connect(PrinterSetupButton, &QPushButton::clicked, this, [this] {
        Target->SetupClosed(OnPrinterSetup && OnPrinterSetup());
    });
    connect(OKButton, &QPushButton::clicked, this, &TPrintListDialog::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    Translate(this);
}

TPrintListDialog::~TPrintListDialog()
{
    Columns->OnChecked = nullptr;
}

void TPrintListDialog::SetOptions(const TPrintOptions &options)
{
    PageOptions->SetOptions(options);
}

TPrintOptions TPrintListDialog::Options(TPrintOptions options) const
{
    PageOptions->GetOptions(options);
    return options;
}

void TPrintListDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Target->Shown();
    Activate();
}

void TPrintListDialog::Activate()
{
    FTable = FCore.GetActiveTable();
    Columns->Clear();
    FColumnNodes.clear();
    const int count = FCore.GetTableColCount(FTable);
    for (int column = 0; column < count; ++column) {
        TGridNode *node = Columns->AddChild(nullptr);
        Columns->SetCheckType(node, TCheckType::ctCheckBox);
        Columns->SetCheckState(node, csCheckedNormal);
        FColumnNodes.push_back(node);
    }
    UpdateCount();
}

bool TPrintListDialog::GetChecked(int column) const
{
    if (column < 0 || column >= int(FColumnNodes.size()))
        return false;
    return Columns->CheckState(FColumnNodes[std::size_t(column)]) == csCheckedNormal;
}

void TPrintListDialog::SetChecked(int column, bool value)
{
    if (column >= 0 && column < int(FColumnNodes.size()))
        Columns->SetCheckState(FColumnNodes[std::size_t(column)], value ? csCheckedNormal : csUncheckedNormal);
}

int TPrintListDialog::CheckedCount() const
{
    int checked = 0;
    for (int column = 0; column < int(FColumnNodes.size()); ++column)
        checked += GetChecked(column) ? 1 : 0;
    return checked;
}

TForEachNode TPrintListDialog::Selector() const
{
    if (RadioButton2->isChecked())
        return feGroupFiltered;
    if (RadioButton3->isChecked())
        return feSelected;
    return feGroupAll;
}

void TPrintListDialog::UpdateCount()
{
    switch (Selector()) {
    case feGroupFiltered: FCount = FCore.FilteredCount(FTable); break;
    case feSelected: FCount = FCore.SelectedCount(FTable); break;
    default: FCount = FCore.GroupCount(FTable); break;
    }
    EditCount->setText(QString::number(FCount));
    // Nothing to print without a row or without a column.
    OKButton->setEnabled(FCount > 0 && CheckedCount() > 0);
}

void TPrintListDialog::OKButtonClick()
{
    UpdateCount();
    if (!OKButton->isEnabled())
        return;
    if (!Target->Apply(FCore.Window()))
        return;
    TTablePrintJob job;
    job.table = FTable;
    job.rows = Selector();
    for (int column = 0; column < int(FColumnNodes.size()); ++column)
        job.columns.push_back(GetChecked(column));
    job.page = PageOptions->PageTexts(FSync.DirWatchThread() ? FSync.DirWatchThread()->GetPossibleFileName() : QString());
    TTablePrinter(FCore).Record(FRecorder, *FGrid, job);
    // A cancelled preview keeps the dialog open for another try.
    const bool printed = FRecorder.Preview() == QDialog::Accepted;
    Target->Printed();
    if (printed)
        accept();
}
