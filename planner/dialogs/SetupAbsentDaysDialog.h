#pragma once

#include <QDialog>

#include <functional>

#include "dialogs/DialogMemo.h"
#include "setup/SetupTypes.h"

class QCheckBox;
class QComboBox;
class QPushButton;

// "Edit Table "Absent days"": the absence reasons, the default reason of new absences and
// whether absences count working days by default.
class TSetupAbsentDaysDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TSetupAbsentDaysDialog(QWidget *parent = nullptr);

    void Fill(const TAbsenceSetup &setup);
    TAbsenceSetup Setup() const;
    bool WasActive() const { return wasActive; }
    void ClearWasActive() { wasActive = false; }
    // The default box offers the memo's lines, keeping its selected index.
    void Memo1Change();
    void OkClick();

    std::function<bool()> OnConfirm;

    TDialogMemo *Memo1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool wasActive = false;
};
