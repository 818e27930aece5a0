// The task table's columns after the fit of opening, as the user changes the rows: a cell
// written through the editor or pasted that needs more room widens its column, a column the
// user sized by hand keeps its width (also after closing and starting again), and no column
// moves while the user presses a header.

#include "planner/window/WindowTestSupport.h"

#include <QClipboard>
#include <QLabel>
#include <QRadioButton>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include "MemIniFile.h"
#include "common/RepaintCheck.h"
#include "dialogs/FilterPopup.h"
#include "editor/PropertyEditor.h"
#include "setup/PositionEntry.h"
#include "sync/DirWatchThread.h"
#include "table/ColumnFitter.h"
#include "table/TableCommands.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderWidget.h"
#include "window/SettingsKeeper.h"

using namespace userinput;
using testsupport::ShowsFullRender;

namespace {

const QString LongComment = QStringLiteral("A comment far longer than any column was fitted to at the start");

class ColumnFollowWindowTest : public windowtest::MainWindowTest
{
protected:
    ColumnFollowWindowTest() : MainWindowTest(mrNo, QStringLiteral("dd MMM yyyy")) {}
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        Watch(*form);
    }
    void TearDown() override
    {
        form->StringTreeGrid1->OnShortenString = nullptr;
        MainWindowTest::TearDown();
    }
    // Whatever a paint of the task table shortens is noted, and shortened as before.
    void Watch(TMainForm &window)
    {
        window.StringTreeGrid1->OnShortenString = [this, &window](TBaseTreeGrid *, TCanvas &, TGridNode *,
                                                                  TColumnIndex column, const QString &text, int,
                                                                  QString &, bool &) {
            shortened.append(QStringLiteral("%1: %2").arg(window.Core().GetColumnCaption(tbTable, column), text));
        };
    }
    // What the table shortens when it paints now.
    QStringList Shortened(TMainForm &window)
    {
        QApplication::processEvents();
        shortened.clear();
        window.StringTreeGrid1->viewport()->repaint();
        return shortened;
    }
    // A document of short rows, saved and opened: its columns are fitted to them.
    void OpenShortRows(TMainForm &window, const QString &name)
    {
        const QString file = dir.filePath(name);
        if (!QFileInfo::exists(file)) {
            TScriptedMainForm maker;
            for (int i = 0; i < 3; ++i) {
                TNodeData *row = AddTaskRow(maker.Core(), QStringLiteral("Position 1"), QStringLiteral("0%1 Mar 2026").arg(2 + i),
                                            QStringLiteral("1"));
                maker.Core().SetData_(row, cnTextCenterMiddle, QStringLiteral("ok"));
            }
            ASSERT_TRUE(maker.File().SaveTo(file));
        }
        window.Open(file);
        QApplication::processEvents();
    }
    TTreeGridColumn *Column(TMainForm &window, TConnection cn)
    {
        return window.StringTreeGrid1->Header()->Columns()->Items(window.Core().GetConnection(tbTable, cn));
    }
    TNodeData *Row(TMainForm &window, int index)
    {
        TNodeData *found = nullptr;
        int i = 0;
        window.Core().ForEach(tbTable, feAll, [&](TNodeData *node) {
            if (i++ == index)
                found = node;
        });
        return found;
    }
    // Types a text into the editor's field of a column of the selected row and confirms it.
    void TypeIntoEditor(TConnection cn, const QString &text)
    {
        auto *field = qobject_cast<QLineEdit *>(
            form->Editor().Control(QStringLiteral("__edit"), core->GetConnection(tbTable, cn)));
        ASSERT_NE(field, nullptr);
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    QTemporaryDir dir;
    QStringList shortened;
};

} // namespace

