// The chart's commands through the window: zoom and transparency boxes and menus, day-width
// presets, splitting a bar from the chart's menu, and the colour panels.

#include "planner/chart/ChartMouseTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "chart/ChartCommands.h"
#include "table/TableCommands.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "chart/ColorPanel.h"
#include "core/DocumentColors.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

class ChartCommandsTest : public ChartMouseTest
{
protected:
    void SetUp() override
    {
        ChartMouseTest::SetUp();
        commands = form->ChartCommands;
    }
    // A right click on a day of a row: the chart's menu opens (here: only noted).
    void RightClick(TDateTime day, int row)
    {
        Settle();
        Hover(At(day, row));
        Press(At(day, row), Qt::RightButton);
        Release(At(day, row), Qt::RightButton);
        mouse->PopupMenuClosed();
    }
    QAction *Item(QMenu *menu, int tag)
    {
        for (QAction *action : menu->actions())
            if (action->data().toInt() == tag)
                return action;
        return nullptr;
    }

    TChartCommands *commands = nullptr;
};

TEST_F(ChartCommandsTest, ZoomAndTransparencyFromBoxesAndMenus)
{
    OpenPlan(2, {{0, 2, 3}});
    commands->SetZoom(50);
    commands->ZoomComboBox->setEditText(QStringLiteral("abc"));
    commands->ZoomComboBoxChange();
    EXPECT_EQ(commands->GetZoom(), 100);
    commands->SetTransparency(80);
    commands->TransparenceComboBox->setEditText(QStringLiteral("abc"));
    commands->TransparenceComboBoxChange();
    EXPECT_EQ(commands->GetTransparency(), 50);

    Item(commands->KalendarZoom1, 150)->trigger();
    EXPECT_EQ(commands->GetZoom(), 150);
    EXPECT_EQ(view->Geometry().GetTimeChartColWidth(), 30);
    EXPECT_TRUE(Item(commands->KalendarZoom1, 150)->isChecked());
    EXPECT_FALSE(Item(commands->KalendarZoom1, 100)->isChecked());
    EXPECT_EQ(commands->KalendarZoom1->title(), QStringLiteral("Timechart zoom (150 %)"));
    EXPECT_EQ(commands->ZoomComboBox->currentText(), QStringLiteral("150"));
    // Zero and negative zooms are ignored, from the box as from code.
    commands->ZoomComboBox->setEditText(QStringLiteral("0"));
    commands->ZoomComboBoxChange();
    commands->SetZoom(-5);
    EXPECT_EQ(commands->GetZoom(), 150);

    Item(commands->transparenzfrgefiltertAuftrge1, 70)->trigger();
    EXPECT_EQ(view->Options().transparency, 70);
    EXPECT_EQ(commands->transparenzfrgefiltertAuftrge1->title(),
              QStringLiteral("Transparency for filtered Tasks (70 %)"));
}

TEST_F(ChartCommandsTest, DayWidthPresetsSpanTheChart)
{
    OpenPlan(2, {});
    view->TimeChart->setFixedWidth(700);
    Settle();
    ASSERT_EQ(view->TimeChart->width(), 700);
    commands->SetZoom(100);
    commands->ColumnWidthPopupMenu->actions()[3]->trigger(); // "1 week"
    EXPECT_EQ(view->Geometry().ColWidth(), 100);
    EXPECT_EQ(view->Geometry().GetTimeChartColWidth(), 100);
    // The zoom still applies on top of the preset.
    commands->SetZoom(50);
    commands->ColumnWidthPopupMenu->actions()[3]->trigger();
    EXPECT_EQ(view->Geometry().ColWidth(), 100);
    EXPECT_EQ(view->Geometry().GetTimeChartColWidth(), 50);
    commands->SetZoom(100);
    commands->ToolButton20->click();
    EXPECT_EQ(view->Geometry().ColWidth(), 99);
}

TEST_F(ChartCommandsTest, SplitFromTheChartMenu)
{
    OpenPlan(2, {{0, 2, 4}});
    TNodeData *task = Tasks()[0];
    auto &undo = Core().UndoStack();
    const std::size_t undoBefore = undo.UndoList().size();

    // Cancel on the question: nothing.
    RightClick(Base() + 4, 0);
    EXPECT_EQ(Core().SelectedCount(tbTable), 1);
    AnswerNext(mbCancel);
    commands->ActionSplit->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith(QStringLiteral("Split task at this position (")));
    EXPECT_EQ(Tasks().size(), 1u);
    EXPECT_EQ(undo.UndoList().size(), undoBefore);

    // At the bar's first day there is nothing to split off: refused.
    RightClick(Base() + 2, 0);
    AnswerNext(mbOK);
    commands->ActionSplit->trigger();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(Tasks().size(), 1u);

    // OK: two rows whose lengths add up, one undo step.
    RightClick(Base() + 4, 0);
    AnswerNext(mbOK);
    commands->ActionSplit->trigger();
    const auto parts = Tasks();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(Core().GetStartOf(parts[0]), Base() + 2);
    EXPECT_EQ(Core().GetStartOf(parts[1]), Base() + 4);
    EXPECT_EQ(Core().GetLengthOf(parts[0]), Days(2));
    EXPECT_EQ(Core().GetLengthOf(parts[1]), Days(2));
    EXPECT_EQ(Position(parts[0]), 0);
    EXPECT_EQ(Position(parts[1]), 0);
    undo.Undo(Core());
    ASSERT_EQ(Tasks().size(), 1u);
    task = Tasks()[0];
    EXPECT_EQ(Core().GetStartOf(task), Base() + 2);
    EXPECT_EQ(Core().GetLengthOf(task), Days(4));
    EXPECT_EQ(undo.UndoList().size(), undoBefore);
}

