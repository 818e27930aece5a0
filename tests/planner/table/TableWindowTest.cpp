// The tables through the main window as a user reaches them: header clicks that sort, the
// filter symbol that drops the filter pop-up, the header menu, the Filter and Sort menus, and
// selection changes that move the chart only when they come from the table.

#include "planner/CoreTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "dialogs/FilterPopup.h"
#include "table/FilterEngine.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"
#include "table/TableCommands.h"
#include "table/TableImages.h"
#include "Canvas.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeaderWidget.h"
#include "treegrid/TreeGridHintWindow.h"

namespace {

class TTableMainForm : public TScriptedMainForm
{
public:
    void CenterNode(TNodeData &node) override { centred.push_back(&node); }
    void FlashSelectedBars() override
    {
        ++flashes;
        TScriptedMainForm::FlashSelectedBars();
    }
    std::vector<TNodeData *> centred;
    int flashes = 0;
};

class TableWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"));
        form = std::make_unique<TTableMainForm>();
        form->show();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
        core = &form->Core();
        for (const char *comment : {"beta", "alpha", "gamma", "alpha"}) {
            TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
            core->SetData_(node, cnPosition, "Position 1");
            core->SetData_(node, cnStart, "02.03.2026");
            core->SetData_(node, cnLength, "1");
            core->SetData_(node, cnTextCenterMiddle, comment);
            rows.push_back(node);
        }
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    int Comment() const { return core->GetConnection(tbTable, cnTextCenterMiddle); }
    std::string Comments()
    {
        std::string texts;
        core->ForEach(tbTable, feFiltered, [&](TNodeData *node) {
            texts += core->GetData(node, Comment()).toStdString() + "|";
        });
        return texts;
    }
    // A click on the header of a column of the task table, `x` pixels from its left edge.
    void ClickHeader(int column, int x, Qt::MouseButton button = Qt::LeftButton)
    {
        auto *header = form->StringTreeGrid1->findChild<TTreeGridHeaderWidget *>();
        ASSERT_NE(header, nullptr);
        ASSERT_TRUE(header->isVisible());
        const TTreeGridColumn *item = form->StringTreeGrid1->Header()->Columns()->Items(column);
        const QPoint at(item->Left() + x, header->height() / 2);
        QTest::mouseClick(header, button, Qt::NoModifier, at);
    }

    std::unique_ptr<TTableMainForm> form;
    TPlannerCore *core = nullptr;
    std::vector<TNodeData *> rows;
};

} // namespace

TEST_F(TableWindowTest, HeaderClicksSortAndTheFilterSymbolFilters)
{
    ClickHeader(Comment(), 40);
    EXPECT_EQ(Comments(), "alpha|alpha|beta|gamma|");
    EXPECT_EQ(form->Tables().ActiveColumn(), Comment());
    ClickHeader(Comment(), 40);
    EXPECT_EQ(Comments(), "gamma|beta|alpha|alpha|");
    EXPECT_EQ(form->StringTreeGrid1->Header()->SortDirection(), sdDescending);

    // The filter symbol: the pop-up drops down; a list filter on "beta" is chosen with Enter.
    TFilterPopup *popup = form->TableCommands().FilterPopup();
    popup->SetRollDownSpeed(0);
    bool shown = false;
    QTimer::singleShot(50, popup, [&] {
        shown = popup->isVisible();
        EXPECT_EQ(popup->LabelCaption->text(), "Filter Column Comment");
        EXPECT_FALSE(popup->ListBoxList->isHidden());
        popup->RadioButtonList->click();
        const auto found = popup->ListBoxList->findItems("beta", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        found.first()->setSelected(true);
        QTest::keyClick(popup->ListBoxList, Qt::Key_Return);
    });
    ClickHeader(Comment(), 5);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(Comments(), "beta|");
    const TTreeGridColumn *item = form->StringTreeGrid1->Header()->Columns()->Items(Comment());
    EXPECT_EQ(item->Hint(), "[= beta]");
    EXPECT_EQ(item->ImageIndex(), TableImages::Filter);
    EXPECT_TRUE(form->TableCommands().ActionClearAllFilters->isEnabled());

    // Escape leaves the filter as it was.
    QTimer::singleShot(50, popup, [&] {
        popup->RadioButtonNoFilter->click();
        QTest::keyClick(popup->RadioButtonNoFilter, Qt::Key_Escape);
    });
    ClickHeader(Comment(), 5);
    EXPECT_EQ(Comments(), "beta|");

    // The header menu on the right button; its Clear Filter acts on the clicked column.
    ClickHeader(Comment(), 40, Qt::RightButton);
    QMenu *menu = form->TableCommands().HeaderPopupMenu;
    EXPECT_TRUE(menu->isVisible());
    menu->close();
    form->TableCommands().ActionClearFilter->trigger();
    EXPECT_EQ(Comments(), "gamma|beta|alpha|alpha|");
    EXPECT_FALSE(form->TableCommands().ActionClearAllFilters->isEnabled());
}

TEST_F(TableWindowTest, TheFilterAndSortMenusListTheActiveTablesColumns)
{
    QMenu *filter = form->TableCommands().FilterMenu;
    emit filter->aboutToShow();
    const QList<QAction *> items = filter->actions();
    ASSERT_EQ(items.size(), core->GetTableColCount(tbTable) + 2);
    EXPECT_EQ(items[Comment()]->text(), "Comment");
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
    EXPECT_EQ(items.last(), form->TableCommands().ActionClearAllFilters);

    // A Sort item sorts by its column; the menu then marks the direction.
    QMenu *sort = form->TableCommands().SortMenu;
    emit sort->aboutToShow();
    sort->actions()[Comment()]->trigger();
    EXPECT_EQ(Comments(), "alpha|alpha|beta|gamma|");
    emit sort->aboutToShow();
    EXPECT_FALSE(sort->actions()[Comment()]->icon().isNull());
    EXPECT_TRUE(sort->actions()[0]->icon().isNull());

    // The absent-days page lists its own columns.
    form->PageControl1->setCurrentIndex(1);
    emit filter->aboutToShow();
    EXPECT_EQ(filter->actions().size(), core->GetTableColCount(tbExclude) + 2);
}

TEST_F(TableWindowTest, SelectingInTheTableCentresTheChartOnTheRow)
{
    form->StringTreeGrid1->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form->StringTreeGrid1->hasFocus());
    form->StringTreeGrid1->ClearSelection();
    form->StringTreeGrid1->SetSelected(rows[2]->VNode, true);
    QApplication::processEvents();
    ASSERT_EQ(form->centred.size(), 1u);
    EXPECT_EQ(form->centred[0], rows[2]);

    // With the focus in the chart the row is not centred.
    QWidget chart(form.get());
    chart.setObjectName("TimeChart");
    chart.setFocusPolicy(Qt::StrongFocus);
    chart.show();
    chart.setFocus();
    QApplication::processEvents();
    form->StringTreeGrid1->SetSelected(rows[1]->VNode, true);
    QApplication::processEvents();
    EXPECT_EQ(form->centred.size(), 1u);
    EXPECT_EQ(form->Tables().Selection().SelectedList(tbTable).size(), 2u);
}

