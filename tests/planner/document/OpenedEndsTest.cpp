// Ends after opening: hand-written documents with fixed and Easter holidays around today,
// tasks and absent days crossing them, opened in a main window that held another document
// with other holidays, then saved at once. Every end is compared with one worked out here,
// apart from the program.

#include "planner/CoreTestSupport.h"
#include "planner/ScheduleReference.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <random>

#include "CommaText.h"
#include "Version.h"
#include "XmlEscape.h"
#include "XmlTree.h"

namespace {

using schedref::DateOf;
using schedref::DayNumber;

struct TPositionSpec
{
    QString name;
    tWeekInfo week;
};

struct THolidaySpec
{
    QString name;
    int day;
    int month;
    bool enabled;
    bool easter;
};

struct TRowSpec
{
    QString id;
    bool task = true;
    QString position;
    qint64 day = 0;
    int minute = 0;
    int length = 0; // minutes for tasks in minute mode, else days
    bool workDays = true;
    QString storedEnd; // storage text written into the file, may be wrong or empty
};

struct TDocumentSpec
{
    TMinUnit unit = muDay;
    QList<TPositionSpec> positions;
    QList<THolidaySpec> holidays;
    QList<TRowSpec> rows;
};

QString Storage(qint64 day, int minute)
{
    return QDateTime(DateOf(day), QTime(minute / 60, minute % 60)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString Element(const QString &name, const QString &value)
{
    return QStringLiteral("<%1>%2</%1>").arg(XMLEscape(name), XMLEscape(value));
}

QString LengthText(const TDocumentSpec &doc, const TRowSpec &row)
{
    if (doc.unit == muMinute && row.task)
        return QString::number(row.length / 60) + QLatin1Char(',') + QString::number(row.length % 60);
    return QString::number(row.length);
}

// The document as a file would hold it, written by hand rather than by the program.
QString DocumentText(const TDocumentSpec &doc)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<document><setup>");
    text += Element(QStringLiteral("Version"), QString::number(platform::versionMajor()));
    text += Element(QStringLiteral("SubVersion"), QString::number(platform::versionMinor()));
    text += Element(QStringLiteral("MinUnit"), QString::number(int(doc.unit)));
    text += QStringLiteral("<Connections>");
    const QStringList connected = {QStringLiteral("Position"), QStringLiteral("Start"), QStringLiteral("End"),
                                   QStringLiteral("Length"), QStringLiteral("Color")};
    for (int i = 0; i < connected.size(); ++i)
        text += Element(connected[i], QString::number(i));
    text += QStringLiteral("</Connections><Headers>");
    QStringList positions;
    for (const TPositionSpec &position : doc.positions)
        positions << CommaTextOf({position.name, WeekInfo2String(position.week), QStringLiteral("1")});
    const QStringList captions = {QStringLiteral("Position"), QStringLiteral("Start"), QStringLiteral("End"),
                                  QStringLiteral("Length"), QStringLiteral("State")};
    const QList<int> types = {ctPulldown, ctDate, ctDate, ctNumber, ctPulldown};
    for (int i = 0; i < captions.size(); ++i) {
        text += QStringLiteral("<%1>").arg(i);
        text += Element(QStringLiteral("Caption"), captions[i]);
        text += Element(QStringLiteral("Type"), QString::number(types[i]));
        text += Element(QStringLiteral("Strings"), i == 0 ? CommaTextOf(positions) : i == 4 ? QStringLiteral("open") : QString());
        text += QStringLiteral("</%1>").arg(i);
    }
    text += QStringLiteral("</Headers><Public&nbsp;Holiday>");
    for (int i = 0; i < doc.holidays.size(); ++i) {
        const THolidaySpec &h = doc.holidays[i];
        text += QStringLiteral("<%1>").arg(i) + Element(QStringLiteral("Name"), h.name)
                + Element(QStringLiteral("Day"), QString::number(h.day))
                + Element(QStringLiteral("Month"), QString::number(h.month))
                + Element(QStringLiteral("Enabled"), h.enabled ? QStringLiteral("1") : QStringLiteral("0"))
                + Element(QStringLiteral("Easter"), h.easter ? QStringLiteral("1") : QStringLiteral("0"))
                + QStringLiteral("</%1>").arg(i);
    }
    text += QStringLiteral("</Public&nbsp;Holiday></setup><data>");
    for (const TRowSpec &row : doc.rows) {
        text += QStringLiteral("<new id=\"%1\">").arg(row.id);
        text += Element(QStringLiteral("__table__"), row.task ? QStringLiteral("tbTable") : QStringLiteral("tbExclude"));
        text += Element(QStringLiteral("Position"), row.position);
        text += Element(QStringLiteral("Start"), Storage(row.day, row.minute));
        text += Element(QStringLiteral("End"), row.storedEnd);
        text += Element(QStringLiteral("Length"), LengthText(doc, row));
        if (!row.task)
            text += Element(QStringLiteral("Working Days"), row.workDays ? QStringLiteral("Ja") : QStringLiteral("Nein"));
        text += QStringLiteral("</new>");
    }
    text += QStringLiteral("</data><diff index=\"0\" /></document>\r\n");
    return text;
}

tWeekInfo Week(std::initializer_list<int> days, int start, int length, QList<TPauseInfo> pauses = {})
{
    tWeekInfo week;
    int pauseTotal = 0;
    for (const TPauseInfo &pause : pauses)
        pauseTotal += pause.length;
    for (TDayInfo &day : week.day) {
        day.start = TTimeOfDay(start);
        day.length = length;
        for (int p = 0; p < pauses.size(); ++p)
            day.pause[std::size_t(p)] = pauses[p];
        day.ende = TTimeOfDay(start + length + pauseTotal);
    }
    for (const int d : days)
        week[d].active = true;
    return week;
}

// The expected end of every row, worked out here: (day, minute) of the end cell.
QHash<QString, std::pair<qint64, int>> ExpectedEnds(const TDocumentSpec &doc)
{
    QSet<qint64> holidays;
    const int year = QDate::currentDate().year();
    for (const THolidaySpec &h : doc.holidays) {
        if (!h.enabled)
            continue;
        for (int y = year - 12; y <= year + 12; ++y) { // every year any plan here reaches
            const QDate date = h.easter ? schedref::Easter(y).addDays(h.day) : QDate(y, h.month, h.day);
            if (date.isValid())
                holidays.insert(DayNumber(date));
        }
    }
    auto weekOf = [&](const QString &name) {
        for (const TPositionSpec &position : doc.positions)
            if (position.name == name)
                return position.week;
        return DefaultWeekInfo(); // "*"
    };
    QHash<QString, std::pair<qint64, int>> ends;
    QHash<QString, QSet<qint64>> absent; // per position, "*" for all
    for (const TRowSpec &row : doc.rows) {
        if (row.task)
            continue;
        const qint64 end = row.workDays ? schedref::DayModeEnd(weekOf(row.position), holidays, row.day, row.length)
                                        : row.day + row.length - 1;
        ends.insert(row.id, {end, 0});
        for (qint64 d = row.day; d <= end; ++d)
            absent[row.position].insert(d);
    }
    for (const TRowSpec &row : doc.rows) {
        if (!row.task)
            continue;
        const QSet<qint64> blocked = holidays + absent.value(row.position) + absent.value(QStringLiteral("*"));
        if (doc.unit == muDay) {
            ends.insert(row.id, {schedref::DayModeEnd(weekOf(row.position), blocked, row.day, row.length), 0});
        } else {
            const qint64 minutes = schedref::MinuteModeEnd(weekOf(row.position), blocked, row.day, row.minute, row.length);
            ends.insert(row.id, {minutes / 1440, int(minutes % 1440)});
        }
    }
    return ends;
}

// Tasks of Anna, Ben and Cleo starting on random days of [first, first + span), of up to
// `days` days in day mode; every `longEvery`-th runs for months (none when 0).
struct TTaskRun
{
    QString prefix;
    int count;
    qint64 first;
    qint64 span;
    int days;
    int longEvery;
};

void AppendTasks(TDocumentSpec &doc, std::mt19937 &random, const TTaskRun &run)
{
    const QStringList names = {QStringLiteral("Anna"), QStringLiteral("Ben"), QStringLiteral("Cleo")};
    for (int i = 0; i < run.count; ++i) {
        const bool runsLong = run.longEvery > 0 && i % run.longEvery == 0;
        TRowSpec row;
        row.id = run.prefix + QLatin1Char('.') + QString::number(i);
        row.position = names[int(random() % 3)];
        row.day = run.first + qint64(random() % quint32(run.span));
        if (doc.unit == muMinute) {
            row.minute = 5 * int(random() % 288);
            row.length = 15 + 5 * int(random() % (runsLong ? 20000 : 600));
        } else {
            row.length = 1 + int(random() % quint32(runsLong ? 400 : run.days));
        }
        doc.rows.append(row);
    }
}

// A document around today: holidays on days a few days ahead (fixed and Easter-based), one
// switched off, absent days of one resource, of all, and counted in working days.
TDocumentSpec DocumentNearToday(TMinUnit unit, quint32 seed)
{
    TDocumentSpec doc;
    doc.unit = unit;
    const QDate today = QDate::currentDate();
    const qint64 t = DayNumber(today);
    doc.positions = {
        {QStringLiteral("Anna"), DefaultWeekInfo()},
        {QStringLiteral("Ben"), Week({1, 2, 3, 4, 5, 6}, 360, 420, {{TTimeOfDay(600), 20}})},
        {QStringLiteral("Cleo"), Week({2, 3, 4}, 480, 300)},
    };
    const QDate fixed1 = today.addDays(3);
    const QDate fixed2 = today.addDays(17);
    const QDate off = today.addDays(5);
    const QDate movable = today.addDays(8);
    doc.holidays = {
        {QStringLiteral("Founding Day"), fixed1.day(), fixed1.month(), true, false},
        {QStringLiteral("Switched off"), off.day(), off.month(), false, false},
        {QStringLiteral("Harvest Day"), fixed2.day(), fixed2.month(), true, false},
        {QStringLiteral("Procession"), int(schedref::Easter(movable.year()).daysTo(movable)), 0, true, true},
        {QStringLiteral("Good Friday"), -2, 0, true, true},
        {QStringLiteral("Whit Monday"), 50, 0, true, true},
    };
    doc.rows = {
        {QStringLiteral("abs.1"), false, QStringLiteral("Anna"), t + 4, 0, 3, false, {}},
        {QStringLiteral("abs.2"), false, QStringLiteral("*"), t + 14, 0, 1, true, {}},
        {QStringLiteral("abs.3"), false, QStringLiteral("Ben"), t + 6, 0, 4, true, Storage(t + 9, 0)},
        {QStringLiteral("abs.4"), false, QStringLiteral("Cleo"), t - 3, 0, 10, true, Storage(t, 0)},
    };
    std::mt19937 random(seed);
    AppendTasks(doc, random, {QStringLiteral("task"), 40, t - 10, 36, 12, 0});
    // Some stored ends are right, some wrong, some missing.
    const auto expected = ExpectedEnds(doc);
    for (int i = 0; i < doc.rows.size(); ++i) {
        TRowSpec &row = doc.rows[i];
        if (!row.task)
            continue;
        const auto end = expected.value(row.id);
        if (i % 3 == 0)
            row.storedEnd = Storage(end.first, end.second);
        else if (i % 3 == 1)
            row.storedEnd = Storage(row.day, row.minute);
    }
    return doc;
}

// The same resources, holidays and absent days, and many more tasks over some eight years in
// random order, some running past the last start: each resource's calendar is asked far
// before and after what it covers.
TDocumentSpec DocumentOverYears(TMinUnit unit, quint32 seed)
{
    TDocumentSpec doc = DocumentNearToday(unit, seed);
    const qint64 t = DayNumber(QDate::currentDate());
    std::mt19937 random(seed);
    AppendTasks(doc, random, {QStringLiteral("far"), 300, t - 1500, 3000, 20, 10});
    return doc;
}

// Another document: the same resources with other weeks, other holidays (one tomorrow), far
// from today.
TDocumentSpec EarlierDocument()
{
    TDocumentSpec doc;
    const QDate tomorrow = QDate::currentDate().addDays(1);
    doc.positions = {{QStringLiteral("Anna"), Week({0, 1, 2, 3, 4, 5, 6}, 420, 480)},
                     {QStringLiteral("Ben"), DefaultWeekInfo()},
                     {QStringLiteral("Cleo"), DefaultWeekInfo()}};
    doc.holidays = {{QStringLiteral("Tomorrow"), tomorrow.day(), tomorrow.month(), true, false},
                    {QStringLiteral("Easter Monday"), 1, 0, true, true}};
    const qint64 day = DayNumber(QDate(2012, 5, 2));
    doc.rows = {{QStringLiteral("old.1"), true, QStringLiteral("Anna"), day, 0, 5, true, {}},
                {QStringLiteral("old.2"), false, QStringLiteral("Ben"), day, 0, 2, true, {}}};
    return doc;
}

class OpenedEndsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TScriptedMainForm>(mrCancel);
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }

