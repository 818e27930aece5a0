// A big table opened in the main window fits its columns to the rows in view and widens them
// as rows come into view through real scrolling; a column the user resized, or the table
// fitted whole by "Optimize width of Table", is left alone. Small tables fit every row at once.
// Following the rows costs no second paint of the table per scroll step.

#include "planner/CoreTestSupport.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <vector>

#include "table/LazyColumnFit.h"
#include "table/TableCommands.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderWidget.h"

namespace {

class LazyColumnFitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        form = std::make_unique<TScriptedMainForm>(mrOk);
        form->resize(1200, 800);
        form->show();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }

    // A document of `rows` tasks saved as a file; the comments of the rows in `long` are
    // long, each longer than the one before.
    QString Document(int rows, const std::vector<int> &longRows)
    {
        TScriptedMainForm maker;
        TPlannerCore &core = maker.Core();
        core.BeginUpdate(QStringLiteral("filling"));
        for (int i = 0; i < rows; ++i) {
            TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
            core.SetData_(node, cnPosition, QStringLiteral("Position %1").arg(1 + i % 3));
            core.SetData_(node, cnStart, QStringLiteral("04.03.2024"));
            core.SetData_(node, cnLength, QStringLiteral("1"));
            QString comment = QStringLiteral("Task %1").arg(i);
            for (std::size_t k = 0; k < longRows.size(); ++k)
                if (longRows[k] == i)
                    comment += QStringLiteral(" with a remark that runs on").repeated(int(k) + 2);
            core.SetData_(node, cnTextCenterMiddle, comment);
        }
        core.EndUpdate();
        const QString file = dir.filePath(QStringLiteral("plan%1.zop").arg(rows));
        EXPECT_TRUE(maker.File().SaveTo(file));
        return file;
    }
    TStringTreeGrid *Grid() const { return form->StringTreeGrid1; }
    int Comment() const { return form->Core().GetConnection(tbTable, cnTextCenterMiddle); }
    TTreeGridColumn *CommentColumn() const { return Grid()->Header()->Columns()->Items(Comment()); }
    // Scrolls the table with the mouse wheel over its rows until the row is in view.
    void WheelTo(TNodeData *row)
    {
        QWidget *viewport = Grid()->viewport();
        for (int step = 0; step < 2000; ++step) {
            const QRect shown = Grid()->GetDisplayRect(row->VNode, NoColumn, false);
            if (shown.top() >= 0 && shown.bottom() < viewport->height())
                return;
            const QPoint at(viewport->width() / 2, viewport->height() / 2);
            const int delta = shown.top() < 0 ? 120 : -120;
            QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &wheel);
            QApplication::processEvents();
        }
        FAIL() << "the row did not come into view";
    }
    // One turn of the mouse wheel over the rows, downwards, and what it brings about.
    void WheelDown()
    {
        QWidget *viewport = Grid()->viewport();
        const QPoint at(viewport->width() / 2, viewport->height() / 2);
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    std::vector<int> Widths() const
    {
        std::vector<int> widths;
        TTreeGridColumns *columns = Grid()->Header()->Columns();
        for (int i = 0; i < columns->Count(); ++i)
            widths.push_back(columns->Items(i)->Width());
        return widths;
    }
    // What the window shows of the table after the incremental paints is what painting it
    // afresh gives.
    void ExpectShownAsPainted(const char *when)
    {
        QApplication::processEvents();
        const QPoint at = Grid()->mapTo(form.get(), QPoint(0, 0));
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(form->winId())
                                 .toImage()
                                 .copy(QRect(at, Grid()->size()))
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage fresh = Grid()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(fresh.isNull()) << when;
        EXPECT_TRUE(shown == fresh) << when;
    }
    TNodeData *Row(int index)
    {
        TNodeData *found = nullptr;
        int i = 0;
        form->Core().ForEach(tbTable, feAll, [&](TNodeData *node) {
            if (i++ == index)
                found = node;
        });
        return found;
    }

    QTemporaryDir dir;
    std::unique_ptr<TScriptedMainForm> form;
};

