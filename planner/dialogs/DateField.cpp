#include "dialogs/DateField.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

#include <algorithm>

#include "DateFormat.h"
#include "dialogs/RefusalMark.h"

namespace {

QIcon ArrowIcon(const QWidget *field)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOption option;
    option.initFrom(field);
    option.rect = pixmap.rect();
    field->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, field);
    return QIcon(pixmap);
}

} // namespace

TDateField::TDateField(QWidget *parent)
    : QLineEdit(parent)
    , FDate(DateTimeToQDate(Date()))
{
    FMark = new TRefusalMark(this);
    FCalendarButton = addAction(ArrowIcon(this), QLineEdit::TrailingPosition);
    FCalendarButton->setObjectName(QStringLiteral("CalendarButton"));
    connect(FCalendarButton, &QAction::triggered, this, &TDateField::ShowCalendar);
    connect(this, &QLineEdit::editingFinished, this, &TDateField::Commit);
    // The user mends the text: the mark goes until it is read again.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (Refused())
            Mark(false);
    });
    ShowDate();
}

void TDateField::setDate(QDate date)
{
    if (!date.isValid())
        return;
    date = std::clamp(date, FirstDate(), LastDate());
    const bool changed = date != FDate;
    FDate = date;
    Mark(false);
    ShowDate();
    if (changed)
        emit dateChanged(FDate);
}

void TDateField::setReadOnly(bool readOnly)
{
    QLineEdit::setReadOnly(readOnly);
    FCalendarButton->setVisible(!readOnly);
    setFocusPolicy(readOnly ? Qt::NoFocus : Qt::StrongFocus);
}

bool TDateField::Commit()
{
    if (isReadOnly())
        return true;
    const QString typed = text().trimmed();
    if (!Refused() && typed == DateToStr(QDateToDateTime(FDate)))
        return true;
    TDateTime value = 0;
    if (TryStrToDate(typed, value)) {
        setDate(DateTimeToQDate(value));
        return true;
    }
    Mark(true);
    return false;
}

bool TDateField::Refused() const
{
    return FMark->Shown();
}

QLabel *TDateField::Note() const
{
    return FMark->Note();
}

void TDateField::ShowDate()
{
    // The user's format may have changed since the date was last shown.
    setText(DateToStr(QDateToDateTime(FDate)));
    setCursorPosition(0);
}

void TDateField::Mark(bool refused)
{
    if (refused)
        FMark->Show(TRefusalMark::NoDate(text()));
    else
        FMark->Clear();
}

void TDateField::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (!isReadOnly() && ((key == Qt::Key_Down && modifiers == Qt::AltModifier) || (key == Qt::Key_F4 && !modifiers))) {
        ShowCalendar();
        return;
    }
    if (!isReadOnly() && (key == Qt::Key_Up || key == Qt::Key_Down) && !modifiers) {
        // A step goes from the date typed, never from a text that names none.
        if (Commit())
            setDate(FDate.addDays(key == Qt::Key_Up ? 1 : -1));
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDateField::showEvent(QShowEvent *event)
{
    QLineEdit::showEvent(event);
    if (!Refused())
        ShowDate();
}

void TDateField::hideEvent(QHideEvent *event)
{
    // A dialog closed over a refused text shows its date when it comes back.
    if (Refused() && !event->spontaneous()) {
        Mark(false);
        ShowDate();
    }
    if (FPopup)
        FPopup->hide();
    QLineEdit::hideEvent(event);
}

QCalendarWidget *TDateField::Calendar() const
{
    return FPopup && FPopup->isVisible() ? FCalendar.data() : nullptr;
}

void TDateField::ShowCalendar()
{
    if (isReadOnly() || !isEnabled())
        return;
    // The calendar opens at the date typed, when there is one.
    Commit();
    if (!FPopup) {
        // A child pop-up: a drop-down window holding the field counts the calendar as its own.
        FPopup = new QFrame(this, Qt::Popup);
        FPopup->setObjectName(QStringLiteral("CalendarPopup"));
        FPopup->setFrameShape(QFrame::StyledPanel);
        FCalendar = new QCalendarWidget(FPopup);
        FCalendar->setObjectName(QStringLiteral("Calendar"));
        FCalendar->setDateRange(FirstDate(), LastDate());
        auto *layout = new QVBoxLayout(FPopup);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(FCalendar);
        connect(FCalendar, &QCalendarWidget::clicked, this, &TDateField::CalendarPicked);
        connect(FCalendar, &QCalendarWidget::activated, this, &TDateField::CalendarPicked);
    }
    FCalendar->setSelectedDate(FDate);
    FPopup->adjustSize();
    FPopup->move(BelowOrAbove(this, FPopup->size()));
    FPopup->show();
    FCalendar->setFocus(Qt::PopupFocusReason);
}

void TDateField::CalendarPicked(QDate date)
{
    if (FPopup)
        FPopup->hide();
    setDate(date);
    setFocus(Qt::PopupFocusReason);
}

bool CommitDateFields(QWidget *dialog)
{
    for (TDateField *field : dialog->findChildren<TDateField *>()) {
        if (!field->isEnabled() || !field->isVisibleTo(dialog) || field->isReadOnly())
            continue;
        if (!field->Commit()) {
            field->setFocus(Qt::OtherFocusReason);
            field->selectAll();
            return false;
        }
    }
    return true;
}
