// An open edit belongs to the focused cell: whatever moves the focus ends or cancels it first,
// so that no editor outlives its node, its tree or its link.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <vector>

#include "TreeGridInputTestSupport.h"
#include "TreeGridTestSupport.h"
#include "common/RepaintCheck.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridEdit.h"
#include "treegrid/TreeGridEditLink.h"

using inputtest::TEditableFixture;
using testsupport::ShowsFullRender;
using treegridtest::Shape;

namespace {

// Records the columns whose edits ended.
struct TEditFixture : TEditableFixture {
    std::vector<TColumnIndex> edited;

    TEditFixture()
    {
        tree->OnEdited = [this](TBaseTreeGrid *, PGridNode, TColumnIndex column) { edited.push_back(column); };
    }
    // The tree goes first: its last edit still reports into this fixture.
    ~TEditFixture() { tree.reset(); }

    bool EditorGone() const { return !tree->IsEditing() && tree->EditLink() == nullptr; }
};

// An owner's editor that may refuse to stop; it only counts what it is asked.
class TStubbornLink : public ITGEditLink
{
public:
    bool Refuse = true;
    int EndCalls = 0;
    int CancelCalls = 0;

    bool BeginEdit() override { return true; }
    bool CancelEdit() override
    {
        ++CancelCalls;
        return !Refuse;
    }
    bool EndEdit() override
    {
        ++EndCalls;
        return !Refuse;
    }
    bool PrepareEdit(TBaseTreeGrid *, TGridNode *, int) override { return true; }
    QRect GetBounds() override { return {}; }
    void ProcessMessage(QEvent *) override {}
    void SetBounds(QRect) override {}
};

} // namespace

TEST(TreeGridEditFocusTest, MovingTheFocusEndsTheEditAndTheOldNodeCanGo)
{
    TEditFixture f;
    const auto rows = f.AddRows(4);

    // Focusing another node hands the typed text to the edited node first.
    f.Type(rows[0], 0, QStringLiteral("first"));
    f.tree->SetFocusedNode(rows[1]);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("first"));
    EXPECT_EQ(f.edited, std::vector<TColumnIndex>{0});
    EXPECT_EQ(f.tree->FocusedNode(), rows[1]);
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));
    // The old node goes; nothing refers to it any more (valgrind and ASan see the rest).
    f.tree->DeleteNode(rows[0]);
    EXPECT_TRUE(f.tree->EndEditNode());
    EXPECT_TRUE(f.tree->CancelEditNode());
    QApplication::processEvents();

    // Node and column at once: ended the same way.
    f.Type(rows[1], 1, QStringLiteral("second"));
    f.tree->SetFocusedNodeAndColumn(rows[2], 0);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("second"));
    EXPECT_EQ(f.tree->FocusedNode(), rows[2]);
    EXPECT_EQ(f.tree->FocusedColumn(), 0);

    // A click on another row ends it as well.
    f.Type(rows[2], 0, QStringLiteral("third"));
    f.Click(f.Row(0, 40));
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[2]), QStringLiteral("third"));
    EXPECT_EQ(f.tree->FocusedNode(), rows[1]);
}

TEST(TreeGridEditFocusTest, ColumnMainColumnAndNewChildrenCancelTheEdit)
{
    TEditFixture f;
    const auto rows = f.AddRows(3);

    // Another focused column drops what was typed.
    f.Type(rows[0], 0, QStringLiteral("lost"));
    ASSERT_EQ(f.tree->FocusedColumn(), 0);
    f.tree->SetFocusedColumn(1);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("Row 0"));
    EXPECT_EQ(f.cancelled, std::vector<TColumnIndex>{0});
    EXPECT_EQ(f.tree->FocusedColumn(), 1);

    // So does another main column.
    f.Type(rows[1], 0, QStringLiteral("lost"));
    f.tree->Header()->SetMainColumn(1);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("Row 1"));
    EXPECT_EQ(f.cancelled.size(), 2u);

    // And a new node.
    f.Type(rows[2], 0, QStringLiteral("lost"));
    PGridNode added = f.Add(QStringLiteral("Row 3"));
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[2]), QStringLiteral("Row 2"));
    EXPECT_EQ(f.cancelled.size(), 3u);
    EXPECT_TRUE(f.edited.empty());
    QApplication::processEvents();
}

