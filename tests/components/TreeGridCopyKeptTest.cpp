// A copy survives the copied rows: whatever frees them before the paste (deleting them or their
// parent, clearing, resetting children, moving them to another tree), the paste here or in
// another tree brings them, and what another program reads from the clipboard holds them.

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include <functional>
#include <memory>

#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"

namespace {

using treegridtest::AddText;
using treegridtest::Shape;

// a(a1,a2), b(b1), c
struct TCopyFixture {
    std::unique_ptr<TStringTreeGrid> tree = treegridtest::ShowTextTree(1, 150);
    std::unique_ptr<TStringTreeGrid> other = treegridtest::ShowTextTree(1, 150);
    PGridNode a, a1, a2, b, b1, c;

    TCopyFixture()
    {
        a = AddText(*tree, nullptr, QStringLiteral("a"));
        a1 = AddText(*tree, a, QStringLiteral("a1"));
        a2 = AddText(*tree, a, QStringLiteral("a2"));
        b = AddText(*tree, nullptr, QStringLiteral("b"));
        b1 = AddText(*tree, b, QStringLiteral("b1"));
        c = AddText(*tree, nullptr, QStringLiteral("c"));
        tree->FullExpand();
    }
    PGridNode Node(const char *text)
    {
        for (PGridNode run = tree->GetFirst(); run; run = tree->GetNext(run))
            if (*tree->GetNodeData<QString>(run) == QLatin1String(text))
                return run;
        return nullptr;
    }
};

struct TCopied {
    const char *name;
    std::vector<const char *> rows; // selected for the copy
    const char *shape;              // what a paste into an empty tree brings
};

struct TRoad {
    const char *name;
    // Frees the copied rows (the selection still holds them).
    std::function<void(TCopyFixture &, const std::vector<PGridNode> &copied)> free;
};

PGridNode ParentOf(TCopyFixture &f, PGridNode node)
{
    return node->Parent == f.tree->RootNode() ? nullptr : node->Parent;
}

const std::vector<TRoad> &Roads()
{
    static const std::vector<TRoad> roads = {
        {"deleting them",
         [](TCopyFixture &f, const std::vector<PGridNode> &copied) {
             for (PGridNode node : copied)
                 f.tree->DeleteNode(node);
         }},
        {"the Delete key",
         [](TCopyFixture &f, const std::vector<PGridNode> &) {
             // The program's Delete action, triggered by its key in the tree's window.
             QAction del;
             del.setShortcut(QKeySequence::Delete);
             QObject::connect(&del, &QAction::triggered, f.tree.get(), [&] { f.tree->ExecuteAction(&del); });
             f.tree->addAction(&del);
             QApplication::setActiveWindow(f.tree.get());
             f.tree->setFocus();
             QTest::keyClick(f.tree.get(), Qt::Key_Delete);
             f.tree->removeAction(&del);
         }},
        {"deleting their parents",
         [](TCopyFixture &f, const std::vector<PGridNode> &copied) {
             for (PGridNode node : copied)
                 if (PGridNode parent = ParentOf(f, node))
                     f.tree->DeleteNode(parent);
                 else
                     f.tree->DeleteNode(node);
         }},
        {"deleting the children of their parents",
         [](TCopyFixture &f, const std::vector<PGridNode> &copied) { f.tree->DeleteChildren(ParentOf(f, copied[0])); }},
        {"resetting their parents",
         [](TCopyFixture &f, const std::vector<PGridNode> &copied) { f.tree->ResetNode(ParentOf(f, copied[0])); }},
        {"a child count of 0",
         [](TCopyFixture &f, const std::vector<PGridNode> &copied) { f.tree->SetChildCount(ParentOf(f, copied[0]), 0); }},
        {"clearing the tree", [](TCopyFixture &f, const std::vector<PGridNode> &) { f.tree->Clear(); }},
        {"moving them to another tree",
         [](TCopyFixture &f, const std::vector<PGridNode> &copied) {
             auto third = treegridtest::ShowTextTree(1, 150);
             for (PGridNode node : copied)
                 f.tree->MoveTo(node, third.get(), nullptr, amAddChildLast);
         }},
    };
    return roads;
}

TEST(TreeGridCopyKeptTest, ThePasteBringsTheCopiedRowsWhateverFreedThem)
{
    const TCopied copies[] = {
        {"a row", {"c"}, "c"},
        {"a row with children", {"a"}, "a(a1,a2)"},
        {"a child", {"a2"}, "a2"},
        {"two rows", {"b", "c"}, "b(b1),c"},
    };
    for (const TCopied &copy : copies) {
        for (const TRoad &road : Roads()) {
            SCOPED_TRACE(std::string(copy.name) + ", " + road.name);
            TCopyFixture f;
            std::vector<PGridNode> copied;
            for (const char *row : copy.rows) {
                copied.push_back(f.Node(row));
                f.tree->SetSelected(copied.back(), true);
            }
            f.tree->CopyToClipBoard();
            ASSERT_TRUE(f.tree->TreeStates().contains(tsCopyPending));

            // A deletion elsewhere leaves the copy as it is.
            if (copy.rows.size() == 1 && std::string(copy.rows[0]) != "b") {
                f.tree->DeleteNode(f.b1);
                EXPECT_TRUE(f.tree->TreeStates().contains(tsCopyPending));
                EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(QGuiApplication::clipboard()->mimeData()), f.tree.get());
            }

            road.free(f, copied);
            for (const char *row : copy.rows)
                ASSERT_EQ(f.Node(row), nullptr) << row << " is still there";

            // Another program reads the rows; the data no longer names the tree.
            const QMimeData *data = QGuiApplication::clipboard()->mimeData();
            ASSERT_NE(data, nullptr);
            for (const char *row : copy.rows)
                EXPECT_TRUE(data->text().contains(QString::fromLatin1(row))) << data->text().toStdString();
            EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(data), nullptr);
            EXPECT_FALSE(f.tree->TreeStates().contains(tsCopyPending));

            // Pasted into another tree, and back into this one, the copied rows come.
            ASSERT_TRUE(f.other->PasteFromClipboard());
            EXPECT_EQ(Shape(*f.other), QString::fromLatin1(copy.shape));
            const QString before = Shape(*f.tree);
            f.tree->SetFocusedNode(nullptr);
            ASSERT_TRUE(f.tree->PasteFromClipboard());
            EXPECT_EQ(Shape(*f.tree), before.isEmpty() ? QString::fromLatin1(copy.shape)
                                                       : before + QLatin1Char(',') + QString::fromLatin1(copy.shape));
            EXPECT_TRUE(treegridtest::TreeIsConsistent(*f.tree));
        }
    }
}

} // namespace
