#include <gtest/gtest.h>

#include <QHelpEvent>

#include "TreeGridInputTestSupport.h"
#include "treegrid/TreeGridHeaderWidget.h"
#include "treegrid/TreeGridHintWindow.h"

using namespace inputtest;

namespace {

// Counts how often a hint is put on screen.
class TCountingHintWindow : public TTreeGridHintWindow
{
public:
    using TTreeGridHintWindow::TTreeGridHintWindow;
    int Activations = 0;
    void ActivateHint(QRect rect, const QString &hint, QRect area) override
    {
        ++Activations;
        TTreeGridHintWindow::ActivateHint(rect, hint, area);
    }
};

class THintTree : public TInputTree
{
public:
    TCountingHintWindow *Window = nullptr;

protected:
    TTreeGridHintWindow *CreateHintWindow() override
    {
        Window = new TCountingHintWindow(this);
        return Window;
    }
};

struct THintFixture : TInputFixture {
    THintTree *hints;
    THintFixture()
    {
        tree.reset(TBaseTreeGrid::Create<THintTree>());
        hints = static_cast<THintTree *>(tree.get());
        tree->SetBorderStyle(bsNone);
        tree->resize(300, 200);
        tree->OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
            text = *sender->GetNodeData<QString>(node) + (column == 1 ? QStringLiteral(" (second)") : QString());
        };
        viewport = tree->viewport();
        tree->show();
        tree->activateWindow();
        QApplication::setActiveWindow(tree.get());
        tree->setFocus();
        QApplication::processEvents();
    }
    // What a resting pointer at a client point shows.
    QString HintAt(QPoint p, QWidget *widget = nullptr)
    {
        widget = widget ? widget : viewport;
        const QPoint local = widget == viewport ? p : p + QPoint(0, tree->Header()->Height());
        QHelpEvent help(QEvent::ToolTip, local, widget->mapToGlobal(local));
        QApplication::sendEvent(widget, &help);
        TTreeGridHintWindow *window = tree->HintWindow();
        return window && window->isVisible() ? window->Text() : QString();
    }
};

TEST(TreeGridHintTest, TooltipsShowOnlyCutOffTexts)
{
    THintFixture f;
    f.tree->SetHintMode(hmTooltip);
    f.AddColumns({100, 150});
    f.Add(QStringLiteral("Short"));
    f.Add(QStringLiteral("A text far too long for its narrow column"));
    f.tree->UpdateScrollBars(true);

    const int x0 = 40;
    EXPECT_EQ(f.HintAt(f.Row(0, x0)), QString()) << "the text fits";
    EXPECT_EQ(f.HintAt(f.Row(1, x0)), QStringLiteral("A text far too long for its narrow column"));
    TTreeGridHintWindow *window = f.tree->HintWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->HintData().Node, f.tree->GetFirst()->NextSibling);
    EXPECT_EQ(window->HintData().Column, 0);
    // The window repeats the cell where it is, wider than the column.
    const QRect text = f.tree->GetDisplayRect(window->HintData().Node, 0, true, true, true);
    EXPECT_EQ(window->geometry().top(), f.viewport->mapToGlobal(text.topLeft()).y() - 1);
    EXPECT_GT(window->width(), 100);

    // Moving within the same text does not put the tooltip up again.
    EXPECT_EQ(f.hints->Window->Activations, 1);
    f.Move(f.Row(1, x0 + 10));
    EXPECT_EQ(f.HintAt(f.Row(1, x0 + 10)), QStringLiteral("A text far too long for its narrow column"));
    EXPECT_EQ(f.hints->Window->Activations, 1);
    f.Move(f.Row(0, x0));
    EXPECT_FALSE(window->isVisible()) << "leaving the text ends the tooltip";
    EXPECT_EQ(f.HintAt(f.Row(0, 120)), QString()) << "the second column's text fits";
    EXPECT_EQ(f.HintAt(f.Row(1, 120)), QStringLiteral("A text far too long for its narrow column (second)"));

    // With the hint switched off nothing shows.
    f.tree->SetShowHint(false);
    EXPECT_EQ(f.HintAt(f.Row(1, x0)), QString());
}

TEST(TreeGridHintTest, HintModesAndTheHeaderHint)
{
    THintFixture f;
    f.AddColumns({120, 120});
    f.tree->Header()->SetOptions(f.tree->Header()->Options() + hoVisible + hoShowHint);
    f.tree->Header()->Columns()->Items(1)->SetHint(QStringLiteral("Filter: Start after 2024-01-01"));
    f.Add(QStringLiteral("Row"));
    f.tree->UpdateScrollBars(true);
    QApplication::processEvents();

    // The header shows its column's hint, equal to the column's own text.
    QWidget *strip = f.tree->Header()->Widget();
    EXPECT_EQ(f.HintAt(QPoint(150, -5), strip), f.tree->Header()->Columns()->Items(1)->Hint());
    EXPECT_EQ(f.HintAt(QPoint(30, -5), strip), QString()) << "a column without a hint shows none";

    // The tree's own hint over the rows by default...
    f.tree->SetHint(QStringLiteral("The task table"));
    EXPECT_EQ(f.HintAt(f.Row(0, 30)), QStringLiteral("The task table"));
    f.tree->CancelHint();
    // ...a node's hint from the owner in hint mode, or the tree's when the owner has none.
    f.tree->SetHintMode(hmHint);
    QString nodeHint = QStringLiteral("Row hint");
    f.tree->OnGetHint = [&](TBaseTreeGrid *, PGridNode, TColumnIndex column, TTGTooltipLineBreakStyle &,
                            QString &text) { text = column == 1 ? nodeHint : QString(); };
    EXPECT_EQ(f.HintAt(f.Row(0, 150)), nodeHint);
    f.tree->CancelHint();
    EXPECT_EQ(f.HintAt(f.Row(0, 30)), QString());
    f.tree->SetHintMode(hmHintAndDefault);
    EXPECT_EQ(f.HintAt(f.Row(0, 30)), QStringLiteral("The task table"));
    f.tree->CancelHint();
    EXPECT_EQ(f.HintAt(f.Row(3, 30)), QStringLiteral("The task table")) << "below the rows";
    f.tree->CancelHint();
    f.tree->SetHintMode(hmHint);
    EXPECT_EQ(f.HintAt(f.Row(3, 30)), QString());

    // No hint while a band is drawn.
    f.tree->SetHintMode(hmDefault);
    f.Options({toMultiSelect});
    f.Press(f.Row(3, 30));
    EXPECT_EQ(f.HintAt(f.Row(3, 30)), QString());
    f.Release(f.Row(3, 30));
}

