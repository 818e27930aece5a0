// Nodes that travel by cut and paste or by dragging are never lost and never freed twice, and no
// exchange nests a tree deeper than its own stream can be read back.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QEventLoop>
#include <QMimeData>
#include <QTimer>

#include <memory>

#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridNodeStream.h"

using treegridtest::AddText;
using treegridtest::Shape;
using treegridtest::ShowTextTree;

namespace {

// A string tree whose drag loop, instead of the platform's, runs the event loop for a moment (so
// that timers fire, as they do during a real drag) and then drops on the target tree through
// the window events a real drop sends.
class TLoopDragTree : public TStringTreeGrid
{
public:
    QPointer<TBaseTreeGrid> Target;
    QPoint DropAt;
    std::function<void()> DuringLoop;

protected:
    Qt::DropAction DragAndDrop(Qt::DropActions allowed, QMimeData *data, QPoint) override
    {
        std::unique_ptr<QMimeData> owned(data);
        if (DuringLoop)
            QTimer::singleShot(0, this, DuringLoop);
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
        if (!Target)
            return Qt::IgnoreAction;
        treegridtest::SendDrag(*Target, QEvent::DragEnter, DropAt, data, allowed, Qt::ShiftModifier);
        return treegridtest::SendDrag(*Target, QEvent::Drop, DropAt, data, allowed, Qt::ShiftModifier);
    }
};

// A receiver that takes every drop onto the node under it: moved when asked to, else copied.
void TakeDrops(TBaseTreeGrid &tree, bool optimized)
{
    tree.OnDragOver = [](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState, QPoint,
                         TTGDropMode, Qt::DropAction &effect, bool &accept) {
        effect = Qt::MoveAction;
        accept = true;
    };
    tree.OnDragDrop = [optimized](TBaseTreeGrid *sender, TBaseTreeGrid *source, const QMimeData *data,
                                  const QStringList &, TTGShiftState, QPoint, Qt::DropAction &effect, TTGDropMode) {
        if (!sender->ProcessOLEData(source, data, nullptr, amAddChildLast, optimized && source))
            effect = Qt::IgnoreAction;
    };
}

void Select(TBaseTreeGrid &tree, std::initializer_list<PGridNode> nodes)
{
    tree.ClearSelection();
    for (PGridNode node : nodes)
        tree.SetSelected(node, true);
}

// A chain of nested nodes "0", "1", ... below parent; returns the deepest.
PGridNode Chain(TBaseTreeGrid &tree, PGridNode parent, int count)
{
    tree.BeginUpdate();
    for (int i = 0; i < count; ++i)
        parent = AddText(tree, parent, QString::number(i));
    tree.EndUpdate();
    return parent;
}

} // namespace

TEST(TreeGridExchangeSafetyTest, CutNodesStayUnlessTheyArriveElsewhere)
{
    auto source = ShowTextTree();
    auto target = ShowTextTree();
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    PGridNode b = AddText(*source, nullptr, QStringLiteral("b"));
    PGridNode c = AddText(*source, nullptr, QStringLiteral("c"));

    // A paste that inserts nowhere takes nothing: the cut nodes stay, unmarked.
    Select(*source, {a, b});
    source->CutToClipBoard();
    target->SetDefaultPasteMode(amNoWhere);
    target->PasteFromClipboard();
    EXPECT_EQ(Shape(*target), QString());
    EXPECT_EQ(Shape(*source), QStringLiteral("a,b,c"));
    EXPECT_FALSE(source->TreeStates().intersects({tsCutPending, tsCopyPending}));
    EXPECT_FALSE(a->States.contains(vsCutOrCopy));

    // The receiver refuses one of them: only the other leaves the source.
    target->SetDefaultPasteMode(amAddChildLast);
    target->OnNodeCopying = [](TBaseTreeGrid *sender, PGridNode node, PGridNode, bool &allowed) {
        allowed = *sender->GetNodeData<QString>(node) != QStringLiteral("a");
    };
    Select(*source, {a, b});
    source->CutToClipBoard();
    EXPECT_TRUE(target->PasteFromClipboard());
    EXPECT_EQ(Shape(*target), QStringLiteral("b"));
    EXPECT_EQ(Shape(*source), QStringLiteral("a,c"));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*source));
    target->OnNodeCopying = nullptr;

    // Damaged data inserts nothing and the cut node stays.
    Select(*source, {a});
    source->CutToClipBoard();
    auto *onClipboard = const_cast<QMimeData *>(QGuiApplication::clipboard()->mimeData());
    ASSERT_NE(onClipboard, nullptr);
    onClipboard->setData(TBaseTreeGrid::MimeTypeOf(QStringLiteral("Tree Grid Data")),
                         QByteArray("\x01\0\0\0\x7f\0\0\0", 8));
    EXPECT_FALSE(target->PasteFromClipboard());
    EXPECT_EQ(Shape(*target), QStringLiteral("b"));
    EXPECT_EQ(Shape(*source), QStringLiteral("a,c"));

    // A cut node the source deletes before the paste: the data, rendered when the paste asks,
    // holds the other alone, which moves; nothing is freed twice.
    Select(*source, {a, c});
    source->CutToClipBoard();
    source->DeleteNode(a);
    EXPECT_TRUE(target->PasteFromClipboard());
    EXPECT_EQ(Shape(*target), QStringLiteral("b,c"));
    EXPECT_EQ(Shape(*source), QString());
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*source));
}

