// The range part of the picture and print dialogs (its free input is checked through Print Timechart).

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>

#include "DateFormat.h"
#include "dialogs/DateField.h"
#include "dialogs/DateRangeControls.h"

TEST(DateRangeControlsTest, ButtonsFillThePickersAndShowingTakesTheCurrentDateFormat)
{
    SetDateFormats(QStringLiteral("dd.MM.yyyy"));
    QWidget owner;
    auto *range = new TDateRangeControls(&owner, "Whole", "View", 2, 1, 100);
    range->WholeRange = [] { return TDateRangeControls::TRange(EncodeDate(2026, 1, 5), EncodeDate(2026, 12, 20)); };
    range->ViewRange = [] { return TDateRangeControls::TRange(EncodeDate(2026, 3, 2), EncodeDate(2026, 3, 9) + 0.5); };
    int changes = 0;
    range->OnChange = [&changes] { ++changes; };

    range->Shown();
    EXPECT_EQ(range->StartDate(), EncodeDate(2026, 3, 2));
    EXPECT_EQ(range->EndDate(), EncodeDate(2026, 3, 9));
    EXPECT_EQ(range->Days(), 7);
    EXPECT_FALSE(range->EditTage->isEnabled());
    EXPECT_EQ(changes, 1);
    // The whole plan is longer than the day count may be: the count stops at its limit.
    range->RadioButton1->setChecked(true);
    EXPECT_EQ(range->EndDate(), EncodeDate(2026, 12, 20));
    EXPECT_EQ(range->Days(), 100);

    // A date format changed while the dialog was hidden shows on its next showing.
    SetDateFormats(QStringLiteral("yyyy-MM-dd"));
    range->Shown();
    EXPECT_EQ(range->startpicker->text(), QStringLiteral("2026-01-05"));
    EXPECT_EQ(range->endepicker->text(), QStringLiteral("2026-12-20"));
    ResetDateFormats();
}
