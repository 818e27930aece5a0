#include "treegrid/TreeGridEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>

#include "treegrid/CustomStringTreeGrid.h"
#include "treegrid/StringEditLink.h"

TTGEdit::TTGEdit(std::shared_ptr<TStringEditLink> link, bool multiline, QWidget *parent)
    : QPlainTextEdit(parent), FRefLink(std::move(link)), FMultiline(multiline)
{
    setTabChangesFocus(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (multiline) {
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    } else {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    document()->setDocumentMargin(1);
    connect(this, &QPlainTextEdit::textChanged, this, &TTGEdit::AutoAdjustSize);
}

void TTGEdit::Release()
{
    FRefLink.reset();
    deleteLater();
}

void TTGEdit::AutoAdjustSize()
{
    if (FMultiline || !FRefLink || FRefLink->Stopping())
        return;
    TCustomStringTreeGrid *tree = FRefLink->Tree();
    if (!tree || tree->TreeOptions().MiscOptions().contains(toGridExtensions))
        return;
    const int needed = fontMetrics().horizontalAdvance(toPlainText()) + 2 * frameWidth()
                       + 2 * int(document()->documentMargin()) + viewportMargins().left()
                       + viewportMargins().right() + fontMetrics().averageCharWidth() + 4;
    QRect r = geometry();
    if (needed <= r.width())
        return;
    const int width = std::min(needed, tree->ClientWidth());
    if (FRefLink->Alignment() == taRightJustify)
        r.setLeft(std::max(0, r.left() + r.width() - width));
    else
        r.setWidth(std::min(width, tree->ClientWidth() - r.left()));
    setGeometry(r);
}

void TTGEdit::SetTextMargin(int margin)
{
    document()->setDocumentMargin(0);
    setViewportMargins(margin, 0, margin, 0);
}

bool TTGEdit::event(QEvent *event)
{
    // The keys the edit acts on are its own, not the window's shortcuts.
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void TTGEdit::keyPressEvent(QKeyEvent *event)
{
    TCustomStringTreeGrid *tree = FRefLink ? FRefLink->Tree() : nullptr;
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        if (tree) {
            tree->CancelEditNode();
            // An edit the owner opened meanwhile keeps its editor focused.
            if (!tree->IsEditing())
                tree->setFocus();
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!FMultiline || event->modifiers().testFlag(Qt::ControlModifier)) {
            event->accept();
            if (tree) {
                tree->InvalidateNode(FRefLink->Node());
                tree->EndEditNode();
                if (!tree->IsEditing())
                    tree->setFocus();
            }
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!FMultiline) {
            QKeyEvent sideways(event->type(), event->key() == Qt::Key_Up ? Qt::Key_Left : Qt::Key_Right,
                               event->modifiers());
            QPlainTextEdit::keyPressEvent(&sideways);
            return;
        }
        break;
    default:
        break;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TTGEdit::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || !FRefLink || FRefLink->Stopping())
        return;
    TCustomStringTreeGrid *tree = FRefLink->Tree();
    if (!tree)
        return;
    if (tree->StringTreeOptions().StringOptions().contains(toAutoAcceptEditChange))
        tree->EndEditNode();
    else
        tree->CancelEditNode();
}
