#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <memory>

#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"

namespace {

// A string tree whose drag, instead of the platform's drag loop, carries the data to a given
// tree through the window events a real drag sends, and returns what that tree answered.
class TDragTree : public TStringTreeGrid
{
public:
    using TBaseTreeGrid::DoDragging;
    QPointer<TBaseTreeGrid> Target;
    QPoint DropAt;
    Qt::KeyboardModifiers Keys;
    int Enters = 0;

protected:
    Qt::DropAction DragAndDrop(Qt::DropActions allowed, QMimeData *data, QPoint) override
    {
        std::unique_ptr<QMimeData> owned(data);
        if (!Target)
            return Qt::IgnoreAction;
        QWidget *port = Target->viewport();
        QDragEnterEvent enter(QPoint(1, 1), allowed, data, Qt::LeftButton, Keys);
        QCoreApplication::sendEvent(port, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        ++Enters;
        QDragMoveEvent move(DropAt, allowed, data, Qt::LeftButton, Keys);
        QCoreApplication::sendEvent(port, &move);
        QDropEvent drop(DropAt, allowed, data, Qt::LeftButton, Keys);
        QCoreApplication::sendEvent(port, &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }
};

TTGNodeAttachMode AttachModeFor(TTGDropMode mode)
{
    switch (mode) {
    case dmAbove:
        return amInsertBefore;
    case dmBelow:
        return amInsertAfter;
    default:
        return amAddChildLast;
    }
}

// A shown tree of texts that takes drops the way an application does: the nodes go where the
// drop mark shows, moved when the drag is a move within this process.
std::unique_ptr<TDragTree> MakeTree()
{
    // The exchanged data carries the texts; a receiving tree takes them as new texts.
    auto tree = treegridtest::ShowTextTree<TDragTree>(2, 150);
    tree->OnDragOver = [](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState, QPoint,
                          TTGDropMode, Qt::DropAction &, bool &accept) { accept = true; };
    tree->OnDragDrop = [](TBaseTreeGrid *sender, TBaseTreeGrid *source, const QMimeData *data, const QStringList &,
                          TTGShiftState, QPoint, Qt::DropAction &effect, TTGDropMode mode) {
        const bool optimized = source && effect == Qt::MoveAction;
        if (!sender->ProcessOLEData(source, data, sender->DropTargetNode(), AttachModeFor(mode), optimized))
            effect = Qt::IgnoreAction;
    };
    return tree;
}

using treegridtest::AddText;
using treegridtest::Shape;

// The middle of the node's text: a drop there goes onto the node.
QPoint OnLabel(TBaseTreeGrid &tree, PGridNode node)
{
    return tree.GetDisplayRect(node, 0, true).center();
}

// Beside the text in the second column, near the top or the bottom of the row.
QPoint BesideRow(TBaseTreeGrid &tree, PGridNode node, bool upper)
{
    const QRect row = tree.GetDisplayRect(node, 1, false);
    return QPoint(row.center().x(), upper ? row.top() + 2 : row.bottom() - 2);
}

} // namespace

TEST(TreeGridDragDropTest, AMoveWithinATreeMovesTheNodesOnceAndKeepsThem)
{
    auto tree = MakeTree();
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("a"));
    AddText(*tree, nullptr, QStringLiteral("b"));
    PGridNode c = AddText(*tree, nullptr, QStringLiteral("c"));
    tree->SetSelected(a, true);
    tree->Target = tree.get();
    tree->DropAt = OnLabel(*tree, c);
    tree->DoDragging(OnLabel(*tree, a));
    // Moved under c: not copied, and not deleted afterwards as if it had gone to another tree.
    EXPECT_EQ(Shape(*tree), QStringLiteral("b,c(a)"));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));
    EXPECT_FALSE(tree->Dragging());
    EXPECT_TRUE(tree->DragSelection().empty());
    EXPECT_EQ(tree->DropTargetNode(), nullptr);

    // Below a row: the node lands after it as a sibling.
    tree->ClearSelection();
    PGridNode b = tree->GetFirst();
    tree->SetSelected(b, true);
    tree->DropAt = BesideRow(*tree, c, false);
    tree->DoDragging(OnLabel(*tree, b));
    EXPECT_EQ(Shape(*tree), QStringLiteral("c(a),b"));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));
}

