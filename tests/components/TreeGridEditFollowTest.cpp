// The in-place editor stays over its cell, with its text where the cell shows it, whatever moves
// the rows: the wheel, the scroll bar, rows above changing height, a new window size.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "TreeGridInputTestSupport.h"
#include "common/RepaintCheck.h"
#include "treegrid/StringEditLink.h"
#include "treegrid/TreeGridEdit.h"

using namespace inputtest;
using testsupport::FreshRender;
using testsupport::ShownAfterEvents;

namespace {

// Two columns of the same width show the same texts; the first is edited, the second shows
// where its text stands.
struct TEditFixture : TInputFixture {
    static constexpr int ColumnWidth = 120;
    PGridNode edited = nullptr;

    explicit TEditFixture(TTGPaintOptions paintOn = {})
    {
        AddColumns({ColumnWidth, ColumnWidth, ColumnWidth});
        tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
        auto &options = tree->TreeOptions();
        options.SetMiscOptions(options.MiscOptions() + toEditable);
        // Without indentation the first column lays its text out as the second does.
        options.SetPaintOptions(options.PaintOptions() - TTGPaintOptions{toShowRoot, toShowTreeLines} + paintOn);
        AddRows(40);
        edited = tree->GetFirst();
        for (int i = 0; i < 5; ++i)
            edited = tree->GetNext(edited);
        *tree->GetNodeData<QString>(edited) = QStringLiteral("Hxy gap");
        QApplication::processEvents();
    }

    void Open()
    {
        ASSERT_TRUE(tree->EditNode(edited, 0));
        TTGEdit *edit = Editor();
        ASSERT_NE(edit, nullptr);
        // Only the text is compared: no caret, no selection.
        edit->setCursorWidth(0);
        QTest::keyClick(edit, Qt::Key_Home);
    }

    // The wheel turned over the rows.
    void Wheel(QPoint angleDelta, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        TInputFixture::Wheel(QPoint(150, 60), angleDelta, keys);
    }

    // The window shows what a full paint shows, and inside its frame the editor shows its text
    // exactly as the next column shows the same text (where both are in view).
    ::testing::AssertionResult FollowsItsCell()
    {
        const QImage fresh = FreshRender(tree.get());
        const QImage shown = ShownAfterEvents(tree.get());
        if (fresh != shown)
            return ::testing::AssertionFailure() << "the window differs from a full paint";
        TTGEdit *edit = Editor();
        if (!edit || !edit->isVisible())
            return ::testing::AssertionFailure() << "no editor shown";
        const int frame = edit->frameWidth();
        const QRect inner = QRect(edit->mapTo(tree.get(), QPoint(frame, frame)),
                                  edit->size() - QSize(2 * frame, 2 * frame));
        const QRect rows(viewport->mapTo(tree.get(), QPoint(0, 0)), viewport->size());
        const QRect compared = inner.intersected(rows).intersected(rows.translated(-ColumnWidth, 0));
        if (compared.width() < 10 || compared.height() < 10)
            return ::testing::AssertionFailure() << "the editor is out of view";
        int ink = 0;
        for (int y = compared.top(); y <= compared.bottom(); ++y)
            for (int x = compared.left(); x <= compared.right(); ++x) {
                const QRgb own = fresh.pixel(x, y);
                if (own != fresh.pixel(x + ColumnWidth, y))
                    return ::testing::AssertionFailure() << "text differs at " << x << "," << y;
                ink += qGray(own) < 128;
            }
        if (ink < 20)
            return ::testing::AssertionFailure() << "no text compared";
        return ::testing::AssertionSuccess();
    }
};

// The tree's own editor, counting how often it is placed.
class TCountingLink : public TStringEditLink
{
public:
    int Placed = 0;
    void SetBounds(QRect r) override
    {
        ++Placed;
        TStringEditLink::SetBounds(r);
    }
};

} // namespace

