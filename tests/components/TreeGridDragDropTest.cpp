#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

#include "TreeGridTestSupport.h"
#include "common/RepaintCheck.h"
#include "treegrid/AlphaBlend.h"
#include "treegrid/OLEMemoryStream.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridDataObject.h"
#include "treegrid/TreeGridRoutines.h"
#include "treegrid/TreeGridStream.h"

namespace {

using treegridtest::SendDrag;

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
    int Cancels = 0;
    std::map<QString, int> Renders; // by format
    // The platform's own drag loop runs instead.
    bool PlatformLoop = false;
    // Or the test's: a receiver, or a pointer's path over trees.
    std::function<Qt::DropAction(QMimeData *, Qt::DropActions)> Loop;

protected:
    void DragCanceled() override
    {
        ++Cancels;
        TStringTreeGrid::DragCanceled();
    }
    QByteArray RenderOLEData(const QString &format, const std::vector<PGridNode> &nodes, bool forClipboard) override
    {
        ++Renders[format];
        return TStringTreeGrid::RenderOLEData(format, nodes, forClipboard);
    }
    Qt::DropAction DragAndDrop(Qt::DropActions allowed, QMimeData *data, QPoint hotSpot) override
    {
        if (PlatformLoop)
            return TStringTreeGrid::DragAndDrop(allowed, data, hotSpot);
        std::unique_ptr<QMimeData> owned(data);
        if (Loop)
            return Loop(data, allowed);
        if (!Target || SendDrag(*Target, QEvent::DragEnter, QPoint(1, 1), data, allowed, Keys) == Qt::IgnoreAction)
            return Qt::IgnoreAction;
        ++Enters;
        SendDrag(*Target, QEvent::DragMove, DropAt, data, allowed, Keys);
        return SendDrag(*Target, QEvent::Drop, DropAt, data, allowed, Keys);
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
using treegridtest::DragWithTheMouse;
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
    // The clipboard path renders the marked nodes into the same data a drag carries; a receiver
    // keeps what it read.
    source->SetSelected(a, true);
    source->CopyToClipBoard();
    const std::unique_ptr<QMimeData> data = treegridtest::ReadClipboard();
    source->CancelCutOrCopy();
    QByteArray forged = data->data(QStringLiteral("application/x-velmora-tree-grid-reference"));
    ASSERT_EQ(forged.size(), 12);
    forged[11] = char(forged[11] ^ 0x20);
    data->setData(QStringLiteral("application/x-velmora-tree-grid-reference"), forged);
    const QPoint at = OnLabel(*fresh, fresh->GetFirst());
    const Qt::DropActions allowed = Qt::MoveAction | Qt::CopyAction;
    ASSERT_NE(SendDrag(*fresh, QEvent::DragEnter, at, data.get(), allowed, Qt::ShiftModifier), Qt::IgnoreAction);
    EXPECT_EQ(seenSource, nullptr);
    EXPECT_NE(SendDrag(*fresh, QEvent::Drop, at, data.get(), allowed, Qt::ShiftModifier), Qt::IgnoreAction);
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
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    ASSERT_NE(SendDrag(*tree, QEvent::DragEnter, QPoint(1, 1), data.get(), all), Qt::IgnoreAction);

    const auto moveTo = [&](QPoint p, Qt::KeyboardModifiers keys, Qt::DropActions allowed) {
        return SendDrag(*tree, QEvent::DragMove, p, data.get(), allowed, keys);
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

    SendDrag(*tree, QEvent::DragLeave, QPoint(), data.get(), all);
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

TEST(TreeGridDragDropTest, ADragThatEndsWithoutADropIsCanceledAndKeepsItsNodes)
{
    auto source = MakeTree();
    auto target = MakeTree();
    source->SetDragMode(dmAutomatic);
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    source->Target = target.get();
    source->DropAt = QPoint(50, 5);
    source->Keys = Qt::ShiftModifier;
    source->SetSelected(a, true);
    target->OnDragOver = [](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState, QPoint,
                            TTGDropMode, Qt::DropAction &, bool &accept) { accept = false; };
    // Refused by the target, then the platform's own loop with nothing that takes the drop.
    for (const bool platformLoop : {false, true}) {
        source->PlatformLoop = platformLoop;
        DragWithTheMouse(*source, a);
        EXPECT_EQ(source->Cancels, platformLoop ? 2 : 1);
        EXPECT_EQ(Shape(*source), QStringLiteral("a"));
        EXPECT_FALSE(source->Dragging());
        EXPECT_EQ(source->DragImage().States(), TTGDragImageStates{disHidden});
    }
    EXPECT_EQ(source->Enters, 1);
}

TEST(TreeGridDragDropTest, AFormatIsRenderedOnlyWhenAReceiverAsksFromTheNodesAsTheyAreThen)
{
    auto tree = MakeTree();
    tree->SetDragMode(dmAutomatic);
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("alpha"));
    PGridNode b = AddText(*tree, nullptr, QStringLiteral("beta"));
    AddText(*tree, b, QStringLiteral("beta child"));
    tree->SetSelected(a, true);
    tree->SetSelected(b, true);
    using TCounts = std::map<QString, int>;
    tree->Loop = [&](QMimeData *data, Qt::DropActions) {
        // The offer is known at once; nothing is rendered for it.
        EXPECT_EQ(data->formats().first(), TBaseTreeGrid::MimeTypeOf(QStringLiteral("Tree Grid Data")));
        EXPECT_TRUE(data->hasFormat(QStringLiteral("text/csv")));
        EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(data), tree.get());
        EXPECT_TRUE(tree->Renders.empty());
        // Asked for, a format is rendered from the nodes as they are then.
        *tree->GetNodeData<QString>(a) = QStringLiteral("alpha renamed");
        EXPECT_TRUE(data->text().contains(QStringLiteral("alpha renamed")));
        EXPECT_EQ(tree->Renders, (TCounts{{QStringLiteral("Unicode text"), 1}}));
        tree->DeleteNode(a);
        auto receiver = MakeTree();
        EXPECT_TRUE(receiver->ProcessOLEData(nullptr, data, nullptr, amAddChildLast, false));
        EXPECT_EQ(Shape(*receiver), QStringLiteral("beta(beta child)"));
        EXPECT_EQ(tree->Renders, (TCounts{{QStringLiteral("Unicode text"), 1}, {QStringLiteral("Tree Grid Data"), 1}}));
        // Data a receiver sets is answered as set; rendering into its own place is not offered.
        auto *object = qobject_cast<TTGDataObject *>(data);
        object->SetData(QStringLiteral("text/plain"), "set by hand");
        EXPECT_EQ(data->data(QStringLiteral("text/plain")), QByteArray("set by hand"));
        QBuffer place;
        EXPECT_FALSE(object->GetDataHere(QStringLiteral("text/csv"), place));
        EXPECT_EQ(tree->Renders.size(), 2u);
        return Qt::IgnoreAction;
    };
    DragWithTheMouse(*tree, b);
    ASSERT_EQ(tree->Renders.size(), 2u) << "the drag ran";

    // The clipboard: copying renders nothing, a paste only the nodes.
    tree->Renders.clear();
    tree->CopyToClipBoard();
    EXPECT_TRUE(tree->Renders.empty());
    auto other = MakeTree();
    EXPECT_TRUE(other->PasteFromClipboard());
    EXPECT_EQ(Shape(*other), QStringLiteral("beta(beta child)"));
    EXPECT_EQ(tree->Renders, (TCounts{{QStringLiteral("Tree Grid Data"), 1}}));
    // Data that outlives its tree names no tree and renders nothing.
    std::unique_ptr<QMimeData> kept(tree->CreateMimeData(false));
    tree.reset();
    EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(kept.get()), nullptr);
    EXPECT_TRUE(kept->text().isEmpty());
}

