#include <gtest/gtest.h>

#include <QScrollBar>

#include <functional>

#include "TreeGridInputTestSupport.h"

using namespace inputtest;

namespace {

// A tree without header columns whose target row is the widest one: bringing it into view
// brings up the horizontal bar, which must not cover it.
struct TShape {
    const char *name;
    int levels;       // 0: 50 rows side by side, the last one 87 characters wide; else a chain this deep
    bool headerShown; // a visible header without columns
};

struct TRoad {
    const char *name;
    std::function<void(TInputFixture &, PGridNode target)> drive;
};

PGridNode Build(TInputFixture &f, const TShape &shape)
{
    if (shape.levels == 0) {
        const auto rows = f.AddRows(50);
        *f.tree->GetNodeData<QString>(rows.back()) = QStringLiteral("z") + QString(86, QLatin1Char('w'));
        return rows.back();
    }
    PGridNode parent = nullptr;
    for (int level = 0; level + 1 < shape.levels; ++level)
        parent = f.Add(QStringLiteral("Level %1").arg(level), parent);
    parent = f.Add(QStringLiteral("zed"), parent);
    f.tree->FullExpand();
    return parent;
}

// Moves the focus to a row while the view stays where it is.
void FocusInPlace(TInputFixture &f, PGridNode node)
{
    auto &options = f.tree->TreeOptions();
    const TTGAutoOptions saved = options.AutoOptions();
    options.SetAutoOptions(saved + toDisableAutoscrollOnFocus);
    f.tree->SetFocusedNode(node);
    options.SetAutoOptions(saved);
}

PGridNode Above(TInputFixture &f, PGridNode node, int rows)
{
    for (int i = 0; i < rows; ++i)
        node = f.tree->GetPreviousVisible(node);
    return node;
}

const std::vector<TRoad> &Roads()
{
    static const std::vector<TRoad> roads = {
        {"End key", [](TInputFixture &f, PGridNode) { f.Key(Qt::Key_End); }},
        {"End key centred",
         [](TInputFixture &f, PGridNode) {
             f.Options({toCenterScrollIntoView});
             f.Key(Qt::Key_End);
         }},
        {"Ctrl+End", [](TInputFixture &f, PGridNode) { f.Key(Qt::Key_End, Qt::ControlModifier); }},
        {"Page Down",
         [](TInputFixture &f, PGridNode target) {
             FocusInPlace(f, Above(f, target, 5));
             f.Key(Qt::Key_PageDown);
         }},
        {"Down key",
         [](TInputFixture &f, PGridNode target) {
             FocusInPlace(f, Above(f, target, 1));
             f.Key(Qt::Key_Down);
         }},
        {"focus by the interface", [](TInputFixture &f, PGridNode target) { f.tree->SetFocusedNode(target); }},
        {"focus by the interface centred",
         [](TInputFixture &f, PGridNode target) {
             f.Options({toCenterScrollIntoView});
             f.tree->SetFocusedNode(target);
         }},
        {"ScrollIntoView", [](TInputFixture &f, PGridNode target) { f.tree->ScrollIntoView(target, false); }},
        {"ScrollIntoView centred", [](TInputFixture &f, PGridNode target) { f.tree->ScrollIntoView(target, true); }},
        {"BottomNode", [](TInputFixture &f, PGridNode target) { f.tree->SetBottomNode(target); }},
        {"TopNode", [](TInputFixture &f, PGridNode target) { f.tree->SetTopNode(target); }},
        {"incremental search",
         [](TInputFixture &f, PGridNode) {
             f.tree->SetIncrementalSearch(isAll);
             QTest::keyClick(f.tree.get(), 'z');
         }},
        {"click on the row's visible strip",
         [](TInputFixture &f, PGridNode target) {
             f.Options({toFullRowSelect});
             f.tree->SetBottomNode(target);
             f.tree->SetOffsetY(f.tree->OffsetY() + 10);
             f.Click(QPoint(20, f.tree->ClientHeight() - 3));
         }},
        {"editing",
         [](TInputFixture &f, PGridNode target) {
             f.Options({}, {toEditable});
             f.tree->EditNode(target, NoColumn);
         }},
    };
    return roads;
}

TEST(TreeGridScrollIntoViewTest, EveryRoadLeavesTheRowClearOfTheBarItBringsUp)
{
    const TShape shapes[] = {
        {"50 rows", 0, false}, {"50 rows under a header", 0, true}, {"30 levels", 30, false},
        {"1,500 levels", 1500, false}, {"1,999 levels", 1999, false},
    };
    for (const TShape &shape : shapes) {
        TInputFixture f(QSize(400, 300));
        PGridNode target = Build(f, shape);
        if (shape.headerShown)
            f.tree->Header()->SetOptions(f.tree->Header()->Options() + hoVisible);
        auto &options = f.tree->TreeOptions();
        const TTGSelectionOptions selection = options.SelectionOptions();
        const TTGMiscOptions misc = options.MiscOptions();
        QScrollBar *vbar = f.tree->verticalScrollBar();
        QScrollBar *hbar = f.tree->horizontalScrollBar();
        for (const TRoad &road : Roads()) {
            SCOPED_TRACE(std::string(shape.name) + ", " + road.name);
            f.tree->CancelEditNode();
            options.SetSelectionOptions(selection);
            options.SetMiscOptions(misc);
            f.tree->SetIncrementalSearch(isNone);
            f.tree->SetFocusedNode(f.tree->GetFirst());
            f.tree->SetOffsetXY(QPoint(0, 0));
            QApplication::processEvents();
            ASSERT_FALSE(hbar->isVisible()) << "the rows at the top are narrow";

            road.drive(f, target);
            QApplication::processEvents();
            EXPECT_TRUE(hbar->isVisible()) << "the target row is wider than the client area";
            const QRect r = f.tree->GetDisplayRect(target, NoColumn, false);
            EXPECT_GE(r.top(), 0);
            EXPECT_LE(r.top() + r.height(), f.tree->ClientHeight()) << "row at " << r.top() << ".." << r.bottom();
            // The bars tell where the view stands, over the client area they leave; the target
            // is the last row: in view, centred or not, it stands at the end.
            EXPECT_EQ(f.tree->ClientHeight(), f.viewport->height());
            EXPECT_EQ(vbar->maximum(), f.tree->RangeY() - f.tree->ClientHeight());
            EXPECT_EQ(vbar->value(), -f.tree->OffsetY());
            EXPECT_EQ(vbar->value(), vbar->maximum());
        }
        f.tree->CancelEditNode();
    }
}

} // namespace
