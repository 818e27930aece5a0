#include <gtest/gtest.h>

#include <QPoint>
#include <QString>

#include <vector>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

class TColumnTestTree : public TBaseTreeGrid
{
public:
    ~TColumnTestTree() override { DestroyTree(); }
    // Horizontal scrolling is driven by painting; the tests set the scrolled amount directly.
    void SetScrolledBy(int pixels) { FEffectiveOffsetX = pixels; }
};

// A tree with columns of the given widths, captions "A", "B", ...
struct TColumnFixture {
    TColumnTestTree tree;
    TTreeGridHeader *header = nullptr;
    TTreeGridColumns *columns = nullptr;

    explicit TColumnFixture(std::vector<int> widths)
    {
        tree.AfterConstruction();
        header = tree.Header();
        columns = header->Columns();
        for (size_t i = 0; i < widths.size(); ++i) {
            TTreeGridColumn *column = columns->Add();
            column->SetText(QString(QChar('A' + int(i))));
            column->SetWidth(widths[i]);
        }
    }

    // Captions in display order.
    QString order() const
    {
        QString result;
        for (TColumnIndex index : columns->PositionToIndex())
            result += columns->Items(index)->Text();
        return result;
    }

    // Every column's Position and left edge must agree with the position map.
    void expectPositionsConsistent() const
    {
        int left = 0;
        const auto &map = columns->PositionToIndex();
        ASSERT_EQ(int(map.size()), columns->Count());
        for (size_t position = 0; position < map.size(); ++position) {
            const TTreeGridColumn *column = columns->Items(map[position]);
            ASSERT_NE(column, nullptr);
            EXPECT_EQ(column->Position(), position) << column->Text().toStdString();
            int l = 0, r = 0;
            column->GetAbsoluteBounds(l, r);
            EXPECT_EQ(l, left) << column->Text().toStdString();
            if (column->Options().contains(coVisible))
                left += column->Width();
        }
        for (int i = 0; i < columns->Count(); ++i)
            EXPECT_EQ(columns->Items(i)->Index(), i);
    }
};

} // namespace

TEST(TreeGridColumnTest, NewColumnsTakeTheDefaultsAndAppend)
{
    TColumnFixture f({});
    EXPECT_EQ(f.header->MainColumn(), NoColumn);
    EXPECT_EQ(f.header->SortColumn(), NoColumn);
    EXPECT_EQ(f.header->Height(), 17);
    EXPECT_TRUE(f.header->Options().containsAll({hoColumnResize, hoDrag, hoShowSortGlyphs}));

    TTreeGridColumn *first = f.columns->Add();
    TTreeGridColumn *second = f.columns->Add();
    EXPECT_EQ(first->Width(), 50);
    EXPECT_EQ(first->MinWidth(), 10);
    EXPECT_EQ(first->MaxWidth(), 10000);
    EXPECT_EQ(first->Margin(), 4);
    EXPECT_EQ(first->Spacing(), 4);
    EXPECT_EQ(first->ImageIndex(), -1);
    EXPECT_EQ(first->Options(), DefaultColumnOptions);
    EXPECT_FALSE(first->Options().contains(coFixed));
    EXPECT_EQ(second->Index(), 1);
    EXPECT_EQ(second->Position(), 1u);
    EXPECT_EQ(second->Left(), 50);
    // The first column makes the main column.
    EXPECT_EQ(f.header->MainColumn(), 0);

    f.columns->SetDefaultWidth(80);
    EXPECT_EQ(f.columns->Add()->Width(), 80);
}