TEST(TreeGridEditFocusTest, APressOnTheHeaderEndsOrCancelsTheEdit)
{
    TEditFixture f;
    const auto rows = f.AddRows(2);
    auto *header = f.tree->findChild<QWidget *>(QStringLiteral("header"));
    ASSERT_NE(header, nullptr);
    ASSERT_TRUE(header->isVisible());
    const QPoint onHeader(60, header->height() / 2);

    // The tree keeps changed texts when the editor loses the focus: the press hands it over.
    f.Type(rows[0], 0, QStringLiteral("kept"));
    ASSERT_TRUE(f.Editor()->hasFocus());
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, onHeader);
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, onHeader);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("kept"));
    EXPECT_TRUE(f.tree->hasFocus());
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // Without that option the text is dropped.
    auto &options = f.tree->StringTreeOptions();
    options.SetStringOptions(options.StringOptions() - toAutoAcceptEditChange);
    f.Type(rows[1], 0, QStringLiteral("dropped"));
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, onHeader);
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, onHeader);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("Row 1"));
    EXPECT_EQ(f.cancelled.size(), 1u);
}

TEST(TreeGridEditFocusTest, AClickOnTheScrollBarKeepsTheEdit)
{
    TEditFixture f;
    f.AddRows(40);
    QApplication::processEvents();
    f.Type(f.tree->GetFirst(), 0, QStringLiteral("typed"));
    ASSERT_TRUE(f.Editor()->hasFocus());
    QScrollBar *bar = f.tree->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 4));
    EXPECT_LT(f.tree->OffsetY(), 0);
    EXPECT_TRUE(f.tree->IsEditing());
    ASSERT_NE(f.Editor(), nullptr);
    EXPECT_TRUE(f.Editor()->hasFocus());
    EXPECT_TRUE(f.edited.empty());
    EXPECT_TRUE(f.cancelled.empty());
}

TEST(TreeGridEditFocusTest, RemovingTheEditedColumnCancelsTheEdit)
{
    TEditFixture f;
    const auto rows = f.AddRows(5);
    TTreeGridColumns *columns = f.tree->Header()->Columns();
    columns->Add()->SetWidth(60);
    std::vector<TColumnIndex> handedTo;
    f.tree->OnNewText = [&](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column, const QString &text) {
        handedTo.push_back(column);
        *sender->GetNodeData<QString>(node) = text;
    };

    // A column after the edited one goes: the edit runs on and hands its text to its column.
    f.Type(rows[0], 0, QStringLiteral("kept"));
    columns->Delete(2);
    EXPECT_TRUE(f.tree->IsEditing());
    EXPECT_TRUE(f.tree->EndEditNode());
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("kept"));
    EXPECT_EQ(handedTo, std::vector<TColumnIndex>{0});

    // The edited column goes: the edit is cancelled while the column still exists.
    f.Type(rows[1], 1, QStringLiteral("lost"));
    columns->Delete(1);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.cancelled, std::vector<TColumnIndex>{1});
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("Row 1"));
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // A column before it goes: its index would name another column, so it is cancelled too.
    columns->Add()->SetWidth(140);
    f.Type(rows[2], 1, QStringLiteral("lost"));
    columns->Delete(0);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.cancelled, (std::vector<TColumnIndex>{1, 1}));
    EXPECT_EQ(f.Text(rows[2]), QStringLiteral("Row 2"));

    // All columns go at once.
    f.Type(rows[3], 0, QStringLiteral("lost"));
    columns->Clear();
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.cancelled, (std::vector<TColumnIndex>{1, 1, 0}));

    // An editor that refuses to stop is let go of all the same: its column is no more.
    columns->Add()->SetWidth(140);
    auto link = std::make_shared<TStubbornLink>();
    f.tree->OnCreateEditor = [&](TBaseTreeGrid *, PGridNode, TColumnIndex, std::shared_ptr<ITGEditLink> &result) {
        result = link;
    };
    ASSERT_TRUE(f.tree->EditNode(rows[4], 0));
    columns->Delete(0);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(link->CancelCalls, 1);
    EXPECT_EQ(f.cancelled.size(), 4u);

    // Nothing ever reached a column that was gone.
    QApplication::processEvents();
    EXPECT_EQ(handedTo, std::vector<TColumnIndex>{0});
    EXPECT_EQ(f.Text(rows[3]), QStringLiteral("Row 3"));
    EXPECT_TRUE(f.tree->EndEditNode());
}

TEST(TreeGridEditFocusTest, ARefusingEditorKeepsTheFocusButNotADeletedNode)
{
    TEditFixture f;
    const auto rows = f.AddRows(3);
    auto link = std::make_shared<TStubbornLink>();
    f.tree->OnCreateEditor = [&](TBaseTreeGrid *, PGridNode, TColumnIndex, std::shared_ptr<ITGEditLink> &result) {
        result = link;
    };
    ASSERT_TRUE(f.tree->EditNode(rows[1], 0));

    // The edit does not end, so the focus stays where it is.
    f.tree->SetFocusedNode(rows[2]);
    EXPECT_EQ(f.tree->FocusedNode(), rows[1]);
    EXPECT_TRUE(f.tree->IsEditing());
    EXPECT_EQ(link->EndCalls, 1);

    // Its node goes all the same: the tree lets go of the editor instead of keeping a freed node.
    f.tree->DeleteNode(rows[1]);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(link->CancelCalls, 1);
    EXPECT_EQ(f.cancelled.size(), 1u);
    EXPECT_EQ(f.tree->FocusedNode(), nullptr);
    EXPECT_TRUE(f.tree->EndEditNode());
}

