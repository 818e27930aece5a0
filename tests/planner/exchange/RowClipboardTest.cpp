// Rows through the clipboard: the text codec with spreadsheet quoting, copying rows with their
// position as a row number of the group, pasting into the same and a smaller group, the end
// column left to the scheduling, one undo step per cut and per paste, "paste Task here", and
// the main window's commands routed to a focused text field.

#include "planner/CoreTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "chart/CoreChartModel.h"
#include "chart/TimeChartGeometry.h"
#include "chart/TimeChartView.h"
#include "exchange/RowClipboard.h"
#include "exchange/RowClipboardCodec.h"
#include "treegrid/BaseTreeGrid.h"

namespace {

using TRows = TRowClipboardCodec::TRows;

} // namespace

TEST(RowClipboardCodecTest, RoundTripQuotesOnlyCellsThatNeedIt)
{
    const TRows rows{
        {"plain", "with\ttab", "two\r\nlines", "say \"hi\"", "-9", ""},
        {"lf\nonly", "cr\ronly", "\"", "  spaced  ", "Zürich €", "last"},
        {"", "", "", "", "", ""},
    };
    const QString text = TRowClipboardCodec::Encode(rows);
    EXPECT_EQ(text.section(QStringLiteral("\r\n"), 0, 0).left(6), QStringLiteral("plain\t"));
    EXPECT_TRUE(text.contains(QStringLiteral("\"with\ttab\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"say \"\"hi\"\"\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\t  spaced  \tZürich €\tlast\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\t\t\t\t\t\r\n")));
    EXPECT_EQ(TRowClipboardCodec::Decode(text), rows);
    EXPECT_EQ(TRowClipboardCodec::PasteableRows(rows, 6), 3);
    EXPECT_EQ(TRowClipboardCodec::PasteableRows(rows, 5), 0);
    EXPECT_EQ(TRowClipboardCodec::PasteableRows(rows, 7), 0);

    // Rows without any special character are written byte for byte.
    EXPECT_EQ(TRowClipboardCodec::Encode({{"a", "b c", "1,5"}, {"x", "", "z"}}), QStringLiteral("a\tb c\t1,5\r\nx\t\tz\r\n"));
}

TEST(RowClipboardCodecTest, DecodesEveryLineEndAndSpreadsheetQuirks)
{
    // CR LF, LF and CR end lines; the final line end adds no row, an empty line is one empty field.
    EXPECT_EQ(TRowClipboardCodec::Decode("a\tb\r\nc\td\ne\tf\rg\th\r\n"),
              (TRows{{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}}));
    EXPECT_EQ(TRowClipboardCodec::Decode("a\r\n\r\nb"), (TRows{{"a"}, {""}, {"b"}}));
    EXPECT_EQ(TRowClipboardCodec::Decode("a\t"), (TRows{{"a", ""}}));
    EXPECT_EQ(TRowClipboardCodec::Decode("a\t\r\n"), (TRows{{"a", ""}}));
    EXPECT_TRUE(TRowClipboardCodec::Decode("").isEmpty());
    // A quote inside an unquoted field is a character; text after a closing quote is kept;
    // a quote that never closes is a plain character and the line ends as usual.
    EXPECT_EQ(TRowClipboardCodec::Decode("5\" pipe\t\"x\"y\r\n"), (TRows{{"5\" pipe", "xy"}}));
    EXPECT_EQ(TRowClipboardCodec::Decode("\"open\tb\r\nc\td"), (TRows{{"\"open", "b"}, {"c", "d"}}));
    // The widest line decides; a shorter line still counts.
    EXPECT_EQ(TRowClipboardCodec::PasteableRows({{"a", "b", "c"}, {"d"}}, 3), 2);
    EXPECT_EQ(TRowClipboardCodec::PasteableRows({}, 0), 0);
}

TEST(RowClipboardCodecTest, PositionsMapIntoTheGroupWithAnOffset)
{
    const QStringList small{"B", "C"};
    TRows rows{{"x", "2"}, {"y", "-9"}, {"z", "1"}, {"w", "Somebody"}, {"v", "-1"}};
    // The largest number (2) does not fit two rows: everything moves down by one; -9 is "*"
    // and takes no part in the maximum; a text stays.
    TRowClipboardCodec::MapPositions(rows, 1, small);
    EXPECT_EQ(rows, (TRows{{"x", "C"}, {"y", "*"}, {"z", "B"}, {"w", "Somebody"}, {"v", ""}}));

    TRows fits{{"x", "1"}, {"y", "0"}};
    TRowClipboardCodec::MapPositions(fits, 1, {"A", "B", "C"});
    EXPECT_EQ(fits, (TRows{{"x", "B"}, {"y", "A"}}));

    TRows onlyAll{{"x", "-9"}, {"y", "-9"}};
    TRowClipboardCodec::MapPositions(onlyAll, 1, {"A"});
    EXPECT_EQ(onlyAll, (TRows{{"x", "*"}, {"y", "*"}}));

    TRows empty{{"x", "0"}};
    TRowClipboardCodec::MapPositions(empty, 1, {});
    EXPECT_EQ(empty, (TRows{{"x", ""}}));
}

class RowClipboardTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        core->ColumnStrings(tbTable, 0) = QStringList{"A", "B", "C", "D", "E"};
        core->CreateDefaultWeekInfo();
        core->AddPositionGroup(QStringLiteral("Small"), CommaTextOf({core->Positiongroups(false, true)[1],
                                                                     core->Positiongroups(false, true)[3]}));
        core->BeginUpdate(QString());
        core->EndUpdate();
        clipboard = std::make_unique<TRowClipboard>(*core);
        clipboard->OnReadText = [this] { return text; };
        clipboard->OnWriteText = [this](const QString &value) { text = value; };
    }
    void TearDown() override
    {
        clipboard.reset();
        CoreTest::TearDown();
    }
    int Column(TConnection cn, TWhichTable table = tbTable) const { return core->GetConnection(table, cn); }
    void Select(const std::vector<TNodeData *> &rows)
    {
        TBaseTreeGrid *grid = core->GetTable(core->GetActiveTable());
        grid->ClearSelection();
        for (TNodeData *node : rows)
            grid->SetSelected(node->VNode, true);
    }
    QStringList Cells(TConnection cn, TWhichTable table = tbTable)
    {
        QStringList cells;
        core->ForEach(table, feAll, [&](TNodeData *node) { cells.append(core->GetData_(node, cn)); });
        return cells;
    }

    std::unique_ptr<TRowClipboard> clipboard;
    QString text;
};

TEST_F(RowClipboardTest, CopyWritesRowNumbersAndPasteFindsTheSameResources)
{
    TNodeData *onC = AddTask("C", "02.03.2026", "3");
    core->SetData_(onC, cnTextCenterMiddle, "weld\tframe \"B\"\nhall 2");
    TNodeData *everyone = AddTask("*", "04.03.2026", "1");
    AddTask("A", "05.03.2026", "1"); // not selected
    Select({onC, everyone});
    clipboard->ActionCopyExecute();

    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3); // two lines, the second one closed by CR LF too
    EXPECT_TRUE(lines[2].isEmpty());
    const TRows rows = TRowClipboardCodec::Decode(text);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].size(), core->GetTableColCount(tbTable));
    EXPECT_EQ(rows[0][Column(cnPosition)], "2");
    EXPECT_EQ(rows[1][Column(cnPosition)], "-9");
    EXPECT_EQ(rows[0][Column(cnTextCenterMiddle)], "weld\tframe \"B\"\nhall 2");
    EXPECT_EQ(rows[0][Column(cnStart)], "02.03.2026");

    // Pasted into the same group: same resources, same cells, the copies selected.
    ASSERT_EQ(clipboard->NumPasteableNodes(), 2);
    clipboard->ActionPasteExecute();
    EXPECT_EQ(Count(tbTable, feAll), 5);
    EXPECT_EQ(Cells(cnPosition), (QStringList{"C", "*", "A", "C", "*"}));
    EXPECT_EQ(Cells(cnTextCenterMiddle)[3], "weld\tframe \"B\"\nhall 2");
    EXPECT_EQ(Count(tbTable, feSelected), 2);
    EXPECT_FALSE(tasks->Selected(onC->VNode));
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
    EXPECT_FALSE(core->IsUpdating());

    // The group "Small" shows B and D: row 2 does not fit its two rows, so every number moves
    // down by one and the task lands on the last row.
    core->SelectGroupTab(1);
    const std::vector<TNodeData *> pasted = clipboard->Paste(text);
    ASSERT_EQ(pasted.size(), 2u);
    EXPECT_EQ(core->GetData_(pasted[0], cnPosition), "D");
    EXPECT_EQ(core->GetData_(pasted[1], cnPosition), "*");
}

TEST_F(RowClipboardTest, HiddenEmptyRowsDoNotShiftTheResource)
{
    AddTask("D", "02.03.2026", "1");
    TNodeData *task = AddTask("E", "03.03.2026", "1");
    core->FHideEmptyRows = true;
    core->UpdateEmptyRowsProc();
    ASSERT_EQ(VisibleNames(), (QStringList{"D", "E"}));
    Select({task});
    clipboard->ActionCopyExecute();
    const std::vector<TNodeData *> pasted = clipboard->Paste(text);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(core->GetData_(pasted[0], cnPosition), "E");
}

