#include <gtest/gtest.h>

#include "TreeGridInputTestSupport.h"

using namespace inputtest;

namespace {

void Type(TInputFixture &f, const QString &text)
{
    for (QChar c : text)
        QTest::keyClick(f.tree.get(), c.toLatin1());
}

// Fruit names in a flat list; the search runs on the texts of the rows.
struct TSearchFixture : TInputFixture {
    std::vector<PGridNode> rows;
    TSearchFixture()
    {
        for (const char *name : {"apple", "banana", "blueberry", "bbq sauce", "cherry", "avocado"})
            rows.push_back(Add(QString::fromLatin1(name)));
        tree->SetIncrementalSearch(isAll);
        tree->SetIncrementalSearchTimeout(60000);
    }
};

TEST(TreeGridSearchTest, TypingJumpsToTheNextMatch)
{
    TSearchFixture f;
    Type(f, QStringLiteral("b"));
    EXPECT_EQ(f.Focused(), QStringLiteral("banana"));
    EXPECT_EQ(f.Selected(), Names({"banana"}));
    Type(f, QStringLiteral("l"));
    EXPECT_EQ(f.Focused(), QStringLiteral("blueberry"));
    EXPECT_EQ(f.tree->SearchBuffer(), QStringLiteral("bl"));

    // The same letter again jumps between the rows that begin with it...
    f.tree->SearchTimerTick();
    EXPECT_TRUE(f.tree->SearchBuffer().isEmpty());
    f.tree->SetFocusedNode(f.rows[0]);
    Type(f, QStringLiteral("b"));
    EXPECT_EQ(f.Focused(), QStringLiteral("banana"));
    Type(f, QStringLiteral("b"));
    EXPECT_EQ(f.Focused(), QStringLiteral("blueberry"));
    // ...unless the doubled letter still matches the row the search stands on.
    Type(f, QStringLiteral("b"));
    EXPECT_EQ(f.Focused(), QStringLiteral("bbq sauce"));
    Type(f, QStringLiteral("b"));
    EXPECT_EQ(f.Focused(), QStringLiteral("bbq sauce"));
    EXPECT_EQ(f.tree->SearchBuffer(), QStringLiteral("bb"));
    EXPECT_EQ(f.tree->Beeps, 0);

    // The search wraps around the end and ends after its timeout.
    f.tree->SetIncrementalSearchTimeout(1);
    Type(f, QStringLiteral("q"));
    EXPECT_EQ(f.tree->SearchBuffer(), QStringLiteral("bbq"));
    // Waiting on the outcome: a loaded machine may oversleep any fixed pause.
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.tree->SearchBuffer().isEmpty(); }, 5000));
    EXPECT_FALSE(f.tree->TreeStates().contains(tsIncrementalSearching));
    Type(f, QStringLiteral("a"));
    EXPECT_EQ(f.Focused(), QStringLiteral("avocado"));
    Type(f, QStringLiteral("a"));
    EXPECT_EQ(f.Focused(), QStringLiteral("apple"));
}

TEST(TreeGridSearchTest, BackspaceShortensTheSearchAndIdlesOnAnEmptyBuffer)
{
    TSearchFixture f;
    Type(f, QStringLiteral("bl"));
    ASSERT_EQ(f.Focused(), QStringLiteral("blueberry"));
    f.Key(Qt::Key_Backspace);
    EXPECT_EQ(f.tree->SearchBuffer(), QStringLiteral("b"));
    EXPECT_EQ(f.Focused(), QStringLiteral("banana")) << "backwards to the previous row with the shorter text";
    f.Key(Qt::Key_Backspace);
    EXPECT_TRUE(f.tree->SearchBuffer().isEmpty());
    const QString focused = f.Focused();

    // With an empty buffer Backspace only keeps the search alive.
    f.tree->FSearchTimer.stop();
    f.Key(Qt::Key_Backspace);
    EXPECT_EQ(f.Focused(), focused);
    EXPECT_TRUE(f.tree->SearchBuffer().isEmpty());
    EXPECT_TRUE(f.tree->FSearchTimer.isActive());
    EXPECT_TRUE(f.tree->TreeStates().contains(tsIncrementalSearching));
    EXPECT_EQ(f.tree->Beeps, 0);
}

