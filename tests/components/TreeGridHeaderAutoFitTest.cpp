#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include <memory>

#include "Canvas.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridHeaderWidget.h"
#include "treegrid/TreeGridTextWidths.h"

namespace {

// A string tree of rows whose cell texts are "r<row>c<column>" with a few long ones.
struct TAutoFitFixture {
    std::unique_ptr<TStringTreeGrid> tree{TBaseTreeGrid::Create<TStringTreeGrid>()};
    TTreeGridHeader *header = tree->Header();
    TTreeGridColumns *columns = header->Columns();
    int measured = 0;

    explicit TAutoFitFixture(int rows)
    {
        tree->resize(500, 300);
        for (int i = 0; i < 3; ++i) {
            columns->Add()->SetWidth(40);
            columns->Items(i)->SetText(QString(QChar('A' + i)));
        }
        header->SetOptions(header->Options() + hoVisible);
        auto &options = tree->TreeOptions();
        options.SetPaintOptions(options.PaintOptions() - toShowRoot - toShowTreeLines);
        tree->OnGetText = [](TBaseTreeGrid *, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
            text = QStringLiteral("r%1c%2").arg(node->Index).arg(column);
            if (column == 1 && node->Index == 150)
                text = QStringLiteral("a much longer text far down in the table");
            if (column == 2 && node->Index % 2 == 0)
                text = QStringLiteral("even rows of the third column");
        };
        tree->OnMeasureTextWidth = [this](TBaseTreeGrid *, TCanvas &, PGridNode, TColumnIndex, const QString &,
                                          int &) { ++measured; };
        tree->SetRootNodeCount(std::uint32_t(rows));
        tree->show();
        QCoreApplication::processEvents();
    }

    int TextWidth(const QString &text)
    {
        TCanvas canvas(1, 1);
        canvas.Font().Assign(tree->font());
        return canvas.TextWidth(text);
    }
};

TEST(TreeGridHeaderAutoFitTest, ColumnsTakeTheWidthOfTheirWidestCell)
{
    TAutoFitFixture f(200);
    const int margin = f.tree->Margin() + 2 * f.tree->TextMargin();
    f.header->AutoFitColumns(false);
    EXPECT_EQ(f.columns->Items(1)->Width(), margin + f.TextWidth(QStringLiteral("a much longer text far down in the table")));
    EXPECT_EQ(f.columns->Items(2)->Width(), margin + f.TextWidth(QStringLiteral("even rows of the third column")));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f.columns->Items(i)->Width(), f.tree->GetMaxColumnWidth(i)) << i;

    // Smart fitting looks only at the rows in view: the long text lies far below.
    TTreeGridColumn *second = f.columns->Items(1);
    second->SetOptions(second->Options() + coSmartResize);
    f.header->AutoFitColumns(false, smaUseColumnOption, 1, 1);
    EXPECT_LT(second->Width(), margin + f.TextWidth(QStringLiteral("a much longer text far down in the table")));
    EXPECT_GE(second->Width(), margin + f.TextWidth(QStringLiteral("r10c1")));
    f.header->AutoFitColumns(false, smaNoColumn, 1, 1);
    EXPECT_EQ(second->Width(), margin + f.TextWidth(QStringLiteral("a much longer text far down in the table")));

    // Limits hold; an animated fit sets the width as well.
    second->SetMaxWidth(60);
    f.header->AutoFitColumns(true, smaNoColumn, 1, 1);
    EXPECT_EQ(second->Width(), 60);
}

TEST(TreeGridHeaderAutoFitTest, RepeatedTextsAreMeasuredOncePerFont)
{
    ClearTextWidthCache();
    TAutoFitFixture f(400);
    f.tree->OnMeasureTextWidth = nullptr;
    // Every other row of the third column repeats one text: the stored width is the measured one.
    TCanvas canvas(1, 1);
    canvas.Font().Assign(f.tree->font());
    const int before = CachedTextWidth(canvas, QStringLiteral("even rows of the third column"));
    EXPECT_EQ(before, canvas.TextWidth(QStringLiteral("even rows of the third column")));
    f.header->AutoFitColumns(false, smaNoColumn, 2, 2);
    EXPECT_EQ(f.columns->Items(2)->Width(), f.tree->Margin() + 2 * f.tree->TextMargin() + before);
    // Another font is another width.
    canvas.Font().SetStyle(fsBold);
    const int bold = CachedTextWidth(canvas, QStringLiteral("even rows of the third column"));
    EXPECT_EQ(bold, canvas.TextWidth(QStringLiteral("even rows of the third column")));
    EXPECT_GT(bold, before);
}

TEST(TreeGridHeaderAutoFitTest, DoubleClickOnABorderFitsThatColumn)
{
    TAutoFitFixture f(20);
    f.header->SetOptions(f.header->Options() + hoDblClickResize);
    TTreeGridHeaderWidget *strip = f.header->Widget();
    std::vector<TColumnIndex> fitted;
    f.tree->OnAfterAutoFitColumn = [&](TTreeGridHeader *, TColumnIndex column) { fitted.push_back(column); };
    bool allowedAsked = false;
    f.tree->OnColumnWidthDblClickResize = [&](TTreeGridHeader *, TColumnIndex column, TTGShiftState, QPoint,
                                              bool &allowed) {
        allowedAsked = column == 2;
        allowed = true;
    };
    const QPoint border(120, 5); // right edge of the third column, header coordinates
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(border), QPointF(strip->mapToGlobal(border)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(border), QPointF(strip->mapToGlobal(border)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(border), QPointF(strip->mapToGlobal(border)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &press);
    QCoreApplication::sendEvent(strip, &release);
    QCoreApplication::sendEvent(strip, &twice);
    QCoreApplication::sendEvent(strip, &release);
    EXPECT_TRUE(allowedAsked);
    EXPECT_EQ(fitted, std::vector<TColumnIndex>{2});
    EXPECT_EQ(f.columns->Items(2)->Width(), f.tree->GetMaxColumnWidth(2));
    EXPECT_EQ(f.columns->Items(0)->Width(), 40);
}

} // namespace
