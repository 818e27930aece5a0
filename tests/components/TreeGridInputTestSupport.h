#pragma once

// A shown string tree whose rows are named, for tests that drive it with QTest mouse and key
// events on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <memory>
#include <vector>

#include "treegrid/StringEditLink.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridEdit.h"
#include "treegrid/TreeGridHeader.h"

namespace inputtest {

class TInputTree : public TStringTreeGrid
{
public:
    TInputTree() { SetNodeDataType<QString>(); }
    ~TInputTree() override { DestroyTree(); }

    using TStringTreeGrid::DoTimerScroll;
    using TStringTreeGrid::FEditTimer;
    using TStringTreeGrid::FScrollTimer;
    using TStringTreeGrid::FSearchTimer;
    using TStringTreeGrid::SearchTimerTick;

    int Beeps = 0;
    int Edits = 0;
    int DragCancels = 0;

protected:
    void IncrementalSearchFailed() override { ++Beeps; }
    void DragCanceled() override
    {
        ++DragCancels;
        TStringTreeGrid::DragCanceled();
    }
    void DoEdit() override
    {
        ++Edits;
        TStringTreeGrid::DoEdit();
    }
};

// Rows 18 pixels high in a 300 x 200 client area without a frame; texts from the node data.
struct TInputFixture {
    std::unique_ptr<TInputTree> tree;
    QWidget *viewport = nullptr;
    int rowHeight = 18;

    explicit TInputFixture(QSize size = QSize(300, 200))
    {
        tree.reset(TBaseTreeGrid::Create<TInputTree>());
        tree->SetBorderStyle(bsNone);
        tree->resize(size);
        tree->OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
            text = *sender->GetNodeData<QString>(node);
        };
        viewport = tree->viewport();
        rowHeight = int(tree->DefaultNodeHeight());
        tree->show();
        tree->activateWindow();
        QApplication::setActiveWindow(tree.get());
        tree->setFocus();
        QApplication::processEvents();
    }

    PGridNode Add(const QString &text, PGridNode parent = nullptr)
    {
        PGridNode node = tree->AddChild(parent);
        *tree->GetNodeData<QString>(node) = text;
        return node;
    }
    std::vector<PGridNode> AddRows(int count, const QString &prefix = QStringLiteral("Row"))
    {
        std::vector<PGridNode> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back(Add(QStringLiteral("%1 %2").arg(prefix).arg(i)));
        tree->UpdateScrollBars(true);
        return rows;
    }
    void AddColumns(std::initializer_list<int> widths)
    {
        for (int width : widths)
            tree->Header()->Columns()->Add()->SetWidth(width);
        tree->UpdateScrollBars(true);
    }
    void Options(TTGSelectionOptions selection, TTGMiscOptions misc = {}, TTGPaintOptions paintOff = {})
    {
        auto &options = tree->TreeOptions();
        options.SetSelectionOptions(options.SelectionOptions() + selection);
        options.SetMiscOptions(options.MiscOptions() + misc);
        options.SetPaintOptions(options.PaintOptions() - paintOff);
    }

    // The middle of a row (by its place among the visible rows), a little right of the left edge.
    QPoint Row(int visibleIndex, int x = 120) const { return QPoint(x, visibleIndex * rowHeight + rowHeight / 2); }

    void Press(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(viewport, button, keys, p);
    }
    void Release(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(viewport, button, keys, p);
    }
    void Click(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton)
    {
        Press(p, keys, button);
        Release(p, keys, button);
    }
    void DoubleClick(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Click(p, keys);
        QTest::mouseDClick(viewport, Qt::LeftButton, keys, p);
        Release(p, keys);
    }
    // A move with the buttons QTest holds (none: a plain hover move).
    void Move(QPoint p) { QTest::mouseMove(viewport, p); }
    void Wheel(QPoint at, QPoint angleDelta, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QWheelEvent event(QPointF(at), viewport->mapToGlobal(QPointF(at)), QPoint(), angleDelta, Qt::NoButton, keys,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }
    void Key(int key, Qt::KeyboardModifiers keys = Qt::NoModifier) { QTest::keyClick(tree.get(), Qt::Key(key), keys); }

    std::vector<QString> Selected() const
    {
        std::vector<QString> result;
        for (PGridNode run = tree->GetFirstSelected(); run; run = tree->GetNextSelected(run))
            result.push_back(*tree->GetNodeData<QString>(run));
        return result;
    }
    QString Focused() const
    {
        PGridNode node = tree->FocusedNode();
        return node ? *tree->GetNodeData<QString>(node) : QString();
    }
    // The in-place editor of a running edit.
    TTGEdit *Editor() const
    {
        auto *link = dynamic_cast<TStringEditLink *>(tree->EditLink());
        return link ? link->Edit() : nullptr;
    }
};

// An editable tree of two columns under a visible header; edited texts go into the node data,
// cancelled edits are recorded. A fixture that records more from the tree's events resets the
// tree in its own destructor: the last edit still reports into it.
struct TEditableFixture : TInputFixture {
    std::vector<TColumnIndex> cancelled;

    explicit TEditableFixture(TTGSelectionOptions selection = {})
    {
        AddColumns({140, 140});
        tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
        Options(selection, {toEditable});
        tree->OnNewText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, const QString &text) {
            *sender->GetNodeData<QString>(node) = text;
        };
        tree->OnEditCancelled = [this](TBaseTreeGrid *, TColumnIndex column) { cancelled.push_back(column); };
        QApplication::processEvents();
    }
    ~TEditableFixture() { tree.reset(); }

    // Starts an edit of the cell and types over its text.
    void Type(PGridNode node, TColumnIndex column, const QString &text)
    {
        ASSERT_TRUE(tree->EditNode(node, column));
        ASSERT_NE(Editor(), nullptr);
        QTest::keyClicks(Editor(), text);
    }
    QString Text(PGridNode node) const { return *tree->GetNodeData<QString>(node); }
};

// The x of a point a little inside the first part of a row that hits `position` (its check box,
// its text), found by hit testing along the row; -1 when none does.
inline int XWhere(TBaseTreeGrid &tree, int y, THitPosition position)
{
    for (int x = 0; x < tree.ClientWidth(); ++x)
        if (tree.GetHitTestInfoAt(x, y).HitPositions.contains(position))
            return x + 2;
    return -1;
}

inline std::vector<QString> Names(std::initializer_list<const char *> names)
{
    std::vector<QString> result;
    for (const char *name : names)
        result.push_back(QString::fromLatin1(name));
    return result;
}

} // namespace inputtest