TEST(TreeGridHintTest, KeysReachTheTreeWhileAHintFadesIn)
{
    THintFixture f;
    f.Options({toMultiSelect, toFullRowSelect});
    f.AddRows(5);
    f.tree->SetHint(QStringLiteral("Rows"));
    f.tree->SetHintAnimation(hatFade);
    f.tree->SetAnimationDuration(500);
    f.tree->SetFocusedNode(f.tree->GetFirst());
    ASSERT_EQ(f.HintAt(f.Row(1)), QStringLiteral("Rows"));
    TTreeGridHintWindow *window = f.tree->HintWindow();
    EXPECT_TRUE(window->Animating());
    EXPECT_EQ(window->AnimationSteps(), 255);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.Focused(), QStringLiteral("Row 1"));
    EXPECT_TRUE(f.tree->hasFocus());

    // The animation runs from its timer; the tree may go while it runs.
    QTest::qWait(30);
    EXPECT_TRUE(window->isVisible());
    f.tree.reset();
    QTest::qWait(30);
}

} // namespace

namespace {

TEST(TreeGridHintTest, TooltipsStayOnTheScreenAndSlideIn)
{
    THintFixture f;
    f.tree->SetHintMode(hmTooltip);
    f.tree->SetHintAnimation(hatNone);
    f.AddColumns({100});
    const QString text = QStringLiteral("A text far too long for its narrow column, and longer still than that");
    f.Add(text);
    f.tree->UpdateScrollBars(true);

    // The tree stands at the bottom right corner of the screen, partly beyond it.
    const QRect work = f.tree->screen()->availableGeometry();
    f.tree->move(work.right() - 150, work.bottom() - 40);
    QApplication::processEvents();
    ASSERT_EQ(f.HintAt(f.Row(0, 40)), text);
    TTreeGridHintWindow *window = f.tree->HintWindow();
    EXPECT_TRUE(work.contains(window->geometry())) << "moved back onto the screen";
    EXPECT_EQ(window->geometry().right(), work.right());
    EXPECT_FALSE(window->Animating());
    f.tree->CancelHint();

    // Sliding in uncovers the hint line by line, from a timer, and ends showing all of it.
    f.tree->move(work.topLeft());
    QApplication::processEvents();
    f.tree->SetHintAnimation(hatSlide);
    f.tree->SetAnimationDuration(100);
    ASSERT_EQ(f.HintAt(f.Row(0, 40)), text);
    EXPECT_TRUE(window->Animating());
    EXPECT_EQ(window->AnimationSteps(), window->height());
    EXPECT_FALSE(window->mask().isEmpty()) << "only the top is shown at first";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Animating(); }, 5000));
    EXPECT_TRUE(window->mask().isEmpty());
    EXPECT_TRUE(window->isVisible());
    f.tree->CancelHint();
    EXPECT_FALSE(window->isVisible());
}

} // namespace

TEST(TreeGridHintTest, APressOrTheWheelOverATooltipClosesItAndReachesTheTree)
{
    THintFixture f;
    f.tree->SetHintMode(hmTooltip);
    f.AddColumns({100, 150});
    const auto rows = f.AddRows(30, QStringLiteral("A text far too long for its narrow column, row"));
    f.tree->SetFocusedNode(rows[0]);
    const QPoint at = f.Row(2, 40);
    const QPoint global = f.viewport->mapToGlobal(at);
    const QString cut = QStringLiteral("A text far too long for its narrow column, row 2");

    // The tooltip covers the cell the pointer rests on; a press there is a press on the row.
    ASSERT_EQ(f.HintAt(at), cut);
    TTreeGridHintWindow *tip = f.tree->HintWindow();
    ASSERT_TRUE(tip->geometry().contains(global));
    QTest::mousePress(tip, Qt::LeftButton, Qt::NoModifier, tip->mapFromGlobal(global));
    EXPECT_FALSE(tip->isVisible());
    // The release comes where the pointer is: on the rows.
    QTest::mouseRelease(f.viewport, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(f.tree->FocusedNode(), rows[2]);
    EXPECT_EQ(f.Selected(), std::vector<QString>{cut});

    // The wheel turned over the tooltip scrolls the rows.
    ASSERT_EQ(f.HintAt(at), cut);
    ASSERT_TRUE(tip->isVisible());
    QWheelEvent wheel(QPointF(tip->mapFromGlobal(global)), QPointF(global), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tip, &wheel);
    EXPECT_FALSE(tip->isVisible());
    EXPECT_LT(f.tree->OffsetY(), 0);
    EXPECT_EQ(f.tree->FocusedNode(), rows[2]);

    // The next rest shows the tooltip of the row now under the pointer.
    const PGridNode under = f.tree->GetNodeAt(at.x(), at.y());
    ASSERT_NE(under, nullptr);
    EXPECT_EQ(f.HintAt(at), *f.tree->GetNodeData<QString>(under));
}