TEST(TreeGridColumnTest, PositionsFollowMovesAndDeletions)
{
    TColumnFixture f({100, 50, 70, 30});
    EXPECT_EQ(f.order(), "ABCD");

    f.columns->Items(3)->SetPosition(0);
    EXPECT_EQ(f.order(), "DABC");
    f.expectPositionsConsistent();
    EXPECT_EQ(f.columns->Items(0)->Left(), 30);
    EXPECT_EQ(f.columns->Items(3)->Left(), 0);

    // A position beyond the end means the last one.
    f.columns->Items(1)->SetPosition(99);
    EXPECT_EQ(f.order(), "DACB");
    f.expectPositionsConsistent();

    f.header->SetSortColumn(2);
    f.header->SetAutoSizeIndex(3);
    f.header->SetMainColumn(3);
    f.tree.SetFocusedColumn(2);

    // Delete B (index 1): later indices shift down, the map follows, the order stays.
    f.columns->Delete(1);
    ASSERT_EQ(f.columns->Count(), 3);
    EXPECT_EQ(f.order(), "DAC");
    f.expectPositionsConsistent();
    EXPECT_EQ(f.columns->Items(1)->Text(), "C");
    EXPECT_EQ(f.header->SortColumn(), 1);
    EXPECT_EQ(f.header->AutoSizeIndex(), 2);
    EXPECT_EQ(f.header->MainColumn(), 2);
    EXPECT_EQ(f.tree.FocusedColumn(), 1);
    EXPECT_EQ(f.columns->TotalWidth(), 200);

    // Delete the sort column and the main column: sort goes to none, main to the first.
    f.columns->Delete(1);
    EXPECT_EQ(f.header->SortColumn(), NoColumn);
    EXPECT_EQ(f.tree.FocusedColumn(), NoColumn);
    f.columns->Delete(1);
    EXPECT_EQ(f.order(), "A");
    EXPECT_EQ(f.header->MainColumn(), 0);
    f.expectPositionsConsistent();

    f.columns->Delete(0);
    EXPECT_EQ(f.columns->Count(), 0);
    EXPECT_EQ(f.header->MainColumn(), NoColumn);
    EXPECT_EQ(f.columns->TotalWidth(), 0);
    // Out of range deletions are ignored.
    f.columns->Delete(0);
    f.columns->Delete(-1);
}

TEST(TreeGridColumnTest, ARangeIsDeletedWithTheSameFixUpsAsSingleDeletions)
{
    TColumnFixture f({10, 20, 30, 40, 50, 60});
    f.columns->Items(5)->SetPosition(0); // FABCDE
    f.header->SetSortColumn(4);          // E
    f.header->SetAutoSizeIndex(2);       // C, deleted below
    f.header->SetMainColumn(5);          // F
    f.tree.SetFocusedColumn(0);          // A

    // B, C, D go in one call.
    f.columns->DeleteRange(1, 3);
    ASSERT_EQ(f.columns->Count(), 3);
    EXPECT_EQ(f.order(), "FAE");
    f.expectPositionsConsistent();
    EXPECT_EQ(f.header->SortColumn(), 1);
    EXPECT_EQ(f.header->AutoSizeIndex(), NoColumn);
    EXPECT_EQ(f.header->MainColumn(), 2);
    EXPECT_EQ(f.tree.FocusedColumn(), 0);
    EXPECT_EQ(f.columns->TotalWidth(), 10 + 50 + 60);

    // A range past the end stops at the end; the main column going gives it to the first.
    f.columns->DeleteRange(1, 99);
    EXPECT_EQ(f.order(), "A");
    EXPECT_EQ(f.header->MainColumn(), 0);
    EXPECT_EQ(f.header->SortColumn(), NoColumn);
    f.columns->DeleteRange(1, 1);
    f.columns->DeleteRange(0, 0);
    f.columns->DeleteRange(-1, 2);
    EXPECT_EQ(f.columns->Count(), 1);
}

TEST(TreeGridColumnTest, MovingAColumnChangesItsIndexButNotTheOrderOfOthers)
{
    TColumnFixture f({10, 20, 30, 40});
    f.columns->Items(2)->SetPosition(0); // CABD
    f.header->SetSortColumn(0);
    f.columns->Items(0)->SetIndex(3);    // A becomes index 3
    EXPECT_EQ(f.columns->Items(3)->Text(), "A");
    EXPECT_EQ(f.order(), "CABD");
    // The sort column names A, wherever it is in the collection.
    EXPECT_EQ(f.header->SortColumn(), 3);
    f.expectPositionsConsistent();
}