TEST_F(RowClipboardTest, EndIsComputedAndForeignTextsNeedEveryColumn)
{
    const int columns = core->GetTableColCount(tbTable);
    QStringList cells(columns);
    cells[Column(cnPosition)] = "1";
    cells[Column(cnStart)] = "02.03.2026"; // a Monday
    cells[Column(cnEnd)] = "31.12.2030";
    cells[Column(cnLength)] = "3";
    cells[Column(cnTextCenterMiddle)] = "from a sheet";

    // One column too many: ignored without a word.
    text = cells.join(u'\t') + QStringLiteral("\textra\n");
    EXPECT_EQ(clipboard->NumPasteableNodes(), 0);
    EXPECT_TRUE(clipboard->Paste(text).empty());
    EXPECT_EQ(Count(tbTable, feAll), 0);
    EXPECT_TRUE(window.questions.isEmpty());

    text = cells.join(u'\t') + QStringLiteral("\n");
    const std::vector<TNodeData *> pasted = clipboard->Paste(text);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(core->GetData_(pasted[0], cnPosition), "B");
    EXPECT_EQ(core->GetData_(pasted[0], cnTextCenterMiddle), "from a sheet");
    EXPECT_EQ(core->GetEndOf(pasted[0]), EncodeDate(2026, 3, 4));
    EXPECT_EQ(core->GetData_(pasted[0], cnEnd), "04.03.2026");
}

TEST_F(RowClipboardTest, CutAndPasteAreOneUndoStepEach)
{
    std::vector<TNodeData *> rows;
    for (int i = 0; i < 4; ++i)
        rows.push_back(AddTask("B", QStringLiteral("0%1.03.2026").arg(i + 2), "2"));
    Select({rows[0], rows[2], rows[3]});
    const std::size_t before = undo.UndoList().size();
    clipboard->ActionCutExecute();
    EXPECT_EQ(Count(tbTable, feAll), 1);
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
    const int cutGroup = undo.UndoList().back()->FGroupIndex;
    for (std::size_t i = before; i < undo.UndoList().size(); ++i)
        EXPECT_EQ(undo.UndoList()[i]->FGroupIndex, cutGroup);

    core->Undo();
    QStringList starts = Cells(cnStart);
    starts.sort();
    EXPECT_EQ(starts, (QStringList{"02.03.2026", "03.03.2026", "04.03.2026", "05.03.2026"}));

    clipboard->Paste(text);
    clipboard->Paste(text);
    EXPECT_EQ(Count(tbTable, feAll), 10);
    core->Undo();
    EXPECT_EQ(Count(tbTable, feAll), 7);
    core->Undo();
    EXPECT_EQ(Count(tbTable, feAll), 4);
    core->Redo();
    EXPECT_EQ(Count(tbTable, feAll), 7);

    // Inside a group someone else opened, the paste joins it and leaves it open.
    core->FUndoRedoGroupIndex = 77;
    clipboard->Paste(text);
    EXPECT_EQ(core->FUndoRedoGroupIndex, 77);
    EXPECT_EQ(undo.UndoList().back()->FGroupIndex, 77);
    core->FUndoRedoGroupIndex = -1;
}

TEST_F(RowClipboardTest, PasteHereMovesTheFirstRowOnly)
{
    TNodeData *first = AddTask("A", "02.03.2026", "2");
    TNodeData *second = AddTask("B", "09.03.2026", "1");
    Select({first, second});
    clipboard->ActionCopyExecute();
    const std::vector<TNodeData *> pasted = clipboard->Paste(text, TRowClipboard::TPlace{EncodeDate(2026, 4, 14), 4});
    ASSERT_EQ(pasted.size(), 2u);
    EXPECT_EQ(core->GetData_(pasted[0], cnPosition), "E");
    EXPECT_EQ(core->GetData_(pasted[0], cnStart), "14.04.2026");
    EXPECT_EQ(core->GetEndOf(pasted[0]), EncodeDate(2026, 4, 15));
    EXPECT_EQ(core->GetData_(pasted[1], cnPosition), "B");
    EXPECT_EQ(core->GetData_(pasted[1], cnStart), "09.03.2026");
    // Still one step.
    core->Undo();
    EXPECT_EQ(Count(tbTable, feAll), 2);
}

