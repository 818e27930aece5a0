#pragma once

#include <QDialog>

#include <memory>

#include "DateTime.h"

class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TAbsenceReport;
class TDateField;
class TPlannerCore;

// "Evaluation": the absent days of every resource summed per absence reason over the whole
// data range, a year or a range chosen freely (TAbsenceReport).
class THolidayDialog : public QDialog
{
    Q_OBJECT

public:
    THolidayDialog(TPlannerCore &core, QWidget *parent = nullptr);
    ~THolidayDialog() override;

    // "complete Range" chosen and reported.
    void SelectFirstView();
    // The range choice: enables the year or the pickers and sets the range it stands for.
    void RadioButton1Click();
    // The year chosen: 1 January to 31 December of it (years 1 to 9999).
    void UpDown1ChangingEx(int year);
    // Writes the report of the pickers' range into the memo.
    void DateTimePickerChange();

    TDateTime RangeStart() const;
    TDateTime RangeEnd() const;

    QRadioButton *RadioButton1 = nullptr; // "complete Range"
    QRadioButton *RadioButton2 = nullptr; // "complete Year"
    QRadioButton *RadioButton3 = nullptr; // "free Input"
    TDateField *DateTimePickerStart = nullptr;
    TDateField *DateTimePickerEnd = nullptr;
    QSpinBox *UpDown1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *Button1 = nullptr; // "Close"

private:
    void SetRange(TDateTime from, TDateTime to);

    TPlannerCore &FCore;
    std::unique_ptr<TAbsenceReport> FReport;
    bool FSettingRange = false;
};
