#pragma once

#include <QDialog>

#include <functional>

#include "DateTime.h"
#include "print/PrintOptions.h"

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TCanvasPanel;
class TDateField;
class TDateRangeControls;
class TDocumentSync;
class TPrintPageOptions;
class TPrintPreviewDialog;
class TPrintTarget;
class TTimeChartView;

// "Print Timechart": the date range (the whole plan, the visible part of the chart or dates
// of the user's choice), the number of pages, header, footer and file name, the punch margin
// and the current-time marker; a small picture of the page shows where the chart goes. OK
// records the pages and shows them in the print preview; a cancelled preview keeps the dialog.
class TPrintTimeChartDialog : public QDialog
{
    Q_OBJECT

public:
    // `sync` names the document for the page texts.
    TPrintTimeChartDialog(TTimeChartView &chart, const TDocumentSync &sync, TPrintPreviewDialog &recorder,
                          QWidget *parent = nullptr);

    // The options the main window keeps (the orientation is the printer's, not the dialog's).
    void SetOptions(const TPrintOptions &options);
    TPrintOptions Options(TPrintOptions options) const;

    // Records the pages and shows the preview; the dialog closes when the preview printed.
    void OKButtonClick();
    TDateTime StartDate() const;
    TDateTime EndDate() const;
    int Days() const;
    int Pages() const;

    // The printer set-up (set by the window); true when it was confirmed.
    std::function<bool()> OnPrinterSetup;
    // Whether the last OK asked for the picture at screen resolution.
    bool printAsBitmap = false;

    TDateRangeControls *Range = nullptr;
    // Its controls.
    QRadioButton *RadioButton1 = nullptr; // "Print Summary"
    QRadioButton *RadioButton2 = nullptr; // "Print current view"
    QRadioButton *RadioButton3 = nullptr; // "Free input"
    TDateField *startpicker = nullptr;
    TDateField *endepicker = nullptr;
    QSpinBox *EditTage = nullptr; // days
    QSpinBox *Edit2 = nullptr;    // pages
    TPrintPageOptions *PageOptions = nullptr;
    // Its controls.
    QCheckBox *Header = nullptr;
    QLineEdit *HeaderText = nullptr;
    QCheckBox *Fusszeile = nullptr;
    QLineEdit *Tagline = nullptr;
    QCheckBox *PrintFilename = nullptr;
    QCheckBox *Lochrand = nullptr;
    QCheckBox *heutehervorheben = nullptr;
    QPushButton *PrinterSetupButton = nullptr;
    TPrintTarget *Target = nullptr; // the printer or the PDF file
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QFrame *Panel = nullptr;
    TCanvasPanel *pb = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void pbPaint();

    TTimeChartView &FChart;
    const TDocumentSync &FSync;
    TPrintPreviewDialog &FRecorder;
};