TEST_F(ChartCommandsTest, ColourPanelsGrowWithTheirListsAndColourTheSelection)
{
    QVector<TColor> palette{0x111111, 0x222222, 0x333333};
    FillUpColors(palette, 5);
    EXPECT_EQ(palette, (QVector<TColor>{0x111111, 0x222222, 0x333333, 0x008080, 0x00FFFF}));
    FillUpColors(palette, 2);
    EXPECT_EQ(palette.size(), 5);

    OpenPlan(2, {{0, 2, 3}, {1, 2, 3}});
    TColorPanel *panel = commands->ItemColorPanel;
    const int n = panel->SwatchCount();
    ASSERT_GT(n, 1);
    EXPECT_EQ(panel->Palette().size(), panel->ValueList().size());
    // A swatch is three quarters of its cell; the rest is a gap.
    const int c = panel->width() / n;
    ASSERT_GT(c, 3);
    EXPECT_EQ(panel->PaletteIndexAt(c + 1), std::optional<int>(1));
    EXPECT_EQ(panel->PaletteIndexAt(c + c - 1), std::nullopt);
    EXPECT_FALSE(panel->HintAt(c + 1).isEmpty());

    // A left click colours the selected rows of the active table in one step.
    const auto tasks = Tasks();
    TBaseTreeGrid *grid = Core().GetTable(tbTable);
    grid->SetSelected(tasks[0]->VNode, true);
    grid->SetSelected(tasks[1]->VNode, true);
    const std::size_t undoBefore = Core().UndoStack().UndoList().size();
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(c + 1, panel->height() / 2));
    EXPECT_EQ(tasks[0]->nodeColor, 1);
    EXPECT_EQ(tasks[1]->nodeColor, 1);
    EXPECT_TRUE(panel->IsColorSelected(1));
    const auto &list = Core().UndoStack().UndoList();
    ASSERT_GT(list.size(), undoBefore);
    EXPECT_EQ(list.back()->FGroupIndex, list[undoBefore]->FGroupIndex);

    // A right click picks the colour anew.
    panel->OnPickColor = [](TColor, QRect) { return std::optional<TColor>(0x123456); };
    QTest::mouseClick(panel, Qt::RightButton, Qt::NoModifier, QPoint(c + 1, panel->height() / 2));
    EXPECT_EQ(panel->Palette()[1], TColor(0x123456));

    // A palette longer than the value list: presses meet the swatches as painted.
    Core().FColors.append({0x010101, 0x020202, 0x030303});
    ASSERT_EQ(panel->SwatchCount(), n);
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint((n - 1) * c + 1, panel->height() / 2));
    EXPECT_EQ(tasks[0]->nodeColor, n - 1);
    EXPECT_EQ(panel->PaletteIndexAt(n * c + 1), std::nullopt);

    // No entries, or less room than swatches: nothing is drawn and nothing breaks.
    Core().FHolidayColors.clear();
    QStringList &reasons = Core().ColumnStrings(tbExclude, Core().GetConnection(tbExclude, cnColor));
    reasons.clear();
    TColorPanel *empty = commands->HolidayColorPanel;
    EXPECT_EQ(empty->SwatchCount(), 0);
    empty->resize(40, empty->height());
    empty->repaint();
    EXPECT_EQ(empty->PaletteIndexAt(5), std::nullopt);
    EXPECT_TRUE(empty->HintAt(5).isEmpty());
    panel->resize(n - 1, panel->height());
    panel->repaint();
    EXPECT_EQ(panel->PaletteIndexAt(0), std::nullopt);
}

} // namespace

namespace {

TEST_F(ChartCommandsTest, OptimizeWidthFromTheHeaderMenuFitsTheActiveTable)
{
    OpenPlan(2, {{0, 2, 3}, {1, 5, 2}});
    TTableCommands &table = form->TableCommands();
    ASSERT_TRUE(table.HeaderPopupMenu->actions().contains(table.ActionAutoSize));
    EXPECT_EQ(table.ActionAutoSize->text(), QStringLiteral("Optimize width of Table"));
    TTreeGridColumns *columns = Core().GetTable(tbTable)->Header()->Columns();
    const int start = Core().GetConnection(tbTable, cnStart);
    ASSERT_GE(start, 0);
    columns->Items(start)->SetWidth(4);
    table.ActionAutoSize->trigger();
    // Wide enough for the dates it shows.
    const QFontMetrics metrics(Core().GetTable(tbTable)->font());
    EXPECT_GE(columns->Items(start)->Width(), metrics.horizontalAdvance(DateToStr(Base())));
}

} // namespace
