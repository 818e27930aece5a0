// The main window's Cut, Copy and Paste: rows of the active table, or the text of the focused
// text field.

#include "window/FormMain.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "Language.h"
#include "chart/TimeChartView.h"
#include "exchange/RowClipboard.h"

void TMainForm::CreateClipboardActions(QMenu *edit)
{
    FRowClipboard = std::make_unique<TRowClipboard>(*FCore);
    MakeAction(ActionCut, "ActionCut", "Cut", &TMainForm::ActionCutExecute, QKeySequence::Cut);
    MakeAction(ActionCopy, "ActionCopy", "Copy", &TMainForm::ActionCopyExecute, QKeySequence::Copy);
    MakeAction(ActionPaste, "ActionPaste", "Paste", &TMainForm::ActionPasteExecute, QKeySequence::Paste);
    MakeAction(ActionPasteNode, "ActionPasteNode", "paste Task here", &TMainForm::ActionPasteNodeExecute);
    QAction *first = edit->actions().value(0);
    edit->insertActions(first, {ActionCut, ActionCopy, ActionPaste});
    edit->insertSeparator(first);
}

bool TMainForm::ControlIsEdit(const QWidget *control)
{
    return qobject_cast<const QLineEdit *>(control) || qobject_cast<const QComboBox *>(control)
           || qobject_cast<const QCheckBox *>(control) || qobject_cast<const QAbstractSpinBox *>(control)
           || qobject_cast<const QTextEdit *>(control) || qobject_cast<const QPlainTextEdit *>(control);
}

bool TMainForm::RouteEditCommand(const char *command)
{
    QWidget *focus = QApplication::focusWidget();
    if (!ControlIsEdit(focus))
        return false;
    QWidget *target = focus;
    if (auto *combo = qobject_cast<QComboBox *>(focus))
        target = combo->lineEdit();
    else if (auto *spin = qobject_cast<QAbstractSpinBox *>(focus))
        target = spin->findChild<QLineEdit *>();
    const QByteArray signature = QByteArray(command) + "()";
    if (target && target->metaObject()->indexOfMethod(signature.constData()) >= 0)
        QMetaObject::invokeMethod(target, command);
    return true;
}

void TMainForm::ActionCutExecute()
{
    if (!RouteEditCommand("cut"))
        FRowClipboard->ActionCutExecute();
}

void TMainForm::ActionCopyExecute()
{
    if (!RouteEditCommand("copy"))
        FRowClipboard->ActionCopyExecute();
}

void TMainForm::ActionPasteExecute()
{
    if (!RouteEditCommand("paste"))
        FRowClipboard->ActionPasteExecute();
}

void TMainForm::ActionPasteNodeExecute()
{
    const bool exact = FCore->GetMinUnit() == muMinute && FCore->GetActiveTable() == tbTable;
    FRowClipboard->ActionPasteExecute(TRowClipboard::PlaceAt(TimeChartView->Geometry(), TimeChartPopupPoint, exact));
}