TEST(TreeGridColumnTest, FixedStateFollowsTheNeighbourAfterAMove)
{
    TColumnFixture f({40, 40, 40, 40});
    f.columns->Items(0)->SetOptions(f.columns->Items(0)->Options() + coFixed);
    f.columns->Items(1)->SetOptions(f.columns->Items(1)->Options() + coFixed);
    EXPECT_EQ(f.columns->GetVisibleFixedWidth(), 80);

    // A fixed column moved among scrolling ones becomes scrolling.
    f.columns->Items(0)->SetPosition(3);
    EXPECT_EQ(f.order(), "BCDA");
    EXPECT_FALSE(f.columns->Items(0)->Options().contains(coFixed));
    EXPECT_TRUE(f.columns->Items(1)->Options().contains(coFixed));

    // A column moved to position 0 takes the fixed state of the column now at position 1.
    f.columns->Items(3)->SetPosition(0);
    EXPECT_EQ(f.order(), "DBCA");
    EXPECT_TRUE(f.columns->Items(3)->Options().contains(coFixed));
    EXPECT_EQ(f.columns->GetVisibleFixedWidth(), 80);

    // A fixed column moved into the middle of scrolling ones looks at its left neighbour.
    f.columns->Items(1)->SetPosition(2);
    EXPECT_EQ(f.order(), "DCBA");
    EXPECT_FALSE(f.columns->Items(1)->Options().contains(coFixed));
    f.expectPositionsConsistent();
}

TEST(TreeGridColumnTest, WidthsAreClampedByTheirLimits)
{
    TColumnFixture f({50});
    TTreeGridColumn *column = f.columns->Items(0);
    column->SetWidth(3);
    EXPECT_EQ(column->Width(), 10);
    column->SetWidth(20000);
    EXPECT_EQ(column->Width(), 10000);
    EXPECT_EQ(column->LastWidth(), 10);

    column->SetWidth(50);
    column->SetMinWidth(60);
    EXPECT_EQ(column->Width(), 60) << "a raised minimum re-applies the width";
    column->SetMaxWidth(40);
    EXPECT_EQ(column->MaxWidth(), 60) << "the maximum is at least the minimum";
    column->SetMaxWidth(20000);
    EXPECT_EQ(column->MaxWidth(), 10000);
    column->SetMinWidth(-5);
    EXPECT_EQ(column->MinWidth(), 0);
    column->SetMaxWidth(70);
    column->SetMinWidth(500);
    EXPECT_EQ(column->MinWidth(), 70) << "the minimum is at most the maximum";
    EXPECT_EQ(column->Width(), 70);

    column->SetMargin(-1);
    EXPECT_EQ(column->Margin(), 4);
}

TEST(TreeGridColumnTest, FixedColumnsRespectTheFixedAreaPercentages)
{
    TColumnFixture f({40, 40, 40});
    f.tree.resize(400, 100);
    f.columns->Items(0)->SetOptions(f.columns->Items(0)->Options() + coFixed);
    f.header->FixedAreaConstraints().SetMaxWidthPercent(25);
    f.columns->Items(0)->SetWidth(300);
    EXPECT_EQ(f.columns->Items(0)->Width(), 100) << "fixed columns take at most a quarter of 400";
    f.header->FixedAreaConstraints().SetMinWidthPercent(50);
    EXPECT_EQ(f.header->FixedAreaConstraints().MaxWidthPercent(), 50) << "a higher minimum lifts the maximum";
    f.columns->Items(0)->SetWidth(20);
    EXPECT_EQ(f.columns->Items(0)->Width(), 200);
    // Scrolling columns are limited only by their own limits.
    f.columns->Items(1)->SetWidth(900);
    EXPECT_EQ(f.columns->Items(1)->Width(), 900);
}