TEST(TreeGridDragDropTest, ExchangedDataReadsAsAStreamThatCannotBeWritten)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TTGStreamWriter(buffer).WriteUtf16(QStringLiteral("Zwölf"));
    const QByteArray original = bytes;
    TOLEMemoryStream stream(bytes);
    EXPECT_EQ(stream.Memory().constData(), bytes.constData()) << "the bytes received, not a copy";
    EXPECT_EQ(TTGStreamReader(stream).ReadUtf16(), QStringLiteral("Zwölf"));
    ASSERT_TRUE(stream.seek(0));
    EXPECT_EQ(stream.readAll(), original);
    EXPECT_THROW(TTGStreamWriter(stream).WriteInt32(1), EWriteError);
    EXPECT_FALSE(stream.open(QIODevice::ReadWrite));
    EXPECT_EQ(stream.errorString(), QStringLiteral("Stream write error"));
    EXPECT_EQ(bytes, original);
}

namespace {

// What the user sees of the drag picture over the target is its rows as a full paint draws them
// with the prepared picture blended over them in the given mode, pixel for pixel.
::testing::AssertionResult ShowsBlendedOverFreshRows(TBaseTreeGrid &target, const TTGDragImage &image,
                                                     TBlendMode mode)
{
    // What is due happens first (timers scroll the rows): the picture must fit them then.
    QWidget *port = target.viewport();
    testsupport::FlushPaints();
    const QImage window = testsupport::ShownPixels(port);
    if (!image.Visible() || image.Host() != &target)
        return ::testing::AssertionFailure() << "the picture is not shown over the tree";
    const QRect client(port->mapFromGlobal(image.GetDragImageRect().topLeft()), image.Image().size());
    const QRect visible = client & port->rect();
    QImage expected = treegridtest::Render(target).copy(client);
    AlphaBlend(&image.Image(), &expected, image.Image().rect(), QPoint(0, 0), mode, image.Transparency(),
               image.PostBlendBias());
    return testsupport::SameShown(window.copy(visible), expected.copy(visible.translated(-client.topLeft())));
}

std::unique_ptr<TDragTree> MakeTarget(int rows)
{
    auto target = MakeTree();
    for (int i = 0; i < rows; ++i)
        AddText(*target, nullptr, QStringLiteral("Target row %1").arg(i));
    return target;
}

} // namespace