    QString Write(const QString &name, const TDocumentSpec &doc)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testsupport::writeFile(path, DocumentText(doc).toLatin1()));
        return path;
    }

    static QString CellText(TMinUnit unit, std::pair<qint64, int> end)
    {
        QString text = DateOf(end.first).toString(QStringLiteral("dd.MM.yyyy"));
        if (unit == muMinute && end.second != 0)
            text += QTime(end.second / 60, end.second % 60).toString(QStringLiteral(" HH:mm"));
        return text;
    }

    // Every row's end cell as expected, and no row left to compute.
    void ExpectEnds(const TDocumentSpec &doc, const char *when)
    {
        TPlannerCore &core = form->Core();
        const auto expected = ExpectedEnds(doc);
        int rows = 0;
        for (TWhichTable table : {tbTable, tbExclude})
            core.ForEach(table, feAll, [&](TNodeData *node) {
                const QString id = node->ID.Value();
                if (!expected.contains(id))
                    return;
                ++rows;
                EXPECT_EQ(core.GetData_(node, cnEnd), CellText(doc.unit, expected.value(id))) << when << " " << id.toStdString();
                EXPECT_FALSE(node->RecalcEndOf) << when << " " << id.toStdString();
                EXPECT_TRUE(node->nodeValid) << when << " " << id.toStdString();
            });
        EXPECT_EQ(rows, expected.size()) << when;
    }

    // The ends the file on disk holds, as the storage texts of every row.
    void ExpectSavedEnds(const QString &path, const TDocumentSpec &doc, const char *when)
    {
        TXMLTree tree;
        tree.LoadFromFile(path);
        const TXMLNode *data = tree.namedNode(QStringList{QStringLiteral("document"), QStringLiteral("data")});
        ASSERT_NE(data, nullptr) << when;
        const auto expected = ExpectedEnds(doc);
        int rows = 0;
        for (const auto &row : data->Nodes()) {
            const QString id = row->namedAttribute(QStringLiteral("id"))->GetValue();
            if (!expected.contains(id))
                continue;
            ++rows;
            const auto end = expected.value(id);
            EXPECT_EQ(TXMLNode::ValueOf(row->namedNode(QStringLiteral("End"))), Storage(end.first, end.second))
                << when << " " << id.toStdString();
        }
        EXPECT_EQ(rows, expected.size()) << when;
    }

    void OpenSaveAndAdd(TMinUnit unit)
    {
        const TDocumentSpec earlier = EarlierDocument();
        const TDocumentSpec doc = DocumentNearToday(unit, unit == muDay ? 11 : 12);
        form->Open(Write(QStringLiteral("earlier.zop"), earlier));
        ASSERT_EQ(form->Core().GetTableRowCount(tbTable), 1);
        const QString path = Write(QStringLiteral("plan.zop"), doc);
        form->Open(path);
        EXPECT_TRUE(form->questions.isEmpty()) << form->questions.join(QLatin1Char('|')).toStdString();
        ASSERT_EQ(form->Core().GetMinUnit(), unit);
        ExpectEnds(doc, "opened");

        // Saved at once: the file holds the same ends.
        ASSERT_TRUE(form->File().ActionSaveExecute());
        ExpectSavedEnds(path, doc, "saved");

        // Edit > New Entry, then Save: the other rows keep their ends.
        form->ActionAddNode->trigger();
        EXPECT_EQ(form->Core().GetTableRowCount(tbTable), 41);
        ASSERT_TRUE(form->File().ActionSaveExecute());
        ExpectSavedEnds(path, doc, "saved after a new entry");
        ExpectEnds(doc, "after a new entry");
    }

    QTemporaryDir dir;
    std::unique_ptr<TScriptedMainForm> form;
};

} // namespace