TEST(TreeGridExchangeSafetyTest, NodesDeletedDuringTheDragLoopLeaveTheDragSelection)
{
    for (const bool optimized : {false, true}) {
        auto source = ShowTextTree<TLoopDragTree>();
        auto target = ShowTextTree();
        TakeDrops(*target, optimized);
        PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
        PGridNode b = AddText(*source, nullptr, QStringLiteral("b"));
        AddText(*source, nullptr, QStringLiteral("c"));
        source->SetDragMode(dmAutomatic);
        source->Target = target.get();
        source->DropAt = QPoint(300, 150);
        // A timer of the owner deletes one of the dragged nodes while the drag runs.
        source->DuringLoop = [&] { source->DeleteNode(b); };

        // The user drags a and b away with the mouse.
        Select(*source, {a, b});
        source->SetFocusedNode(a);
        treegridtest::DragWithTheMouse(*source, a);

        // Copied or moved: only what was still there when the drop asked for the nodes.
        EXPECT_EQ(Shape(*target), QStringLiteral("a")) << optimized;
        EXPECT_EQ(Shape(*source), QStringLiteral("c")) << optimized;
        EXPECT_TRUE(source->DragSelection().empty());
        EXPECT_FALSE(source->Dragging());
        EXPECT_TRUE(treegridtest::TreeIsConsistent(*source));
        EXPECT_TRUE(treegridtest::TreeIsConsistent(*target));
    }
}

TEST(TreeGridExchangeSafetyTest, NestingStaysWithinWhatAStreamCanHold)
{
    auto tree = ShowTextTree();
    auto other = ShowTextTree();
    // Focusing a node deep down needs no scrolling here (expanding 2000 parents one by one is slow).
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() + toDisableAutoscrollOnFocus);
    // The deepest node a stream can hold sits at level MaxDepth below a top-level node.
    PGridNode top = AddText(*tree, nullptr, QStringLiteral("top"));
    PGridNode deepest = Chain(*tree, top, nodestream::MaxDepth);
    ASSERT_EQ(tree->GetNodeLevel(deepest), std::uint32_t(nodestream::MaxDepth));
    PGridNode aboveDeepest = deepest->Parent;

    // A cut node pasted below the deepest one would be a level too deep: refused, and kept.
    PGridNode x = AddText(*other, nullptr, QStringLiteral("x"));
    Select(*other, {x});
    other->CutToClipBoard();
    tree->SetFocusedNode(deepest);
    EXPECT_FALSE(tree->PasteFromClipboard());
    EXPECT_EQ(deepest->ChildCount, 0u);
    EXPECT_EQ(Shape(*other), QStringLiteral("x"));

    // One level up it fits.
    other->CutToClipBoard();
    tree->SetFocusedNode(aboveDeepest);
    EXPECT_TRUE(tree->PasteFromClipboard());
    EXPECT_EQ(aboveDeepest->ChildCount, 2u);
    EXPECT_EQ(Shape(*other), QString());

    // Within the tree: a node with a child cannot go where its child would be too deep.
    PGridNode parent = AddText(*tree, nullptr, QStringLiteral("p"));
    AddText(*tree, parent, QStringLiteral("q"));
    EXPECT_THROW(tree->MoveTo(parent, aboveDeepest, amAddChildLast), ETreeGridError);
    EXPECT_EQ(parent->Parent, tree->RootNode());
    // A drop moving it there is refused the same way, without an error.
    Select(*tree, {parent});
    tree->CutToClipBoard();
    tree->SetFocusedNode(aboveDeepest);
    tree->PasteFromClipboard();
    EXPECT_EQ(parent->Parent, tree->RootNode());
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));

    // What the tree holds it can save and read back.
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    tree->SaveToStream(buffer);
    buffer.seek(0);
    other->LoadFromStream(buffer);
    EXPECT_EQ(other->TotalCount(), tree->TotalCount());
}

