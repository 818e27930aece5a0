#include <gtest/gtest.h>

#include <QImage>

#include <vector>

#include "Canvas.h"
#include "TreeGridTestSupport.h"
#include "treegrid/CustomDrawTreeGrid.h"

TEST(TreeGridCustomDrawTest, TheOwnerPaintsEveryShownCellAndSizesItsContent)
{
    auto tree = treegridtest::ShowTree<TCustomDrawTreeGrid>(200, 100);
    tree->SetRootNodeCount(3);
    PGridNode hidden = tree->GetLast();
    tree->SetIsHidden(hidden, true);

    std::vector<PGridNode> drawn;
    tree->OnDrawNode = [&](TBaseTreeGrid *, const TTGPaintInfo &info) {
        drawn.push_back(info.Node);
        // The owner draws into the content rectangle it was given.
        info.Canvas->Brush().SetColor(0x0000FF);
        info.Canvas->FillRect(info.ContentRect);
    };
    QImage image(tree->ClientWidth(), tree->ClientHeight(), QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    tree->Paint(canvas, image.rect());
    EXPECT_EQ(drawn, (std::vector<PGridNode>{tree->GetFirst(), tree->GetFirst()->NextSibling}));
    int red = 0;
    for (int y = 0; y < int(tree->GetFirst()->NodeHeight); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += image.pixelColor(x, y) == QColor(Qt::red);
    EXPECT_GT(red, 0);

    EXPECT_EQ(tree->DoGetNodeWidth(tree->GetFirst(), NoColumn), 2 * tree->TextMargin());
    tree->OnGetNodeWidth = [](TBaseTreeGrid *, TCanvas *, PGridNode, TColumnIndex, int &width) { width += 40; };
    EXPECT_EQ(tree->DoGetNodeWidth(tree->GetFirst(), NoColumn), 2 * tree->TextMargin() + 40);
}