TEST_F(TableWindowTest, CellsShowTheirTextsFontsAndBackgrounds)
{
    TStringTreeGrid *grid = form->StringTreeGrid1;
    TNodeData *broken = core->AddNode(core->GetFreeID(), tbTable, true);
    core->SetData_(broken, cnTextCenterMiddle, "broken");
    // rows[1] collides with rows[3] on one resource; the others stand alone.
    core->SetData_(rows[0], cnPosition, "Position 2");
    core->SetData_(rows[2], cnPosition, "Position 3");
    core->UpdateOverlapping(false);
    ASSERT_TRUE(core->GetNodeIsOverlapping(rows[1]));
    grid->SetSelected(rows[2]->VNode, true);
    QApplication::processEvents();

    EXPECT_EQ(grid->Text(rows[0]->VNode, Comment()), "beta");
    EXPECT_EQ(grid->Text(rows[0]->VNode, core->GetConnection(tbTable, cnStart)), "02.03.2026");
    EXPECT_EQ(grid->Text(rows[0]->VNode, -1), "");
    const auto fontOf = [&](TNodeData *row) {
        TFont font;
        QRect r;
        QString text;
        grid->GetTextInfo(row->VNode, Comment(), font, r, text);
        return font;
    };
    EXPECT_EQ(fontOf(rows[0]).Style(), TFontStyles());
    EXPECT_EQ(fontOf(rows[1]).Color(), TColor(0x0000FF));
    EXPECT_EQ(fontOf(rows[2]).Style(), TFontStyles(fsBold));
    EXPECT_EQ(fontOf(broken).Style(), TFontStyles(fsItalic));

    // The columns the chart reads have their own background; the others do not.
    const QImage picture = grid->viewport()->grab().toImage();
    const QRect row = grid->GetDisplayRect(rows[0]->VNode, core->GetConnection(tbTable, cnLength), false);
    const QRect comment = grid->GetDisplayRect(rows[0]->VNode, Comment(), false);
    ASSERT_TRUE(row.isValid());
    EXPECT_EQ(picture.pixelColor(row.left() + 2, row.top() + 1), QColor(204, 229, 240));
    EXPECT_NE(picture.pixelColor(comment.left() + 2, comment.top() + 1), QColor(204, 229, 240));

    // A row that cannot be drawn is underlined by a red zigzag; a valid one is not.
    const auto redPixels = [&](TNodeData *node) {
        const QRect cell = grid->GetDisplayRect(node->VNode, Comment(), false);
        int red = 0;
        for (int y = cell.bottom() - 2; y <= cell.bottom(); ++y)
            for (int x = cell.left(); x < cell.right(); ++x)
                red += picture.pixelColor(x, y) == QColor(255, 0, 0);
        return red;
    };
    EXPECT_GE(redPixels(broken), 20);
    EXPECT_EQ(redPixels(rows[0]), 0);
}

