#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "TreeGridHeaderTestSupport.h"
#include "treegrid/TreeGridHeaderOverlays.h"

using headertest::THeaderFixture;

namespace {

std::vector<int> Widths(const TTreeGridColumns &columns)
{
    std::vector<int> widths;
    for (int i = 0; i < columns.Count(); ++i)
        widths.push_back(columns.Items(i)->Width());
    return widths;
}

void SetOption(TTreeGridColumn *column, TTGColumnOption option)
{
    column->SetOptions(column->Options() + option);
}

TEST(TreeGridHeaderSizingTest, SpringColumnsFollowTheTreesWidth)
{
    THeaderFixture f({100, 100, 100});
    f.header->SetOptions(f.header->Options() + hoAutoSpring);
    SetOption(f.columns->Items(0), coAutoSpring);
    SetOption(f.columns->Items(2), coAutoSpring);
    f.tree->resize(f.tree->width() + 101, f.tree->height());
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{150, 100, 150}));
    // The half pixels left over add up with the next change.
    f.tree->resize(f.tree->width() + 1, f.tree->height());
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{151, 100, 151}));
    f.tree->resize(f.tree->width() - 102, f.tree->height());
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{100, 100, 100}));
    // Without the option nothing follows.
    f.header->SetOptions(f.header->Options() - hoAutoSpring);
    f.tree->resize(f.tree->width() + 40, f.tree->height());
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{100, 100, 100}));
}

TEST(TreeGridHeaderSizingTest, WithoutSpringColumnsOnlyTheWidthIsRecorded)
{
    THeaderFixture f({100, 100});
    f.header->SetOptions(f.header->Options() + hoAutoSpring);
    f.tree->resize(f.tree->width() + 50, f.tree->height());
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{100, 100}));
    // A spring column added later gets only the changes after that.
    SetOption(f.columns->Items(1), coAutoSpring);
    f.tree->resize(f.tree->width() + 10, f.tree->height());
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{100, 110}));
}

TEST(TreeGridHeaderSizingTest, ResizeColumnsGivesPixelsOnlyWhereTheLimitsAllow)
{
    THeaderFixture f({100, 100, 100});
    for (int i = 0; i < 3; ++i)
        f.columns->Items(i)->SetMaxWidth(100);
    // Nobody can take a pixel: the distribution ends and applies nothing.
    EXPECT_EQ(f.header->ResizeColumns(30, 0, 2), 0);
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{100, 100, 100}));

    f.columns->Items(0)->SetMaxWidth(110);
    f.columns->Items(1)->SetMaxWidth(105);
    EXPECT_EQ(f.header->ResizeColumns(100, 0, 2), 15);
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{110, 105, 100}));

    // Shrinking stops at the minimum widths; a range beyond the collection is clamped.
    for (int i = 0; i < 3; ++i)
        f.columns->Items(i)->SetMinWidth(90);
    EXPECT_EQ(f.header->ResizeColumns(-1000, -5, 99), -(20 + 15 + 10));
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{90, 90, 90}));
    EXPECT_EQ(f.header->ResizeColumns(0, 0, 2), 0);
    EXPECT_EQ(f.header->ResizeColumns(5, 2, 1), 0);

    // Only the columns with all the given options take part.
    for (int i = 0; i < 3; ++i)
        f.columns->Items(i)->SetMaxWidth(1000);
    SetOption(f.columns->Items(0), coFixed);
    EXPECT_EQ(f.header->ResizeColumns(12, 0, 2, {coVisible, coFixed}), 12);
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{102, 90, 90}));
}

TEST(TreeGridHeaderSizingTest, RestPixelsAlternateBetweenColumns)
{
    THeaderFixture f({100, 100});
    std::vector<std::vector<int>> seen;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.header->ResizeColumns(1, 0, 1), 1);
        seen.push_back(Widths(*f.columns));
    }
    EXPECT_EQ(seen, (std::vector<std::vector<int>>{{101, 100}, {101, 101}, {102, 101}, {102, 102}}));
    // Shrinking hands its rest out from the end of the range.
    EXPECT_EQ(f.header->ResizeColumns(-1, 0, 1), -1);
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{102, 101}));
    EXPECT_EQ(f.header->ResizeColumns(-1, 0, 1), -1);
    EXPECT_EQ(Widths(*f.columns), (std::vector<int>{101, 101}));

    THeaderFixture g({100, 100, 100});
    g.header->ResizeColumns(5, 0, 2);
    g.header->ResizeColumns(5, 0, 2);
    g.header->ResizeColumns(5, 0, 2);
    EXPECT_EQ(Widths(*g.columns), (std::vector<int>{105, 105, 105}));
}

TEST(TreeGridHeaderSizingTest, RescalingKeepsTheFixedAreaWithinItsPercentages)
{
    THeaderFixture f({150, 100, 100});
    const int clientWidth = f.tree->viewport()->width();
    TTreeGridColumn *fixed = f.columns->Items(0);
    SetOption(fixed, coFixed);
    fixed->SetMinWidth(140);
    // Too wide for 25 %: the fixed column gives way, below its minimum if need be, while the
    // minimum itself stays as the user set it.
    f.header->FixedAreaConstraints().SetMaxWidthPercent(25);
    EXPECT_EQ(fixed->Width(), clientWidth * 25 / 100);
    EXPECT_EQ(fixed->MinWidth(), 140);
    EXPECT_EQ(f.columns->Items(1)->Left(), fixed->Width());
    EXPECT_FALSE(f.header->States().contains(hsScaling));

    // Too narrow for a minimum of 50 %: widened.
    fixed->SetMinWidth(10);
    f.header->FixedAreaConstraints().SetMaxWidthPercent(0);
    f.header->FixedAreaConstraints().SetMinWidthPercent(50);
    EXPECT_EQ(fixed->Width(), clientWidth / 2);
}

