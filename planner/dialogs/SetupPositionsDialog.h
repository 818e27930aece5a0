#pragma once

#include <QDialog>

#include <functional>

#include "dialogs/DialogMemo.h"
#include "setup/SetupTypes.h"

class QComboBox;
class QPushButton;
class QSpinBox;
class QToolButton;
class TEditTimeDialog;
class TListGrid;

// "Edit resources...": the positions with their descriptions, working weeks and chart rows,
// and the document's smallest time unit.
class TSetupPositionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TSetupPositionsDialog(QWidget *parent = nullptr);

    void Fill(const TPositionsSetup &setup);
    const TPositionsSetup &Setup() const { return FSetup; }
    bool WasActive() const { return FWasActive; }
    void ClearWasActive() { FWasActive = false; }
    // Opened from the table setup: OK only keeps the edits (that dialog's OK applies them),
    // Cancel takes them back.
    int ExecNested();

    int SelectedRow() const;
    void SelectRow(int row);
    void NewClick();
    void DeleteClick();
    void MoveSelected(int step);
    int SelectedDay() const;
    void SelectDay(int day);
    // The day dialog for the selected day; true when confirmed.
    bool EditDayClick();
    void ApplyTimeToAllDaysClick();
    void CopySetupToAllResourcesClick();
    void OkClick();

    std::function<bool()> OnConfirm;
    std::function<void(const QString &)> OnMessage;

    TListGrid *ListView1 = nullptr;
    TDialogMemo *Memo1 = nullptr;
    TListGrid *StringTreeGrid1 = nullptr;
    QSpinBox *Edit1 = nullptr; // number of rows
    QComboBox *ComboBox1 = nullptr; // smallest time unit
    QPushButton *ButtonNew = nullptr;
    QPushButton *ButtonDelete = nullptr;
    QToolButton *UpDownUp = nullptr;
    QToolButton *UpDownDown = nullptr;
    QPushButton *ButtonApplyAll = nullptr;
    QPushButton *ButtonEditDay = nullptr;
    QPushButton *ButtonCopyAll = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;
    TEditTimeDialog *EditTimeDialog = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void RowSelected();
    void DaySelected();
    void MemoChanged();
    void RowsChanged(int rows);
    void WeekChecked();
    void UnitChanged();
    void TranslateTexts();
    QString DayText(int day, int column) const;
    void SetSelectedEntry(const QString &entry);
    QString SelectedEntry() const;

    TPositionsSetup FSetup;
    bool FWasActive = false;
    bool FNested = false;
    bool FShowing = false; // controls are being filled from the entry
};