TEST(TreeGridDragDropTest, ThePictureIsBlendedOverTheRowsBeneathAsTheOptionsSay)
{
    struct TCase {
        bool fade;
        bool keyed; // the tree's paper as colour key
        std::uint8_t transparency;
        std::int8_t preBias;
        std::int8_t postBias;
        TBlendMode mode;
    };
    const TCase cases[] = {{true, false, 200, 0, 0, bmMasterAlpha},
                           {false, false, 120, 0, 0, bmConstantAlpha},
                           {false, true, 255, -40, 25, bmMasterAlpha}};
    QRgb unbiased = 0;
    for (const TCase &c : cases) {
        SCOPED_TRACE(int(c.mode) * 10 + int(c.keyed));
        auto source = MakeTree();
        source->SetDragMode(dmAutomatic);
        PGridNode a = AddText(*source, nullptr, QStringLiteral("Dragged"));
        AddText(*source, nullptr, QStringLiteral("Left"));
        auto target = MakeTarget(8);
        TTGDragImage &image = source->DragImage();
        image.SetFade(c.fade);
        image.SetColorKey(c.keyed ? source->Color() : clNone);
        image.SetTransparency(c.transparency);
        image.SetPreBlendBias(c.preBias);
        image.SetPostBlendBias(c.postBias);
        source->SetSelected(a, true);
        const QPoint press = OnLabel(*source, a);
        source->Loop = [&](QMimeData *data, Qt::DropActions allowed) {
            // The rows around the press, the pointer where it was pressed; the paper drops out
            // under the colour key; the bias changed the colours once.
            const QImage &picture = image.Image();
            const QSize size(source->DragWidth(), source->DragHeight());
            const QPoint onRow = press - (QRect(press - QPoint(size.width() / 2, size.height() / 2), size)
                                          & source->viewport()->rect()).topLeft();
            if (c.keyed) {
                EXPECT_EQ(qAlpha(picture.pixel(onRow + QPoint(0, int(source->NodeHeight(a))))), 0);
                EXPECT_EQ(qRed(picture.pixel(onRow)), std::max(0, qRed(unbiased) + c.preBias));
            } else {
                EXPECT_EQ(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)), 255);
                unbiased = picture.pixel(onRow);
            }
            const QPoint over(120, 50);
            SendDrag(*target, QEvent::DragEnter, over, data, allowed);
            EXPECT_EQ(image.GetDragImageRect().topLeft(), target->viewport()->mapToGlobal(over) - onRow);
            EXPECT_TRUE(ShowsBlendedOverFreshRows(*target, image, c.mode));
            SendDrag(*target, QEvent::DragLeave, over, data, allowed);
            EXPECT_FALSE(image.Visible());
            return Qt::IgnoreAction;
        };
        DragWithTheMouse(*source, a);
        EXPECT_EQ(image.States(), TTGDragImageStates{disHidden});
    }
}

