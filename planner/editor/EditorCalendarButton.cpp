#include "editor/EditorCalendarButton.h"

#include <QMouseEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>

TEditorCalendarButton::TEditorCalendarButton(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus); // not a tab stop
    setAttribute(Qt::WA_Hover);
}

void TEditorCalendarButton::SetPressed(bool value)
{
    if (FPressed == value)
        return;
    FPressed = value;
    update();
}

void TEditorCalendarButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    option.initFrom(this);
    // The keyboard is its field's (its focus proxy), which shows the focus itself.
    option.state &= ~QStyle::State_HasFocus;
    option.editable = false;
    option.frame = true;
    option.subControls = QStyle::SC_ComboBoxArrow;
    if (FPressed || FMouseDown) {
        option.activeSubControls = QStyle::SC_ComboBoxArrow;
        option.state |= QStyle::State_Sunken | QStyle::State_On;
    } else if (FHot) {
        option.activeSubControls = QStyle::SC_ComboBoxArrow;
        option.state |= QStyle::State_MouseOver;
    }
    // The arrow part of a combo box, stretched over the whole button.
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
}

void TEditorCalendarButton::enterEvent(QEnterEvent *)
{
    FHot = true;
    update();
}

void TEditorCalendarButton::leaveEvent(QEvent *)
{
    FHot = false;
    update();
}

void TEditorCalendarButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    FMouseDown = true;
    update();
}

void TEditorCalendarButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !FMouseDown)
        return;
    FMouseDown = false;
    update();
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}
