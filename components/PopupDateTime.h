#pragma once

#include "DateTime.h"
#include "DropDownForm.h"

class QCalendarWidget;
class QDate;

// The drop-down that holds a month calendar for picking a day.
class TDateTimePopup : public TfmDropDown
{
    Q_OBJECT
public:
    explicit TDateTimePopup(QWidget *parent = nullptr);

    // The picked day (whole days) when a day was picked since the last SetDate, else the date set.
    TDateTime GetDate() const;
    void SetDate(TDateTime value);
    bool DateChanged() const { return FDateChanged; }
    QCalendarWidget *Calendar() const { return FCalendar; }

protected:
    void DoEscape() override;

private:
    void CalendarPick(const QDate &date);

    QCalendarWidget *FCalendar = nullptr; // child
    TDateTime FLastDate = 0;
    bool FDateChanged = false;
};
