// End dates and lengths over real calendars: the documented cases, random weeks in day mode
// against a count of working days, minute mode against a minute-by-minute walk, and the
// length between two dates as the inverse of the end.

#include "planner/CoreTestSupport.h"
#include "planner/ScheduleReference.h"

#include <QDate>
#include <QSet>

#include <random>

#include "CalendarMath.h"
#include "CommaText.h"
#include "core/WorkCalendar.h"

namespace {

TDateTime Day(int y, int m, int d)
{
    return EncodeDate(y, m, d);
}

TDateTime At(int y, int m, int d, int hour, int minute)
{
    return EncodeDate(y, m, d) + (hour * 60 + minute) / 1440.0;
}

// Whole minutes since 1899-12-30, so that two date-times compare exactly.
qint64 Minutes(TDateTime value)
{
    return qRound64(value * 1440.0);
}

using schedref::DayNumber;
using schedref::Easter;

} // namespace

class ScheduleTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        // A range that covers the test years, so that holidays of those years are expanded.
        core->SetTimeChartBounds(Day(2023, 1, 1), Day(2026, 12, 31));
    }

    void SetWeek(int position, const tWeekInfo &week)
    {
        QStringList &positions = core->ColumnStrings(tbTable, 0);
        QStringList items = ParseCommaText(positions[position]);
        while (items.size() < 2)
            items.append(QString());
        items[1] = WeekInfo2String(week);
        positions[position] = CommaTextOf(items);
    }

    TNodeData *Task(const QString &position, TDateTime start, const QString &length)
    {
        return AddTask(position, core->FormatDateTime(start), length);
    }

    TDateTime End(TNodeData *node)
    {
        core->SetRecalcEndOf(node, true);
        return core->GetEndOf(node);
    }
};

TEST_F(ScheduleTest, LengthTextsBothWays)
{
    EXPECT_EQ(core->LengthText(tbTable, 960), QStringLiteral("2"));
    core->SetMinUnit(muMinute);
    EXPECT_EQ(core->LengthText(tbTable, 120), QStringLiteral("2"));
    EXPECT_EQ(core->LengthText(tbTable, 90), QStringLiteral("1,30"));
    EXPECT_EQ(core->LengthText(tbTable, 65), QStringLiteral("1,5"));
    EXPECT_EQ(core->calcNodeLength(tbTable, core->LengthText(tbTable, 65)), 65);
    EXPECT_EQ(core->LengthText(tbExclude, 1440), QStringLiteral("3")); // absences count days
    TNodeData *task = Task("Position 1", At(2024, 3, 4, 8, 0), "1");
    core->SetLengthOf(task, 95);
    EXPECT_EQ(core->GetData_(task, cnLength), QStringLiteral("1,35"));
    EXPECT_EQ(core->GetLengthOf(task), 95);
}

TEST_F(ScheduleTest, DefaultWeekInDayMode)
{
    // Monday 4 March 2024, one day: start and end are the same day.
    TNodeData *one = Task("Position 1", Day(2024, 3, 4), "1");
    EXPECT_EQ(core->GetData_(one, cnEnd), QStringLiteral("04.03.2024"));
    EXPECT_TRUE(one->nodeValid);
    // Friday + 2 days skips the weekend.
    TNodeData *weekend = Task("Position 1", Day(2024, 3, 8), "2");
    EXPECT_EQ(core->GetData_(weekend, cnEnd), QStringLiteral("11.03.2024"));
    // A start on Saturday begins on Monday.
    TNodeData *saturday = Task("Position 1", Day(2024, 3, 9), "1");
    EXPECT_EQ(core->GetData_(saturday, cnEnd), QStringLiteral("11.03.2024"));
    // The row "*" runs on the calendar.
    TNodeData *all = Task("*", Day(2024, 3, 8), "3");
    EXPECT_EQ(core->GetData_(all, cnEnd), QStringLiteral("10.03.2024"));
    // An empty start gives no end and leaves the cell alone.
    TNodeData *empty = Task("Position 1", Day(2024, 3, 4), "1");
    core->SetData_(empty, cnStart, QString());
    core->SetData_(empty, cnEnd, "01.01.2024");
    core->SetRecalcEndOf(empty, true);
    EXPECT_EQ(core->GetEndOf(empty), 0);
    EXPECT_EQ(core->GetData_(empty, cnEnd), QStringLiteral("01.01.2024"));
    EXPECT_TRUE(core->GetRecalcEndOf(empty));
}