TEST(TreeGridExchangeSafetyTest, AddingChildrenStaysWithinWhatAStreamCanHold)
{
    auto tree = ShowTextTree();
    PGridNode top = AddText(*tree, nullptr, QStringLiteral("top"));
    PGridNode deepest = Chain(*tree, top, nodestream::MaxDepth);
    PGridNode aboveDeepest = deepest->Parent;
    const std::uint32_t total = tree->TotalCount();

    // A child of the deepest node would be a level too deep: refused before anything changes.
    EXPECT_THROW(tree->AddChild(deepest), ETreeGridError);
    EXPECT_THROW(tree->SetChildCount(deepest, 3), ETreeGridError);
    EXPECT_EQ(deepest->ChildCount, 0u);
    EXPECT_EQ(tree->TotalCount(), total);
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));

    // One level up there is room, and fewer children are always allowed.
    tree->SetChildCount(aboveDeepest, 4);
    EXPECT_EQ(aboveDeepest->ChildCount, 4u);
    EXPECT_NE(tree->AddChild(aboveDeepest), nullptr);
    tree->SetChildCount(aboveDeepest, 2);
    EXPECT_EQ(aboveDeepest->ChildCount, 2u);

    // Children the owner names on the fly for the deepest node are not made: the node has none.
    tree->OnInitNode = [deepest](TBaseTreeGrid *, PGridNode, PGridNode node, TGridNodeInitStates &states) {
        if (node == deepest)
            states.include(ivsHasChildren);
    };
    tree->OnInitChildren = [](TBaseTreeGrid *, PGridNode, std::uint32_t &count) { count = 2; };
    tree->ReinitNode(deepest, false);
    tree->ValidateChildren(deepest, false);
    EXPECT_EQ(deepest->ChildCount, 0u);
    EXPECT_FALSE(deepest->States.contains(vsHasChildren));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));
    tree->OnInitNode = nullptr;
    tree->OnInitChildren = nullptr;

    // So whatever the tree holds, it can save and read back.
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    tree->SaveToStream(buffer);
    buffer.seek(0);
    auto other = ShowTextTree();
    other->LoadFromStream(buffer);
    EXPECT_EQ(other->TotalCount(), tree->TotalCount());
}

TEST(TreeGridExchangeSafetyTest, ACutPastedWhereItWouldNestTooDeepFailsAndStaysCut)
{
    auto tree = ShowTextTree();
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() + toDisableAutoscrollOnFocus);
    PGridNode top = AddText(*tree, nullptr, QStringLiteral("top"));
    PGridNode aboveDeepest = Chain(*tree, top, nodestream::MaxDepth)->Parent;
    // One cut node has a child, which would be a level too deep below aboveDeepest.
    PGridNode parent = AddText(*tree, nullptr, QStringLiteral("p"));
    AddText(*tree, parent, QStringLiteral("q"));
    PGridNode single = AddText(*tree, nullptr, QStringLiteral("s"));
    Select(*tree, {parent, single});
    tree->CutToClipBoard();

    // The paste fails as a whole: nothing moves, and both stay cut.
    tree->SetFocusedNode(aboveDeepest);
    EXPECT_FALSE(tree->PasteFromClipboard());
    EXPECT_EQ(parent->Parent, tree->RootNode());
    EXPECT_EQ(single->Parent, tree->RootNode());
    EXPECT_EQ(aboveDeepest->ChildCount, 1u);
    EXPECT_TRUE(tree->TreeStates().contains(tsCutPending));
    EXPECT_TRUE(parent->States.contains(vsCutOrCopy));
    EXPECT_TRUE(single->States.contains(vsCutOrCopy));
    EXPECT_EQ(tree->GetSortedCutCopySet(true), (std::vector<PGridNode>{parent, single}));

    // The next paste, where they fit, moves both and ends the cut.
    tree->SetFocusedNode(top);
    EXPECT_TRUE(tree->PasteFromClipboard());
    EXPECT_EQ(parent->Parent, top);
    EXPECT_EQ(single->Parent, top);
    EXPECT_FALSE(tree->TreeStates().intersects({tsCutPending, tsCopyPending}));
    EXPECT_FALSE(parent->States.contains(vsCutOrCopy));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));
}
