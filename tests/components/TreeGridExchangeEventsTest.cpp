// The owner's hooks into exchanged data: extra formats and their rendering, its own drag data and
// drop target, and the clipboard data a tree leaves behind when it goes.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include <memory>
#include <vector>

#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridDragManager.h"
#include "treegrid/TreeGridRoutines.h"

using treegridtest::AddText;
using treegridtest::Shape;
using treegridtest::ShowTextTree;

namespace {

const QString RowsFormat = QStringLiteral("application/x-test-rows");

// A string tree whose drag hands its data to the test instead of running the platform's loop.
class TCapturingDragTree : public TStringTreeGrid
{
public:
    std::unique_ptr<QMimeData> Dragged;

protected:
    Qt::DropAction DragAndDrop(Qt::DropActions, QMimeData *data, QPoint) override
    {
        Dragged.reset(data);
        return Qt::IgnoreAction;
    }
};

// A drop target that counts what reaches it and leaves the work to the tree's own.
class TCountingDragManager : public ITGDragManager
{
public:
    explicit TCountingDragManager(TBaseTreeGrid *tree) : FInner(tree) {}
    int Enters = 0;
    int Moves = 0;
    int Drops = 0;
    int Leaves = 0;

    void DragEnter(QDragEnterEvent *event) override
    {
        ++Enters;
        FInner.DragEnter(event);
    }
    void DragOver(QDragMoveEvent *event) override
    {
        ++Moves;
        FInner.DragOver(event);
    }
    void DragLeave() override
    {
        ++Leaves;
        FInner.DragLeave();
    }
    void Drop(QDropEvent *event) override
    {
        ++Drops;
        FInner.Drop(event);
    }
    TBaseTreeGrid *DragSource() const override { return FInner.DragSource(); }
    const QMimeData *DataObject() const override { return FInner.DataObject(); }
    bool IsDropTarget() const override { return FInner.IsDropTarget(); }

private:
    TTGDragManager FInner;
};

} // namespace

TEST(TreeGridExchangeEventsTest, OwnersAddFormatsAndRenderThem)
{
    // The handler renders until the tree goes: the clipboard keeps its data rendered then.
    std::vector<bool> forClipboard;
    auto tree = ShowTextTree();
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("a"));
    PGridNode b = AddText(*tree, nullptr, QStringLiteral("b"));
    tree->OnGetUserClipboardFormats = [](TBaseTreeGrid *, QStringList &formats) { formats << RowsFormat; };
    tree->OnRenderOLEData = [&](TBaseTreeGrid *sender, const QString &format, const std::vector<PGridNode> &nodes,
                                bool clipboard, QByteArray &data, bool &rendered) {
        if (format == RowsFormat) {
            forClipboard.push_back(clipboard);
            for (PGridNode node : nodes)
                data += sender->GetNodeData<QString>(node)->toUtf8() + ';';
            rendered = true;
        } else if (format == QLatin1String("HTML Format")) {
            data = "<p>own</p>";
            rendered = true;
        }
    };

    // Offered after the tree's own formats, in the order the owner gave.
    const QStringList offered = tree->GetNativeClipboardFormats();
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_EQ(offered.front(), QStringLiteral("Tree Grid Data"));
    EXPECT_EQ(offered.back(), RowsFormat);

    // Copying renders them; the owner's rendering of a text format wins over the tree's own,
    // and the formats it leaves alone keep the tree's rendering.
    tree->SetSelected(a, true);
    tree->SetSelected(b, true);
    tree->CopyToClipBoard();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data(RowsFormat), QByteArray("a;b;"));
    EXPECT_EQ(data->data(QStringLiteral("text/html")), QByteArray("<p>own</p>"));
    EXPECT_TRUE(data->text().contains(QStringLiteral("a")));
    EXPECT_EQ(forClipboard, std::vector<bool>{true});
    // The standard actions count the owner's formats too.
    tree->SetClipboardFormats({});
    EXPECT_EQ(tree->GetNativeClipboardFormats(), QStringList{RowsFormat});
}