TEST(TreeGridColumnTest, AutoSizeColumnTakesTheRestWidth)
{
    TColumnFixture f({60, 50, 70});
    f.tree.resize(300, 100);
    f.header->SetAutoSizeIndex(1);
    f.header->SetOptions(f.header->Options() + hoAutoResize);
    EXPECT_EQ(f.columns->Items(1)->Width(), 300 - 60 - 70);
    // Setting the auto-size column's own width changes nothing.
    f.columns->Items(1)->SetWidth(20);
    EXPECT_EQ(f.columns->Items(1)->Width(), 170);
    // Another column's change is absorbed by it.
    f.columns->Items(0)->SetWidth(100);
    EXPECT_EQ(f.columns->Items(1)->Width(), 130);
    EXPECT_EQ(f.columns->Items(2)->Left(), 230);
    // Its limits still hold.
    f.columns->Items(1)->SetMaxWidth(100);
    f.columns->Items(0)->SetWidth(20);
    EXPECT_EQ(f.columns->Items(1)->Width(), 100);
}

TEST(TreeGridColumnTest, HitTestingByX)
{
    TColumnFixture f({100, 50, 70});
    f.tree.resize(400, 200);
    const auto at = [&](int x, bool relative = true) { return f.columns->ColumnFromPosition(QPoint(x, 5), relative); };
    EXPECT_EQ(at(0), 0);
    EXPECT_EQ(at(99), 0);
    EXPECT_EQ(at(100), 1);
    EXPECT_EQ(at(149), 1);
    EXPECT_EQ(at(150), 2);
    EXPECT_EQ(at(219), 2);
    EXPECT_EQ(at(220), InvalidColumn) << "right of the last visible column";
    EXPECT_EQ(at(-1), InvalidColumn);
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(10, -1)), InvalidColumn);
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(10, 201)), InvalidColumn) << "below the tree";

    // A hidden column takes no room.
    f.columns->Items(1)->SetOptions(f.columns->Items(1)->Options() - coVisible);
    EXPECT_EQ(at(100), 2);
    EXPECT_EQ(at(169), 2);
    EXPECT_EQ(at(170), InvalidColumn);

    // The display order counts, not the index.
    f.columns->Items(1)->SetOptions(f.columns->Items(1)->Options() + coVisible);
    f.columns->Items(2)->SetPosition(0);
    EXPECT_EQ(at(0), 2);
    EXPECT_EQ(at(70), 0);
    EXPECT_EQ(at(170), 1);

    int left = 0, right = 0;
    EXPECT_EQ(f.columns->GetColumnAndBounds(QPoint(180, 0), left, right), 1);
    EXPECT_EQ(left, 170);
    EXPECT_EQ(right, 220);
    EXPECT_EQ(f.columns->GetColumnAndBounds(QPoint(500, 0), left, right), InvalidColumn);
}

TEST(TreeGridColumnTest, ScrollingShiftsAllButTheFixedColumns)
{
    TColumnFixture f({100, 50, 70, 80});
    f.tree.resize(400, 200);
    f.columns->Items(0)->SetOptions(f.columns->Items(0)->Options() + coFixed);
    f.tree.SetScrolledBy(60);

    EXPECT_EQ(f.columns->Items(0)->Left(), 0);
    EXPECT_EQ(f.columns->Items(1)->Left(), 40);
    int left = 0, right = 0;
    f.columns->GetColumnBounds(2, left, right);
    EXPECT_EQ(left, 90);
    EXPECT_EQ(right, 160);
    f.columns->GetColumnBounds(0, left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 100);
    f.columns->GetColumnBounds(NoColumn, left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 400) << "no column spans the client width (no window yet: the control's)";
    f.columns->GetColumnBounds(17, left, right);
    EXPECT_EQ(right - left, 0);

    // Relative hit tests beyond the fixed area see the scrolled columns.
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(50, 0)), 0);
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(100, 0)), 2) << "B lies under the fixed column";
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(140, 0)), 2);
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(140, 0), false), 1);
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(230, 0)), 3);
    EXPECT_EQ(f.columns->ColumnFromPosition(QPoint(240, 0)), InvalidColumn);
}

