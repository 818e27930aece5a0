// The reorder window draws a line from the chosen meaning to the chosen column.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "Canvas.h"
#include "CanvasPanel.h"
#include "Color.h"
#include "dialogs/ReorderEntriesDialog.h"

TEST(ReorderEntriesDialogTest, ALineJoinsTheChosenItems)
{
    TReorderEntriesDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Einträge zuordnen"));
    ASSERT_EQ(dialog.connection->count(), 11);
    EXPECT_EQ(dialog.connection->item(2)->text(), QString::fromUtf8("Länge"));
    dialog.selectedconnection->addItems({"Position", "Start", "Ende"});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.connection->currentRow(), 0);

    // Nothing chosen on the right: only the guides.
    dialog.PaintBox1->repaint();
    TCanvas &canvas = dialog.PaintBox1->Canvas();
    const int middle = dialog.PaintBox1->width() / 2;
    const int from = dialog.SelectedMiddle(dialog.connection);
    ASSERT_GE(from, 0);
    EXPECT_EQ(dialog.SelectedMiddle(dialog.selectedconnection), -1);
    EXPECT_EQ(canvas.Pixel(2, from), clGray);
    EXPECT_EQ(canvas.Pixel(middle, from), clWhite);

    // Both the same row: the line runs straight across.
    dialog.selectedconnection->setCurrentRow(0);
    dialog.PaintBox1->repaint();
    const int to = dialog.SelectedMiddle(dialog.selectedconnection);
    EXPECT_EQ(to, from);
    EXPECT_EQ(canvas.Pixel(middle, to), clBlack);
    EXPECT_EQ(canvas.Pixel(middle, to + 1), clBlack); // three pixels wide
    EXPECT_EQ(canvas.Pixel(middle, to + 6), clWhite);
}