TEST_F(ScheduleTest, MinuteModeAroundPausesAndDayEnds)
{
    tWeekInfo week;
    for (int d = 1; d <= 5; ++d) {
        week[d].active = true;
        week[d].start = TTimeOfDay::FromHM(8, 0);
        week[d].ende = TTimeOfDay::FromHM(16, 30);
        week[d].length = 480;
        week[d].pause[0] = {TTimeOfDay::FromHM(12, 0), 30};
    }
    SetWeek(0, week);
    core->SetMinUnit(muMinute);
    TNodeData *task = Task("Position 1", At(2024, 3, 4, 11, 0), "1,30");
    EXPECT_EQ(Minutes(core->GetEndOf(task)), Minutes(At(2024, 3, 4, 13, 0)));
    // Ending right where the pause starts does not take the pause.
    core->SetData_(task, cnLength, "1");
    EXPECT_EQ(Minutes(core->GetEndOf(task)), Minutes(At(2024, 3, 4, 12, 0)));
    // A start inside the pause begins at its end.
    core->SetData_(task, cnStart, core->FormatDateTime(At(2024, 3, 4, 12, 15)));
    EXPECT_EQ(Minutes(core->GetEndOf(task)), Minutes(At(2024, 3, 4, 13, 30)));
    // At the day's end time the work moves to the next working day.
    core->SetData_(task, cnStart, core->FormatDateTime(At(2024, 3, 4, 16, 30)));
    EXPECT_EQ(Minutes(core->GetEndOf(task)), Minutes(At(2024, 3, 5, 9, 0)));
    // The whole rest of a day ends at its working end, not on the next morning.
    core->SetData_(task, cnStart, core->FormatDateTime(At(2024, 3, 8, 8, 0)));
    core->SetData_(task, cnLength, "8");
    EXPECT_EQ(Minutes(core->GetEndOf(task)), Minutes(At(2024, 3, 8, 16, 30)));
    // One minute more goes over the weekend.
    core->SetData_(task, cnLength, "8,1");
    EXPECT_EQ(Minutes(core->GetEndOf(task)), Minutes(At(2024, 3, 11, 8, 1)));
    // "*" in minute mode: 480 working minutes are one calendar day.
    TNodeData *all = Task("*", At(2024, 3, 8, 10, 0), "4");
    EXPECT_EQ(Minutes(core->GetEndOf(all)), Minutes(At(2024, 3, 8, 22, 0)));
}

TEST_F(ScheduleTest, HolidaysAndAbsences)
{
    core->AddHoliday("Good Friday", -2, 0, true, true);
    core->AddHoliday("Easter Monday", 1, 0, true, true);
    core->AddHoliday("Labour Day", 1, 5, true, false);
    core->AddHoliday("Switched off", 2, 5, false, false);
    core->updateAutoEntries();
    // Easter 2024 is 31 March: Good Friday 29 March, Easter Monday 1 April.
    TNodeData *easter = Task("Position 1", Day(2024, 3, 28), "2");
    EXPECT_EQ(core->GetData_(easter, cnEnd), QStringLiteral("02.04.2024"));
    TNodeData *may = Task("Position 2", Day(2024, 4, 30), "3");
    EXPECT_EQ(core->GetData_(may, cnEnd), QStringLiteral("03.05.2024")); // 2 May is worked

    // An absence of its own row is skipped, one of another row is not, "*" holds for all.
    AddAbsence("Position 1", Day(2024, 3, 5), 2);
    AddAbsence("Position 2", Day(2024, 3, 11), 1);
    AddAbsence("*", Day(2024, 3, 13), 1);
    TNodeData *one = Task("Position 1", Day(2024, 3, 4), "5");
    TNodeData *two = Task("Position 2", Day(2024, 3, 4), "5");
    EXPECT_EQ(core->GetData_(one, cnEnd), QStringLiteral("12.03.2024"));
    EXPECT_EQ(core->GetData_(two, cnEnd), QStringLiteral("08.03.2024"));
    core->SetData_(two, cnLength, "7");
    EXPECT_EQ(core->GetData_(two, cnEnd), QStringLiteral("14.03.2024"));

    // Absences of three days: "Nein" ends two days later whatever the weekdays; "Ja" skips
    // the weekend and the holiday.
    TNodeData *calendar = AddAbsence("Position 3", Day(2024, 3, 28), 3, false);
    EXPECT_EQ(core->GetData_(calendar, cnEnd), QStringLiteral("30.03.2024"));
    TNodeData *working = AddAbsence("Position 3", Day(2024, 3, 28), 3, true);
    EXPECT_EQ(core->GetData_(working, cnEnd), QStringLiteral("03.04.2024"));
}

