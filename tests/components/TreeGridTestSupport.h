#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QImage>
#include <QMimeData>
#include <QStringList>
#include <QTest>

#include <memory>
#include <vector>

#include "Canvas.h"
#include "treegrid/BaseTreeGrid.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridWorkerThread.h"

namespace treegridtest {

// The client area as the window paints it.
inline QImage Render(TBaseTreeGrid &tree)
{
    QImage image(tree.ClientWidth(), tree.ClientHeight(), QImage::Format_RGB32);
    image.fill(Qt::black);
    TCanvas canvas(&image);
    tree.Paint(canvas, image.rect());
    return image;
}

inline TColor At(const QImage &image, int x, int y)
{
    return FromQRgb(image.pixel(x, y));
}

// A tree of the given class, shown offscreen without a frame, so that the client area is the
// widget less its scroll bars.
template <class T>
std::unique_ptr<T> ShowTree(int width, int height)
{
    std::unique_ptr<T> tree(TBaseTreeGrid::Create<T>());
    tree->SetBorderStyle(bsNone);
    tree->resize(width, height);
    tree->show();
    QApplication::processEvents();
    return tree;
}

// The node's children in sibling order.
inline std::vector<PGridNode> Children(PGridNode node)
{
    std::vector<PGridNode> result;
    for (PGridNode run = node->FirstChild; run; run = run->NextSibling)
        result.push_back(run);
    return result;
}

// Recomputes every stored count, height, index and link from scratch and compares it with
// what the tree keeps incrementally.
inline ::testing::AssertionResult CheckNode(TBaseTreeGrid &tree, PGridNode node, std::uint32_t &count,
                                            std::uint32_t &height)
{
    std::uint32_t children = 0;
    std::uint32_t subtreeCount = 1;
    std::uint32_t childHeight = 0;
    PGridNode previous = nullptr;
    for (PGridNode child = node->FirstChild; child; child = child->NextSibling) {
        if (child->Parent != node)
            return ::testing::AssertionFailure() << "wrong parent link";
        if (child->PrevSibling != previous)
            return ::testing::AssertionFailure() << "wrong previous link";
        if (child->Index != children)
            return ::testing::AssertionFailure() << "index " << child->Index << " at position " << children;
        std::uint32_t c = 0, h = 0;
        auto sub = CheckNode(tree, child, c, h);
        if (!sub)
            return sub;
        subtreeCount += c;
        if (tree.IsEffectivelyVisible(child))
            childHeight += h;
        previous = child;
        ++children;
    }
    if (node->LastChild != previous)
        return ::testing::AssertionFailure() << "wrong last child";
    if (node->ChildCount != children)
        return ::testing::AssertionFailure() << "ChildCount " << node->ChildCount << ", linked " << children;
    if (node->TotalCount != subtreeCount)
        return ::testing::AssertionFailure() << "TotalCount " << node->TotalCount << ", expected " << subtreeCount;
    const std::uint32_t expectedHeight = node->NodeHeight + (node->States.contains(vsExpanded) ? childHeight : 0);
    if (node->TotalHeight != expectedHeight)
        return ::testing::AssertionFailure() << "TotalHeight " << node->TotalHeight << ", expected " << expectedHeight;
    count = subtreeCount;
    height = node->TotalHeight;
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult TreeIsConsistent(TBaseTreeGrid &tree)
{
    std::uint32_t count = 0, height = 0;
    auto result = CheckNode(tree, tree.RootNode(), count, height);
    if (!result)
        return result;
    std::uint32_t rows = 0;
    for (PGridNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run))
        if (tree.IsRowVisible(run))
            ++rows;
    std::uint32_t walked = 0;
    for (PGridNode run = tree.GetFirstVisibleNoInit(); run; run = tree.GetNextVisibleNoInit(run))
        ++walked;
    if (rows != tree.VisibleCount() || walked != rows)
        return ::testing::AssertionFailure() << "VisibleCount " << tree.VisibleCount() << ", rows " << rows
                                             << ", walked " << walked;
    return ::testing::AssertionSuccess();
}

// Tops computed here by walking the rows, independent of the tree's lookups.
inline std::vector<std::pair<PGridNode, std::int64_t>> Rows(TBaseTreeGrid &tree)
{
    std::vector<std::pair<PGridNode, std::int64_t>> rows;
    std::int64_t top = 0;
    for (PGridNode run = tree.GetFirstVisibleNoInit(); run; run = tree.GetNextVisibleNoInit(run)) {
        rows.emplace_back(run, top);
        top += run->NodeHeight;
    }
    return rows;
}

// Every row's display rectangle starts at its summed top, and the node found at its first and
// last pixel is the row itself; one pixel below the last row there is none.
inline ::testing::AssertionResult LookupsAgree(TBaseTreeGrid &tree, std::size_t stride = 1)
{
    const auto rows = Rows(tree);
    const int offset = tree.OffsetY();
    for (std::size_t i = 0; i < rows.size(); i += (i + stride < rows.size() ? stride : 1)) {
        PGridNode node = rows[i].first;
        const std::int64_t top = rows[i].second + offset;
        const QRect r = tree.GetDisplayRect(node, NoColumn, false);
        if (r.top() != top || r.height() != node->NodeHeight)
            return ::testing::AssertionFailure() << "row " << i << " rect top " << r.top() << ", expected " << top;
        // Absolute positions reach every row; client positions the rows in view.
        const int absoluteTop = int(rows[i].second);
        int nodeTop = 0;
        if (tree.GetNodeAt(0, absoluteTop, false, nodeTop) != node || nodeTop != absoluteTop)
            return ::testing::AssertionFailure() << "row " << i << " not found at its top";
        if (tree.GetNodeAt(0, absoluteTop + node->NodeHeight - 1, false, nodeTop) != node)
            return ::testing::AssertionFailure() << "row " << i << " not found at its last pixel";
        if (r.top() >= 0 && (tree.GetNodeAt(0, r.top(), true, nodeTop) != node || nodeTop != r.top()))
            return ::testing::AssertionFailure() << "row " << i << " not found at its client top";
    }
    if (!rows.empty()) {
        const QRect last = tree.GetDisplayRect(rows.back().first, NoColumn, false);
        if (tree.GetNodeAt(0, RectBottom(last)) != nullptr)
            return ::testing::AssertionFailure() << "a node below the last row";
        if (tree.GetNodeAt(0, RectBottom(last) - 1) != rows.back().first)
            return ::testing::AssertionFailure() << "the last row not found at its last pixel";
    }
    return ::testing::AssertionSuccess();
}

// Runs the event loop until the worker's reports for the tree have arrived.
inline bool WaitForValidation(TBaseTreeGrid &tree, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    TWorkerThread *worker = TWorkerThread::Instance();
    while (timer.elapsed() < timeoutMs) {
        if (!worker || !worker->IsBusyWith(&tree)) {
            // The reports are posted before the worker leaves the tree.
            QCoreApplication::processEvents();
            return !tree.TreeStates().contains(tsValidating);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return false;
}

// The cache a complete validation must produce, computed on this thread.
inline std::vector<TCacheEntry> ExpectedCache(TBaseTreeGrid &tree)
{
    std::vector<TCacheEntry> cache;
    if (tree.VisibleCount() <= TBaseTreeGrid::PositionCacheStep)
        return cache;
    std::int64_t top = 0;
    std::uint32_t count = 0;
    const std::size_t entries = (tree.VisibleCount() + TBaseTreeGrid::PositionCacheStep - 1) / TBaseTreeGrid::PositionCacheStep;
    for (PGridNode run = tree.GetFirstVisibleNoInit(); run && cache.size() < entries;
         run = tree.GetNextVisibleNoInit(run)) {
        if (count % TBaseTreeGrid::PositionCacheStep == 0)
            cache.push_back({run, top});
        top += run->NodeHeight;
        ++count;
    }
    return cache;
}

// A string tree keeps each node's text as a QString in its data: shown from there, edited or
// received into it.
template <class T>
void KeepTexts(T &tree)
{
    tree.template SetNodeDataType<QString>();
    tree.OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, auto, QString &text) {
        text = *sender->GetNodeData<QString>(node);
    };
    tree.OnNewText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, const QString &text) {
        *sender->GetNodeData<QString>(node) = text;
    };
}

// A shown string tree (400 x 200) whose nodes keep their texts, selecting several nodes, with
// `columns` columns of `width` pixels.
template <class T = TStringTreeGrid>
std::unique_ptr<T> ShowTextTree(int columns = 1, int width = 200)
{
    auto tree = ShowTree<T>(400, 200);
    KeepTexts(*tree);
    tree->TreeOptions().SetSelectionOptions(tree->TreeOptions().SelectionOptions() + toMultiSelect);
    for (int c = 0; c < columns; ++c)
        tree->Header()->Columns()->Add()->SetWidth(width);
    return tree;
}

// A node of a test tree that keeps its text as a QString in its data.
inline PGridNode AddText(TBaseTreeGrid &tree, PGridNode parent, const QString &text)
{
    PGridNode node = tree.AddChild(parent);
    tree.ValidateNode(node, false);
    *tree.GetNodeData<QString>(node) = text;
    return node;
}

// Such a tree as nested text: "a(b,c),d".
inline QString Shape(TBaseTreeGrid &tree, PGridNode parent = nullptr)
{
    QStringList parts;
    for (PGridNode run = (parent ? parent : tree.RootNode())->FirstChild; run; run = run->NextSibling) {
        QString part = *tree.GetNodeData<QString>(run);
        if (run->FirstChild)
            part += QLatin1Char('(') + Shape(tree, run) + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

// The user drags the selected nodes from the node's text: a press there, a move past the drag
// threshold (the drag runs within it) and the release.
inline void DragWithTheMouse(TBaseTreeGrid &tree, PGridNode node)
{
    QWidget *port = tree.viewport();
    const QPoint press = tree.GetDisplayRect(node, 0, true).center();
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(port, press + QPoint(0, 2 * QApplication::startDragDistance()));
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, press);
}

// A drag event over the tree's rows as a running drag sends it; the action the tree accepts.
inline Qt::DropAction SendDrag(TBaseTreeGrid &tree, QEvent::Type type, QPoint p, const QMimeData *data,
                               Qt::DropActions allowed, Qt::KeyboardModifiers keys = {})
{
    QDragLeaveEvent leave;
    QDragEnterEvent enter(p, allowed, data, Qt::LeftButton, keys);
    QDragMoveEvent move(p, allowed, data, Qt::LeftButton, keys);
    QDropEvent drop(p, allowed, data, Qt::LeftButton, keys);
    QDropEvent *event = type == QEvent::DragEnter  ? &enter
                        : type == QEvent::DragMove ? &move
                        : type == QEvent::Drop     ? &drop
                                                   : nullptr;
    QCoreApplication::sendEvent(tree.viewport(), event ? static_cast<QEvent *>(event) : &leave);
    return event && event->isAccepted() ? event->dropAction() : Qt::IgnoreAction;
}

// What a receiver keeps of the clipboard: every format it offers, read now.
inline std::unique_ptr<QMimeData> ReadClipboard()
{
    auto kept = std::make_unique<QMimeData>();
    if (const QMimeData *data = QGuiApplication::clipboard()->mimeData())
        for (const QString &format : data->formats())
            kept->setData(format, data->data(format));
    return kept;
}

} // namespace treegridtest
