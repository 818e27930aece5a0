// What changes when the view moves sideways or up and down under a pointer that stands still:
// the header keeps its fixed columns on top, the hot row is the one now under the pointer, and
// an open hint goes away.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTest>

#include "TreeGridInputTestSupport.h"
#include "common/RepaintCheck.h"
#include "treegrid/TreeGridHeaderWidget.h"
#include "treegrid/TreeGridHintWindow.h"

using namespace inputtest;
using testsupport::FreshRender;
using testsupport::ShownAfterEvents;

namespace {

// A first column that stays while three more scroll sideways, each with a caption.
struct TFixedFixture : TInputFixture {
    TTreeGridHeaderWidget *strip = nullptr;
    static constexpr int FixedWidth = 100;

    TFixedFixture()
    {
        AddColumns({FixedWidth, 150, 150, 150});
        TTreeGridColumns *columns = tree->Header()->Columns();
        const char *captions[] = {"Fixed", "Wide caption B", "Caption C", "Caption D"};
        for (int i = 0; i < 4; ++i)
            columns->Items(i)->SetText(QString::fromLatin1(captions[i]));
        columns->Items(0)->SetOptions(columns->Items(0)->Options() + coFixed);
        tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
        AddRows(30);
        strip = tree->Header()->Widget();
        QApplication::processEvents();
    }

    QImage FixedPart(const QImage &header) const { return header.copy(0, 0, FixedWidth, header.height()); }
};

} // namespace

TEST(TreeGridScrolledViewTest, TheHeaderKeepsItsFixedColumnOnTopAndHitsItThere)
{
    TFixedFixture f;
    const QImage unscrolled = FreshRender(f.strip);
    int clicked = -2;
    f.tree->OnHeaderClick = [&](TTreeGridHeader *, const TTGHeaderHitInfo &info) { clicked = info.Column; };

    // Sideways in steps: the scrolled columns pass under the fixed one, which stays as it was,
    // in the window as in a full paint.
    for (int step = 0; step < 4; ++step) {
        SCOPED_TRACE(step);
        const int before = f.tree->EffectiveOffsetX();
        f.Wheel(QPoint(200, 50), QPoint(0, -10), Qt::ShiftModifier);
        ASSERT_GT(f.tree->EffectiveOffsetX(), before);
        const QImage fresh = FreshRender(f.strip);
        EXPECT_EQ(ShownAfterEvents(f.strip), fresh);
        EXPECT_EQ(f.FixedPart(fresh), f.FixedPart(unscrolled));
        EXPECT_NE(fresh, unscrolled) << "the other columns moved";
        // The rows keep the fixed column in place too.
        EXPECT_EQ(ShownAfterEvents(f.tree.get()), FreshRender(f.tree.get()));

        // Over the fixed column the mouse finds the fixed column, not the one scrolled under it.
        const QPoint inFixed(TFixedFixture::FixedWidth - 10, f.strip->height() / 2);
        QTest::mouseMove(f.strip, inFixed);
        EXPECT_EQ(f.tree->Header()->Columns()->HoverIndex(), 0);
        QTest::mouseClick(f.strip, Qt::LeftButton, Qt::NoModifier, inFixed);
        EXPECT_EQ(clicked, 0);
        const int x = TFixedFixture::FixedWidth + 5;
        QTest::mouseClick(f.strip, Qt::LeftButton, Qt::NoModifier, QPoint(x, f.strip->height() / 2));
        // The second column spans 100 to 250 of the whole width.
        EXPECT_EQ(clicked, x + f.tree->EffectiveOffsetX() < 250 ? 1 : 2) << "right of the fixed column a scrolled one";
    }
}

TEST(TreeGridScrolledViewTest, ScrollingUnderAStillPointerMovesTheHotRowAndClosesTheHint)
{
    TInputFixture f;
    // The whole row is hot under the pointer.
    f.Options({toFullRowSelect});
    auto &options = f.tree->TreeOptions();
    options.SetPaintOptions(options.PaintOptions() + toHotTrack);
    f.tree->SetHint(QStringLiteral("The task table"));
    const std::vector<PGridNode> rows = f.AddRows(60);
    std::vector<PGridNode> hot;
    f.tree->OnHotChange = [&](TBaseTreeGrid *, PGridNode, PGridNode node) { hot.push_back(node); };

    // The pointer rests on the text of the third row.
    const QPoint pointer(40, 2 * f.rowHeight + f.rowHeight / 2);
    f.Move(pointer);
    ASSERT_EQ(f.tree->HotNode(), rows[2]);
    EXPECT_EQ(ShownAfterEvents(f.tree.get()), FreshRender(f.tree.get()));

    // A hint shows there; turning the wheel closes it and makes the row now under the pointer hot.
    QHelpEvent help(QEvent::ToolTip, pointer, f.viewport->mapToGlobal(pointer));
    QApplication::sendEvent(f.viewport, &help);
    ASSERT_NE(f.tree->HintWindow(), nullptr);
    ASSERT_TRUE(f.tree->HintWindow()->isVisible());
    f.Wheel(pointer, QPoint(0, -120));
    const int moved = -f.tree->OffsetY() / f.rowHeight;
    ASSERT_GT(moved, 0);
    EXPECT_FALSE(f.tree->HintWindow()->isVisible());
    EXPECT_EQ(f.tree->HotNode(), rows[size_t(2 + moved)]);
    EXPECT_EQ(hot.back(), rows[size_t(2 + moved)]);
    EXPECT_EQ(ShownAfterEvents(f.tree.get()), FreshRender(f.tree.get()))
        << "the old hot row lost its look, the new one has it";

    // Keys move the view too, and take an open hint away as well.
    QApplication::sendEvent(f.viewport, &help);
    ASSERT_TRUE(f.tree->HintWindow()->isVisible());
    f.Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_FALSE(f.tree->HintWindow()->isVisible());
    EXPECT_EQ(f.tree->HotNode(), rows[size_t(2 + moved - 1)]);
    EXPECT_EQ(ShownAfterEvents(f.tree.get()), FreshRender(f.tree.get()));

    // Below the last row nothing is hot once the view moves there.
    f.Wheel(pointer, QPoint(0, -12000));
    f.Move(QPoint(40, f.tree->ClientHeight() - 2));
    EXPECT_NE(f.tree->HotNode(), nullptr);
    const PGridNode last = f.tree->HotNode();
    f.tree->SetNodeHeight(rows.back(), 1);
    EXPECT_NE(f.tree->HotNode(), last) << "the rows moved down under the pointer";
    EXPECT_EQ(ShownAfterEvents(f.tree.get()), FreshRender(f.tree.get()));
}
