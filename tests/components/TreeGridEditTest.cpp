#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include <memory>

#include "TreeGridTestSupport.h"
#include "treegrid/StringEditLink.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridEdit.h"
#include "treegrid/TreeGridHeader.h"

namespace {

// A shown string tree whose nodes keep their texts, editable, with two columns.
std::unique_ptr<TStringTreeGrid> MakeTree()
{
    auto tree = treegridtest::ShowTextTree(2, 150);
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toEditable);
    tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
    return tree;
}

using treegridtest::AddText;
using treegridtest::Shape;

TTGEdit *Editor(TStringTreeGrid &tree)
{
    auto *link = dynamic_cast<TStringEditLink *>(tree.EditLink());
    return link ? link->Edit() : nullptr;
}

} // namespace

TEST(TreeGridEditTest, TypingAndEnterHandTheTextToTheTreeEscapeKeepsIt)
{
    auto tree = MakeTree();
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("alpha"));
    PGridNode b = AddText(*tree, nullptr, QStringLiteral("beta"));
    std::vector<int> edited, cancelled;
    tree->OnEdited = [&](TBaseTreeGrid *, PGridNode, TColumnIndex column) { edited.push_back(column); };
    tree->OnEditCancelled = [&](TBaseTreeGrid *, TColumnIndex column) { cancelled.push_back(column); };

    ASSERT_TRUE(tree->EditNode(a, 1));
    EXPECT_EQ(tree->FocusedNode(), a);
    EXPECT_EQ(tree->EditColumn(), 1);
    TTGEdit *edit = Editor(*tree);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("alpha"));
    // The editor stands over its cell, inside the client area.
    const QRect cell = tree->GetDisplayRect(a, 1, false);
    EXPECT_GE(edit->geometry().left(), cell.left());
    EXPECT_LE(edit->geometry().right(), tree->ClientWidth());
    QTest::keyClicks(edit, QStringLiteral("omega"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(*tree->GetNodeData<QString>(a), QStringLiteral("omega"));
    EXPECT_EQ(edited, std::vector<int>{1});

    ASSERT_TRUE(tree->EditNode(b, 0));
    QTest::keyClicks(Editor(*tree), QStringLiteral("zzz"));
    QTest::keyClick(Editor(*tree), Qt::Key_Escape);
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(*tree->GetNodeData<QString>(b), QStringLiteral("beta"));
    EXPECT_EQ(cancelled, std::vector<int>{0});
    QApplication::processEvents();

    // The owner may refuse; a read-only tree never edits.
    tree->OnEditing = [](TBaseTreeGrid *, PGridNode, TColumnIndex, bool &allowed) { allowed = false; };
    EXPECT_FALSE(tree->EditNode(a, 0));
    tree->OnEditing = nullptr;
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toReadOnly);
    EXPECT_FALSE(tree->EditNode(a, 0));
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() - toReadOnly);

    // F2 on the focused cell starts an edit too, and EndEditNode takes a changed text.
    tree->SetFocusedNode(b);
    tree->SetFocusedColumn(0);
    tree->setFocus();
    QTest::keyClick(tree.get(), Qt::Key_F2);
    ASSERT_TRUE(tree->IsEditing());
    QTest::keyClicks(Editor(*tree), QStringLiteral("gamma")); // typed over the selected text
    EXPECT_TRUE(tree->EndEditNode());
    EXPECT_EQ(*tree->GetNodeData<QString>(b), QStringLiteral("gamma"));

    // An owner's nil editor is an error.
    tree->OnCreateEditor = [](TBaseTreeGrid *, PGridNode, TColumnIndex, std::shared_ptr<ITGEditLink> &) {};
    EXPECT_THROW(tree->EditNode(a, 0), ETreeGridError);
}

TEST(TreeGridEditTest, NarrowCellsWidenDeletedNodesCancelAndResizedColumnsMoveTheEditor)
{
    auto tree = MakeTree();
    tree->Header()->Columns()->Items(0)->SetWidth(12);
    PGridNode parent = AddText(*tree, nullptr, QStringLiteral("p"));
    PGridNode child = AddText(*tree, parent, QStringLiteral("c"));
    tree->SetExpanded(parent, true);

    ASSERT_TRUE(tree->EditNode(parent, 0));
    EXPECT_GE(Editor(*tree)->width(), 30) << "an edit narrower than 30 pixels is widened";
    EXPECT_GE(Editor(*tree)->geometry().left(), 0);

    // A wider column moves the second column's editor along.
    tree->EndEditNode();
    ASSERT_TRUE(tree->EditNode(parent, 1));
    const int before = Editor(*tree)->geometry().left();
    tree->Header()->Columns()->Items(0)->SetWidth(80);
    EXPECT_EQ(Editor(*tree)->geometry().left(), before + 68);

    // Deleting the edited node's ancestor cancels the edit before the node goes.
    tree->EndEditNode();
    ASSERT_TRUE(tree->EditNode(child, 0));
    int cancelled = 0;
    tree->OnEditCancelled = [&](TBaseTreeGrid *, TColumnIndex) { ++cancelled; };
    tree->DeleteNode(parent);
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(tree->EditLink(), nullptr);
    EXPECT_EQ(cancelled, 1);
    QApplication::processEvents();

    // So does clearing the tree.
    PGridNode again = AddText(*tree, nullptr, QStringLiteral("x"));
    ASSERT_TRUE(tree->EditNode(again, 0));
    tree->Clear();
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(cancelled, 2);
    QApplication::processEvents();
}

