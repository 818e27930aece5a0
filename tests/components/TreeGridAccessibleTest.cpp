// Assistive tools read a tree through Qt's accessibility: its rows in the order shown, each with
// its text and its place on the screen, one after the other.

#include <gtest/gtest.h>

#include <QAccessible>

#include "TreeGridInputTestSupport.h"
#include "treegrid/TreeGridAccessible.h"

using namespace inputtest;

namespace {

QAccessibleInterface *TreeInterface(TInputFixture &f)
{
    return QAccessible::queryAccessibleInterface(f.tree.get());
}

// The texts of the rows as a tool reads them: from the first item on, each time the next one.
QStringList ReadRows(QAccessibleInterface *tree)
{
    QStringList texts;
    for (int i = 0; i < tree->childCount(); ++i)
        texts << tree->child(i)->text(QAccessible::Name);
    return texts;
}

} // namespace

TEST(TreeGridAccessibleTest, ToolsReadTheRowsTheirTextsAndPlaces)
{
    TInputFixture f;
    f.Options({toFullRowSelect});
    PGridNode fruit = f.Add(QStringLiteral("Fruit"));
    f.Add(QStringLiteral("Apple"), fruit);
    f.Add(QStringLiteral("Pear"), fruit);
    f.Add(QStringLiteral("Bread"));
    f.AddRows(20);

    QAccessibleInterface *tree = TreeInterface(f);
    ASSERT_NE(tree, nullptr);
    EXPECT_NE(dynamic_cast<TTreeGridAccessible *>(tree), nullptr);
    EXPECT_EQ(tree->role(), QAccessible::Tree);
    ASSERT_EQ(tree->childCount(), 22) << "the children of a collapsed row are not shown";
    EXPECT_EQ(ReadRows(tree).mid(0, 3), (QStringList{QStringLiteral("Fruit"), QStringLiteral("Bread"),
                                                      QStringLiteral("Row 0")}));

    // Each item knows its place: among the rows, on the screen, and that it can be opened.
    QAccessibleInterface *first = tree->child(0);
    EXPECT_EQ(first->role(), QAccessible::TreeItem);
    EXPECT_EQ(first->parent(), tree);
    EXPECT_EQ(tree->indexOfChild(first), 0);
    EXPECT_EQ(tree->child(0), first) << "an item is the same object each time";
    EXPECT_TRUE(first->state().expandable);
    EXPECT_TRUE(first->state().collapsed);
    const QRect second = tree->child(1)->rect();
    EXPECT_EQ(second, QRect(f.viewport->mapToGlobal(QPoint(0, f.rowHeight)), QSize(f.tree->ClientWidth(), f.rowHeight)));
    EXPECT_EQ(tree->childAt(second.center().x(), second.center().y()), tree->child(1));
    EXPECT_TRUE(tree->child(21)->state().offscreen) << "the last row lies below the window";
    EXPECT_FALSE(first->state().offscreen);

    // The user opens the first row and picks a child: the tool finds the new rows in their
    // place, the focused and selected one among them.
    f.Click(f.Row(0));
    f.Key(Qt::Key_Right);
    ASSERT_EQ(tree->childCount(), 24);
    EXPECT_TRUE(tree->child(0)->state().expanded);
    EXPECT_EQ(ReadRows(tree).mid(0, 4), (QStringList{QStringLiteral("Fruit"), QStringLiteral("Apple"),
                                                      QStringLiteral("Pear"), QStringLiteral("Bread")}));
    f.Click(f.Row(2));
    QAccessibleInterface *pear = tree->focusChild();
    ASSERT_NE(pear, nullptr);
    EXPECT_EQ(pear->text(QAccessible::Name), QStringLiteral("Pear"));
    EXPECT_EQ(tree->indexOfChild(pear), 2);
    EXPECT_TRUE(pear->state().focused);
    EXPECT_TRUE(pear->state().selected);
    EXPECT_FALSE(tree->child(1)->state().selected);

    // The view moves: the places follow; the next item after the focused one is the next row.
    f.Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(pear->rect().top(), f.viewport->mapToGlobal(QPoint(0, f.rowHeight)).y());
    EXPECT_EQ(tree->child(tree->indexOfChild(pear) + 1)->text(QAccessible::Name), QStringLiteral("Bread"));

    // Rows go: an item beyond the last row is no longer valid, the others read the rows left.
    QAccessibleInterface *last = tree->child(23);
    ASSERT_TRUE(last->isValid());
    f.tree->DeleteNode(fruit);
    EXPECT_EQ(tree->childCount(), 21);
    EXPECT_FALSE(last->isValid());
    EXPECT_EQ(tree->child(0)->text(QAccessible::Name), QStringLiteral("Bread"));
    EXPECT_EQ(tree->child(23), nullptr);
    f.tree->Clear();
    EXPECT_EQ(tree->childCount(), 0);
    EXPECT_EQ(tree->child(0), nullptr);
}