TEST_F(ScheduleTest, WeekWithoutWorkingTimeEndsAtZero)
{
    tWeekInfo idle; // nothing active
    SetWeek(0, idle);
    TNodeData *task = Task("Position 1", Day(2024, 3, 4), "1");
    EXPECT_EQ(core->GetData_(task, cnEnd), QString());
    EXPECT_FALSE(task->nodeValid);
    // Active days whose start is not before their end cannot work either.
    tWeekInfo closed = DefaultWeekInfo();
    for (TDayInfo &day : closed.day)
        day.ende = day.start;
    SetWeek(0, closed);
    EXPECT_EQ(End(task), 0);
    core->SetMinUnit(muMinute);
    tWeekInfo noMinutes = DefaultWeekInfo();
    for (TDayInfo &day : noMinutes.day)
        day.length = 0;
    SetWeek(0, noMinutes);
    EXPECT_EQ(End(task), 0);
    // A working week far beyond the last day of the calendar does not loop either.
    SetWeek(0, DefaultWeekInfo());
    core->SetData_(task, cnStart, core->FormatDateTime(Day(9999, 12, 30)));
    core->SetData_(task, cnLength, "100");
    EXPECT_EQ(End(task), 0);
}

TEST_F(ScheduleTest, RandomWeeksInDayModeCountWorkingDays)
{
    std::mt19937 random(20240304);
    for (int round = 0; round < 12; ++round) {
        core->ActionNewExecute();
        core->ClearHoliday();
        core->SetTimeChartBounds(Day(2023, 1, 1), Day(2026, 12, 31));
        tWeekInfo week;
        do {
            for (TDayInfo &day : week.day) {
                day.active = random() % 10 < 6;
                day.start = TTimeOfDay(360 + int(random() % 180));
                day.ende = TTimeOfDay(day.start.minutes + 480);
                day.length = 480;
            }
        } while (!WeekHasCapacity(week));
        SetWeek(1, week);

        QSet<qint64> blocked;
        for (int h = 0; h < 4; ++h) {
            const int month = 1 + int(random() % 12), day = 1 + int(random() % 28);
            core->AddHoliday("fixed", day, month, true, false);
            for (int year = 2023; year <= 2026; ++year)
                blocked.insert(DayNumber(QDate(year, month, day)));
        }
        const int offset = int(random() % 100) - 50;
        core->AddHoliday("movable", offset, 0, true, true);
        for (int year = 2023; year <= 2026; ++year)
            blocked.insert(DayNumber(Easter(year)) + offset);
        core->updateAutoEntries();
        for (int a = 0; a < 8; ++a) {
            const qint64 first = DayNumber(QDate(2024, 1, 1)) + qint64(random() % 300);
            const int days = 1 + int(random() % 6);
            AddAbsence(a % 3 == 0 ? "Position 1" : "Position 2", double(first), days);
            if (a % 3 != 0)
                for (int k = 0; k < days; ++k)
                    blocked.insert(first + k);
        }

        for (int t = 0; t < 25; ++t) {
            const qint64 start = DayNumber(QDate(2024, 1, 1)) + qint64(random() % 320);
            const int length = 1 + int(random() % 40);
            TNodeData *task = Task("Position 2", double(start), QString::number(length));
            const qint64 day = schedref::DayModeEnd(week, blocked, start, length);
            ASSERT_EQ(qint64(core->GetEndOf(task)), day) << "round " << round << " task " << t;
            EXPECT_TRUE(task->nodeValid);
            // The length of the days from start to the end inclusive is the length again.
            EXPECT_EQ(core->calcLengthOf(tbTable, 1, double(start), double(day + 1)), length * 480);
        }
    }
}