TEST_F(ColumnFollowWindowTest, AWriteThroughTheEditorWidensItsColumn)
{
    OpenShortRows(*form, QStringLiteral("short.zop"));
    ASSERT_TRUE(Shortened(*form).isEmpty());
    const int fitted = Column(*form, cnTextCenterMiddle)->Width();

    ClickCell(form->StringTreeGrid1, Row(*form, 1)->VNode, core->GetConnection(tbTable, cnLength));
    ASSERT_TRUE(WaitUntil([this] { return form->EditorPanel->isVisible(); }));
    TypeIntoEditor(cnTextCenterMiddle, LongComment);
    ASSERT_EQ(core->GetData_(Row(*form, 1), cnTextCenterMiddle), LongComment);
    EXPECT_TRUE(ShowsFullRender(form->StringTreeGrid1->viewport()));
    EXPECT_TRUE(ShowsFullRender(form->StringTreeGrid1->Header()->Widget()));
    EXPECT_GT(Column(*form, cnTextCenterMiddle)->Width(), fitted);
    EXPECT_EQ(Shortened(*form), QStringList());
    // The new width is the one a fit of the whole table gives.
    const int followed = Column(*form, cnTextCenterMiddle)->Width();
    core->SetActiveTable(tbTable);
    form->TableCommands().ActionAutoSize->trigger();
    EXPECT_EQ(Column(*form, cnTextCenterMiddle)->Width(), followed);
}

// Rows copied in another window with longer resources, dates and comments, pasted into an
// empty document: every cell reads whole at once, selected (bold) as the pasted rows are.
TEST_F(ColumnFollowWindowTest, PastedRowsWidenTheirColumns)
{
    TScriptedMainForm other(mrNo);
    TPlannerCore &source = other.Core();
    QStringList &positions = source.ColumnStrings(tbTable, source.GetConnection(tbTable, cnPosition));
    positions.append(TPositionEntry::Make({QStringLiteral("Position with a long name")}).Text());
    source.BeginUpdate(QString());
    source.EndUpdate();
    for (const char *start : {"15 Dec 2026", "04 Jan 2027"}) {
        TNodeData *row = AddTaskRow(source, QStringLiteral("Position with a long name"), QString::fromLatin1(start),
                                    QStringLiteral("12"));
        source.SetData_(row, cnTextCenterMiddle, LongComment);
    }
    source.SetActiveTable(tbTable);
    other.ActionSelectAllExecute();
    ASSERT_EQ(source.SelectedCount(tbTable), 2);
    other.ActionCopyExecute();
    ASSERT_FALSE(QGuiApplication::clipboard()->text().isEmpty());

    // The empty document's own resource list takes the long name, as the other's did.
    core->ColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition)) = positions;
    core->BeginUpdate(QString());
    core->EndUpdate();
    form->AutoFitColumns();
    QApplication::processEvents();
    const int position = Column(*form, cnPosition)->Width();
    QTest::mouseClick(form->StringTreeGrid1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QMenu *edit = form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
    ClickMenuItem(*form, edit, form->ActionPaste);
    ASSERT_EQ(core->GetTableRowCount(tbTable), 2);
    EXPECT_TRUE(ShowsFullRender(form->StringTreeGrid1->viewport()));
    EXPECT_GT(Column(*form, cnPosition)->Width(), position);
    EXPECT_EQ(Shortened(*form), QStringList());
}

