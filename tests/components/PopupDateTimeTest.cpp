#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

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