TEST_F(TableWindowTest, TheTablesAnswerClicksKeysTheWheelPanningAndHeaderHints)
{
    TStringTreeGrid *grid = form->StringTreeGrid1;
    for (int i = 0; i < 60; ++i) {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
        core->SetData_(node, cnPosition, "Position 1");
        core->SetData_(node, cnStart, "09.03.2026");
        core->SetData_(node, cnLength, "1");
        core->SetData_(node, cnTextCenterMiddle, QStringLiteral("row %1").arg(i));
    }
    QApplication::processEvents();
    QWidget *viewport = grid->viewport();
    const int h = int(grid->DefaultNodeHeight());
    std::vector<TGridNode *> shown;
    for (TGridNode *run = grid->GetFirstVisible(); run; run = grid->GetNextVisible(run))
        shown.push_back(run);
    ASSERT_GT(shown.size(), 10u);
    auto rowAt = [&](int index) { return QPoint(30, index * h + h / 2); };
    auto selected = [&] {
        std::vector<TGridNode *> nodes;
        for (TGridNode *run = grid->GetFirstSelected(); run; run = grid->GetNextSelected(run))
            nodes.push_back(run);
        return nodes;
    };

    // A click selects the row, moves the chart to it and flashes its bar.
    const int flashes = form->flashes;
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, rowAt(1));
    QApplication::processEvents();
    EXPECT_EQ(selected(), (std::vector<TGridNode *>{shown[1]}));
    EXPECT_GT(form->flashes, flashes);
    ASSERT_FALSE(form->centred.empty());
    EXPECT_EQ(form->centred.back(), TPlannerCore::NodeData(grid, shown[1]));
    // A click that changes nothing still flashes the bar, once.
    const int afterSelecting = form->flashes;
    const std::size_t centredBefore = form->centred.size();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, rowAt(1));
    QApplication::processEvents();
    EXPECT_EQ(selected(), (std::vector<TGridNode *>{shown[1]}));
    EXPECT_EQ(form->flashes, afterSelecting + 1);
    EXPECT_EQ(form->centred.size(), centredBefore) << "no selection change, no move of the chart";
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowAt(3));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, rowAt(5));
    EXPECT_EQ(selected(), (std::vector<TGridNode *>{shown[3], shown[4], shown[5]}));
    QApplication::processEvents();
    EXPECT_EQ(form->Tables().Selection().SelectedList(tbTable).size(), 3u);

    // The window looks at the arrows first, the table still moves its focus with them.
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->FocusedNode(), shown[6]);
    EXPECT_EQ(selected(), (std::vector<TGridNode *>{shown[6]}));
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<TGridNode *>{shown[6], shown[7]}));

    // The task table is a grid: a click focuses the cell, Left and Right walk the row's cells.
    const TTreeGridColumn *second = grid->Header()->Columns()->Items(1);
    grid->SetOffsetXY(QPoint(0, 0));
    const int secondX = second->Left() + second->Width() / 2;
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(secondX, 2 * h + h / 2));
    EXPECT_EQ(grid->FocusedNode(), shown[2]);
    EXPECT_EQ(grid->FocusedColumn(), 1);
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->FocusedColumn(), 2);
    EXPECT_EQ(selected(), (std::vector<TGridNode *>{shown[2]}));
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->FocusedColumn(), 0);
    EXPECT_EQ(grid->FocusedNode(), shown[2]);

    // The wheel scrolls the rows; the middle button pans them.
    grid->SetOffsetY(0);
    QWheelEvent wheel(QPointF(30, 30), viewport->mapToGlobal(QPointF(30, 30)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(grid->OffsetY(), -QApplication::wheelScrollLines() * h);
    QTest::mousePress(viewport, Qt::MiddleButton, Qt::NoModifier, QPoint(100, 40));
    EXPECT_TRUE(grid->IsPanning());
    QTest::mouseMove(viewport, QPoint(100, 80));
    QTest::mouseRelease(viewport, Qt::MiddleButton, Qt::NoModifier, QPoint(100, 80));
    EXPECT_FALSE(grid->IsPanning());

    // A filter's description is its column's hint.
    TFilterParams filter;
    filter.FilterType = ftText;
    filter.FilterSubType = fsText;
    filter.Text1 = QStringLiteral("row 1");
    form->Tables().Filters().SetFilter(tbTable, Comment(), filter);
    const TTreeGridColumn *item = grid->Header()->Columns()->Items(Comment());
    ASSERT_FALSE(item->Hint().isEmpty());
    auto *strip = grid->findChild<TTreeGridHeaderWidget *>();
    const QPoint at(item->Left() - grid->EffectiveOffsetX() + 20, strip->height() / 2);
    QHelpEvent help(QEvent::ToolTip, at, strip->mapToGlobal(at));
    QApplication::sendEvent(strip, &help);
    ASSERT_NE(grid->HintWindow(), nullptr);
    EXPECT_TRUE(grid->HintWindow()->isVisible());
    EXPECT_EQ(grid->HintWindow()->Text(), item->Hint());
    grid->CancelHint();
}