TEST(TreeGridDragDropTest, BetweenTreesACopyKeepsTheSourceAndAShiftMoveTakesTheNodes)
{
    auto source = MakeTree();
    auto target = MakeTree();
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    AddText(*source, a, QStringLiteral("a1"));
    PGridNode b = AddText(*source, nullptr, QStringLiteral("b"));
    PGridNode x = AddText(*target, nullptr, QStringLiteral("x"));
    source->Target = target.get();

    // From elsewhere a drop copies, with the children.
    source->SetSelected(a, true);
    source->DropAt = BesideRow(*target, x, true);
    source->DoDragging(OnLabel(*source, a));
    EXPECT_EQ(Shape(*target), QStringLiteral("a(a1),x"));
    EXPECT_EQ(Shape(*source), QStringLiteral("a(a1),b"));

    // Shift asks for a move: the receiver takes the very nodes, and the source deletes nothing
    // it no longer holds.
    source->ClearSelection();
    source->SetSelected(b, true);
    source->Keys = Qt::ShiftModifier;
    source->DropAt = OnLabel(*target, x);
    source->DoDragging(OnLabel(*source, b));
    EXPECT_EQ(Shape(*target), QStringLiteral("a(a1),x(b)"));
    EXPECT_EQ(Shape(*source), QStringLiteral("a(a1)"));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*source));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*target));

    // A tree that allows copies only never moves, whatever the keys.
    source->SetDragOperations({doCopy});
    source->ClearSelection();
    source->SetSelected(source->GetFirst(), true);
    source->DropAt = OnLabel(*target, x);
    source->DoDragging(OnLabel(*source, source->GetFirst()));
    EXPECT_EQ(Shape(*source), QStringLiteral("a(a1)"));
    EXPECT_EQ(Shape(*target), QStringLiteral("a(a1),x(b,a(a1))"));
}

