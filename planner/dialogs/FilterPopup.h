#pragma once

#include "DropDownForm.h"
#include "table/FilterPopupValues.h"

class QButtonGroup;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TAutocompletingEdit;
class TDateField;

// The filter pop-up of a table column: one radio button per kind of filter with its inputs,
// OK and Cancel. It drops down below the column header; the main window fills it and reads
// it back when it closes (with OK, or Enter, the modal result is mrOk).
class TFilterPopup : public TfmDropDown
{
    Q_OBJECT
public:
    explicit TFilterPopup(QWidget *parent = nullptr);

    // Shows or hides the inputs of one kind of filter.
    void SetListFilterEnabled(bool enabled);
    void SetDateFilterEnabled(bool enabled);
    void SetNumberFilterEnabled(bool enabled);

    // Fills every input and chooses the kind; the sections follow the values' column type and
    // the window takes the size of what it shows.
    void SetValues(const TFilterPopupValues &values);
    // The window takes the size its visible sections need.
    void FitToContents();
    // What the user chose and typed.
    TFilterPopupValues Values() const;

    // The filtered column, kept for the main window.
    bool Active = false;
    int Column = -1;

    QLabel *LabelCaption = nullptr;
    QRadioButton *RadioButtonNoFilter = nullptr;
    QLabel *LabelText = nullptr;
    QRadioButton *RadioButtonEmpty = nullptr;
    QRadioButton *RadioButtonText = nullptr;
    TAutocompletingEdit *EditText = nullptr;
    QRadioButton *RadioButtonList = nullptr;
    QListWidget *ListBoxList = nullptr;
    QRadioButton *RadioButtonDate = nullptr;
    QLabel *LabelDateFrom = nullptr;
    TDateField *DateTimePickerFrom = nullptr;
    QLabel *LabelDateTill = nullptr;
    TDateField *DateTimePickerTill = nullptr;
    QLabel *LabelNumber = nullptr;
    QRadioButton *RadioButtonSmaller = nullptr;
    QRadioButton *RadioButtonGreater = nullptr;
    QRadioButton *RadioButtonEquals = nullptr;
    QLineEdit *EditValue = nullptr;
    QRadioButton *RadioButtonFromTo = nullptr;
    QLineEdit *EditFrom = nullptr;
    QLabel *LabelTo = nullptr;
    QLineEdit *EditTo = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void DoEscape() override;

private:
    // Enables only the inputs of the chosen kind.
    void RadioButtonClick();
    void Finish(int result);
    QRadioButton *ButtonOf(TFilterPopupValues::TKind kind) const;

    QButtonGroup *FKinds = nullptr;
    QGridLayout *FNumberLayout = nullptr;
};