TEST(TreeGridExchangeEventsTest, OwnersMayBringTheDragDataAndTheDropTarget)
{
    // The owner's data goes into the drag the user starts.
    auto source = ShowTextTree<TCapturingDragTree>();
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    source->SetDragMode(dmAutomatic);
    QMimeData *own = nullptr;
    source->OnCreateDataObject = [&own](TBaseTreeGrid *, QMimeData *&data) {
        own = new QMimeData;
        own->setText(QStringLiteral("own drag"));
        data = own;
    };
    source->SetSelected(a, true);
    treegridtest::DragWithTheMouse(*source, a);
    ASSERT_NE(source->Dragged, nullptr);
    EXPECT_EQ(source->Dragged.get(), own);
    EXPECT_EQ(source->Dragged->text(), QStringLiteral("own drag"));

    // The owner's drop target sees the drag events and the tree still takes the drop.
    auto target = ShowTextTree();
    AddText(*target, nullptr, QStringLiteral("x"));
    TCountingDragManager *manager = nullptr;
    int created = 0;
    target->OnCreateDragManager = [&](TBaseTreeGrid *sender, std::unique_ptr<ITGDragManager> &result) {
        ++created;
        auto made = std::make_unique<TCountingDragManager>(sender);
        manager = made.get();
        result = std::move(made);
    };
    target->OnDragOver = [](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState, QPoint,
                            TTGDropMode, Qt::DropAction &, bool &accept) { accept = true; };
    target->OnDragDrop = [](TBaseTreeGrid *sender, TBaseTreeGrid *from, const QMimeData *data, const QStringList &,
                            TTGShiftState, QPoint, Qt::DropAction &effect, TTGDropMode) {
        if (!sender->ProcessOLEData(from, data, nullptr, amAddChildLast, false))
            effect = Qt::IgnoreAction;
    };
    // The source's nodes as the clipboard holds them: the same data a drag carries.
    source->CopyToClipBoard();
    const std::unique_ptr<QMimeData> nodes = treegridtest::ReadClipboard();
    const QPoint at(300, 150);
    treegridtest::SendDrag(*target, QEvent::DragEnter, at, nodes.get(), Qt::CopyAction);
    treegridtest::SendDrag(*target, QEvent::DragMove, at, nodes.get(), Qt::CopyAction);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(target->DragManager(), manager);
    EXPECT_TRUE(manager->IsDropTarget());
    EXPECT_EQ(manager->DragSource(), source.get());
    EXPECT_EQ(manager->DataObject(), nodes.get());
    EXPECT_EQ(treegridtest::SendDrag(*target, QEvent::Drop, at, nodes.get(), Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(Shape(*target), QStringLiteral("x,a"));
    EXPECT_EQ(manager->Enters, 1);
    EXPECT_EQ(manager->Moves, 1);
    EXPECT_EQ(manager->Drops, 1);
    EXPECT_FALSE(manager->IsDropTarget());
    EXPECT_EQ(manager->DataObject(), nullptr);

    // A drag that leaves again.
    treegridtest::SendDrag(*target, QEvent::DragEnter, at, nodes.get(), Qt::CopyAction);
    treegridtest::SendDrag(*target, QEvent::DragLeave, at, nodes.get(), Qt::CopyAction);
    EXPECT_EQ(manager->Leaves, 1);
    EXPECT_FALSE(manager->IsDropTarget());
    EXPECT_EQ(created, 1) << "made once, on first use";
}

TEST(TreeGridExchangeEventsTest, ATreeThatGoesLeavesItsClipboardDataWithoutAReference)
{
    auto tree = ShowTextTree();
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("kept text"));
    std::vector<std::pair<bool, bool>> flushing; // entered, left
    tree->OnStateChange = [&](TBaseTreeGrid *, TTreeGridStates enter, TTreeGridStates leave) {
        if (enter.contains(tsClipboardFlushing) || leave.contains(tsClipboardFlushing))
            flushing.emplace_back(enter.contains(tsClipboardFlushing), leave.contains(tsClipboardFlushing));
    };
    tree->SetSelected(a, true);
    tree->CopyToClipBoard();
    const QMimeData *before = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(before), tree.get());
    const QByteArray nodes = before->data(TBaseTreeGrid::MimeTypeOf(QStringLiteral("Tree Grid Data")));
    ASSERT_FALSE(nodes.isEmpty());

    tree.reset();
    const QMimeData *after = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(after->hasFormat(TreeGridReferenceFormat()));
    EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(after), nullptr);
    EXPECT_TRUE(after->text().contains(QStringLiteral("kept text")));
    EXPECT_EQ(after->data(TBaseTreeGrid::MimeTypeOf(QStringLiteral("Tree Grid Data"))), nodes);
    EXPECT_EQ(flushing, (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}));

    // Another tree pastes the nodes as a copy.
    auto other = ShowTextTree();
    EXPECT_TRUE(other->PasteFromClipboard());
    EXPECT_EQ(Shape(*other), QStringLiteral("kept text"));
}