TEST(TreeGridEditFocusTest, TheLinkEndingOrCancellingItselfEndsTheTreesEdit)
{
    TEditFixture f;
    const auto rows = f.AddRows(2);

    // A host cancels through the link: the tree is not left editing without an editor.
    f.Type(rows[0], 0, QStringLiteral("dropped"));
    ITGEditLink *link = f.tree->EditLink();
    EXPECT_TRUE(link->CancelEdit());
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.cancelled, std::vector<TColumnIndex>{0});
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("Row 0"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(f.tree->findChild<TTGEdit *>(), nullptr) << "the editor control is gone";

    // The same for an end through the link, which keeps the text.
    f.Type(rows[1], 1, QStringLiteral("kept"));
    EXPECT_TRUE(f.tree->EditLink()->EndEdit());
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("kept"));
    EXPECT_EQ(f.edited, std::vector<TColumnIndex>{1});
    EXPECT_EQ(f.cancelled.size(), 1u) << "no second notification";

    // Editing goes on as usual afterwards: F2 opens an editor on the focused cell.
    f.tree->setFocus();
    f.Key(Qt::Key_F2);
    EXPECT_TRUE(f.tree->IsEditing());
    ASSERT_NE(f.Editor(), nullptr);
    QTest::keyClick(f.Editor(), Qt::Key_Escape);
    EXPECT_TRUE(f.EditorGone());
}

TEST(TreeGridEditFocusTest, EachEndOrCancelNotifiesOnceAndAnEditStartedFromTheNotificationStays)
{
    TEditFixture f;
    const auto rows = f.AddRows(2);

    // Enter in the editor: one notification per edit.
    f.Type(rows[0], 0, QStringLiteral("one"));
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.edited, std::vector<TColumnIndex>{0});
    f.Type(rows[1], 1, QStringLiteral("two"));
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.edited, (std::vector<TColumnIndex>{0, 1}));
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("two"));

    // The usual pattern: ending the first column's edit opens the next column's editor.
    f.edited.clear();
    f.tree->OnEdited = [&f](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column) {
        f.edited.push_back(column);
        if (column == 0)
            sender->EditNode(node, 1);
    };
    f.Type(rows[0], 0, QStringLiteral("first"));
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.edited, std::vector<TColumnIndex>{0});
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("first"));
    ASSERT_TRUE(f.tree->IsEditing());
    EXPECT_EQ(f.tree->EditColumn(), 1);
    ASSERT_NE(f.Editor(), nullptr);
    EXPECT_TRUE(f.Editor()->isVisible());
    EXPECT_TRUE(f.Editor()->hasFocus());
    // The new editor takes keys and ends with its own single notification.
    QTest::keyClicks(f.Editor(), QStringLiteral("second"));
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.edited, (std::vector<TColumnIndex>{0, 1}));
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("second"));

    // Escape: one cancellation per edit, and the text stays as it was.
    for (const TColumnIndex column : {0, 1}) {
        f.Type(rows[1], column, QStringLiteral("dropped"));
        QTest::keyClick(f.Editor(), Qt::Key_Escape);
        EXPECT_TRUE(f.EditorGone());
        EXPECT_TRUE(f.tree->hasFocus());
    }
    EXPECT_EQ(f.cancelled, (std::vector<TColumnIndex>{0, 1}));
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("two"));
    EXPECT_EQ(f.edited.size(), 2u);
}

TEST(TreeGridEditFocusTest, DestroyingATreeWhileItsEditorHasTheFocus)
{
    // A top-level tree, as a window of its own; the editor holds the keyboard.
    for (const bool accept : {true, false}) {
        QString handedOver = QStringLiteral("none");
        {
            TEditFixture f;
            const auto rows = f.AddRows(2);
            auto &options = f.tree->StringTreeOptions();
            if (!accept)
                options.SetStringOptions(options.StringOptions() - toAutoAcceptEditChange);
            f.tree->OnNewText = [&](TBaseTreeGrid *, PGridNode, TColumnIndex, const QString &text) { handedOver = text; };
            f.Type(rows[1], 0, QStringLiteral("typed"));
            ASSERT_TRUE(f.Editor()->hasFocus());
            ASSERT_EQ(QApplication::focusWidget(), f.Editor());
        } // the tree is destroyed here, its editor with it
        QApplication::processEvents();
        EXPECT_EQ(handedOver, accept ? QStringLiteral("typed") : QStringLiteral("none"));
    }
}