TEST_F(ScheduleTest, RandomWeeksInMinuteModeMatchAMinuteWalk)
{
    std::mt19937 random(4711);
    for (int round = 0; round < 10; ++round) {
        core->ActionNewExecute();
        core->SetMinUnit(muMinute);
        tWeekInfo week;
        do {
            for (TDayInfo &day : week.day) {
                day = TDayInfo();
                day.active = random() % 10 < 7;
                day.start = TTimeOfDay(360 + 5 * int(random() % 36));
                day.length = 60 + 5 * int(random() % 97);
                // Pauses in order inside the working hours, splitting the net time.
                const int pauses = int(random() % 4);
                int cursor = day.start.minutes;
                int left = day.length;
                for (int p = 0; p < pauses; ++p) {
                    const int work = 1 + int(random() % std::max(1, left - (pauses - p)));
                    left -= work;
                    cursor += work;
                    day.pause[std::size_t(p)] = {TTimeOfDay(cursor), 5 + int(random() % 41)};
                    cursor += day.pause[std::size_t(p)].length;
                    if (left <= 0)
                        break;
                }
                int pauseTotal = 0;
                for (const TPauseInfo &pause : day.pause)
                    pauseTotal += pause.length;
                day.ende = TTimeOfDay(day.start.minutes + day.length + pauseTotal);
            }
        } while (!WeekHasCapacity(week));
        SetWeek(0, week);
        QSet<qint64> blocked;
        const qint64 away = DayNumber(QDate(2024, 5, 6)) + qint64(random() % 20);
        AddAbsence("Position 1", double(away), 2);
        blocked.insert(away);
        blocked.insert(away + 1);

        for (int t = 0; t < 20; ++t) {
            const qint64 day0 = DayNumber(QDate(2024, 5, 1)) + qint64(random() % 25);
            const int minute0 = int(random() % 1440);
            const int length = 1 + int(random() % 2000);
            TNodeData *task = Task("Position 1", double(day0) + minute0 / 1440.0,
                                   core->LengthText(tbTable, length));
            const qint64 expected = schedref::MinuteModeEnd(week, blocked, day0, minute0, length);
            const TDateTime end = core->GetEndOf(task);
            ASSERT_EQ(Minutes(end), expected) << "round " << round << " task " << t << " length " << length;
            EXPECT_EQ(core->calcLengthOf(tbTable, 0, double(day0) + minute0 / 1440.0, end), length);
        }
    }
}

TEST_F(ScheduleTest, LengthOfAbsencesAndTheCalendarRow)
{
    core->FDefaultCalcWorkdays = false;
    // Whole days count 480, the rest clock minutes.
    EXPECT_EQ(core->calcLengthOf(tbExclude, 0, Day(2024, 3, 8), Day(2024, 3, 11)), 3 * 480);
    EXPECT_EQ(core->calcLengthOf(tbExclude, 0, Day(2024, 3, 8), At(2024, 3, 9, 2, 0)), 480 + 120);
    core->FDefaultCalcWorkdays = true;
    EXPECT_EQ(core->calcLengthOf(tbExclude, 0, Day(2024, 3, 8), Day(2024, 3, 11)), 480);
    EXPECT_EQ(core->calcLengthOf(tbTable, -9, Day(2024, 3, 8), Day(2024, 3, 11)), 3 * 480);
    EXPECT_EQ(core->calcLengthOf(tbTable, 0, Day(2024, 3, 11), Day(2024, 3, 8)), 0);
}

TEST_F(ScheduleTest, HolidayExpansionPerYear)
{
    core->AddHoliday("Leap", 29, 2, true, false);
    core->AddHoliday("Ash Wednesday", -46, 0, true, true);
    core->AddHoliday("Off", 1, 1, false, false);
    ASSERT_EQ(core->HolidayCount(), 3);
    EXPECT_EQ(core->GetHolidayData(1)->day, -46);
    EXPECT_EQ(core->GetHolidayData(3), nullptr);
    core->updateAutoEntries(); // 2023 .. 2026
    QList<QDate> days;
    for (int i = 0; i < core->FAutoExcludeList.Count(); ++i) {
        const TDateListItem *item = core->FAutoExcludeList.Items(i);
        EXPECT_EQ(item->position, -9);
        EXPECT_EQ(item->ende - item->start, 1);
        days.append(DateTimeToQDate(item->start));
    }
    // 29 February only in 2024; the expansion goes on for the other holiday.
    EXPECT_EQ(days, (QList<QDate>{QDate(2023, 2, 22), QDate(2024, 2, 14), QDate(2024, 2, 29),
                                  QDate(2025, 3, 5), QDate(2026, 2, 18)}));
    core->ClearHoliday();
    core->updateAutoEntries();
    EXPECT_EQ(core->FAutoExcludeList.Count(), 0);
}

