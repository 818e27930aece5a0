#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

#include "core/DocumentTypes.h"
#include "print/PrintOptions.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TDocumentSync;
class TPlannerCore;
class TPrintPageOptions;
class TPrintPreviewDialog;
class TPrintTarget;
class TPrintStringGrid;
class TStringTreeGrid;
struct TGridNode;

// "Print Table": prints the active table's rows (all of the group, the filtered ones or the
// selected ones) with the columns the user checks, through the print preview.
class TPrintListDialog : public QDialog
{
    Q_OBJECT

public:
    // `sync` names the document for the page texts.
    TPrintListDialog(TPlannerCore &core, const TDocumentSync &sync, TPrintPreviewDialog &recorder,
                     QWidget *parent = nullptr);
    ~TPrintListDialog() override;

    void SetOptions(const TPrintOptions &options);
    TPrintOptions Options(TPrintOptions options) const;

    // The columns of the active table, all checked, and the count: what activating does.
    void Activate();
    // The number of rows the chosen button prints; OK only while there are rows and columns.
    void UpdateCount();
    TForEachNode Selector() const;
    bool GetChecked(int column) const;
    void SetChecked(int column, bool value);
    // Records the table and shows the preview; the dialog closes when the preview printed.
    void OKButtonClick();
    TPrintStringGrid &grid() const { return *FGrid; }

    // The printer set-up (set by the window); true when it was confirmed.
    std::function<bool()> OnPrinterSetup;

    QRadioButton *RadioButton1 = nullptr; // "all Tasks"
    QRadioButton *RadioButton2 = nullptr; // "filtered Tasks"
    QRadioButton *RadioButton3 = nullptr; // "selected Tasks"
    QLineEdit *EditCount = nullptr;
    TStringTreeGrid *Columns = nullptr;   // "Columns to print"
    TPrintPageOptions *PageOptions = nullptr;
    // Its controls.
    QCheckBox *Header = nullptr;
    QLineEdit *HeaderText = nullptr;
    QCheckBox *Fusszeile = nullptr;
    QLineEdit *TagLine = nullptr;
    QCheckBox *PrintFilename = nullptr;
    QCheckBox *Lochrand = nullptr;
    QPushButton *PrinterSetupButton = nullptr;
    TPrintTarget *Target = nullptr; // the printer or the PDF file
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    int CheckedCount() const;

    TPlannerCore &FCore;
    const TDocumentSync &FSync;
    TPrintPreviewDialog &FRecorder;
    std::unique_ptr<TPrintStringGrid> FGrid;
    TWhichTable FTable = tbTable; // the table the columns were listed for
    std::vector<TGridNode *> FColumnNodes;
    int FCount = 0;
};