TEST_F(RowClipboardTest, AbsentDaysAndPositionTextsTravelToo)
{
    core->SetActiveTable(tbExclude);
    TNodeData *absence = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(absence, cnPosition, "D");
    core->SetData_(absence, cnStart, "02.03.2026");
    core->SetData_(absence, cnLength, "2");
    core->SetData_(absence, cnLengthWithWeekend, "Nein");
    Select({absence});
    clipboard->ActionCopyExecute();
    // A position the sheet holds as a name keeps it.
    TRows rows = TRowClipboardCodec::Decode(text);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][Column(cnPosition, tbExclude)], "3");
    rows[0][Column(cnPosition, tbExclude)] = "Somebody";
    text = TRowClipboardCodec::Encode(rows);
    const std::vector<TNodeData *> pasted = clipboard->Paste(text);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->NodeTable, tbExclude);
    EXPECT_EQ(core->GetData_(pasted[0], cnPosition), "Somebody");
    EXPECT_EQ(core->GetData_(pasted[0], cnLengthWithWeekend), "Nein");
    EXPECT_EQ(core->GetData_(pasted[0], cnColor), core->GetData_(absence, cnColor));
    // No selection, no copy: the clipboard keeps what it had.
    core->GetTable(tbExclude)->ClearSelection();
    text = QStringLiteral("kept");
    clipboard->ActionCopyExecute();
    clipboard->ActionCutExecute();
    EXPECT_EQ(text, "kept");
}

TEST_F(RowClipboardTest, PlaceUnderTheChartMenuPoint)
{
    TCoreChartModel model(*core);
    TTimeChartGeometry geometry(model);
    geometry.SetColWidthValue(20);
    geometry.SetStartValue(EncodeDate(2026, 3, 2));
    geometry.SetTopValue(0);
    const int rowHeight = geometry.TimeChartRowHeight(0);
    const TRowClipboard::TPlace place = TRowClipboard::PlaceAt(geometry, QPoint(3 * 20 + 7, 2 * rowHeight + 1), false);
    EXPECT_EQ(place.row, 2);
    EXPECT_EQ(place.date, EncodeDate(2026, 3, 5));
    // In minute mode the time of day follows the working hours under x.
    core->SetMinUnit(muMinute);
    const TRowClipboard::TPlace exact = TRowClipboard::PlaceAt(geometry, QPoint(3 * 20 + 10, 1), true);
    EXPECT_EQ(exact.row, 0);
    EXPECT_EQ(std::trunc(exact.date), EncodeDate(2026, 3, 5));
    EXPECT_GT(exact.date, EncodeDate(2026, 3, 5));
}

// The window's commands: rows while a table has the focus, the text when a text field has it.
TEST(RowClipboardWindowTest, CommandsFollowTheFocus)
{
    SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"));
    auto form = std::make_unique<TScriptedMainForm>();
    form->show();
    QApplication::setActiveWindow(form.get());
    TPlannerCore &core = form->Core();
    TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
    core.SetData_(node, cnPosition, "Position 2");
    core.SetData_(node, cnStart, "02.03.2026");
    core.SetData_(node, cnLength, "1");
    QString clipboardText;
    form->RowClipboard().OnReadText = [&] { return clipboardText; };
    form->RowClipboard().OnWriteText = [&](const QString &value) { clipboardText = value; };
    form->StringTreeGrid1->SetSelected(node->VNode, true);
    form->StringTreeGrid1->setFocus();
    QApplication::processEvents();

    form->ActionCopy->trigger();
    EXPECT_TRUE(clipboardText.startsWith(QStringLiteral("1\t02.03.2026\t")));
    form->ActionPaste->trigger();
    EXPECT_EQ(core.GetTableRowCount(tbTable), 2);

    // With a text field focused the commands are its own.
    auto *field = new QLineEdit(QStringLiteral("just text"), form.get());
    field->show();
    field->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), field);
    field->selectAll();
    form->ActionCopy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "just text");
    EXPECT_TRUE(clipboardText.startsWith(QStringLiteral("1\t")));
    form->ActionCut->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(core.GetTableRowCount(tbTable), 2);

    // "paste Task here" at a point of the chart.
    form->StringTreeGrid1->setFocus();
    const TTimeChartGeometry &geometry = form->TimeChartView->Geometry();
    form->TimeChartPopupPoint = QPoint(geometry.GetTimeChartColWidth() * 2, geometry.TimeChartRowHeight(0) * 2 + 1);
    const TDateTime start = geometry.Start();
    form->ActionPasteNode->trigger();
    ASSERT_EQ(core.GetTableRowCount(tbTable), 3);
    TNodeData *placed = core.NodeData(form->StringTreeGrid1, form->StringTreeGrid1->GetFirstSelected());
    EXPECT_EQ(core.GetData_(placed, cnPosition), "Position 3");
    EXPECT_EQ(core.GetStartOf(placed), start + 2);
    form.reset();
    ResetDateFormats();
}
