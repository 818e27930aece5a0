// The setup's rules without a window: unique names, position entries, working hours of a day,
// holiday texts and the German holidays.

#include <gtest/gtest.h>

#include "CommaText.h"
#include "setup/PositionEntry.h"
#include "setup/SetupRules.h"

TEST(SetupRulesTest, UniqueNamesCountOnFromOne)
{
    QStringList taken;
    const auto isTaken = [&](const QString &name) { return taken.contains(name); };
    for (int i = 0; i < 3; ++i)
        taken.append(UniqueName("New Column", isTaken));
    EXPECT_EQ(taken, (QStringList{"New Column", "New Column 1", "New Column 2"}));
    taken.removeAt(1);
    EXPECT_EQ(UniqueName("New Column", isTaken), "New Column 1");
}

TEST(SetupRulesTest, PositionEntriesKeepTheirItems)
{
    // A bare name reads with the default week and one row.
    TPositionEntry bare("Lathe");
    EXPECT_EQ(bare.Name(), "Lathe");
    EXPECT_EQ(bare.Rows(), 1);
    EXPECT_EQ(bare.Description(), QStringList{"Lathe"});
    bare.SetRows(0);
    EXPECT_EQ(bare.Rows(), 1);

    TPositionEntry made = TPositionEntry::Make({"Mill, big", "bought \"2019\"", "hall 2"});
    EXPECT_EQ(made.Name(), "Mill, big");
    EXPECT_EQ(made.Description(), (QStringList{"Mill, big", "bought \"2019\"", "hall 2"}));
    // The name is the first item, so the cells and group filters find it.
    EXPECT_EQ(ParseCommaText(made.Text()).value(0), "Mill, big");
    made.SetRows(3);
    tWeekInfo week = made.Week();
    week[0].active = true;
    made.SetWeek(week);
    const TPositionEntry read(made.Text());
    EXPECT_EQ(read.Rows(), 3);
    EXPECT_TRUE(read.Week()[0].active);
    EXPECT_EQ(read.Description(), made.Description());
    // Back to one line: the description item goes, the name stays.
    TPositionEntry shorter(made.Text());
    shorter.SetDescription({"Mill"});
    EXPECT_EQ(shorter.Description(), QStringList{"Mill"});
    EXPECT_EQ(shorter.Rows(), 3);

    // Items a later program wrote survive an edit.
    QStringList items = ParseCommaText(made.Text());
    items.append("future");
    TPositionEntry later(CommaTextOf(items));
    later.SetDescription({"Mill", "other"});
    EXPECT_EQ(ParseCommaText(later.Text()).last(), "future");
}

TEST(SetupRulesTest, WorkingHoursOfADay)
{
    EXPECT_EQ(WorkingHoursText(510), "8,30 h");
    EXPECT_EQ(WorkingHoursText(485), "8,05 h");

    TDayInfo day;
    day.active = true;
    TWorkingDayTexts texts;
    texts.Begin = "08:00";
    texts.End = "17:00";
    texts.PauseStart = {"12:00", "15:00", "00:00"};
    texts.PauseLength = {"30", "15", "0"};
    EXPECT_EQ(ReadWorkingDay(texts, day), QString());
    EXPECT_EQ(day.length, 495);
    EXPECT_EQ(WorkingHoursText(day.length), "8,15 h");
    EXPECT_TRUE(day.active);
    EXPECT_EQ(day.start.minutes, 8 * 60);
    EXPECT_EQ(day.pause[1].start.minutes, 15 * 60);
    // Shown again as typed.
    const TWorkingDayTexts shown = WorkingDayTexts(day);
    EXPECT_EQ(shown.Begin, "08:00");
    EXPECT_EQ(shown.End, "17:00");
    EXPECT_EQ(shown.PauseLength[0], "30");

    // Unreadable lengths count 0, 1 and 2.
    texts.PauseLength = {"x", "", "?"};
    EXPECT_EQ(ReadWorkingDay(texts, day), QString());
    EXPECT_EQ(day.length, 540 - 3);

    // A day that ends before it begins, or whose breaks eat it, is refused and left as it was.
    const TDayInfo before = day;
    texts.PauseLength = {"0", "0", "0"};
    texts.End = "07:00";
    EXPECT_FALSE(ReadWorkingDay(texts, day).isEmpty());
    texts.End = "09:00";
    texts.PauseLength = {"60", "0", "0"};
    EXPECT_FALSE(ReadWorkingDay(texts, day).isEmpty());
    texts.PauseLength = {"0", "0", "0"};
    texts.Begin = "8.00";
    EXPECT_TRUE(ReadWorkingDay(texts, day).contains("8.00"));
    texts.Begin = "25:00";
    EXPECT_FALSE(ReadWorkingDay(texts, day).isEmpty());
    EXPECT_EQ(day, before);

    TTimeOfDay time;
    EXPECT_TRUE(ParseTimeOfDay("7:05", time));
    EXPECT_EQ(time.minutes, 425);
    EXPECT_TRUE(ParseTimeOfDay(" 7 ", time));
    EXPECT_EQ(time.minutes, 420);
    EXPECT_FALSE(ParseTimeOfDay("7:5", time));
    EXPECT_FALSE(ParseTimeOfDay("", time));
}

TEST(SetupRulesTest, HolidayTextsAndTheGermanSet)
{
    EXPECT_EQ(HolidayDateText({"Karfreitag", -2, 0, false, true}), "Easter - 2");
    EXPECT_EQ(HolidayDateText({"Himmelfahrt", 39, 0, false, true}), "Easter + 39");
    EXPECT_EQ(HolidayDateText({"Ostern", 0, 0, false, true}), "Easter - 0");
    EXPECT_EQ(HolidayDateText({"Neujahr", 1, 1, false, false}), "1. January");
    EXPECT_EQ(HolidayDateText({"Silvester", 31, 12, false, false}), "31. December");

    std::vector<THolidayData> holidays = {{"Ostern", 5, 6, true, false}};
    int added = 0;
    for (const THolidayData &holiday : GermanHolidays())
        added += AddHolidayUnlessNamed(holidays, holiday) ? 1 : 0;
    // "Ostern" was there already (under another date): it stays as it was.
    EXPECT_EQ(added, 19);
    EXPECT_EQ(holidays.size(), 20u);
    EXPECT_EQ(holidays[0], (THolidayData{"Ostern", 5, 6, true, false}));
    for (const THolidayData &holiday : GermanHolidays())
        EXPECT_FALSE(AddHolidayUnlessNamed(holidays, holiday));
    EXPECT_EQ(holidays.size(), 20u);
    for (std::size_t i = 1; i < holidays.size(); ++i)
        EXPECT_FALSE(holidays[i].enabled) << holidays[i].name.toStdString();
    EXPECT_EQ(MonthNames().size(), 12);
}