// Counts the paints of a widget.
class TPaintCounter : public QObject
{
public:
    explicit TPaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

TEST_F(LazyColumnFitTest, ColumnsWidenAsLongRowsScrollIntoView)
{
    const int rows = TLazyColumnFit::LazyRows + 1000;
    form->Open(Document(rows, {rows / 2, rows - 1}));
    ASSERT_EQ(form->Core().GetTableRowCount(tbTable), rows);
    QApplication::processEvents();
    const int atOpening = CommentColumn()->Width();
    ExpectShownAsPainted("opened");

    WheelTo(Row(rows / 2));
    ExpectShownAsPainted("halfway");
    const int halfway = CommentColumn()->Width();
    EXPECT_GT(halfway, atOpening);
    EXPECT_GE(halfway, Grid()->GetMaxColumnWidth(Comment(), true));
    // Back up: nothing narrows.
    WheelTo(Row(0));
    ExpectShownAsPainted("back at the top");
    EXPECT_EQ(CommentColumn()->Width(), halfway);

    // To the end with the keyboard: the last row has the longest comment; the column now
    // fits every row, as a fit of the whole table does.
    Grid()->setFocus();
    QTest::keyClick(Grid(), Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    ExpectShownAsPainted("at the end");
    const int atEnd = CommentColumn()->Width();
    EXPECT_GT(atEnd, halfway);
    form->Core().SetActiveTable(tbTable);
    form->TableCommands().ActionAutoSize->trigger();
    EXPECT_EQ(CommentColumn()->Width(), atEnd);
}

// A row seen once and written while out of view (by a paste, another instance) is looked at
// again when it comes back, and its longer text widens the column then.
TEST_F(LazyColumnFitTest, ARowSeenBeforeIsLookedAtAgainAfterAWriteOutOfView)
{
    const int rows = TLazyColumnFit::LazyRows + 500;
    form->Open(Document(rows, {}));
    QApplication::processEvents();
    TNodeData *early = Row(5);
    WheelTo(Row(300));
    const int before = CommentColumn()->Width();
    TPlannerCore &core = form->Core();
    core.BeginUpdate(QStringLiteral("write"));
    core.SetData_(early, cnTextCenterMiddle, QStringLiteral("A remark written while the row is out of view").repeated(3));
    core.EndUpdate();
    QApplication::processEvents();
    EXPECT_EQ(CommentColumn()->Width(), before) << "nothing in view needs more room";

    WheelTo(early);
    ExpectShownAsPainted("back at the written row");
    EXPECT_GT(CommentColumn()->Width(), before);
    EXPECT_GE(CommentColumn()->Width(), Grid()->GetMaxColumnWidth(Comment(), true));
}

TEST_F(LazyColumnFitTest, AColumnTheUserResizedIsLeftAlone)
{
    const int rows = TLazyColumnFit::LazyRows + 500;
    form->Open(Document(rows, {rows - 1}));
    QApplication::processEvents();
    // The user drags the comment column's right border 30 pixels to the left.
    auto *header = Grid()->findChild<TTreeGridHeaderWidget *>();
    ASSERT_NE(header, nullptr);
    TTreeGridColumn *column = CommentColumn();
    const int before = column->Width();
    const QPoint border(column->Left() + column->Width() - 1, header->height() / 2);
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, border);
    QTest::mouseMove(header, border - QPoint(15, 0));
    QTest::mouseMove(header, border - QPoint(30, 0));
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, border - QPoint(30, 0));
    QApplication::processEvents();
    const int resized = column->Width();
    ASSERT_LT(resized, before);
    WheelTo(Row(rows - 1));
    EXPECT_EQ(column->Width(), resized);
}

TEST_F(LazyColumnFitTest, SmallTablesAndTheMenuCommandFitEveryRow)
{
    const int small = 300;
    form->Open(Document(small, {small - 1}));
    QApplication::processEvents();
    const int opened = CommentColumn()->Width();
    form->Core().SetActiveTable(tbTable);
    form->TableCommands().ActionAutoSize->trigger();
    EXPECT_EQ(CommentColumn()->Width(), opened);

    const int rows = TLazyColumnFit::LazyRows + 500;
    form->Open(Document(rows, {rows - 1}));
    QApplication::processEvents();
    const int lazily = CommentColumn()->Width();
    form->Core().SetActiveTable(tbTable);
    form->TableCommands().ActionAutoSize->trigger();
    EXPECT_GT(CommentColumn()->Width(), lazily);
}

// Each turn of the wheel brings new rows into view, which are measured as they are painted:
// that paint is the only one, unless a column had to widen.
TEST_F(LazyColumnFitTest, ScrollingPaintsTheNewRowsOnce)
{
    const int rows = TLazyColumnFit::LazyRows + 1000;
    form->Open(Document(rows, {}));
    QApplication::processEvents();
    WheelTo(Row(300));
    TPaintCounter counter(Grid()->viewport());
    int steps = 0;
    for (int turn = 0; turn < 30; ++turn) {
        const TGridNode *top = Grid()->TopNode();
        const std::vector<int> widths = Widths();
        const int before = counter.paints;
        WheelDown();
        ASSERT_NE(Grid()->TopNode(), top) << "the wheel did not scroll";
        if (Widths() != widths)
            continue;
        ++steps;
        EXPECT_EQ(counter.paints - before, 1) << "turn " << turn;
    }
    EXPECT_GE(steps, 20);
    ExpectShownAsPainted("scrolled");
}
