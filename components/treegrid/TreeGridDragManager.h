#pragma once

#include <QPointer>
#include <Qt>

#include <cstdint>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class TBaseTreeGrid;

// What the drag source answers while a drag runs.
enum TTGDragContinue : std::uint8_t { dcContinue, dcDrop, dcCancel };

// The drop target's side of a tree: the window's drag events reach the tree through it. An
// owner may bring its own (OnCreateDragManager); the tree makes a TTGDragManager otherwise.
class ITGDragManager
{
public:
    virtual ~ITGDragManager() = default;
    virtual void DragEnter(QDragEnterEvent *event) = 0;
    virtual void DragOver(QDragMoveEvent *event) = 0;
    virtual void DragLeave() = 0;
    virtual void Drop(QDropEvent *event) = 0;
    // The tree of this process the running drag comes from, else nil.
    virtual TBaseTreeGrid *DragSource() const = 0;
    // The data of the drag over the tree, nil outside one.
    virtual const QMimeData *DataObject() const = 0;
    virtual bool IsDropTarget() const = 0;
};

// Passes the drag events on to its tree's DragEnter, DragOver, DragDrop and DragLeave and keeps
// what a drag over the tree needs between them.
class TTGDragManager : public ITGDragManager
{
public:
    explicit TTGDragManager(TBaseTreeGrid *owner);

    void DragEnter(QDragEnterEvent *event) override;
    void DragOver(QDragMoveEvent *event) override;
    void DragLeave() override;
    void Drop(QDropEvent *event) override;
    TBaseTreeGrid *DragSource() const override;
    const QMimeData *DataObject() const override;
    bool IsDropTarget() const override { return FIsDropTarget; }

    // The drop source's rule: Escape, or the left and right buttons down together, cancel; with
    // a button still down the drag goes on; with none it drops.
    static TTGDragContinue QueryContinueDrag(bool escapePressed, Qt::MouseButtons buttons);

private:
    void Forget();

    QPointer<TBaseTreeGrid> FOwner;
    QPointer<TBaseTreeGrid> FDragSource;
    QPointer<const QMimeData> FDataObject;
    bool FIsDropTarget = false;
};
