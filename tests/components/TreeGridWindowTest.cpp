#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include <memory>

#include "Canvas.h"
#include "ImageList.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridRoutines.h"

namespace {

class TWindowTree : public TStringTreeGrid
{
public:
    using TStringTreeGrid::TStringTreeGrid;
    using TStringTreeGrid::FLoading;
};

std::unique_ptr<TWindowTree> MakeTree(QWidget *parent = nullptr)
{
    std::unique_ptr<TWindowTree> tree(TBaseTreeGrid::Create<TWindowTree>(parent));
    tree->resize(300, 200);
    return tree;
}

} // namespace

TEST(TreeGridWindowTest, PaletteChangeRedrawsTheSharedCheckImages)
{
    auto tree = MakeTree();
    tree->show();
    TImageList *light = LightCheckImages();
    ASSERT_NE(light, nullptr);
    const QPalette original = QApplication::palette();
    // The light check box's inside is drawn in the window colour.
    const QRgb before = light->GetImage(9).pixel(8, 8);
    QPalette changed = original;
    changed.setColor(QPalette::Base, QColor(10, 200, 30));
    changed.setColor(QPalette::Window, QColor(10, 200, 30));
    QApplication::setPalette(changed);
    QApplication::processEvents();
    EXPECT_EQ(LightCheckImages(), light); // the lists keep their addresses
    EXPECT_NE(light->GetImage(9).pixel(8, 8), before);
    QApplication::setPalette(original);
    QApplication::processEvents();
    EXPECT_EQ(light->GetImage(9).pixel(8, 8), before);
}

TEST(TreeGridWindowTest, FontChangeReachesTheHeaderAndTheMeasures)
{
    auto tree = MakeTree();
    tree->show();
    TTreeGridHeader *header = tree->Header();
    header->SetParentFont(true);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(19);
    tree->setFont(font);
    EXPECT_EQ(header->Font().Height(), -19);
    EXPECT_EQ(tree->TextHeight(), QFontMetrics(font).ascent() + QFontMetrics(font).descent());
    // A header with a font of its own keeps it.
    TFont own;
    own.SetHeight(-9);
    header->SetFont(own);
    font.setPixelSize(15);
    tree->setFont(font);
    EXPECT_EQ(header->Font().Height(), -9);
}

TEST(TreeGridWindowTest, DisabledTreesDrawTextsInTheDisabledColour)
{
    auto tree = MakeTree();
    tree->SetRootNodeCount(1);
    tree->show();
    TColor drawnIn = clNone;
    tree->OnDrawText = [&](TBaseTreeGrid *, TCanvas &canvas, PGridNode, TColumnIndex, const QString &, const QRect &,
                           bool &) { drawnIn = canvas.Font().Color(); };
    QImage image(100, 40, QImage::Format_RGB32);
    TCanvas canvas(&image);
    tree->PaintTree(canvas, image.rect(), QPoint(0, 0), DefaultPaintOptionsOfPaint);
    EXPECT_EQ(drawnIn, clWindowText);
    tree->setEnabled(false);
    tree->PaintTree(canvas, image.rect(), QPoint(0, 0), DefaultPaintOptionsOfPaint);
    EXPECT_EQ(drawnIn, tree->Colors().Color(TTGColors::DisabledColor));
    // Check images of a disabled tree show the disabled state.
    tree->SetCheckType(tree->GetFirst(), TCheckType::ctCheckBox);
    EXPECT_EQ(tree->GetCheckImage(tree->GetFirst()), 12);
}

TEST(TreeGridWindowTest, CanFocusNeedsAVisibleEnabledWindow)
{
    QWidget form;
    auto tree = MakeTree(&form);
    EXPECT_FALSE(tree->CanFocus());
    form.show();
    EXPECT_TRUE(tree->CanFocus());
    form.setEnabled(false);
    EXPECT_FALSE(tree->CanFocus());
    form.setEnabled(true);
    tree->setFocusPolicy(Qt::NoFocus);
    EXPECT_FALSE(tree->CanFocus());
    tree.release(); // owned by the form
}

TEST(TreeGridWindowTest, LoadedBringsHeaderAndColumnsUpToDate)
{
    auto tree = MakeTree();
    tree->FLoading = true;
    TTreeGridHeader *header = tree->Header();
    for (int i = 0; i < 3; ++i)
        header->Columns()->Add()->SetWidth(40);
    header->SetAutoSizeIndex(1);
    header->SetOptions(header->Options() + hoAutoResize + hoVisible);
    tree->show();
    tree->Loaded();
    QApplication::processEvents();
    EXPECT_EQ(header->Columns()->TotalWidth(), tree->ClientWidth());
    EXPECT_EQ(header->Columns()->Items(1)->Width(), tree->ClientWidth() - 80);
    EXPECT_EQ(tree->HeaderRect().height(), header->Height());
    EXPECT_EQ(tree->viewport()->geometry().top(), RectBottom(tree->HeaderRect()));
}