TEST(TreeGridEditTest, CutPasteMovesCopyPasteCopiesAndForgedReferencesFindNoTree)
{
    auto tree = MakeTree();
    PGridNode a = AddText(*tree, nullptr, QStringLiteral("a"));
    PGridNode b = AddText(*tree, nullptr, QStringLiteral("b"));
    PGridNode c = AddText(*tree, nullptr, QStringLiteral("c"));

    // Copy keeps the nodes; the clipboard holds the rendered texts and nodes.
    tree->SetSelected(a, true);
    tree->CopyToClipBoard();
    EXPECT_TRUE(tree->TreeStates().contains(tsCopyPending));
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("\t\r\na\ta\r\n"));
    EXPECT_TRUE(data->hasHtml());
    EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(data), tree.get());
    tree->SetFocusedNode(c);
    tree->SetDefaultPasteMode(amInsertAfter);
    ASSERT_TRUE(tree->PasteFromClipboard());
    EXPECT_EQ(Shape(*tree), QStringLiteral("a,b,c,a"));

    // Cut and paste within the tree moves: the node is neither doubled nor lost.
    tree->ClearSelection();
    tree->SetSelected(b, true);
    tree->CutToClipBoard();
    EXPECT_TRUE(tree->TreeStates().contains(tsCutPending));
    EXPECT_TRUE(b->States.contains(vsCutOrCopy));
    tree->SetFocusedNode(a);
    tree->SetDefaultPasteMode(amAddChildLast);
    ASSERT_TRUE(tree->PasteFromClipboard());
    EXPECT_EQ(Shape(*tree), QStringLiteral("a(b),c,a"));
    EXPECT_FALSE(tree->TreeStates().intersects({tsCutPending, tsCopyPending}));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));

    // Cut in one tree, paste in another: copied there, deleted here.
    auto other = MakeTree();
    tree->ClearSelection();
    tree->SetSelected(c, true);
    tree->CutToClipBoard();
    ASSERT_TRUE(other->PasteFromClipboard());
    EXPECT_EQ(Shape(*other), QStringLiteral("c"));
    EXPECT_EQ(Shape(*tree), QStringLiteral("a(b),a"));

    // A new copy elsewhere drops the marks of a pending one.
    tree->SetSelected(tree->GetFirst(), true);
    tree->CopyToClipBoard();
    other->SetSelected(other->GetFirst(), true);
    other->CopyToClipBoard();
    EXPECT_FALSE(tree->TreeStates().contains(tsCopyPending));
    EXPECT_FALSE(tree->GetFirst()->States.contains(vsCutOrCopy));

    // A reference from another process, or a made-up token, names no tree.
    QMimeData forged;
    QByteArray reference = tree->TreeReference();
    EXPECT_EQ(reference.size(), 12);
    forged.setData(TBaseTreeGrid::MimeTypeOf(QStringLiteral("Tree Grid Data")), QByteArray());
    QByteArray otherProcess = reference;
    otherProcess[0] = char(otherProcess[0] ^ 0x55);
    forged.setData(QStringLiteral("application/x-velmora-tree-grid-reference"), otherProcess);
    EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(&forged), nullptr);
    QByteArray madeUp = reference;
    madeUp[7] = char(madeUp[7] ^ 0x01);
    forged.setData(QStringLiteral("application/x-velmora-tree-grid-reference"), madeUp);
    EXPECT_EQ(TBaseTreeGrid::GetTreeFromDataObject(&forged), nullptr);
    // Damaged node data pastes nothing and changes nothing.
    forged.setData(TBaseTreeGrid::MimeTypeOf(QStringLiteral("Tree Grid Data")), QByteArray("\x01\0\0\0\x7f\0\0\0", 8));
    EXPECT_FALSE(tree->ProcessOLEData(nullptr, &forged, nullptr, amAddChildLast, false));
    EXPECT_EQ(Shape(*tree), QStringLiteral("a(b),a"));
}

TEST(TreeGridEditTest, StandardEditActionsByTheirShortcuts)
{
    auto tree = MakeTree();
    for (const char *text : {"one", "two", "three"})
        AddText(*tree, nullptr, QString::fromLatin1(text));
    QAction selectAll, copy, paste, del, other;
    selectAll.setShortcut(QKeySequence::SelectAll);
    copy.setShortcut(QKeySequence::Copy);
    paste.setShortcut(QKeySequence::Paste);
    del.setShortcut(QKeySequence::Delete);
    other.setShortcut(QKeySequence(Qt::Key_F7));

    EXPECT_TRUE(tree->UpdateAction(&copy));
    EXPECT_FALSE(copy.isEnabled()) << "nothing selected";
    EXPECT_TRUE(tree->UpdateAction(&selectAll));
    EXPECT_TRUE(selectAll.isEnabled());
    EXPECT_FALSE(tree->UpdateAction(&other));
    EXPECT_FALSE(tree->ExecuteAction(&other));

    EXPECT_TRUE(tree->ExecuteAction(&selectAll));
    EXPECT_EQ(tree->SelectedCount(), 3);
    tree->UpdateAction(&copy);
    EXPECT_TRUE(copy.isEnabled());
    EXPECT_TRUE(tree->ExecuteAction(&copy));
    EXPECT_TRUE(tree->ExecuteAction(&paste));
    EXPECT_EQ(Shape(*tree), QStringLiteral("one,two,three,one,two,three"));
    EXPECT_TRUE(tree->ExecuteAction(&del));
    EXPECT_EQ(tree->RootNodeCount(), 0u);
    // The copied rows went onto the clipboard before they were deleted: the paste brings them.
    EXPECT_TRUE(tree->ExecuteAction(&paste));
    EXPECT_EQ(Shape(*tree), QStringLiteral("one,two,three"));

    // A read-only tree copies but neither deletes nor pastes.
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toReadOnly);
    tree->ExecuteAction(&selectAll);
    tree->ExecuteAction(&del);
    tree->ExecuteAction(&paste);
    EXPECT_EQ(tree->RootNodeCount(), 3u);
}