TEST(TreeGridColumnTest, VisibleColumnWalks)
{
    TColumnFixture f({10, 20, 30, 40, 50});
    TTreeGridColumns *c = f.columns;
    // Display order E A C B D; B hidden; C does not take the focus.
    c->Items(4)->SetPosition(0);
    c->Items(2)->SetPosition(2);
    c->Items(1)->SetPosition(3);
    ASSERT_EQ(f.order(), "EACBD");
    c->Items(1)->SetOptions(c->Items(1)->Options() - coVisible);
    c->Items(2)->SetOptions(c->Items(2)->Options() - coAllowFocus);

    EXPECT_EQ(c->GetFirstVisibleColumn(), 4);
    EXPECT_EQ(c->GetLastVisibleColumn(), 3);
    EXPECT_EQ(c->GetNextColumn(2), 1) << "hidden columns count for the plain walk";
    EXPECT_EQ(c->GetNextVisibleColumn(2), 3);
    EXPECT_EQ(c->GetNextVisibleColumn(0, true), 3) << "C does not take the focus";
    EXPECT_EQ(c->GetNextVisibleColumn(0), 2);
    EXPECT_EQ(c->GetPreviousVisibleColumn(3), 2);
    EXPECT_EQ(c->GetPreviousVisibleColumn(3, true), 0);
    EXPECT_EQ(c->GetPreviousColumn(4), InvalidColumn);
    EXPECT_EQ(c->GetNextVisibleColumn(3), InvalidColumn);
    EXPECT_EQ(c->GetNextColumn(-1), InvalidColumn);
    EXPECT_EQ(c->GetPreviousVisibleColumn(NoColumn), InvalidColumn);

    std::vector<TColumnIndex> visible;
    for (TTreeGridColumn *column : c->GetVisibleColumns())
        visible.push_back(column->Index());
    EXPECT_EQ(visible, (std::vector<TColumnIndex>{4, 0, 2, 3}));
    EXPECT_EQ(c->TotalWidth(), 50 + 10 + 30 + 40);
    // Rounded mean of the visible scrolling columns: (50 + 10 + 30 + 40) / 4 = 32.5 -> 32.
    EXPECT_EQ(c->GetScrollWidth(), 32);

    for (int i = 0; i < c->Count(); ++i)
        c->Items(i)->SetOptions(c->Items(i)->Options() - coVisible);
    EXPECT_EQ(c->GetFirstVisibleColumn(), InvalidColumn);
    EXPECT_EQ(c->GetLastVisibleColumn(), InvalidColumn);
    EXPECT_EQ(c->GetScrollWidth(), int(f.tree.Indent()));
    EXPECT_EQ(c->TotalWidth(), 0);
    EXPECT_EQ(c->ColumnFromPosition(QPoint(0, 0)), InvalidColumn);
}

TEST(TreeGridColumnTest, CollectionUpdateDefersLayoutUntilTheEnd)
{
    TColumnFixture f({10, 20, 30});
    f.columns->BeginUpdate();
    f.columns->Items(0)->SetWidth(100);
    EXPECT_EQ(f.columns->Items(1)->Left(), 10) << "left edges wait for the end of the update";
    f.columns->Items(2)->SetPosition(0);
    EXPECT_EQ(f.columns->Items(2)->Position(), 0u) << "positions follow the map at once";
    f.columns->EndUpdate();
    EXPECT_EQ(f.order(), "CAB");
    f.expectPositionsConsistent();
    EXPECT_EQ(f.columns->Items(1)->Left(), 130);
}