TEST(TreeGridDragDropTest, RefusedDropsAndForgedReferencesChangeNothing)
{
    auto source = MakeTree();
    auto target = MakeTree();
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    PGridNode x = AddText(*target, nullptr, QStringLiteral("x"));
    source->Target = target.get();
    source->SetSelected(a, true);
    source->Keys = Qt::ShiftModifier;

    // The target's event refuses: nothing arrives and the source keeps its node.
    QStringList leaves;
    target->OnDragOver = [&leaves](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState,
                                   TBaseTreeGrid::TTGDragState state, QPoint, TTGDropMode, Qt::DropAction &,
                                   bool &accept) {
        accept = false;
        if (state == TBaseTreeGrid::dsDragLeave)
            leaves << QStringLiteral("leave");
    };
    source->DropAt = OnLabel(*target, x);
    source->DoDragging(OnLabel(*source, a));
    EXPECT_EQ(source->Enters, 1);
    EXPECT_EQ(Shape(*target), QStringLiteral("x"));
    EXPECT_EQ(Shape(*source), QStringLiteral("a"));
    EXPECT_EQ(target->DropTargetNode(), nullptr);

    // A tree with no drop handler lets the drag pass to the window behind it.
    target->OnDragOver = nullptr;
    source->DoDragging(OnLabel(*source, a));
    EXPECT_EQ(source->Enters, 1);
    EXPECT_EQ(Shape(*source), QStringLiteral("a"));

    // Data whose reference names no live tree: the nodes are copied from the data, never moved.
    auto fresh = MakeTree();
    AddText(*fresh, nullptr, QStringLiteral("y"));
    TBaseTreeGrid *seenSource = fresh.get();
    fresh->OnDragOver = [&seenSource](TBaseTreeGrid *, TBaseTreeGrid *from, TTGShiftState,
                                      TBaseTreeGrid::TTGDragState, QPoint, TTGDropMode, Qt::DropAction &,
                                      bool &accept) {
        seenSource = from;
        accept = true;
    };
    source->SetClipboardFormats({QStringLiteral("Tree Grid Data")});
    // The clipboard path renders the marked nodes into the same data a drag carries.
    source->SetSelected(a, true);
    source->CopyToClipBoard();
    std::unique_ptr<QMimeData> data(source->CreateMimeData(true));
    source->CancelCutOrCopy();
    QByteArray forged = data->data(QStringLiteral("application/x-velmora-tree-grid-reference"));
    ASSERT_EQ(forged.size(), 12);
    forged[11] = char(forged[11] ^ 0x20);
    data->setData(QStringLiteral("application/x-velmora-tree-grid-reference"), forged);
    const QPoint at = OnLabel(*fresh, fresh->GetFirst());
    QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(fresh->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    EXPECT_EQ(seenSource, nullptr);
    QDropEvent drop(at, Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(fresh->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(Shape(*fresh), QStringLiteral("y(a)"));
    EXPECT_EQ(Shape(*source), QStringLiteral("a"));
}

TEST(TreeGridDragDropTest, DropMarksEffectsAndAutoExpandFollowThePointer)
{
    auto tree = MakeTree();
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("a"));
    PGridNode b = AddText(*tree, nullptr, QStringLiteral("b"));
    AddText(*tree, b, QStringLiteral("b1"));
    tree->SetAutoExpandDelay(5);
    std::unique_ptr<QMimeData> data(tree->CreateMimeData(false));
    TTGDropMode seenMode = dmNowhere;
    tree->OnDragOver = [&seenMode](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState,
                                   QPoint, TTGDropMode mode, Qt::DropAction &, bool &accept) {
        seenMode = mode;
        accept = true;
    };
    QWidget *port = tree->viewport();
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(QPoint(1, 1), all, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(port, &enter);
    ASSERT_TRUE(enter.isAccepted());

    const auto moveTo = [&](QPoint p, Qt::KeyboardModifiers keys, Qt::DropActions allowed) {
        QDragMoveEvent move(p, allowed, data.get(), Qt::LeftButton, keys);
        QCoreApplication::sendEvent(port, &move);
        return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    };
    // Its own data moves; Ctrl copies, Alt links, Ctrl+Shift links only when linking is allowed.
    EXPECT_EQ(moveTo(BesideRow(*tree, a, true), {}, all), Qt::MoveAction);
    EXPECT_EQ(seenMode, dmAbove);
    EXPECT_EQ(tree->DropTargetNode(), a);
    EXPECT_EQ(moveTo(BesideRow(*tree, a, false), Qt::ControlModifier, all), Qt::CopyAction);
    EXPECT_EQ(seenMode, dmBelow);
    EXPECT_EQ(moveTo(OnLabel(*tree, a), Qt::AltModifier, all), Qt::LinkAction);
    EXPECT_EQ(seenMode, dmOnNode);
    EXPECT_EQ(moveTo(OnLabel(*tree, a), Qt::ControlModifier | Qt::ShiftModifier, Qt::CopyAction | Qt::MoveAction),
              Qt::MoveAction);
    EXPECT_EQ(tree->SuggestDropEffect(nullptr, {}, QPoint(), Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);

    // Below the last row there is no node to drop on.
    EXPECT_EQ(moveTo(QPoint(50, 190), {}, all), Qt::MoveAction);
    EXPECT_EQ(seenMode, dmNowhere);
    EXPECT_EQ(tree->DropTargetNode(), nullptr);

    // Resting on a collapsed parent opens it.
    EXPECT_FALSE(tree->Expanded(b));
    moveTo(OnLabel(*tree, b), {}, all);
    EXPECT_EQ(tree->DropTargetNode(), b);
    QTRY_VERIFY_WITH_TIMEOUT(tree->Expanded(b), 2000);

    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(port, &leave);
    EXPECT_EQ(tree->DropTargetNode(), nullptr);
}

TEST(TreeGridDragDropTest, TheDragImageIsAnOpaquePictureOfTheSelectedRowsBesideThePointer)
{
    auto tree = MakeTree();
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("a"));
    PGridNode b = AddText(*tree, nullptr, QStringLiteral("b"));
    PGridNode c = AddText(*tree, nullptr, QStringLiteral("c"));
    AddText(*tree, nullptr, QStringLiteral("d"));
    tree->SetSelected(a, true);
    tree->SetSelected(c, true);
    const int rowHeight = int(tree->NodeHeight(a));
    QPoint hotSpot;
    const QPixmap image = tree->DragImage(QPoint(20, 5), hotSpot);
    // The rows from the first selected one to the last, framed; nothing of the rows after.
    EXPECT_EQ(image.height(), 3 * rowHeight + 2);
    // As wide as the part of the rows within half the drag width around the pointer.
    EXPECT_EQ(image.width(), std::min(tree->ClientWidth(), 20 + int(tree->DragWidth()) / 2) + 2);
    // Opaque, and beside the pointer: the rows the pointer is on stay in sight.
    EXPECT_FALSE(image.hasAlphaChannel());
    EXPECT_EQ(hotSpot, -TBaseTreeGrid::DragPictureOffset);
    EXPECT_LT(hotSpot.x(), 0);
    EXPECT_LT(hotSpot.y(), 0);
    // The selected rows show selected, the one between them does not.
    const QImage picture = image.toImage();
    const QColor selected = tree->palette().color(QPalette::Highlight);
    auto rowShowsSelected = [&](int row) {
        const int y = 1 + row * rowHeight + rowHeight / 2;
        for (int x = 1; x < picture.width() - 1; ++x)
            if (picture.pixelColor(x, y) == selected)
                return true;
        return false;
    };
    EXPECT_TRUE(rowShowsSelected(0));
    EXPECT_FALSE(rowShowsSelected(1));
    EXPECT_TRUE(rowShowsSelected(2));
    EXPECT_EQ(tree->GetNodeAt(5, 2 * rowHeight + rowHeight / 2), c);
    EXPECT_FALSE(tree->Selected(b));

    // Nothing selected in reach, or no image wanted: no picture.
    tree->ClearSelection();
    EXPECT_TRUE(tree->DragImage(QPoint(20, 5), hotSpot).isNull());
    tree->SetSelected(a, true);
    tree->SetDragImageKind(diNoImage);
    EXPECT_TRUE(tree->DragImage(QPoint(20, 5), hotSpot).isNull());
}

namespace {

// A window that takes dropped data, like a main window taking dropped files.
class TDropWindow : public QWidget
{
public:
    int Entered = 0;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        ++Entered;
        event->acceptProposedAction();
    }
};

} // namespace

TEST(TreeGridDragDropTest, ATreeWithoutADropHandlerLeavesDropsToItsWindow)
{
    TDropWindow window;
    window.setAcceptDrops(true);
    window.resize(300, 200);
    auto *tree = TBaseTreeGrid::Create<TStringTreeGrid>();
    tree->setParent(&window);
    tree->setGeometry(0, 0, 300, 200);
    window.show();
    QApplication::processEvents();
    ASSERT_TRUE(tree->viewport()->acceptDrops());

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/plan.vel"))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(tree->viewport(), &enter);
    EXPECT_EQ(window.Entered, 1);
    EXPECT_TRUE(enter.isAccepted());
}
