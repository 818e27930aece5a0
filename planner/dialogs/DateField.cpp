#include "dialogs/DateField.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyleOption>
#include <QVBoxLayout>

#include <algorithm>

#include "DateFormat.h"
#include "Language.h"

namespace {

// The field's background while it holds a refused text.
const QColor RefusedColor(255, 214, 214);
// The longest piece of a refused text the note repeats.
constexpr int NoteTextLength = 40;

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

// A place on the screen of `anchor` for a window of `size` below the rectangle, or above it
// when the screen ends first.
QPoint BelowOrAbove(const QWidget *anchor, const QSize &size)
{
    QPoint at = anchor->mapToGlobal(QPoint(0, anchor->height()));
    const QScreen *screen = anchor->screen();
    if (!screen)
        return at;
    const QRect area = screen->availableGeometry();
    if (at.y() + size.height() > area.bottom() + 1)
        at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - size.height());
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    return at;
}

} // namespace

TDateField::TDateField(QWidget *parent)
    : QLineEdit(parent)
    , FDate(DateTimeToQDate(Date()))
{
    FCalendarButton = addAction(ArrowIcon(this), QLineEdit::TrailingPosition);
    FCalendarButton->setObjectName(QStringLiteral("CalendarButton"));
    connect(FCalendarButton, &QAction::triggered, this, &TDateField::ShowCalendar);
    connect(this, &QLineEdit::editingFinished, this, &TDateField::Commit);
    // The user mends the text: the mark goes until it is read again.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (FRefused)
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
    if (!FRefused && typed == DateToStr(QDateToDateTime(FDate)))
        return true;
    TDateTime value = 0;
    if (TryStrToDate(typed, value)) {
        setDate(DateTimeToQDate(value));
        return true;
    }
    Mark(true);
    return false;
}

QLabel *TDateField::Note() const
{
    return FNote && FNote->isVisible() ? FNote.data() : nullptr;
}

void TDateField::ShowDate()
{
    // The user's format may have changed since the date was last shown.
    setText(DateToStr(QDateToDateTime(FDate)));
    setCursorPosition(0);
}

void TDateField::Mark(bool refused)
{
    const bool was = FRefused;
    FRefused = refused;
    if (refused) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Base, RefusedColor);
        setPalette(palette);
        ShowNote();
    } else if (was) {
        setPalette(QPalette());
        setToolTip(QString());
        if (FNote)
            FNote->hide();
    }
}

void TDateField::ShowNote()
{
    QString typed = text().trimmed();
    if (typed.size() > NoteTextLength)
        typed = typed.left(NoteTextLength) + QStringLiteral("...");
    const QString note = typed.isEmpty() ? Translate(QStringLiteral("Please enter a date."))
                                         : Translate(QStringLiteral("\"%s\" is not a date."), {typed});
    setToolTip(note);
    if (!isVisible())
        return;
    if (!FNote) {
        // A window of its own, so that no layout has to make room for it; it takes no focus.
        FNote = new QLabel(this, Qt::ToolTip);
        FNote->setObjectName(QStringLiteral("DateRefusal"));
        FNote->setProperty("noTranslate", true);
        FNote->setForegroundRole(QPalette::ToolTipText);
        FNote->setBackgroundRole(QPalette::ToolTipBase);
        FNote->setAutoFillBackground(true);
        FNote->setFrameShape(QFrame::Box);
        FNote->setMargin(2);
    }
    FNote->setText(note);
    FNote->adjustSize();
    FNote->move(BelowOrAbove(this, FNote->size()));
    FNote->show();
    if (FWatchedWindow != window()) {
        if (FWatchedWindow)
            FWatchedWindow->removeEventFilter(this);
        FWatchedWindow = window();
        FWatchedWindow->installEventFilter(this);
    }
}

void TDateField::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    // The note is no window of the other programs the user turns to.
    if (event->type() == QEvent::ActivationChange && FRefused) {
        if (QApplication::activeWindow())
            ShowNote();
        else if (FNote)
            FNote->hide();
    }
}

bool TDateField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FWatchedWindow && FNote && FNote->isVisible()
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        FNote->move(BelowOrAbove(this, FNote->size()));
    return QLineEdit::eventFilter(watched, event);
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
    if (!FRefused)
        ShowDate();
}

void TDateField::hideEvent(QHideEvent *event)
{
    // A dialog closed over a refused text shows its date when it comes back.
    if (FRefused && !event->spontaneous()) {
        Mark(false);
        ShowDate();
    }
    if (FNote)
        FNote->hide();
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
