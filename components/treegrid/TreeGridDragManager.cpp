#include "treegrid/TreeGridDragManager.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include "treegrid/BaseTreeGrid.h"

TTGDragManager::TTGDragManager(TBaseTreeGrid *owner) : FOwner(owner) {}

TTGDragContinue TTGDragManager::QueryContinueDrag(bool escapePressed, Qt::MouseButtons buttons)
{
    if (escapePressed || (buttons & (Qt::LeftButton | Qt::RightButton)) == (Qt::LeftButton | Qt::RightButton))
        return dcCancel;
    return buttons != Qt::NoButton ? dcContinue : dcDrop;
}

TBaseTreeGrid *TTGDragManager::DragSource() const
{
    return FDragSource;
}

const QMimeData *TTGDragManager::DataObject() const
{
    return FDataObject;
}

void TTGDragManager::Forget()
{
    FIsDropTarget = false;
    FDragSource = nullptr;
    FDataObject = nullptr;
}

void TTGDragManager::DragEnter(QDragEnterEvent *event)
{
    FIsDropTarget = true;
    FDataObject = event->mimeData();
    FDragSource = TBaseTreeGrid::GetTreeFromDataObject(event->mimeData());
    Qt::DropAction effect = Qt::IgnoreAction;
    if (FOwner
        && FOwner->DragEnter(ShiftStateFrom(event->modifiers(), event->buttons()), event->position().toPoint(),
                             event->possibleActions(), effect))
        event->setDropAction(effect);
    // Taken even when refused here: another row may take it.
    event->accept();
}

void TTGDragManager::DragOver(QDragMoveEvent *event)
{
    Qt::DropAction effect = Qt::IgnoreAction;
    if (FIsDropTarget && FOwner
        && FOwner->DragOver(FDragSource, ShiftStateFrom(event->modifiers(), event->buttons()),
                            TBaseTreeGrid::dsDragMove, event->position().toPoint(), event->possibleActions(),
                            effect)) {
        event->setDropAction(effect);
        event->accept();
    } else {
        event->ignore();
    }
}

void TTGDragManager::DragLeave()
{
    if (FIsDropTarget && FOwner)
        FOwner->DragLeave();
    Forget();
}

void TTGDragManager::Drop(QDropEvent *event)
{
    Qt::DropAction effect = Qt::IgnoreAction;
    const bool dropped = FIsDropTarget && FOwner
                         && FOwner->DragDrop(event->mimeData(), ShiftStateFrom(event->modifiers(), event->buttons()),
                                             event->position().toPoint(), event->possibleActions(), effect);
    Forget();
    if (dropped) {
        event->setDropAction(effect);
        event->accept();
    } else {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    }
}