TEST(CalendarCheckTest, EasterAndIsoWeeksOverManyYears)
{
    for (int year = 1583; year <= 4099; ++year)
        ASSERT_EQ(DateTimeToQDate(GetEasterSunday(year)), Easter(year)) << year;
    // Known Easter Sundays.
    EXPECT_EQ(DateTimeToQDate(GetEasterSunday(2019)), QDate(2019, 4, 21));
    EXPECT_EQ(DateTimeToQDate(GetEasterSunday(2024)), QDate(2024, 3, 31));
    EXPECT_EQ(DateTimeToQDate(GetEasterSunday(2038)), QDate(2038, 4, 25));
    EXPECT_EQ(DateTimeToQDate(GetEasterSunday(2285)), QDate(2285, 3, 22)); // earliest possible
    for (QDate date(1990, 1, 1); date <= QDate(2060, 12, 31); date = date.addDays(1)) {
        int week = 0;
        int year = 0;
        Date2ISOWeekNo(QDateToDateTime(date), week, year);
        int qtYear = 0;
        const int qtWeek = date.weekNumber(&qtYear);
        ASSERT_EQ(week, qtWeek) << date.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(year, qtYear) << date.toString(Qt::ISODate).toStdString();
    }
}

TEST_F(ScheduleTest, OffsetDeadlineUserDateAndMinUnit)
{
    core->InsertColumn(tbTable, 6);
    core->SetConnection(tbTable, cnTermin, 6);
    TNodeData *task = Task("Position 1", Day(2024, 3, 4), "1");
    core->SetTerminOf(task, Day(2024, 3, 20));
    EXPECT_EQ(core->GetTerminOf(task), Day(2024, 3, 20));
    TNodeData *open = Task("Position 2", Day(2024, 3, 4), "1");
    core->CB_OffsetNode(task, 7);
    core->CB_OffsetNode(open, -3);
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("11.03.2024"));
    EXPECT_EQ(core->GetData_(task, cnTermin), QStringLiteral("27.03.2024"));
    EXPECT_EQ(core->GetData_(open, cnStart), QStringLiteral("01.03.2024"));
    EXPECT_EQ(core->GetData_(open, cnTermin), QString()); // no deadline stays none
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("11.03.2024"));

    core->ClearDelayedFlags();
    core->SetUserdate(At(2024, 6, 1, 15, 30));
    EXPECT_EQ(core->FUserDate, Day(2024, 6, 1));
    EXPECT_TRUE(core->DelayedUpdateBounds());

    const int pageChanges = window.pageChanges;
    core->SetMinUnit(2);
    EXPECT_EQ(core->GetMinUnit(), muDay);
    EXPECT_EQ(window.pageChanges, pageChanges);
    core->SetMinUnit(muMinute);
    EXPECT_EQ(core->GetMinUnit(), muMinute);
    EXPECT_EQ(window.pageChanges, pageChanges + 1);
    // Absent days are whole days in minute mode too.
    TNodeData *away = AddAbsence("Position 1", At(2024, 3, 4, 10, 0), 1);
    core->SetStartOf(away, At(2024, 3, 4, 10, 0));
    EXPECT_EQ(core->GetData_(away, cnStart), QStringLiteral("04.03.2024"));
}

TEST_F(ScheduleTest, AbsentDayEditsMoveTheEndsOfTheirResource)
{
    // Monday 4 March 2024, five days: Friday.
    TNodeData *one = Task("Position 1", Day(2024, 3, 4), "5");
    TNodeData *two = Task("Position 2", Day(2024, 3, 4), "5");
    ASSERT_EQ(core->GetData_(one, cnEnd), QStringLiteral("08.03.2024"));
    TNodeData *away = AddAbsence("Position 1", Day(2024, 3, 6), 2);
    EXPECT_EQ(core->GetData_(one, cnEnd), QStringLiteral("12.03.2024"));
    EXPECT_EQ(core->GetData_(two, cnEnd), QStringLiteral("08.03.2024"));
    // Moved to the other resource: both follow.
    core->SetData_(away, cnPosition, "Position 2");
    EXPECT_EQ(core->GetData_(one, cnEnd), QStringLiteral("08.03.2024"));
    EXPECT_EQ(core->GetData_(two, cnEnd), QStringLiteral("12.03.2024"));
    core->SetData_(away, cnLength, "1");
    EXPECT_EQ(core->GetData_(two, cnEnd), QStringLiteral("11.03.2024"));
    // For everybody.
    core->SetData_(away, cnPosition, "*");
    EXPECT_EQ(core->GetData_(one, cnEnd), QStringLiteral("11.03.2024"));
    EXPECT_EQ(core->GetData_(two, cnEnd), QStringLiteral("11.03.2024"));
    // Gone: back to Friday.
    core->DeleteNode(away, true);
    EXPECT_EQ(core->GetData_(one, cnEnd), QStringLiteral("08.03.2024"));
    EXPECT_EQ(core->GetData_(two, cnEnd), QStringLiteral("08.03.2024"));
    EXPECT_FALSE(one->RecalcEndOf || two->RecalcEndOf);
}

