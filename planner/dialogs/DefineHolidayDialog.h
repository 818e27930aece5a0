#pragma once

#include <QDialog>

#include <functional>
#include <vector>

#include "core/HolidayData.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TListGrid;

// "Setup Holiday": the document's public holidays, each on a fixed date or a number of days
// from Easter Sunday, each enabled by its check mark.
class TDefineHolidayDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TDefineHolidayDialog(QWidget *parent = nullptr);

    void Fill(const std::vector<THolidayData> &holidays);
    // The rows in order, enabled as checked.
    std::vector<THolidayData> Holidays() const;
    bool WasActive() const { return FWasActive; }
    void ClearWasActive() { FWasActive = false; }

    // Append a row unless one of exactly that name is there (then false).
    bool AddHoliday(const QString &name, int offset, bool checked);
    bool AddHoliday(const QString &name, int day, int month, bool checked);
    int Count() const { return int(FRows.size()); }
    THolidayData GetItem(int i) const;
    bool GetChecked(int i) const;
    // The row of exactly that name, -1 for none.
    int FindHoliday(const QString &name) const;
    int GetSelected() const;
    void SetSelected(int row);
    QString DateText(int row) const;

    void NewHolidayClick();
    void DeleteHolidayClick();
    void AddGermanHolidaysClick();
    void SetAllChecked(bool checked);
    void OkClick();

    std::function<bool()> OnConfirm;

    TListGrid *TreeGrid1 = nullptr;
    QRadioButton *RadioButtonEaster = nullptr; // "special Day"
    QRadioButton *RadioButtonDate = nullptr;   // "Date"
    QLineEdit *EditName = nullptr;
    QSpinBox *EditOffset = nullptr;
    QSpinBox *EditDay = nullptr;
    QComboBox *ComboBoxMonth = nullptr;
    QPushButton *ButtonNew = nullptr;
    QPushButton *ButtonDelete = nullptr;
    QPushButton *ButtonGerman = nullptr;
    QPushButton *ButtonEnableAll = nullptr;
    QPushButton *ButtonDisableAll = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool Append(const THolidayData &holiday);
    void RowsChanged();
    void RowSelected();
    void KindChanged();
    void Edited();
    THolidayData *Selected();

    std::vector<THolidayData> FRows;
    bool FWasActive = false;
    bool FShowing = false;
};