TEST(TreeGridEditFollowTest, EachScrollOrResizePlacesTheEditorOnce)
{
    TEditFixture f;
    std::shared_ptr<TCountingLink> link;
    f.tree->OnCreateEditor = [&](TBaseTreeGrid *, PGridNode, TColumnIndex, std::shared_ptr<ITGEditLink> &result) {
        link = std::make_shared<TCountingLink>();
        result = link;
    };
    f.Open();
    ASSERT_EQ(f.tree->EditLink(), link.get());

    link->Placed = 0;
    f.Wheel(QPoint(0, -120));
    ASSERT_LT(f.tree->OffsetY(), 0);
    EXPECT_EQ(link->Placed, 1) << "the wheel";
    EXPECT_TRUE(f.FollowsItsCell());

    link->Placed = 0;
    QScrollBar *bar = f.tree->verticalScrollBar();
    const int before = f.tree->OffsetY();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 4));
    ASSERT_LT(f.tree->OffsetY(), before);
    EXPECT_EQ(link->Placed, 1) << "the scroll bar";
    EXPECT_TRUE(f.FollowsItsCell());

    // Scrolled to the end, a larger window moves the rows down and the bars change.
    f.tree->EndEditNode();
    f.edited = f.tree->GetLast();
    *f.tree->GetNodeData<QString>(f.edited) = QStringLiteral("Hxy end");
    f.tree->SetOffsetY(-1000000);
    f.Open();
    link->Placed = 0;
    const int scrolled = f.tree->OffsetY();
    f.tree->resize(f.tree->width() + 40, f.tree->height() + 60);
    ASSERT_GT(f.tree->OffsetY(), scrolled);
    EXPECT_EQ(link->Placed, 1) << "a new size";
    EXPECT_TRUE(f.FollowsItsCell());

    // Without an edit nothing is placed.
    f.tree->EndEditNode();
    link->Placed = 0;
    f.Wheel(QPoint(0, 120));
    f.tree->resize(f.tree->width() - 40, f.tree->height() - 60);
    EXPECT_EQ(link->Placed, 0);
}

TEST(TreeGridEditFollowTest, TheEditorFollowsItsCellThroughScrollingAndResizing)
{
    for (bool gridLines : {false, true}) {
        SCOPED_TRACE(gridLines ? "with horizontal grid lines" : "without grid lines");
        TEditFixture f(gridLines ? TTGPaintOptions{toShowHorzGridLines} : TTGPaintOptions{});
        // The row above gets a collapsed child before the edit starts: adding a node cancels an
        // edit, expanding and collapsing one does not.
        PGridNode above = f.tree->GetPrevious(f.edited);
        f.Add(QStringLiteral("child"), above);
        f.Open();
        EXPECT_TRUE(f.FollowsItsCell());

        // The wheel: down three lines, and sideways.
        f.Wheel(QPoint(0, -120));
        ASSERT_LT(f.tree->OffsetY(), 0);
        EXPECT_TRUE(f.FollowsItsCell());
        f.Wheel(QPoint(0, 120));
        f.Wheel(QPoint(0, -40));
        EXPECT_TRUE(f.FollowsItsCell());
        // Sideways far enough that the edited cell leaves the view in part.
        f.Wheel(QPoint(0, -8), Qt::ShiftModifier);
        ASSERT_LT(f.tree->OffsetX(), 0);
        EXPECT_TRUE(f.FollowsItsCell());

        // The scroll bar's arrow, clicked.
        QScrollBar *bar = f.tree->verticalScrollBar();
        const int before = f.tree->OffsetY();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 4));
        ASSERT_LT(f.tree->OffsetY(), before);
        EXPECT_TRUE(f.FollowsItsCell());

        // Rows above grow, shrink and collapse.
        f.tree->SetNodeHeight(above, 40);
        EXPECT_TRUE(f.FollowsItsCell());
        f.tree->SetNodeHeight(f.tree->GetFirst(), 7);
        EXPECT_TRUE(f.FollowsItsCell());
        f.tree->SetExpanded(above, true);
        EXPECT_TRUE(f.FollowsItsCell());
        f.tree->SetExpanded(above, false);
        EXPECT_TRUE(f.FollowsItsCell());

        // A larger window, scrolled to the end: the rows move down as the window grows.
        f.tree->EndEditNode();
        f.edited = f.tree->GetLast();
        *f.tree->GetNodeData<QString>(f.edited) = QStringLiteral("Hxy end");
        f.tree->SetOffsetY(-1000000);
        f.Open();
        EXPECT_TRUE(f.FollowsItsCell());
        const int scrolled = f.tree->OffsetY();
        f.tree->resize(300, 320);
        EXPECT_GT(f.tree->OffsetY(), scrolled);
        EXPECT_TRUE(f.FollowsItsCell());
        // The tree goes with its editor open and holding the focus.
        EXPECT_TRUE(f.tree->IsEditing());
        EXPECT_TRUE(f.Editor()->hasFocus());
    }
}