TEST_F(ScheduleTest, MarkedEndsAreComputedBeforeTheyAreReadOrSaved)
{
    TNodeData *task = Task("Position 1", Day(2024, 3, 28), "2");
    ASSERT_EQ(core->GetData_(task, cnEnd), QStringLiteral("29.03.2024"));
    // Holidays changed without a bracket, every end marked as the holiday set-up does.
    core->AddHoliday("Good Friday", -2, 0, true, true);
    core->AddHoliday("Easter Monday", 1, 0, true, true);
    core->ForEach(feAll, &TPlannerCore::CB_SetRecalcEndOf);
    // The next write settles them.
    TNodeData *other = Task("Position 2", Day(2024, 3, 28), "1");
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("02.04.2024"));
    EXPECT_EQ(core->GetData_(other, cnEnd), QStringLiteral("28.03.2024"));

    // Marked inside a bracket and saved before it closes: the saved text has the new end.
    core->BeginUpdate("Loading");
    core->ClearHoliday();
    core->SetData_(other, cnLength, "2");
    core->ForEach(feAll, &TPlannerCore::CB_SetRecalcEndOf);
    const QString saved = QString::fromLatin1(documentFile->SaveToBuffer(false));
    EXPECT_EQ(saved.count(QStringLiteral("<End>2024-03-29&nbsp;00:00:00</End>")), 2);
    EXPECT_FALSE(saved.contains(QStringLiteral("2024-04-02")));
    core->EndUpdate();
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("29.03.2024"));
    EXPECT_EQ(core->GetData_(other, cnEnd), QStringLiteral("29.03.2024"));

    // Marked by someone else outside a write: the idle processing computes it.
    core->AddHoliday("Good Friday", -2, 0, true, true);
    core->SetRecalcEndOf(task, true);
    core->IdleTimerTimer();
    EXPECT_FALSE(task->RecalcEndOf);
    EXPECT_EQ(core->GetData_(task, cnEnd), QStringLiteral("01.04.2024"));
}

TEST(HolidayDaysTest, EveryDayAHolidayFallsOnWhateverIsAsked)
{
    const std::vector<THolidayData> holidays = {{"Leap", 29, 2, true, false},
                                                {"Late", -100, 0, true, true}, // in the year before Easter
                                                {"Early", 280, 0, true, true}, // in the year after
                                                {"Off", 3, 3, false, false},
                                                {"Whit Monday", 50, 0, true, true}};
    QSet<qint64> expected;
    for (int year = 1980; year <= 2070; ++year) {
        if (QDate::isLeapYear(year))
            expected.insert(DayNumber(QDate(year, 2, 29)));
        for (const int offset : {-100, 280, 50})
            expected.insert(DayNumber(Easter(year).addDays(offset)));
    }
    THolidayDays days;
    EXPECT_TRUE(days.SetHolidays(holidays));
    EXPECT_FALSE(days.SetHolidays(holidays));
    // Asked about single days, then about ranges, in no particular order.
    for (qint64 day = DayNumber(QDate(2030, 1, 1)); day >= DayNumber(QDate(1990, 1, 1)); day -= 3)
        ASSERT_EQ(days.Contains(day), expected.contains(day)) << schedref::DateOf(day).toString().toStdString();
    std::vector<qint64> found;
    days.Collect(DayNumber(QDate(2040, 6, 1)), DayNumber(QDate(2060, 6, 1)), found);
    std::vector<qint64> wanted;
    for (const qint64 day : expected)
        if (day >= DayNumber(QDate(2040, 6, 1)) && day < DayNumber(QDate(2060, 6, 1)))
            wanted.push_back(day);
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(found, wanted);
    // Names change no day; switching one off does.
    std::vector<THolidayData> renamed = holidays;
    renamed[0].name = "Leap day";
    EXPECT_FALSE(days.SetHolidays(renamed));
    renamed[0].enabled = false;
    EXPECT_TRUE(days.SetHolidays(renamed));
    EXPECT_FALSE(days.Contains(DayNumber(QDate(2024, 2, 29))));
}
