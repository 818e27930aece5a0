#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "DropDownForm.h"

#include <optional>
#include <stdexcept>

namespace {

struct DropDownFixture : ::testing::Test {
    void SetUp() override
    {
        parent = std::make_unique<QWidget>();
        parent->setObjectName(QStringLiteral("ParentForm"));
        parent->setGeometry(50, 50, 300, 200);
        parentButton = new QPushButton(QStringLiteral("behind"), parent.get());
        parentButton->setGeometry(10, 10, 100, 30);
        parent->show();
        QVERIFY_EXPECTED(QTest::qWaitForWindowExposed(parent.get()));

        dropDown = std::make_unique<TfmDropDown>(parent.get());
        dropDown->SetRollDownSpeed(0);
        innerButton = new QPushButton(QStringLiteral("inside"), dropDown.get());
        innerButton->setGeometry(10, 10, 60, 25);
    }
    static void QVERIFY_EXPECTED(bool ok) { ASSERT_TRUE(ok); }

    std::unique_ptr<QWidget> parent;
    QPushButton *parentButton = nullptr;
    std::unique_ptr<TfmDropDown> dropDown;
    QPushButton *innerButton = nullptr;
};

// A drag with the left button from one point of the drop-down to another, sent as the user's
// drag arrives: to the widget under the starting point, which keeps the mouse while the button
// is down.
void DragIn(QWidget *top, QPoint from, QPoint to)
{
    QWidget *target = top->childAt(from);
    if (!target)
        target = top;
    const QPoint start = target->mapFrom(top, from);
    const QPoint end = start + (to - from);
    QTest::mousePress(target, Qt::LeftButton, {}, start);
    QTest::mouseMove(target, end);
    QTest::mouseRelease(target, Qt::LeftButton, {}, end);
}

} // namespace

TEST(DropDownGeometry, PlacementBelowAboveAndInsideTheScreen)
{
    const QRect avail(-1280, 0, 1280, 1000); // a left monitor with negative coordinates
    TDropDownPosition pos;
    EXPECT_EQ(TfmDropDown::Placement(avail, -1000, 100, QSize(200, 150), pos), QPoint(-1000, 100));
    EXPECT_EQ(pos, ddpBelow);
    // Near the bottom it opens above the point.
    EXPECT_EQ(TfmDropDown::Placement(avail, -1000, 900, QSize(200, 150), pos), QPoint(-1000, 750));
    EXPECT_EQ(pos, ddpAbove);
    // Too tall for either side: kept at the top of the area.
    EXPECT_EQ(TfmDropDown::Placement(avail, -1000, 500, QSize(200, 990), pos), QPoint(-1000, 0));
    // Horizontally kept inside, also at the negative left edge.
    EXPECT_EQ(TfmDropDown::Placement(avail, -50, 100, QSize(200, 150), pos).x(), -200);
    EXPECT_EQ(TfmDropDown::Placement(avail, -1400, 100, QSize(200, 150), pos).x(), -1280);
}

TEST(DropDownGeometry, SizingZonesFollowThePosition)
{
    const QSize s(100, 80);
    EXPECT_EQ(TfmDropDown::SizingZone(s, QPoint(95, 75), ddpBelow), Qt::BottomEdge | Qt::RightEdge);
    EXPECT_EQ(TfmDropDown::SizingZone(s, QPoint(40, 77), ddpBelow), Qt::Edges(Qt::BottomEdge));
    EXPECT_EQ(TfmDropDown::SizingZone(s, QPoint(97, 30), ddpBelow), Qt::Edges(Qt::RightEdge));
    EXPECT_EQ(TfmDropDown::SizingZone(s, QPoint(40, 2), ddpBelow), Qt::Edges());
    // Above its point the top edge sizes, the bottom does not.
    EXPECT_EQ(TfmDropDown::SizingZone(s, QPoint(40, 2), ddpAbove), Qt::Edges(Qt::TopEdge));
    EXPECT_EQ(TfmDropDown::SizingZone(s, QPoint(97, 2), ddpAbove), Qt::TopEdge | Qt::RightEdge);
    EXPECT_EQ(TfmDropDown::SizingZone(s, QPoint(40, 77), ddpAbove), Qt::Edges());
}

TEST(DropDownGeometry, RollOutStepsWithDefaultsAndSmallHeights)
{
    const QList<int> steps = TfmDropDown::RollOutSteps(160, 16);
    ASSERT_EQ(steps.size(), 16);
    EXPECT_EQ(steps.first(), 10);
    EXPECT_EQ(steps.last(), 160);
    // Lower than the resolution: one row per step.
    EXPECT_EQ(TfmDropDown::RollOutSteps(5, 16).size(), 5);
    EXPECT_TRUE(TfmDropDown::RollOutSteps(0, 16).isEmpty());
}

TEST_F(DropDownFixture, WithoutParentItThrows)
{
    try {
        dropDown->RollDownForm(nullptr, 0, 0);
        FAIL() << "no exception";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "DropDownForm must have a parent form.");
    }
}