TEST(TreeGridSearchTest, ASearchWithoutMatchEndsInEveryStartModeAndBeepsOnlyFromAStartNode)
{
    for (TTGSearchStart start : {ssAlwaysStartOver, ssLastHit, ssFocusedNode}) {
        for (bool focused : {false, true}) {
            SCOPED_TRACE(int(start) * 10 + int(focused));
            // Only the focused node can be a start node here: there was no hit yet.
            const int beep = start == ssFocusedNode && focused ? 1 : 0;
            TSearchFixture f;
            f.tree->SetIncrementalSearchStart(start);
            int asked = 0;
            f.tree->OnIncrementalSearch = [&](TBaseTreeGrid *sender, PGridNode node, const QString &text, int &result) {
                ++asked;
                result = sender->GetNodeData<QString>(node)->startsWith(text) ? 0 : 1;
            };
            if (focused)
                f.tree->SetFocusedNode(f.rows[2]);
            Type(f, QStringLiteral("z"));
            EXPECT_EQ(f.tree->Beeps, beep);
            EXPECT_LE(asked, int(f.rows.size()) + 1) << "every row is asked once at most";
            EXPECT_EQ(f.Focused(), focused ? QStringLiteral("blueberry") : QString());
            Type(f, QStringLiteral("z"));
            EXPECT_EQ(f.tree->Beeps, 2 * beep);
        }
    }

    // An empty tree and a freed last hit end as well; without a start node they stay silent,
    // from one they beep.
    TSearchFixture f;
    f.tree->SetIncrementalSearchStart(ssLastHit);
    Type(f, QStringLiteral("c"));
    ASSERT_EQ(f.tree->LastSearchNode(), f.rows[4]);
    f.tree->DeleteNode(f.rows[4]);
    EXPECT_EQ(f.tree->LastSearchNode(), nullptr);
    Type(f, QStringLiteral("h"));
    EXPECT_EQ(f.tree->Beeps, 0);
    f.tree->Clear();
    Type(f, QStringLiteral("x"));
    EXPECT_EQ(f.tree->Beeps, 0);
    f.rows = {f.Add(QStringLiteral("fig"))};
    f.tree->SearchTimerTick();
    Type(f, QStringLiteral("f"));
    ASSERT_EQ(f.tree->LastSearchNode(), f.rows[0]);
    Type(f, QStringLiteral("x"));
    EXPECT_EQ(f.tree->Beeps, 1) << "\"fx\" matches neither the last hit nor any other node";
}

TEST(TreeGridSearchTest, ModesLimitWhereTheSearchLooks)
{
    TSearchFixture f;
    PGridNode child = f.Add(QStringLiteral("kiwi"), f.rows[0]);
    f.tree->SetIncrementalSearch(isVisibleOnly);
    // From the focused row: a search with a start node beeps when it finds nothing.
    f.tree->SetFocusedNode(f.rows[0]);
    Type(f, QStringLiteral("k"));
    EXPECT_EQ(f.tree->Beeps, 1) << "a collapsed child is not visible";
    EXPECT_EQ(f.tree->FocusedNode(), f.rows[0]);
    f.tree->SetExpanded(f.rows[0], true);
    f.tree->SearchTimerTick();
    Type(f, QStringLiteral("k"));
    EXPECT_EQ(f.tree->FocusedNode(), child);

    // Switched off, typing does nothing and the search state is gone.
    f.tree->SetIncrementalSearch(isNone);
    EXPECT_TRUE(f.tree->SearchBuffer().isEmpty());
    EXPECT_EQ(f.tree->LastSearchNode(), nullptr);
    Type(f, QStringLiteral("a"));
    EXPECT_EQ(f.tree->FocusedNode(), child);
    EXPECT_FALSE(f.tree->TreeStates().contains(tsIncrementalSearching));
}

} // namespace
