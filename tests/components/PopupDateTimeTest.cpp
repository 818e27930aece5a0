#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <vector>

#include "PopupDateTime.h"

namespace {

struct DatePopupFixture : ::testing::Test {
    void SetUp() override
    {
        parent = std::make_unique<QWidget>();
        parent->setGeometry(50, 50, 300, 200);
        parent->show();
        popup = std::make_unique<TDateTimePopup>(parent.get());
        popup->SetRollDownSpeed(0);
    }
    QTableView *View() const { return popup->Calendar()->findChild<QTableView *>(); }

    std::unique_ptr<QWidget> parent;
    std::unique_ptr<TDateTimePopup> popup;
};

// 2023-03-15 as days since 1899-12-30.
constexpr double March15 = 45000.0;

} // namespace

TEST_F(DatePopupFixture, KeyboardPickGivesOkAndTheNewDay)
{
    popup->SetDate(March15 + 0.75); // the time of day is the caller's business
    EXPECT_EQ(popup->Calendar()->selectedDate(), QDate(2023, 3, 15));
    ASSERT_NE(View(), nullptr);
    QTimer::singleShot(0, popup.get(), [&] {
        QTest::keyClick(View(), Qt::Key_Right);
        QTest::keyClick(View(), Qt::Key_Return);
    });
    ASSERT_TRUE(popup->RollDownForm(parent.get(), 100, 100));
    EXPECT_EQ(popup->ModalResult(), mrOk);
    EXPECT_TRUE(popup->DateChanged());
    EXPECT_DOUBLE_EQ(popup->GetDate(), March15 + 1);
    // Setting a date clears the pick again.
    popup->SetDate(March15);
    EXPECT_FALSE(popup->DateChanged());
    EXPECT_DOUBLE_EQ(popup->GetDate(), March15);
}

TEST_F(DatePopupFixture, EscapeKeepsTheDateSetBefore)
{
    popup->SetDate(March15 + 0.5);
    QTimer::singleShot(0, popup.get(), [&] {
        QTest::keyClick(View(), Qt::Key_Right); // moves the calendar, but is not a pick
        QTest::keyClick(View(), Qt::Key_Escape);
    });
    ASSERT_TRUE(popup->RollDownForm(parent.get(), 100, 100));
    EXPECT_EQ(popup->ModalResult(), mrCancel);
    EXPECT_FALSE(popup->DateChanged());
    EXPECT_DOUBLE_EQ(popup->GetDate(), March15 + 0.5);
}

TEST_F(DatePopupFixture, ClickOnADayPicksIt)
{
    popup->SetDate(March15);
    QTimer::singleShot(0, popup.get(), [&] {
        QTableView *view = View();
        const QModelIndex current = view->currentIndex();
        const QModelIndex below = view->model()->index(current.row() + 1, current.column());
        const QRect cell = view->visualRect(below);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    });
    ASSERT_TRUE(popup->RollDownForm(parent.get(), 100, 100));
    EXPECT_EQ(popup->ModalResult(), mrOk);
    EXPECT_DOUBLE_EQ(popup->GetDate(), March15 + 7);
}

namespace {

// The cursor the pop-up's window shows after the pointer moved to pos without a button.
Qt::CursorShape CursorAt(QWidget *popup, QPoint pos)
{
    QTest::mouseMove(popup, pos);
    return popup->windowHandle()->cursor().shape();
}

} // namespace

TEST_F(DatePopupFixture, TheFreeEdgesShowTheSizingCursorsOnHover)
{
    popup->SetDate(March15);
    std::vector<Qt::CursorShape> shapes;
    QTimer::singleShot(0, popup.get(), [&] {
        const int w = popup->width();
        const int h = popup->height();
        const QPoint day = popup->Calendar()->geometry().center();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(popup.get()));
        shapes = {CursorAt(popup.get(), QPoint(w / 2, h - 2)), CursorAt(popup.get(), QPoint(w - 2, h / 2)),
                  CursorAt(popup.get(), QPoint(w - 8, h - 8)), CursorAt(popup.get(), day),
                  CursorAt(popup.get(), QPoint(w / 2, 2))};
        QTest::keyClick(View(), Qt::Key_Escape);
    });
    // Beside the parent window, so that the pointer is over the pop-up alone.
    ASSERT_TRUE(popup->RollDownForm(parent.get(), 400, 60));
    EXPECT_EQ(shapes, (std::vector<Qt::CursorShape>{Qt::SizeVerCursor, Qt::SizeHorCursor, Qt::SizeFDiagCursor,
                                                     Qt::ArrowCursor, Qt::ArrowCursor}));
}

TEST_F(DatePopupFixture, DraggingTheBandsAndTheCornerGrowsTheCalendar)
{
    popup->SetDate(March15);
    QSize start, afterBottom, afterCorner, calendarAfter;
    bool openAfterReleaseOutside = false;
    QTimer::singleShot(0, popup.get(), [&] {
        start = popup->size();
        const QSize calendarBefore = popup->Calendar()->size();
        // The bottom band: only the height changes.
        QWidget *band = popup->childAt(start.width() / 2, start.height() - 2);
        ASSERT_NE(band, popup->Calendar());
        QTest::mousePress(band, Qt::LeftButton, {}, band->mapFrom(popup.get(), QPoint(start.width() / 2, start.height() - 2)));
        QTest::mouseMove(band, band->mapFrom(popup.get(), QPoint(start.width() / 2 + 15, start.height() + 38)));
        // Released over the parent window: the drop-down stays open.
        QTest::mouseRelease(parent.get(), Qt::LeftButton, {}, QPoint(150, 150));
        afterBottom = popup->size();
        openAfterReleaseOutside = popup->DropDownState() == ddsShown && !popup->LButtonDown();
        // The corner: both directions.
        const QPoint corner(afterBottom.width() - 3, afterBottom.height() - 3);
        QWidget *grip = popup->childAt(corner);
        const QPoint local = grip->mapFrom(popup.get(), corner);
        QTest::mousePress(grip, Qt::LeftButton, {}, local);
        QTest::mouseMove(grip, local + QPoint(30, 20));
        QTest::mouseRelease(grip, Qt::LeftButton, {}, local + QPoint(30, 20));
        afterCorner = popup->size();
        calendarAfter = popup->Calendar()->size() - calendarBefore;
        // A day is still picked with a click after the resize.
        QTableView *view = View();
        const QModelIndex current = view->currentIndex();
        const QModelIndex next = view->model()->index(current.row(), current.column() + 1);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(next).center());
    });
    ASSERT_TRUE(popup->RollDownForm(parent.get(), 100, 100));
    EXPECT_EQ(afterBottom, start + QSize(0, 40));
    EXPECT_TRUE(openAfterReleaseOutside);
    EXPECT_EQ(afterCorner, start + QSize(30, 60));
    EXPECT_EQ(calendarAfter, QSize(30, 60));
    EXPECT_EQ(popup->ModalResult(), mrOk);
    EXPECT_DOUBLE_EQ(popup->GetDate(), March15 + 1);
}