TEST_F(OpenedEndsTest, DayModeDocumentAroundToday)
{
    OpenSaveAndAdd(muDay);
}

TEST_F(OpenedEndsTest, MinuteModeDocumentAroundToday)
{
    OpenSaveAndAdd(muMinute);
}

TEST_F(OpenedEndsTest, SavedInsideTheOpeningWhenTheWorkingCopyDiffers)
{
    const TDocumentSpec doc = DocumentNearToday(muDay, 13);
    const QString path = Write(QStringLiteral("plan.zop"), doc);
    form->Open(path); // makes the working folder and its copy
    ExpectEnds(doc, "first opening");
    form->Open(Write(QStringLiteral("earlier.zop"), EarlierDocument()));

    // Changed behind the program's back: the file differs from the working copy. Reading the
    // file itself saves it again while the opening is still under way.
    TDocumentSpec changed = doc;
    changed.rows.removeLast();
    Write(QStringLiteral("plan.zop"), changed);
    form->answers = {mrNo};
    form->Open(path);
    ASSERT_EQ(form->questions.size(), 1);
    EXPECT_EQ(form->questions[0],
              QStringLiteral("The file does not match the working copy.\nOpen the latest Working copy instead?"));
    ExpectSavedEnds(path, changed, "saved while opening");
    ExpectEnds(changed, "second opening");
}

TEST_F(OpenedEndsTest, TasksSpreadOverYears)
{
    for (const TMinUnit unit : {muDay, muMinute}) {
        const TDocumentSpec doc = DocumentOverYears(unit, unit == muDay ? 21 : 22);
        form->Open(Write(unit == muDay ? QStringLiteral("years-day.zop") : QStringLiteral("years-minute.zop"), doc));
        ASSERT_EQ(form->Core().GetMinUnit(), unit);
        ASSERT_EQ(form->Core().GetTableRowCount(tbTable), 340);
        ExpectEnds(doc, unit == muDay ? "day mode" : "minute mode");
    }
}
