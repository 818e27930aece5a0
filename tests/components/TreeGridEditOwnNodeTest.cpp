// An edit belongs to its own node and stays over its own cell: whatever an event handler opens
// while the focus moves, the focus never sits elsewhere while a node's edit is open; a row that
// goes out of sight takes its edit with it; a scrolled column keeps its editor.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <vector>

#include "TreeGridInputTestSupport.h"
#include "common/RepaintCheck.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"

using inputtest::TEditableFixture;
using inputtest::TInputFixture;
using testsupport::ShowsFullRender;

namespace {

// An editable tree of two columns whose OnEdited opens the second column after the first, as
// owners do to walk a row; every notification is recorded with its node.
struct TOwnNodeFixture : TEditableFixture {
    std::vector<std::pair<PGridNode, TColumnIndex>> edited;
    bool openNext = true;

    TOwnNodeFixture()
        : TEditableFixture(TTGSelectionOptions{toExtendedFocus})
    {
        tree->OnEdited = [this](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column) {
            edited.emplace_back(node, column);
            if (openNext && column == 0)
                sender->EditNode(node, 1);
        };
    }
    // The tree goes first: its last edit still reports into this fixture.
    ~TOwnNodeFixture() { tree.reset(); }

    // No edit runs on a node other than the focused one.
    bool EditStaysWithTheFocus() const
    {
        return !tree->IsEditing() || tree->EditedNode() == tree->FocusedNode();
    }
    // Types into whatever has the keyboard and presses Enter there.
    void TypeAndEnter(const QString &text)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : tree.get();
        QTest::keyClicks(target, text);
        target = QApplication::focusWidget() ? QApplication::focusWidget() : tree.get();
        QTest::keyClick(target, Qt::Key_Return);
    }
};

} // namespace

TEST(TreeGridEditOwnNodeTest, MovingTheFocusByCodeEndsTheEditOpenedForTheNextColumn)
{
    TOwnNodeFixture f;
    const auto rows = f.AddRows(3);

    f.Type(rows[0], 0, QStringLiteral("typed"));
    f.tree->SetFocusedNode(rows[1]);
    // The edit of the second column, opened as the first ended, ended as well.
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_EQ(f.tree->FocusedNode(), rows[1]);
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("typed"));
    const std::vector<std::pair<PGridNode, TColumnIndex>> expected{{rows[0], 0}, {rows[0], 1}};
    EXPECT_EQ(f.edited, expected);
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // The old row goes; typing and Enter reach nothing of it.
    f.tree->DeleteNode(rows[0]);
    f.TypeAndEnter(QStringLiteral("more"));
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("Row 1"));
    EXPECT_EQ(f.Text(rows[2]), QStringLiteral("Row 2"));
    EXPECT_EQ(f.edited.size(), 2u);
}

TEST(TreeGridEditOwnNodeTest, AClickOnAnotherRowLeavesNoEditOfTheOldRow)
{
    TOwnNodeFixture f;
    const auto rows = f.AddRows(3);

    f.Type(rows[0], 0, QStringLiteral("typed"));
    f.Click(f.Row(1, 40));
    EXPECT_TRUE(f.EditStaysWithTheFocus());
    EXPECT_EQ(f.tree->FocusedNode(), rows[1]);
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("typed"));
    ASSERT_FALSE(f.edited.empty());
    for (const auto &[node, column] : f.edited)
        EXPECT_EQ(node, rows[0]) << "column " << column << " reported for the row it edited";

    f.tree->DeleteNode(rows[0]);
    f.TypeAndEnter(QStringLiteral("more"));
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("Row 1"));
    EXPECT_TRUE(f.EditStaysWithTheFocus());
    QApplication::processEvents();
}