TEST(TreeGridColumnTest, ClearAssignAndDisplayNames)
{
    TColumnFixture f({10, 20, 30});
    f.columns->Items(1)->SetText(QStringLiteral("Größe"));
    EXPECT_EQ(f.columns->Items(1)->GetDisplayName(), QStringLiteral("Größe"));
    f.columns->Items(2)->SetText(QStringLiteral("Ω width"));
    EXPECT_EQ(f.columns->Items(2)->GetDisplayName(), QStringLiteral("Column 2"));
    EXPECT_EQ(f.columns->Items(2)->Text(), QStringLiteral("Ω width"));

    f.columns->Items(2)->SetPosition(0);
    f.columns->Items(0)->SetCaptionAlignment(taRightJustify);
    EXPECT_TRUE(f.columns->Items(0)->Options().contains(coUseCaptionAlignment));
    EXPECT_EQ(f.columns->Items(0)->Alignment(), taLeftJustify);
    EXPECT_EQ(f.columns->Items(0)->CaptionAlignment(), taRightJustify);

    TColumnFixture copy({});
    copy.columns->Assign(*f.columns);
    EXPECT_TRUE(copy.columns->Equals(*f.columns));
    EXPECT_EQ(copy.order(), f.order());
    copy.expectPositionsConsistent();
    copy.columns->Items(1)->SetWidth(99);
    EXPECT_FALSE(copy.columns->Equals(*f.columns));

    f.header->SetSortColumn(1);
    f.columns->Clear();
    EXPECT_EQ(f.columns->Count(), 0);
    EXPECT_TRUE(f.columns->PositionToIndex().empty());
    EXPECT_EQ(f.header->SortColumn(), NoColumn);
    EXPECT_EQ(f.header->MainColumn(), NoColumn);
    EXPECT_EQ(f.tree.FocusedColumn(), NoColumn);
}

TEST(TreeGridColumnTest, SortAndMainColumnsAreClamped)
{
    TColumnFixture f({10, 20, 30});
    f.header->SetSortColumn(7);
    EXPECT_EQ(f.header->SortColumn(), 2);
    f.header->SetSortColumn(-9);
    EXPECT_EQ(f.header->SortColumn(), NoColumn);
    f.header->SetMainColumn(-3);
    EXPECT_EQ(f.header->MainColumn(), 0);
    f.header->SetMainColumn(8);
    EXPECT_EQ(f.header->MainColumn(), 2);
    // Without toExtendedFocus the focused column follows the main column.
    EXPECT_EQ(f.tree.FocusedColumn(), 2);
    f.tree.TreeOptions().SetSelectionOptions({toExtendedFocus});
    f.header->SetMainColumn(1);
    EXPECT_EQ(f.tree.FocusedColumn(), 2);
}

TEST(TreeGridColumnTest, HeaderAssignCopiesColumnsAndSettings)
{
    TColumnFixture source({30, 40, 50});
    source.columns->Items(0)->SetPosition(2);
    source.header->SetMainColumn(2);
    source.header->SetSortColumn(1);
    source.header->SetSortDirection(sdDescending);
    source.header->SetAutoSizeIndex(1);
    source.header->SetStyle(hsFlatButtons);
    source.header->SetOptions(source.header->Options() + hoVisible);
    source.header->FixedAreaConstraints().SetMaxWidthPercent(40);

    TColumnFixture target({99});
    target.header->Assign(*source.header);
    EXPECT_TRUE(target.columns->Equals(*source.columns));
    EXPECT_EQ(target.order(), "BCA");
    EXPECT_EQ(target.header->MainColumn(), 2);
    EXPECT_EQ(target.header->SortColumn(), 1);
    EXPECT_EQ(target.header->SortDirection(), sdDescending);
    EXPECT_EQ(target.header->AutoSizeIndex(), 1);
    EXPECT_EQ(target.header->Style(), hsFlatButtons);
    EXPECT_EQ(target.header->Options(), source.header->Options());
    EXPECT_EQ(target.header->FixedAreaConstraints().MaxWidthPercent(), 40);
    target.expectPositionsConsistent();

    // Before the window exists a height is kept as given and marks the header for rescaling;
    // once it exists, heights are clamped to their limits.
    target.header->SetHeight(5);
    EXPECT_EQ(target.header->Height(), 5);
    EXPECT_TRUE(target.header->States().contains(hsNeedScaling));
    target.tree.show();
    EXPECT_EQ(target.header->Height(), 10);
    EXPECT_FALSE(target.header->States().contains(hsNeedScaling));
    target.header->SetHeight(5);
    EXPECT_EQ(target.header->Height(), 10);
    target.header->SetMaxHeight(30);
    target.header->SetHeight(60);
    EXPECT_EQ(target.header->Height(), 30);
    target.header->SetMinHeight(40);
    EXPECT_EQ(target.header->MinHeight(), 30);
}