// An owner's OnNewText may delete the node it is given (a row emptied by the edit goes, say):
// every road from the end of an edit on to the tree's last use of a node must find it gone.
TEST(TreeGridEditFocusTest, AnOnNewTextHandlerThatDeletesNodesLeavesNothingOfThemBehind)
{
    TEditFixture f;
    const auto rows = f.AddRows(4);
    PGridNode parent = f.Add(QStringLiteral("Parent"));
    PGridNode child = f.Add(QStringLiteral("Child"), parent);
    f.tree->ToggleNode(parent);
    std::vector<PGridNode> doomed;
    f.tree->OnNewText = [&](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, const QString &text) {
        *sender->GetNodeData<QString>(node) = text;
        for (PGridNode gone : doomed)
            sender->DeleteNode(gone);
        doomed.clear();
    };

    // Enter: the handler deletes the edited node itself.
    doomed = {rows[1]};
    f.Type(rows[1], 0, QStringLiteral("x"));
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.tree->RootNodeCount(), 4u);
    EXPECT_TRUE(f.edited.empty()) << "no notification names a deleted node";
    EXPECT_EQ(f.cancelled, std::vector<TColumnIndex>{0});
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*f.tree));
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // A plain text assignment whose handler deletes the node.
    doomed = {rows[2]};
    f.tree->SetText(rows[2], 0, QStringLiteral("y"));
    EXPECT_EQ(f.tree->RootNodeCount(), 3u);

    // Moving the focus ends the edit; its handler deletes the node the focus was to go to.
    doomed = {rows[3]};
    f.Type(rows[0], 0, QStringLiteral("kept"));
    f.tree->SetFocusedNode(rows[3]);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("kept"));
    EXPECT_EQ(f.tree->FocusedNode(), rows[0]);
    EXPECT_EQ(f.tree->RootNodeCount(), 2u);

    // Collapsing a parent ends the edit of its child; the handler deletes the parent.
    doomed = {parent};
    f.Type(child, 0, QStringLiteral("z"));
    f.tree->ToggleNode(parent);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.tree->RootNodeCount(), 1u);
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*f.tree));
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // The tree goes on as usual: an edit of what is left still hands its text over.
    f.Type(rows[0], 0, QStringLiteral("last"));
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("last"));
    EXPECT_EQ(f.edited.size(), 2u);
    QApplication::processEvents();
}

// Sorting moves the rows under a running edit: the edit ends first (its text goes to its own
// node), and when the editor refuses to end nothing is sorted.
TEST(TreeGridEditFocusTest, SortingEndsTheRunningEditOrSortsNothing)
{
    TEditFixture f;
    const std::vector<PGridNode> rows{f.Add(QStringLiteral("zeta")), f.Add(QStringLiteral("alpha")),
                                      f.Add(QStringLiteral("mid"))};
    f.tree->OnCompareNodes = [](TBaseTreeGrid *sender, PGridNode a, PGridNode b, TColumnIndex, int &result) {
        result = sender->GetNodeData<QString>(a)->compare(*sender->GetNodeData<QString>(b));
    };

    f.Type(rows[0], 0, QStringLiteral("omega"));
    f.tree->SortTree(0, sdAscending);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("omega"));
    EXPECT_EQ(Shape(*f.tree), QStringLiteral("alpha,mid,omega"));
    EXPECT_EQ(f.edited, std::vector<TColumnIndex>{0});
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // The children of one node the same way.
    f.Type(rows[1], 0, QStringLiteral("beta"));
    f.tree->Sort(nullptr, 0, sdDescending);
    EXPECT_TRUE(f.EditorGone());
    EXPECT_EQ(Shape(*f.tree), QStringLiteral("omega,mid,beta"));

    // An editor that refuses to end keeps its row where it is, in both ways of sorting.
    auto link = std::make_shared<TStubbornLink>();
    f.tree->OnCreateEditor = [&](TBaseTreeGrid *, PGridNode, TColumnIndex, std::shared_ptr<ITGEditLink> &result) {
        result = link;
    };
    ASSERT_TRUE(f.tree->EditNode(rows[2], 0));
    f.tree->SortTree(0, sdAscending);
    f.tree->Sort(nullptr, 0, sdAscending);
    EXPECT_TRUE(f.tree->IsEditing());
    EXPECT_EQ(f.tree->EditedNode(), rows[2]);
    EXPECT_EQ(link->EndCalls, 2);
    EXPECT_EQ(Shape(*f.tree), QStringLiteral("omega,mid,beta"));

    // Once it lets go, the next sort goes ahead.
    link->Refuse = false;
    f.tree->SortTree(0, sdAscending);
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_EQ(Shape(*f.tree), QStringLiteral("beta,mid,omega"));
}
