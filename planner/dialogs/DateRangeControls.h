#pragma once

#include <QObject>

#include <functional>
#include <utility>

#include "DateTime.h"

class QGridLayout;
class QLabel;
class QRadioButton;
class QSpinBox;
class QWidget;
class TDateField;

// The date range of the chart's picture and print dialogs: the whole plan, the visible part
// of the chart or dates of the user's choice, with the start, the end and the days between
// them kept in step. The first two buttons fill the pickers and lock them, the third frees them.
class TDateRangeControls : public QObject
{
public:
    using TRange = std::pair<TDateTime, TDateTime>;

    // The controls are made on parent; `checked` (1-3) is the button chosen at first.
    TDateRangeControls(QWidget *parent, const char *wholeCaption, const char *viewCaption, int checked, int minDays,
                       int maxDays);

    // Puts the buttons and the labelled pickers in rows 0 to 5 of grid.
    void AddTo(QGridLayout *grid) const;
    // Fills the pickers for the chosen button.
    void ApplyRange();
    // On showing the dialog: the plan and the view may have changed.
    void Shown();
    TDateTime StartDate() const;
    TDateTime EndDate() const;
    int Days() const;

    // The ranges of the first two buttons (set by the dialog).
    std::function<TRange()> WholeRange;
    std::function<TRange()> ViewRange;
    // After the dates changed.
    std::function<void()> OnChange;

    QRadioButton *RadioButton1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QRadioButton *RadioButton3 = nullptr; // "Free input"
    TDateField *startpicker = nullptr;
    TDateField *endepicker = nullptr;
    QSpinBox *EditTage = nullptr; // days

private:
    void SetRangeDates(const TRange &range);
    void PickerChange(const TDateField *moved);
    void EditTageChange();
    void ShowDays();
    void Changed() const;

    QLabel *FLabels[3] = {};
    bool FChanging = false;
};
