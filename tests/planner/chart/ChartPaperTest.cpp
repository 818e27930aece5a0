// The chart on paper: deadline arrows and the current-time marker combine with the bars below
// them as on the screen, although a printer draws everything it is given over what lies below.

#include "planner/chart/ChartMouseTestSupport.h"
#include "planner/chart/PaperTestSupport.h"

#include "Canvas.h"
#include "PrintMetafile.h"
#include "chart/ChartPicture.h"
#include "common/RepaintCheck.h"

namespace {

class ChartPaperTest : public ChartMouseTest
{
protected:
    // Three resources; the first task three days late, the second selected and in time by
    // four days (its arrow points back and arcs into the third row), both written over.
    void OpenLatePlan()
    {
        TPlannerCore &core = Core();
        core.BeginUpdate(QStringLiteral("plan"));
        const int column = core.GetTableColCount(tbTable);
        core.SetTableColCount(tbTable, column + 1);
        core.SetColumnType(tbTable, column, ctDate);
        core.SetConnection(tbTable, cnTermin, column);
        core.EndUpdate();
        OpenPlan(3, {{0, 1, 8}, {1, 2, 6}, {2, 10, 3}});
        core.BeginUpdate(QStringLiteral("deadlines"));
        const std::vector<TNodeData *> rows = Tasks();
        core.SetData_(rows[0], cnTermin, DateToStr(Trunc(core.GetEndOf(rows[0])) - 3));
        core.SetData_(rows[1], cnTermin, DateToStr(Trunc(core.GetEndOf(rows[1])) + 4));
        for (TNodeData *node : {rows[0], rows[1]})
            core.SetData_(node, cnTextCenterMiddle, QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
        core.EndUpdate();
        Settle();
        QTest::mouseClick(form->StringTreeGrid1->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(30, int(form->StringTreeGrid1->DefaultNodeHeight()) * 3 / 2));
        Settle();
        ASSERT_TRUE(view->Model().IsSelected(*rows[1]));
    }
    // The chart of 20 days from Base() - 1 as a picture, on any device; today marked.
    void DrawOn(TCanvas &canvas)
    {
        const TChartPicture picture(view->Model(), view->Geometry(), view->Options());
        TChartPictureParams p;
        p.canvas = &canvas;
        p.rangeStart = Base() - 1;
        p.rangeEnd = Base() + 19;
        p.width = Size.width();
        p.height = Size.height();
        p.showNow = true;
        p.now = Base() + 3.5;
        picture.DrawBitmap(p);
    }
    static constexpr QSize Size{800, 260};
};

} // namespace

// A picture (what Save Graphics and the screen draw), the same chart drawn straight onto paper,
// and a page recorded for the printer and printed: all three show the same pixels, the texts
// under the arrows and the marker included.
TEST_F(ChartPaperTest, ArrowsAndTheTodayMarkerPrintAsTheScreenShowsThem)
{
    OpenLatePlan();
    QImage screen(Size, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        TCanvas canvas(&screen);
        ASSERT_TRUE(canvas.KeepsRasterOps());
        DrawOn(canvas);
    }

    papertest::TPaper paper(Size);
    {
        TCanvas canvas(&paper);
        ASSERT_FALSE(canvas.KeepsRasterOps());
        DrawOn(canvas);
    }
    EXPECT_EQ(testsupport::DifferingPixels(screen, paper.Image()), 0);

    // Recorded as a page of the print preview, then printed.
    TPrintMetafile page(Size, 96, 96);
    {
        TCanvas canvas(&page);
        ASSERT_FALSE(canvas.KeepsRasterOps());
        DrawOn(canvas);
    }
    papertest::TPaper printed(Size);
    {
        QPainter painter(&printed);
        page.Play(painter, QRectF(QPointF(0, 0), QSizeF(Size)));
    }
    EXPECT_EQ(testsupport::DifferingPixels(screen, printed.Image()), 0);

    // The arrows and the marker are there, each seen through.
    int grey = 0, slack = 0;
    for (int y = 0; y < Size.height(); ++y)
        for (int x = 0; x < Size.width(); ++x) {
            const QRgb c = printed.Image().pixel(x, y) & 0xFFFFFF;
            grey += c == (ToQRgb(ChartColor::ArrowOverdue) & 0xFFFFFF);
            slack += c == (ToQRgb(ChartColor::ArrowSlack) & 0xFFFFFF);
        }
    EXPECT_GT(grey, 100);
    EXPECT_GT(slack, 100);
}