TEST(TreeGridDragDropTest, ThePictureFollowsThePointerAndNeverShowsStaleRows)
{
    auto source = MakeTree();
    source->SetDragMode(dmAutomatic);
    PGridNode a = AddText(*source, nullptr, QStringLiteral("Dragged"));
    source->SetSelected(a, true);
    auto target = MakeTarget(30);
    PGridNode parent = target->GetFirst()->NextSibling;
    AddText(*target, parent, QStringLiteral("Child"));
    target->SetAutoExpandDelay(1000000); // nothing opens while the pointer passes
    target->TreeOptions().SetAutoOptions(target->TreeOptions().AutoOptions() + toAutoScroll);
    TTGDragImage &image = source->DragImage();

    source->Loop = [&](QMimeData *data, Qt::DropActions allowed) {
        const auto move = [&](QPoint p) { SendDrag(*target, QEvent::DragMove, p, data, allowed); };
        QPoint at(100, 30);
        SendDrag(*target, QEvent::DragEnter, at, data, allowed);
        // Small steps take only the strips newly covered, jumps all; the drop mark moves beneath.
        for (const QPoint step : {QPoint(3, 2), QPoint(-5, 1), QPoint(0, -4), QPoint(-1, 13), QPoint(220, 0),
                                  QPoint(-220, 10), QPoint(150, 60)}) {
            move(at += step);
            EXPECT_TRUE(ShowsBlendedOverFreshRows(*target, image, bmMasterAlpha)) << step.x() << "," << step.y();
            EXPECT_TRUE(testsupport::ShowsFullRender(target->viewport()));
        }
        // A parent opens beneath it, the rows scroll beneath it.
        target->SetAutoExpandDelay(5);
        move(target->GetDisplayRect(target->GetFirst(), 0, true).center());
        move(target->GetDisplayRect(parent, 0, true).center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return target->Expanded(parent); }, 5000));
        EXPECT_TRUE(ShowsBlendedOverFreshRows(*target, image, bmMasterAlpha));
        const int offset = target->OffsetY();
        move(QPoint(100, target->ClientHeight() - 3));
        EXPECT_LT(target->OffsetY(), offset);
        EXPECT_TRUE(ShowsBlendedOverFreshRows(*target, image, bmMasterAlpha));
        // Held to horizontal moves it keeps its height.
        move(at = QPoint(100, 60));
        image.SetMoveRestriction(dmrHorizontalOnly);
        const QRect before = image.GetDragImageRect();
        move(at + QPoint(7, 20));
        EXPECT_EQ(image.GetDragImageRect(), before.translated(7, 0));
        EXPECT_TRUE(ShowsBlendedOverFreshRows(*target, image, bmMasterAlpha));
        // Off the tree the rows show through.
        SendDrag(*target, QEvent::DragLeave, at, data, allowed);
        EXPECT_EQ(image.Host(), nullptr);
        EXPECT_EQ(testsupport::ShownAfterEvents(target->viewport()), treegridtest::Render(*target));
        return Qt::IgnoreAction;
    };
    DragWithTheMouse(*source, a);
    EXPECT_EQ(image.States(), TTGDragImageStates{disHidden});
}