TEST_F(DropDownFixture, EscapeEndsTheLoopWithCancel)
{
    dropDown->SetRollDownSpeed(1); // the animation runs too
    bool shownDuringLoop = false;
    // A loaded machine may still be rolling down after any fixed pause: wait for the end of it.
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&poll, &QTimer::timeout, dropDown.get(), [&] {
        if (dropDown->DropDownState() != ddsShown && waited.elapsed() < 5000)
            return;
        poll.stop();
        shownDuringLoop = dropDown->isVisible() && dropDown->DropDownState() == ddsShown
                          && TfmDropDown::Active() == dropDown.get();
        QTest::keyClick(innerButton, Qt::Key_Escape);
    });
    poll.start(10);
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), 100, 100, 150, 120));
    EXPECT_TRUE(shownDuringLoop);
    EXPECT_FALSE(dropDown->isVisible());
    EXPECT_EQ(dropDown->DropDownState(), ddsHidden);
    EXPECT_EQ(dropDown->ModalResult(), mrCancel);
    EXPECT_EQ(dropDown->size(), QSize(150, 120));
    EXPECT_EQ(TfmDropDown::Active(), nullptr);
    EXPECT_TRUE(dropDown->RolledDownOnce());
}

TEST_F(DropDownFixture, OutsideClickIsSwallowedInsideClickIsNot)
{
    QSignalSpy parentClicks(parentButton, &QPushButton::clicked);
    QSignalSpy innerClicks(innerButton, &QPushButton::clicked);
    bool stillOpenAfterInsideClick = false;
    QTimer::singleShot(0, dropDown.get(), [&] {
        QTest::mouseClick(innerButton, Qt::LeftButton);
        stillOpenAfterInsideClick = dropDown->DropDownState() == ddsShown;
        QTest::mouseClick(parentButton, Qt::LeftButton);
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), 400, 100, 100, 60));
    EXPECT_TRUE(stillOpenAfterInsideClick);
    EXPECT_EQ(innerClicks.count(), 1);
    EXPECT_EQ(parentClicks.count(), 0);
    EXPECT_EQ(dropDown->ModalResult(), mrNone);
    // With the drop-down closed, the parent gets its clicks again.
    QTest::mouseClick(parentButton, Qt::LeftButton);
    EXPECT_EQ(parentClicks.count(), 1);
}

TEST_F(DropDownFixture, ReleaseOutsideAfterPressInsideKeepsItOpen)
{
    bool openAfterRelease = false;
    bool buttonFlagWhileDown = false;
    QTimer::singleShot(0, dropDown.get(), [&] {
        QTest::mousePress(dropDown.get(), Qt::LeftButton, {}, QPoint(50, 50));
        buttonFlagWhileDown = dropDown->LButtonDown();
        QTest::mouseRelease(parent.get(), Qt::LeftButton, {}, QPoint(200, 150));
        openAfterRelease = dropDown->DropDownState() == ddsShown && !dropDown->LButtonDown();
        dropDown->close(); // the close request ends the loop as well
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), 400, 100, 100, 100));
    EXPECT_TRUE(buttonFlagWhileDown);
    EXPECT_TRUE(openAfterRelease);
    EXPECT_EQ(dropDown->DropDownState(), ddsHidden);
}

// Opened on a press, the drop-down sees the release of that press outside it: that is the
// end of the click that opened it, not a click outside. The next click outside closes it.
TEST_F(DropDownFixture, TheReleaseOfTheOpeningClickKeepsItOpen)
{
    bool openAfterRelease = false;
    bool closedByNextClick = false;
    QTimer::singleShot(0, dropDown.get(), [&] {
        QTest::mouseRelease(parentButton, Qt::LeftButton, {}, QPoint(5, 5));
        openAfterRelease = dropDown->DropDownState() == ddsShown;
        QTimer::singleShot(0, dropDown.get(), [&] {
            QTest::mousePress(parentButton, Qt::LeftButton, {}, QPoint(5, 5));
            closedByNextClick = true;
        });
    });
    QObject::connect(parentButton, &QPushButton::pressed, dropDown.get(),
                     [this] { dropDown->RollDownForm(parent.get(), 400, 100, 100, 60); });
    QTest::mousePress(parentButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(openAfterRelease);
    EXPECT_TRUE(closedByNextClick);
    EXPECT_EQ(dropDown->DropDownState(), ddsHidden);
    EXPECT_EQ(dropDown->ModalResult(), mrNone);
    QTest::mouseRelease(parentButton, Qt::LeftButton, {}, QPoint(5, 5));
}

// Closing the window while its loop is already ending leaves nothing behind that would end
// the next drop-down at once.
TEST_F(DropDownFixture, ACloseWhileEndingDoesNotEndTheNextOne)
{
    QTimer::singleShot(0, dropDown.get(), [&] {
        QTest::keyClick(innerButton, Qt::Key_Escape);
        dropDown->close();
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), 400, 100, 100, 60));
    bool openLater = false;
    QTimer::singleShot(0, dropDown.get(), [&] {
        QTimer::singleShot(20, dropDown.get(), [&] {
            openLater = dropDown->DropDownState() == ddsShown;
            QTest::keyClick(innerButton, Qt::Key_Escape);
        });
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), 400, 100, 100, 60));
    EXPECT_TRUE(openLater);
}

