#pragma once

#include <QDate>
#include <QLineEdit>
#include <QPointer>

class QCalendarWidget;
class QFrame;
class QLabel;
class TRefusalMark;

// A dialog's date: typed in the forms the editor's date fields read (digits with dots,
// slashes or dashes, month names, two-digit years, ISO), stepped a day with Up and Down, or
// picked from a calendar (the button in the field, Alt+Down or F4). It shows the date in the
// user's short date format. What is typed is read when the field is left or Enter is pressed;
// a text that names no date is refused where the user sees it: the text stays, marked, a note
// under the field says why, and the date stays what it was.
class TDateField : public QLineEdit
{
    Q_OBJECT

public:
    explicit TDateField(QWidget *parent = nullptr);

    QDate date() const { return FDate; }
    // Shows the date (kept within the days a date may have) and ends a refusal.
    void setDate(QDate date);
    // No calendar, no typing, no focus: a date only shown.
    void setReadOnly(bool readOnly);

    // Reads what was typed. True when the field holds a date (it then shows it in the format);
    // false, with the text marked, when the text names none.
    bool Commit();
    // A text that named no date stands in the field.
    bool Refused() const;
    // The note under a refused field, while it shows.
    QLabel *Note() const;

    // The calendar, while it is open.
    QCalendarWidget *Calendar() const;
    void ShowCalendar();

    // The days a date may have: those of the chart.
    static QDate FirstDate() { return QDate(1, 1, 1); }
    static QDate LastDate() { return QDate(9999, 12, 31); }

signals:
    // A new date, typed, stepped, picked or set.
    void dateChanged(QDate date);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void ShowDate();
    void Mark(bool refused);
    void CalendarPicked(QDate date);

    QDate FDate;
    TRefusalMark *FMark = nullptr;
    QAction *FCalendarButton = nullptr;
    QPointer<QFrame> FPopup;
    QPointer<QCalendarWidget> FCalendar;
};

// Reads every date field of a dialog that the user can reach. False when one refuses its text:
// that field takes the focus with its text selected, so that the dialog can stay open.
bool CommitDateFields(QWidget *dialog);