// A column the user narrowed by dragging its border keeps that width while its cells grow,
// and after closing and starting again; the other columns still follow their rows. "Optimize
// width of Table" fits it again.
TEST_F(ColumnFollowWindowTest, AColumnSizedByHandKeepsItsWidth)
{
    const QString ini = dir.filePath(QStringLiteral("velmora.ini"));
    int narrowed = 0;
    {
        auto window = std::make_unique<TScriptedMainForm>(mrNo);
        window->Settings().SetIniFileName(ini);
        window->LoadIni();
        window->resize(1200, 800);
        window->show();
        Watch(*window);
        OpenShortRows(*window, QStringLiteral("hand.zop"));
        TTreeGridColumn *comment = Column(*window, cnTextCenterMiddle);
        DragHeaderBorder(window->StringTreeGrid1, comment, 40);
        narrowed = comment->Width();
        ASSERT_GT(narrowed, 0);
        window->Core().SetData_(Row(*window, 0), cnTextCenterMiddle, LongComment);
        QApplication::processEvents();
        EXPECT_EQ(comment->Width(), narrowed);
        window->StringTreeGrid1->OnShortenString = nullptr;
        ASSERT_TRUE(window->close());
    }
    form->Settings().SetIniFileName(ini);
    form->LoadIni();
    OpenShortRows(*form, QStringLiteral("hand.zop"));
    // The width was kept with the user's settings.
    EXPECT_EQ(Column(*form, cnTextCenterMiddle)->Width(), narrowed);
    const TMemIniFile settings(form->Sync().DirWatchThread()->GetUserSettingsFileName());
    EXPECT_EQ(settings.ReadInteger(QStringLiteral("ColumnWidth0"), QStringLiteral("Width"), 0), narrowed);
    EXPECT_EQ(settings.ReadString(QStringLiteral("ColumnWidth0"), QStringLiteral("Header"), QString()),
              core->GetColumnCaption(tbTable, core->GetConnection(tbTable, cnTextCenterMiddle)));
    core->SetData_(Row(*form, 0), cnTextCenterMiddle, LongComment);
    const int start = Column(*form, cnStart)->Width();
    core->SetData_(Row(*form, 2), cnStart, QStringLiteral("28 Dec 2026 16:30"));
    QApplication::processEvents();
    EXPECT_EQ(Column(*form, cnTextCenterMiddle)->Width(), narrowed);
    EXPECT_GE(Column(*form, cnStart)->Width(), start);
    QStringList cut = Shortened(*form);
    EXPECT_EQ(cut.size(), 1);
    EXPECT_TRUE(cut.value(0).endsWith(LongComment));

    // Fitted again by the user, it follows its rows once more, and is no longer kept.
    core->SetActiveTable(tbTable);
    form->TableCommands().ActionAutoSize->trigger();
    EXPECT_GT(Column(*form, cnTextCenterMiddle)->Width(), narrowed);
    EXPECT_EQ(Shortened(*form), QStringList());
    EXPECT_TRUE(form->Settings().CurrentDocumentSettings().ColumnWidths.empty());
}

// A click on a column's border sizes nothing; a column narrowed by a drag of its border gets
// back the fitted width with a double click on the border, without sorting, and follows its
// rows again.
TEST_F(ColumnFollowWindowTest, ADoubleClickOnTheBorderFitsAColumnSizedByHand)
{
    OpenShortRows(*form, QStringLiteral("double.zop"));
    TStringTreeGrid *grid = form->StringTreeGrid1;
    QWidget *header = grid->Header()->Widget();
    TTreeGridColumn *comment = Column(*form, cnTextCenterMiddle);
    const int fitted = comment->Width();
    const TColumnIndex sorted = grid->Header()->SortColumn();

    QTest::mouseClick(header, Qt::LeftButton, {}, HeaderBorder(grid, comment));
    QApplication::processEvents();
    EXPECT_EQ(comment->Width(), fitted);
    EXPECT_TRUE(form->Settings().CurrentDocumentSettings().ColumnWidths.empty());

    DragHeaderBorder(grid, comment, -20);
    ASSERT_LT(comment->Width(), fitted);
    ASSERT_EQ(form->Settings().CurrentDocumentSettings().ColumnWidths.size(), 1u);

    DoubleClick(header, HeaderBorder(grid, comment));
    EXPECT_EQ(comment->Width(), fitted);
    EXPECT_EQ(grid->Header()->SortColumn(), sorted);
    EXPECT_TRUE(form->Settings().CurrentDocumentSettings().ColumnWidths.empty());
    EXPECT_TRUE(ShowsFullRender(header));
    core->SetData_(Row(*form, 1), cnTextCenterMiddle, LongComment);
    EXPECT_EQ(Shortened(*form), QStringList());
    EXPECT_GT(comment->Width(), fitted);
}