TEST(TreeGridHeaderSizingTest, HeightFollowsItsLimitsAndPercentages)
{
    THeaderFixture f({100}, QSize(400, 200), 20);
    const int total = f.tree->viewport()->height() + f.header->Height();
    f.header->FixedAreaConstraints().SetMaxHeightPercent(10);
    f.header->SetHeight(100);
    EXPECT_EQ(f.header->Height(), total / 10);
    EXPECT_EQ(f.tree->viewport()->height() + f.header->Height(), total);
    // A minimum above the maximum raises the maximum.
    f.header->FixedAreaConstraints().SetMinHeightPercent(20);
    EXPECT_EQ(f.header->FixedAreaConstraints().MaxHeightPercent(), 20);
    f.header->SetHeight(5);
    EXPECT_EQ(f.header->Height(), total / 5);
    EXPECT_EQ(f.strip->height(), total / 5);
    // Hiding the header gives its room back to the rows.
    f.header->SetOptions(f.header->Options() - hoVisible);
    EXPECT_FALSE(f.strip->isVisible());
    EXPECT_EQ(f.tree->viewport()->height(), total);
}

TEST(TreeGridHeaderSizingTest, AnimatedResizeRunsOnATimerAndNeverWaits)
{
    THeaderFixture f({100, 100, 100});
    auto running = [&] {
        size_t n = 0;
        for (auto *slide : f.tree->findChildren<TTGColumnResizeAnimation *>())
            n += slide->StepsDone() < TTGColumnResizeAnimation::Steps;
        return n;
    };
    f.columns->AnimatedResize(0, 180);
    // The width is in force at once; the slide is still going.
    EXPECT_EQ(f.columns->Items(0)->Width(), 180);
    EXPECT_EQ(f.columns->Items(1)->Left(), 180);
    ASSERT_EQ(running(), 1u);
    auto settle = [&] {
        QElapsedTimer timer;
        timer.start();
        while (running() > 0 && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
        return running() == 0;
    };
    EXPECT_TRUE(settle());

    // Back to the width before: RestoreLastWidth. A second slide ends the first one.
    f.columns->Items(0)->RestoreLastWidth();
    EXPECT_EQ(f.columns->Items(0)->Width(), 100);
    f.columns->AnimatedResize(1, 200);
    EXPECT_EQ(running(), 1u);
    EXPECT_TRUE(settle());
    // Small changes (a step of 0) and switched off animations just set the width.
    f.columns->AnimatedResize(0, 120);
    EXPECT_EQ(f.columns->Items(0)->Width(), 120);
    f.header->SetOptions(f.header->Options() + hoDisableAnimatedResize);
    f.columns->AnimatedResize(1, 300);
    EXPECT_EQ(f.columns->Items(1)->Width(), 300);
    EXPECT_EQ(running(), 0u);
    QCoreApplication::processEvents();
    EXPECT_EQ(running(), 0u);
    // Limits hold.
    f.columns->AnimatedResize(1, 20000);
    EXPECT_EQ(f.columns->Items(1)->Width(), 10000);
}

TEST(TreeGridHeaderSizingTest, AutoFitColumnsWalksTheDisplayRangeWithItsEvents)
{
    THeaderFixture f({100, 100, 100, 100});
    f.columns->Items(3)->SetPosition(0); // display order D A B C
    f.columns->Items(2)->SetOptions(f.columns->Items(2)->Options() - coResizable);
    std::vector<std::string> events;
    f.tree->OnBeforeAutoFitColumns = [&](TTreeGridHeader *, TSmartAutoFitType &type) {
        events.push_back("before all " + std::to_string(type));
        type = smaAllColumns;
    };
    f.tree->OnBeforeAutoFitColumn = [&](TTreeGridHeader *, TColumnIndex c, TSmartAutoFitType &type, bool &allowed) {
        events.push_back("before " + std::to_string(c) + " " + std::to_string(type));
        allowed = c != 0;
    };
    f.tree->OnAfterAutoFitColumn = [&](TTreeGridHeader *, TColumnIndex c) {
        events.push_back("after " + std::to_string(c));
    };
    f.tree->OnAfterAutoFitColumns = [&](TTreeGridHeader *) { events.push_back("after all"); };
    f.header->AutoFitColumns(false, smaUseColumnOption, 0, 2);
    EXPECT_EQ(events, (std::vector<std::string>{"before all 2", "before 3 0", "after 3", "before 0 0", "before 1 0",
                                                "after 1", "after all"}));
    events.clear();
    f.header->AutoFitColumns(false, smaNoColumn, 3, 1);
    EXPECT_TRUE(events.empty());
    f.header->AutoFitColumns(false, smaNoColumn, 3);
    EXPECT_EQ(events.size(), 2u); // C is not resizable: only the outer events
}

} // namespace