TEST(TreeGridEditOwnNodeTest, AnEditOpenedWhileTheFocusIsAskedForEndsBeforeTheFocusMoves)
{
    TOwnNodeFixture f;
    f.openNext = false;
    const auto rows = f.AddRows(3);
    // The handler that is asked whether the focus may move opens an edit on the old row.
    f.tree->OnFocusChanging = [&](TBaseTreeGrid *sender, PGridNode oldNode, PGridNode, TColumnIndex,
                                  TColumnIndex, bool &allowed) {
        if (oldNode == rows[0] && !sender->IsEditing())
            sender->EditNode(oldNode, 1);
        allowed = true;
    };
    f.tree->SetFocusedNode(rows[0]);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.tree->FocusedNode(), rows[1]);
    EXPECT_TRUE(f.EditStaysWithTheFocus());
    EXPECT_FALSE(f.tree->IsEditing());
    const std::vector<std::pair<PGridNode, TColumnIndex>> expected{{rows[0], 1}};
    EXPECT_EQ(f.edited, expected);

    // An edit a handler opens on the row the focus moves to stays open there.
    f.tree->OnFocusChanging = nullptr;
    f.tree->OnEdited = [&](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column) {
        f.edited.emplace_back(node, column);
        if (node == rows[1])
            sender->EditNode(rows[2], 0);
    };
    f.Type(rows[1], 0, QStringLiteral("second"));
    f.tree->SetFocusedNode(rows[2]);
    EXPECT_EQ(f.tree->FocusedNode(), rows[2]);
    EXPECT_EQ(f.tree->EditedNode(), rows[2]);
    ASSERT_NE(f.Editor(), nullptr);
    QTest::keyClicks(f.Editor(), QStringLiteral("third"));
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("second"));
    EXPECT_EQ(f.Text(rows[2]), QStringLiteral("third"));
}

TEST(TreeGridEditOwnNodeTest, AnEditThatKeepsOpeningOnAnotherRowStillLetsTheFocusGo)
{
    TOwnNodeFixture f;
    f.openNext = false;
    const auto rows = f.AddRows(3);
    // Every end opens the other column again: the focus still moves, the edits stay behind.
    f.tree->OnEdited = [&](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column) {
        f.edited.emplace_back(node, column);
        sender->EditNode(node, 1 - column);
    };
    f.Type(rows[0], 0, QStringLiteral("typed"));
    f.tree->SetFocusedNode(rows[2]);
    EXPECT_EQ(f.tree->FocusedNode(), rows[2]);
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_EQ(f.Text(rows[0]), QStringLiteral("typed"));
    for (const auto &[node, column] : f.edited)
        EXPECT_EQ(node, rows[0]);
    EXPECT_FALSE(f.cancelled.empty()) << "the last reopened edit is cancelled";
    f.tree->DeleteNode(rows[0]);
    f.TypeAndEnter(QStringLiteral("x"));
    EXPECT_EQ(f.Text(rows[2]), QStringLiteral("Row 2"));
}

TEST(TreeGridEditOwnNodeTest, CollapsingTheParentOfTheEditedRowEndsItsEdit)
{
    TOwnNodeFixture f;
    f.openNext = false;
    PGridNode parent = f.Add(QStringLiteral("Parent"));
    PGridNode child = f.Add(QStringLiteral("Child"), parent);
    PGridNode next = f.Add(QStringLiteral("Next"));
    f.tree->SetExpanded(parent, true);
    f.tree->UpdateScrollBars(true);

    // The typed text is kept, as when the editor loses the focus; nothing is left over "Next".
    f.Type(child, 0, QStringLiteral("typed"));
    f.tree->SetExpanded(parent, false);
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_TRUE(f.Editor() == nullptr || !f.Editor()->isVisible());
    EXPECT_EQ(f.Text(child), QStringLiteral("typed"));
    const std::vector<std::pair<PGridNode, TColumnIndex>> expected{{child, 0}};
    EXPECT_EQ(f.edited, expected);
    f.TypeAndEnter(QStringLiteral("more"));
    EXPECT_EQ(f.Text(child), QStringLiteral("typed"));
    EXPECT_EQ(f.Text(next), QStringLiteral("Next"));
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // Without taking changes on focus loss, the text is dropped.
    auto &options = f.tree->StringTreeOptions();
    options.SetStringOptions(options.StringOptions() - toAutoAcceptEditChange);
    f.tree->SetExpanded(parent, true);
    f.Type(child, 0, QStringLiteral("dropped"));
    f.tree->SetExpanded(parent, false);
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_EQ(f.Text(child), QStringLiteral("typed"));
    EXPECT_EQ(f.cancelled, std::vector<TColumnIndex>{0});

    // Collapsing the edited row itself hides nothing of it: its edit runs on.
    PGridNode grandChild = f.Add(QStringLiteral("Below"), child);
    f.tree->SetExpanded(parent, true);
    f.tree->SetExpanded(child, true);
    f.Type(child, 0, QStringLiteral("own"));
    f.tree->SetExpanded(child, false);
    EXPECT_EQ(f.tree->EditedNode(), child);
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.Text(child), QStringLiteral("own"));
    EXPECT_EQ(f.Text(grandChild), QStringLiteral("Below"));
}

