#include "PopupDateTime.h"

#include <QCalendarWidget>
#include <QDate>
#include <QVBoxLayout>

TDateTimePopup::TDateTimePopup(QWidget *parent)
    : TfmDropDown(parent)
{
    setObjectName(QStringLiteral("DateTimePopup"));
    FCalendar = new QCalendarWidget(this);
    FCalendar->setObjectName(QStringLiteral("Calendar"));
    FCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto *layout = new QVBoxLayout(this);
    // Room for the sizing bands of the free edges, so that they lie over the frame, not the days.
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(FCalendar);
    resize(sizeHint());
    // A click on a day and Enter on the keyboard both pick it.
    connect(FCalendar, &QCalendarWidget::clicked, this, &TDateTimePopup::CalendarPick);
    connect(FCalendar, &QCalendarWidget::activated, this, &TDateTimePopup::CalendarPick);
}

TDateTime TDateTimePopup::GetDate() const
{
    return FDateChanged ? QDateToDateTime(FCalendar->selectedDate()) : FLastDate;
}

void TDateTimePopup::SetDate(TDateTime value)
{
    FLastDate = value;
    const QDate date = DateTimeToQDate(value);
    if (date.isValid())
        FCalendar->setSelectedDate(date);
    FDateChanged = false;
}

void TDateTimePopup::CalendarPick(const QDate &date)
{
    if (!date.isValid())
        return;
    FCalendar->setSelectedDate(date);
    FDateChanged = true;
    SetModalResult(mrOk);
    CloseDropDown();
}

void TDateTimePopup::DoEscape()
{
    SetModalResult(mrCancel);
}