// Sorting by a column with a click on its header shows the sort glyph beside the whole
// caption: the fitted column makes room for it, and so does one narrowed by hand (the start,
// to the width of its caption alone), which has its width again once the table is sorted by
// another column.
TEST_F(ColumnFollowWindowTest, ASortedColumnShowsItsWholeCaption)
{
    OpenShortRows(*form, QStringLiteral("sorted.zop"));
    TStringTreeGrid *grid = form->StringTreeGrid1;
    TTreeGridHeader *header = grid->Header();
    TTreeGridColumn *start = Column(*form, cnStart);
    TCanvas canvas(1, 1);
    DragHeaderBorder(grid, start, TColumnFitter::HeaderWidth(*header, *start, canvas) - start->Width());
    const int narrowed = start->Width();
    ASSERT_EQ(form->Settings().CurrentDocumentSettings().ColumnWidths.size(), 1u);
    for (TConnection cn : {cnLength, cnStart, cnPosition}) {
        const int column = core->GetConnection(tbTable, cn);
        QTest::mouseClick(header->Widget(), Qt::LeftButton, {}, HeaderPoint(grid, column));
        ASSERT_TRUE(WaitUntil([&] { return header->SortColumn() == column; }));
        testsupport::FlushPaints();
        const TCaptionRoom room = CaptionRoom(header, column);
        EXPECT_GE(room.space, room.needed) << header->Columns()->Items(column)->Text().toStdString();
        EXPECT_TRUE(ShowsFullRender(header->Widget())) << header->Columns()->Items(column)->Text().toStdString();
        if (cn == cnStart) {
            EXPECT_GT(start->Width(), narrowed);
        }
    }
    EXPECT_EQ(start->Width(), narrowed);
}

// A cell of the resource column grows while the user presses the filter symbol of the column
// to its right: nothing moves under the press, the filter opens, and the resource column
// widens once the button is up.
TEST_F(ColumnFollowWindowTest, NoColumnMovesUnderAPressOnTheHeader)
{
    OpenShortRows(*form, QStringLiteral("press.zop"));
    TStringTreeGrid *grid = form->StringTreeGrid1;
    const int length = core->GetConnection(tbTable, cnLength);
    TTreeGridColumn *column = grid->Header()->Columns()->Items(length);
    const int left = column->Left();
    const int position = Column(*form, cnPosition)->Width();
    ASSERT_LT(Column(*form, cnPosition)->Left(), left);
    TFilterPopup *popup = form->TableCommands().FilterPopup();
    popup->SetRollDownSpeed(0);
    QString opened;
    bool shown = false;
    WhenShown(form.get(), [popup] { return static_cast<QWidget *>(popup); }, [&](QWidget *) {
        opened = popup->LabelCaption->text();
        QTest::keyClick(popup->RadioButtonNoFilter, Qt::Key_Escape);
    }, &shown);

    const TColumnIndex sorted = grid->Header()->SortColumn();
    QWidget *header = grid->Header()->Widget();
    const QPoint symbol = HeaderPoint(grid, length, 5);
    QTest::mousePress(header, Qt::LeftButton, {}, symbol);
    // A longer resource arrives (from another window on the document) while the button is down.
    QStringList &positions = core->ColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition));
    positions.append(TPositionEntry::Make({QStringLiteral("Position with a much longer name")}).Text());
    core->SetData_(Row(*form, 0), cnPosition, QStringLiteral("Position with a much longer name"));
    testsupport::FlushPaints();
    EXPECT_EQ(column->Left(), left);
    QTest::mouseRelease(header, Qt::LeftButton, {}, symbol);
    ASSERT_TRUE(WaitUntil([&] { return shown; }));
    EXPECT_EQ(opened, QStringLiteral("Filter Column Length"));
    EXPECT_EQ(grid->Header()->SortColumn(), sorted);
    ASSERT_TRUE(WaitUntil([&] { return Column(*form, cnPosition)->Width() > position; }));
    EXPECT_TRUE(ShowsFullRender(grid->viewport()));
}
