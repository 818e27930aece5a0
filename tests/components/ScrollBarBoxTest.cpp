#include <gtest/gtest.h>

#include <QScrollBar>

#include "ScrollBarBox.h"

namespace {

struct TBoxFixture {
    TScrollBarBox box;
    int horz = 0;
    int vert = 0;
    TBoxFixture()
    {
        box.resize(300, 200);
        box.OnHorzScroll = [this](QObject *sender) {
            EXPECT_EQ(sender, &box);
            ++horz;
        };
        box.OnVertScroll = [this](QObject *) { ++vert; };
    }
};

} // namespace

TEST(ScrollBarBox, ScrollCodesMoveTheStoredPositionWithoutClamping)
{
    TBoxFixture f;
    TScrollBarInfo &v = f.box.VertScrollInfo();
    v.SetAll(0, 1000, 100, 0);
    EXPECT_EQ(f.box.ScrollBar(sbVertical)->maximum(), 901);
    EXPECT_EQ(f.box.ScrollBar(sbVertical)->pageStep(), 100);

    // Line up at 0 stores -1 and still tells the owner.
    v.ScrollMessage(SB_LINEUP);
    EXPECT_EQ(v.Pos(), -1);
    EXPECT_EQ(f.vert, 1);
    EXPECT_EQ(f.box.ScrollBar(sbVertical)->value(), 0); // the bar shows what it can

    v.SetPos(500);
    v.ScrollMessage(SB_LINEDOWN);
    EXPECT_EQ(v.Pos(), 501);
    v.ScrollMessage(SB_PAGEUP);
    EXPECT_EQ(v.Pos(), 401);
    v.ScrollMessage(SB_PAGEDOWN);
    EXPECT_EQ(v.Pos(), 501);
    v.ScrollMessage(SB_BOTTOM);
    EXPECT_EQ(v.Pos(), 900); // Max - Page
    v.ScrollMessage(SB_TOP);
    EXPECT_EQ(v.Pos(), 0);
    f.box.ScrollBar(sbVertical)->setSliderPosition(333);
    v.ScrollMessage(SB_THUMBTRACK);
    EXPECT_EQ(v.TrackPos(), 333);
    EXPECT_EQ(v.Pos(), 333);
    v.ScrollMessage(SB_ENDSCROLL);
    EXPECT_EQ(v.Pos(), 333);
    EXPECT_EQ(f.vert, 9);
    EXPECT_EQ(f.horz, 0);

    // Page down beyond the end is stored as computed.
    v.SetPos(880);
    v.ScrollMessage(SB_PAGEDOWN);
    EXPECT_EQ(v.Pos(), 980);
}

TEST(ScrollBarBox, BarActionsArriveAsScrollCodes)
{
    TBoxFixture f;
    TScrollBarInfo &h = f.box.HorzScrollInfo();
    h.SetAll(0, 500, 50, 100);
    QScrollBar *bar = f.box.ScrollBar(sbHorizontal);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(h.Pos(), 101);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(h.Pos(), 51);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(h.Pos(), 450);
    EXPECT_EQ(bar->value(), 450); // the bar follows the owner's position, not its own maximum
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(h.Pos(), 0);
    bar->setSliderPosition(222); // dragging the thumb
    EXPECT_EQ(h.Pos(), 222);
    EXPECT_EQ(h.TrackPos(), 222);
    EXPECT_EQ(f.horz, 5);
}

TEST(ScrollBarBox, HiddenBarStillStoresItsValues)
{
    TBoxFixture f;
    f.box.ScrollBarOptions().SetScrollBars(ssHorizontal);
    TScrollBarInfo &v = f.box.VertScrollInfo();
    v.SetAll(5, 700, 70, 42);
    EXPECT_EQ(v.Min(), 5);
    EXPECT_EQ(v.Max(), 700);
    EXPECT_EQ(v.Page(), 70u);
    EXPECT_EQ(v.Pos(), 42);
    EXPECT_TRUE(f.box.ScrollBar(sbVertical)->isHidden());
    EXPECT_FALSE(f.box.ScrollBar(sbHorizontal)->isHidden());
    // Reading back from a hidden bar keeps the stored values.
    v.GetInfo();
    EXPECT_EQ(v.Pos(), 42);
    // Without the vertical bar the client area reaches the right border.
    EXPECT_EQ(f.box.GetClientRect().width(), 300 - 4);

    // A client control fills the client area and follows changes of the bars.
    auto *chart = new TCanvasPanel;
    f.box.SetClientControl(chart);
    EXPECT_EQ(chart->parentWidget(), &f.box);
    EXPECT_EQ(chart->geometry(), QRect(2, 2, 300 - 4, f.box.GetClientRect().height()));

    // Showing it again pushes what was stored.
    TScrollBarOptions both(nullptr);
    f.box.SetScrollBarOptions(both);
    EXPECT_EQ(f.box.ScrollBarOptions().ScrollBars(), ssBoth);
    EXPECT_FALSE(f.box.ScrollBar(sbVertical)->isHidden());
    EXPECT_EQ(f.box.ScrollBar(sbVertical)->value(), 42);
    EXPECT_EQ(f.box.ScrollBar(sbVertical)->minimum(), 5);
    EXPECT_EQ(chart->width(), f.box.GetClientRect().width());
    EXPECT_LT(chart->width(), 300 - 4);
}

TEST(ScrollBarBox, AssignCopiesEverything)
{
    TBoxFixture f;
    TScrollBarInfo &h = f.box.HorzScrollInfo();
    h.SetAll(-10, 90, 20, 15);
    TScrollBarInfo &v = f.box.VertScrollInfo();
    v.Assign(h);
    EXPECT_EQ(v.Min(), -10);
    EXPECT_EQ(v.Max(), 90);
    EXPECT_EQ(v.Page(), 20u);
    EXPECT_EQ(v.Pos(), 15);
    EXPECT_EQ(f.box.ScrollBar(sbVertical)->value(), 15);

    TScrollBarBox defaults;
    EXPECT_EQ(defaults.size(), QSize(185, 41));
    EXPECT_EQ(defaults.BorderStyle(), bsSingle);
    EXPECT_EQ(defaults.ScrollBarOptions().ScrollBars(), ssBoth);
    defaults.ScrollBarOptions().SetScrollBarStyle(ssFlat);
    EXPECT_EQ(defaults.ScrollBarOptions().ScrollBarStyle(), ssFlat);
}