TEST_F(DropDownFixture, NearTheBottomItOpensAboveAndASecondOneIsRefused)
{
    const QRect avail = parent->screen()->availableGeometry();
    TfmDropDown second(parent.get());
    second.SetRollDownSpeed(0);
    bool refused = false;
    QPoint where;
    QTimer::singleShot(0, dropDown.get(), [&] {
        where = dropDown->pos();
        refused = !second.RollDownForm(parent.get(), 10, 10, 50, 50);
        dropDown->CloseDropDown();
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), avail.left() + 20, avail.bottom() - 10, 100, 80));
    EXPECT_TRUE(refused);
    EXPECT_EQ(dropDown->DropDownPosition(), ddpAbove);
    EXPECT_EQ(where, QPoint(avail.left() + 20, avail.bottom() - 10 - 80));
    EXPECT_EQ(second.DropDownState(), ddsHidden);
    EXPECT_FALSE(second.RolledDownOnce());
}

TEST_F(DropDownFixture, DraggingTheGripResizesBelow)
{
    QSize during;
    QTimer::singleShot(0, dropDown.get(), [&] {
        DragIn(dropDown.get(), QPoint(97, 97), QPoint(127, 117));
        during = dropDown->size();
        dropDown->CloseDropDown();
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), 400, 100, 100, 100));
    EXPECT_EQ(during, QSize(130, 120));
}

TEST_F(DropDownFixture, AboveThePointTheTopEdgeSizesAndAWheelOutsideCloses)
{
    const QRect avail = parent->screen()->availableGeometry();
    QRect during;
    QTimer::singleShot(0, dropDown.get(), [&] {
        const QRect before = dropDown->geometry();
        DragIn(dropDown.get(), QPoint(40, 2), QPoint(40, -18));
        during = dropDown->geometry();
        EXPECT_EQ(during.bottom(), before.bottom());
        QWheelEvent wheel(QPointF(10, 10), parentButton->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(parentButton, &wheel);
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), avail.left() + 20, avail.bottom() - 10, 100, 80));
    EXPECT_EQ(dropDown->DropDownPosition(), ddpAbove);
    EXPECT_EQ(during.height(), 100);
    EXPECT_EQ(dropDown->DropDownState(), ddsHidden);
}

// Whatever covers the drop-down, the widget under each point of a sizing zone is a band that
// shows that zone's cursor, and no band lies outside the zones. Below its point: the
// bottom-right corner of 10 x 10 pixels, then 5-pixel bands at the bottom and at the right;
// above its point: the top-right corner of 5 x 5 pixels and a 5-pixel band at the top.
TEST_F(DropDownFixture, SizingBandsLieOverTheContentExactlyOnTheZones)
{
    auto *content = new QWidget(dropDown.get());
    content->setGeometry(1, 1, 138, 98); // all but a thin border, as a calendar fills it
    const auto expected = [](QSize size, int x, int y, TDropDownPosition position) -> std::optional<Qt::CursorShape> {
        const int w = size.width();
        const int h = size.height();
        if (position == ddpBelow) {
            if (x >= w - 10 && y >= h - 10)
                return Qt::SizeFDiagCursor;
            if (y >= h - 5)
                return Qt::SizeVerCursor;
            if (x >= w - 5)
                return Qt::SizeHorCursor;
            return std::nullopt;
        }
        if (x >= w - 5 && y < 5)
            return Qt::SizeBDiagCursor;
        if (y < 5)
            return Qt::SizeVerCursor;
        return std::nullopt;
    };
    const auto check = [&](TDropDownPosition position) {
        ASSERT_EQ(dropDown->DropDownPosition(), position);
        const QSize size = dropDown->size();
        int faults = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const std::optional<Qt::CursorShape> zone = expected(size, x, y, position);
                QWidget *under = dropDown->childAt(x, y);
                const bool band = under && under->objectName() == QLatin1String("SizingBand");
                if (band != zone.has_value() || (band && under->cursor().shape() != *zone))
                    ++faults;
            }
        }
        EXPECT_EQ(faults, 0);
    };
    QTimer::singleShot(0, dropDown.get(), [&] {
        check(ddpBelow);
        dropDown->CloseDropDown();
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), 400, 100, 140, 100));

    const QRect avail = parent->screen()->availableGeometry();
    QTimer::singleShot(0, dropDown.get(), [&] {
        check(ddpAbove);
        dropDown->CloseDropDown();
    });
    ASSERT_TRUE(dropDown->RollDownForm(parent.get(), avail.left() + 20, avail.bottom() - 10, 140, 100));

    // Not sizable: no bands at all.
    dropDown->SetSizable(false);
    EXPECT_EQ(dropDown->childAt(135, 95), content);
    EXPECT_EQ(dropDown->childAt(70, 2), content);
}