TEST(TreeGridEditOwnNodeTest, AHiddenRowEndsItsEditAndOpensNone)
{
    TOwnNodeFixture f;
    f.openNext = false;
    const auto rows = f.AddRows(3);

    f.Type(rows[1], 0, QStringLiteral("typed"));
    f.tree->SetIsVisible(rows[1], false);
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_EQ(f.Text(rows[1]), QStringLiteral("typed"));
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));

    // A row that does not show has no cell to edit in.
    EXPECT_FALSE(f.tree->EditNode(rows[1], 0));
    EXPECT_EQ(f.Editor(), nullptr);
    f.tree->SetIsVisible(rows[1], true);
    EXPECT_TRUE(f.tree->EditNode(rows[1], 0));
    QTest::keyClick(f.Editor(), Qt::Key_Escape);
}

TEST(TreeGridEditOwnNodeTest, HidingTheParentOfTheEditedRowEndsItsEdit)
{
    TOwnNodeFixture f;
    f.openNext = false;
    PGridNode parent = f.Add(QStringLiteral("Parent"));
    PGridNode child = f.Add(QStringLiteral("Child"), parent);
    PGridNode next = f.Add(QStringLiteral("Next"));
    f.tree->SetExpanded(parent, true);
    f.tree->UpdateScrollBars(true);

    f.Type(child, 0, QStringLiteral("typed"));
    f.tree->SetIsHidden(parent, true);
    EXPECT_FALSE(f.tree->IsEditing());
    EXPECT_EQ(f.Text(child), QStringLiteral("typed"));
    EXPECT_TRUE(ShowsFullRender(f.tree.get()));
    f.TypeAndEnter(QStringLiteral("more"));
    EXPECT_EQ(f.Text(child), QStringLiteral("typed"));
    EXPECT_EQ(f.Text(next), QStringLiteral("Next"));

    // Shown again, the edit of another row is left alone when a row is hidden.
    f.tree->SetIsHidden(parent, false);
    f.Type(next, 0, QStringLiteral("kept open"));
    f.tree->SetIsHidden(child, true);
    EXPECT_EQ(f.tree->EditedNode(), next);
    QTest::keyClick(f.Editor(), Qt::Key_Return);
    EXPECT_EQ(f.Text(next), QStringLiteral("kept open"));
}

TEST(TreeGridEditOwnNodeTest, TheEditorOfAScrolledGridColumnStaysOverItsColumn)
{
    TInputFixture f;
    f.AddColumns({150, 150, 150});
    f.tree->Header()->SetOptions(f.tree->Header()->Options() + hoVisible);
    f.Options({toExtendedFocus}, {toEditable, toGridExtensions});
    f.AddRows(3);
    QApplication::processEvents();
    TTreeGridColumns *columns = f.tree->Header()->Columns();
    auto editorLeftInColumn = [&]() {
        int left = 0, right = 0;
        columns->GetColumnBounds(1, left, right);
        return f.Editor()->geometry().left() - left;
    };

    // Unscrolled: where the editor stands within its column.
    f.Click(QPoint(200, f.Row(1).y()));
    ASSERT_EQ(f.tree->FocusedColumn(), 1);
    f.Key(Qt::Key_F2);
    ASSERT_NE(f.Editor(), nullptr);
    const int unscrolled = editorLeftInColumn();
    EXPECT_GE(unscrolled, 0);
    QTest::keyClick(f.Editor(), Qt::Key_Escape);

    // Scrolled right by a page of the bar: the column shows at the left edge; its editor
    // opens over it, not over the first column scrolled out of view.
    QScrollBar *bar = f.tree->horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() - 30, bar->height() / 2));
    QApplication::processEvents();
    ASSERT_EQ(f.tree->OffsetX(), -150);
    f.Key(Qt::Key_F2);
    ASSERT_NE(f.Editor(), nullptr);
    EXPECT_EQ(f.tree->OffsetX(), -150);
    EXPECT_EQ(editorLeftInColumn(), unscrolled);
    EXPECT_GE(f.Editor()->geometry().left(), 0);

    // Scrolled while it is open: it follows.
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(6, bar->height() / 2));
    QApplication::processEvents();
    ASSERT_GT(f.tree->OffsetX(), -150);
    EXPECT_EQ(editorLeftInColumn(), unscrolled);
    QTest::keyClick(f.Editor(), Qt::Key_Escape);
}
