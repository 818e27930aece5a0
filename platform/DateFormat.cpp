#include "DateFormat.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <mutex>

namespace {

struct Formats
{
    QString shortDate;
    QString shortTime;
    QString longTime;
    bool loaded = false;
};

std::mutex &formatsMutex()
{
    static std::mutex mutex;
    return mutex;
}

Formats &formatsStore()
{
    static Formats formats;
    return formats;
}

// Removes the time-zone field ("t" and its runs) that QLocale's long time pattern carries:
// our times are naive local times.
QString withoutZone(const QString &pattern)
{
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        result += c;
    }
    return result.trimmed();
}

QString localeShortTime() { return withoutZone(QLocale().timeFormat(QLocale::ShortFormat)); }
QString localeLongTime() { return withoutZone(QLocale().timeFormat(QLocale::LongFormat)); }

Formats currentFormats()
{
    std::lock_guard lock(formatsMutex());
    Formats &formats = formatsStore();
    if (!formats.loaded) {
        formats.shortDate = ForceFourDigitYear(QLocale().dateFormat(QLocale::ShortFormat));
        formats.shortTime = localeShortTime();
        formats.longTime = localeLongTime();
        formats.loaded = true;
    }
    return formats;
}

bool isMidnight(TDateTime value) { return TimeOf(value) == 0.0; }

QString formatDate(TDateTime value, const QString &pattern)
{
    return QLocale().toString(DateTimeToQDate(value), pattern);
}

QString formatTime(TDateTime value, const QString &pattern)
{
    int h = 0, m = 0, s = 0, ms = 0;
    DecodeTime(value, h, m, s, ms);
    return QLocale().toString(QTime(h, m, s, ms), pattern);
}

QString padded(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// ---- lenient parser ----

struct Parsed
{
    bool hasDate = false;
    int year = 0, month = 0, day = 0;
    bool hasTime = false;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

struct Field
{
    QString digits; // empty when the field was a month name
    int monthByName = 0;
};

class Cursor
{
public:
    explicit Cursor(const QString &text) : m_text(text) {}
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek(qsizetype ahead = 0) const
    {
        return m_pos + ahead < m_text.size() ? m_text.at(m_pos + ahead) : QChar();
    }
    void skipSpaces()
    {
        while (!atEnd() && peek().isSpace())
            ++m_pos;
    }
    QString takeDigits()
    {
        const qsizetype start = m_pos;
        while (!atEnd() && peek() >= u'0' && peek() <= u'9')
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }
    QString takeLetters()
    {
        const qsizetype start = m_pos;
        while (!atEnd() && (peek().isLetter() || (peek() == u'.' && m_pos > start && isAbbrevDot())))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }
    // A run of digits directly followed by ':' starts a time.
    bool atTime() const
    {
        qsizetype i = m_pos;
        while (i < m_text.size() && m_text.at(i) >= u'0' && m_text.at(i) <= u'9')
            ++i;
        return i > m_pos && i < m_text.size() && m_text.at(i) == u':';
    }
    void advance() { ++m_pos; }

private:
    // "Jan." or "a.m.": a dot inside or after letters that is followed by a letter.
    bool isAbbrevDot() const
    {
        const QChar next = m_pos + 1 < m_text.size() ? m_text.at(m_pos + 1) : QChar();
        return next.isLetter();
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

QString withoutTrailingDots(QString text)
{
    while (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

int monthFromName(const QString &text)
{
    const QString word = withoutTrailingDots(text);
    if (word.size() < 3)
        return 0;
    // A month name matches when it starts with the word; names under three letters (the narrow
    // forms) never do.
    auto matches = [&word](const QString &name) {
        const QString plain = withoutTrailingDots(name);
        return plain.size() >= 3 && plain.startsWith(word, Qt::CaseInsensitive);
    };
    const QLocale locales[] = {QLocale(), QLocale::c()};
    for (const QLocale &locale : locales) {
        for (int m = 1; m <= 12; ++m) {
            for (const auto format : {QLocale::LongFormat, QLocale::ShortFormat, QLocale::NarrowFormat}) {
                if (matches(locale.monthName(m, format)) || matches(locale.standaloneMonthName(m, format)))
                    return m;
            }
        }
    }
    return 0;
}

bool parseTime(Cursor &cursor, Parsed &out)
{
    const QString h = cursor.takeDigits();
    if (h.isEmpty() || h.size() > 2 || cursor.peek() != u':')
        return false;
    cursor.advance();
    const QString n = cursor.takeDigits();
    if (n.isEmpty() || n.size() > 2)
        return false;
    out.hour = h.toInt();
    out.minute = n.toInt();
    out.second = 0;
    out.msec = 0;
    if (cursor.peek() == u':') {
        cursor.advance();
        const QString s = cursor.takeDigits();
        if (s.isEmpty() || s.size() > 2)
            return false;
        out.second = s.toInt();
        if (cursor.peek() == u'.' || cursor.peek() == u',') {
            cursor.advance();
            const QString z = cursor.takeDigits();
            if (z.isEmpty() || z.size() > 3)
                return false;
            out.msec = (z + QStringLiteral("00")).left(3).toInt();
        }
    }
    cursor.skipSpaces();
    if (!cursor.atEnd()) {
        const QString word = cursor.takeLetters();
        if (cursor.peek() == u'.')
            cursor.advance();
        QString plain = word;
        plain.remove(u'.');
        const QLocale locale;
        const bool am = plain.compare(u"am", Qt::CaseInsensitive) == 0 || plain.compare(u"a", Qt::CaseInsensitive) == 0
                        || word.compare(locale.amText(), Qt::CaseInsensitive) == 0;
        const bool pm = plain.compare(u"pm", Qt::CaseInsensitive) == 0 || plain.compare(u"p", Qt::CaseInsensitive) == 0
                        || word.compare(locale.pmText(), Qt::CaseInsensitive) == 0;
        if (!am && !pm)
            return false;
        if (out.hour < 1 || out.hour > 12)
            return false;
        if (am && out.hour == 12)
            out.hour = 0;
        else if (pm && out.hour != 12)
            out.hour += 12;
        cursor.skipSpaces();
        if (!cursor.atEnd())
            return false;
    }
    out.hasTime = true;
    return true;
}

// The order of day, month and year in a pattern, e.g. "dMy" or "Mdy"; quoted text skipped.
QString fieldOrder(const QString &pattern)
{
    QString order;
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if ((c == u'd' || c == u'M' || c == u'y') && !order.contains(c))
            order += c;
    }
    for (const QChar c : {QChar(u'd'), QChar(u'M'), QChar(u'y')})
        if (!order.contains(c))
            order += c;
    return order;
}

int yearFromDigits(const QString &digits)
{
    const int value = digits.toInt();
    if (digits.size() <= 2)
        return value < 30 ? 2000 + value : 1900 + value;
    return value;
}

bool assignFields(const QList<Field> &fields, const QString &order, Parsed &out)
{
    const auto isNumber = [](const Field &f) { return !f.digits.isEmpty(); };
    int nameIndex = -1;
    for (int i = 0; i < fields.size(); ++i) {
        if (!isNumber(fields[i])) {
            if (nameIndex >= 0)
                return false;
            nameIndex = i;
        }
    }
    const auto small = [](const QString &digits) { return digits.size() <= 2; };

    if (fields.size() == 2) {
        out.year = YearOf(Date());
        if (nameIndex >= 0) {
            const Field &number = fields[1 - nameIndex];
            if (!small(number.digits))
                return false;
            out.month = fields[nameIndex].monthByName;
            out.day = number.digits.toInt();
            return true;
        }
        if (!small(fields[0].digits) || !small(fields[1].digits))
            return false;
        const bool dayFirst = order.indexOf(u'd') < order.indexOf(u'M');
        out.day = fields[dayFirst ? 0 : 1].digits.toInt();
        out.month = fields[dayFirst ? 1 : 0].digits.toInt();
        return true;
    }
    if (fields.size() != 3)
        return false;

    if (nameIndex >= 0) {
        QList<QString> numbers;
        for (int i = 0; i < 3; ++i)
            if (i != nameIndex)
                numbers.append(fields[i].digits);
        out.month = fields[nameIndex].monthByName;
        // The long one is the year; otherwise the day comes before the year as in the pattern.
        int yearAt = 1;
        if (!small(numbers[0]))
            yearAt = 0;
        else if (small(numbers[1]) && order.indexOf(u'y') < order.indexOf(u'd'))
            yearAt = 0;
        if (!small(numbers[1 - yearAt]) || numbers[yearAt].size() > 4)
            return false;
        out.day = numbers[1 - yearAt].toInt();
        out.year = yearFromDigits(numbers[yearAt]);
        return true;
    }

    // A leading long number is a year: year-month-day whatever the locale says.
    const QString effective = fields[0].digits.size() >= 3 ? QStringLiteral("yMd") : order;
    for (int i = 0; i < 3; ++i) {
        const QString &digits = fields[i].digits;
        switch (effective.at(i).unicode()) {
        case u'y':
            if (digits.size() > 4)
                return false;
            out.year = yearFromDigits(digits);
            break;
        case u'M':
            if (!small(digits))
                return false;
            out.month = digits.toInt();
            break;
        default:
            if (!small(digits))
                return false;
            out.day = digits.toInt();
            break;
        }
    }
    return true;
}

bool parse(const QString &text, Parsed &out)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    Cursor cursor(trimmed);
    if (cursor.atTime())
        return parseTime(cursor, out);

    QList<Field> fields;
    while (!cursor.atEnd() && fields.size() < 3) {
        cursor.skipSpaces();
        if (cursor.atTime())
            break;
        Field field;
        if (cursor.peek().isDigit()) {
            field.digits = cursor.takeDigits();
            if (field.digits.isEmpty()) // a non-ASCII digit
                return false;
        } else if (cursor.peek().isLetter()) {
            field.monthByName = monthFromName(cursor.takeLetters());
            if (field.monthByName == 0)
                return false;
        } else {
            return false;
        }
        fields.append(field);
        cursor.skipSpaces();
        const QChar c = cursor.peek();
        if (c == u'.' || c == u'/' || c == u'-' || c == u',')
            cursor.advance();
    }
    cursor.skipSpaces();
    // An ISO 'T' between date and time.
    if ((cursor.peek() == u'T' || cursor.peek() == u't') && cursor.peek(1).isDigit()) {
        cursor.advance();
    }
    if (!cursor.atEnd()) {
        if (!cursor.atTime() || !parseTime(cursor, out))
            return false;
    }
    if (!assignFields(fields, fieldOrder(currentFormats().shortDate), out))
        return false;
    out.hasDate = true;
    return true;
}

} // namespace

QString ForceFourDigitYear(const QString &pattern)
{
    QString result;
    bool quoted = false;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            result += c;
            ++i;
            continue;
        }
        if (!quoted && c == u'y') {
            qsizetype run = 0;
            while (i + run < pattern.size() && pattern.at(i + run) == u'y')
                ++run;
            result += run < 4 ? QStringLiteral("yyyy") : pattern.mid(i, run);
            i += run;
            continue;
        }
        result += c;
        ++i;
    }
    return result;
}

QString ShortDateFormat() { return currentFormats().shortDate; }
QString ShortTimeFormat() { return currentFormats().shortTime; }
QString LongTimeFormat() { return currentFormats().longTime; }

void SetDateFormats(const QString &shortDate, const QString &shortTime, const QString &longTime)
{
    Formats formats;
    formats.shortDate = ForceFourDigitYear(shortDate);
    formats.shortTime = shortTime.isEmpty() ? localeShortTime() : shortTime;
    formats.longTime = longTime.isEmpty() ? localeLongTime() : longTime;
    formats.loaded = true;
    std::lock_guard lock(formatsMutex());
    formatsStore() = formats;
}

void ResetDateFormats()
{
    std::lock_guard lock(formatsMutex());
    formatsStore() = Formats();
}

QString DateToStr(TDateTime value) { return formatDate(value, ShortDateFormat()); }

QString TimeToStr(TDateTime value) { return formatTime(value, LongTimeFormat()); }

QString ShortTimeToStr(TDateTime value) { return formatTime(value, ShortTimeFormat()); }

QString DateTimeToStr(TDateTime value)
{
    if (isMidnight(value))
        return DateToStr(value);
    return DateToStr(value) + u' ' + TimeToStr(value);
}

QString DateTimeToShortStr(TDateTime value)
{
    if (isMidnight(value))
        return DateToStr(value);
    return DateToStr(value) + u' ' + ShortTimeToStr(value);
}

QString FormatDateTimeClassic(const QString &format, TDateTime value)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDateTime(value, year, month, day, hour, minute, second, msec);
    const QLocale locale;
    const QDate date(year, month, day);

    // With an am/pm marker anywhere the hours are on the 12-hour clock.
    const QString lower = format.toLower();
    const bool twelve = lower.contains(u"am/pm") || lower.contains(u"a/p") || lower.contains(u"ampm");
    const int shownHour = twelve ? (hour % 12 == 0 ? 12 : hour % 12) : hour;

    QString result;
    bool lastWasHour = false;
    qsizetype i = 0;
    const auto run = [&](QChar letter) {
        qsizetype n = 0;
        while (i + n < format.size() && format.at(i + n).toLower() == letter)
            ++n;
        return n;
    };
    while (i < format.size()) {
        const QChar c = format.at(i);
        const QChar l = c.toLower();
        if (c == u'"' || c == u'\'') {
            const qsizetype end = format.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            result += format.mid(i + 1, stop - i - 1);
            i = end < 0 ? stop : end + 1;
            continue;
        }
        if (l == u'a') {
            const QStringView rest = QStringView(format).mid(i);
            if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
                const QString mark = hour < 12 ? QStringLiteral("am") : QStringLiteral("pm");
                result += rest.at(0).isUpper() ? mark.toUpper() : mark;
                i += 5;
                continue;
            }
            if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
                const QChar mark = hour < 12 ? u'a' : u'p';
                result += rest.at(0).isUpper() ? mark.toUpper() : mark;
                i += 3;
                continue;
            }
            if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
                result += hour < 12 ? locale.amText() : locale.pmText();
                i += 4;
                continue;
            }
        }
        qsizetype n = 0;
        switch (l.unicode()) {
        case u'y':
            n = run(u'y');
            result += n <= 2 ? padded(year % 100, 2) : padded(year, 4);
            lastWasHour = false;
            break;
        case u'm':
            n = run(u'm');
            if (lastWasHour && n <= 2)
                result += n == 1 ? QString::number(minute) : padded(minute, 2);
            else if (n == 1)
                result += QString::number(month);
            else if (n == 2)
                result += padded(month, 2);
            else if (n == 3)
                result += locale.monthName(month, QLocale::ShortFormat);
            else
                result += locale.monthName(month, QLocale::LongFormat);
            lastWasHour = false;
            break;
        case u'd':
            n = run(u'd');
            if (n == 1)
                result += QString::number(day);
            else if (n == 2)
                result += padded(day, 2);
            else if (n == 3)
                result += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else
                result += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
            lastWasHour = false;
            break;
        case u'h':
            n = run(u'h');
            result += n == 1 ? QString::number(shownHour) : padded(shownHour, 2);
            lastWasHour = true;
            break;
        case u'n':
            n = run(u'n');
            result += n == 1 ? QString::number(minute) : padded(minute, 2);
            lastWasHour = false;
            break;
        case u's':
            n = run(u's');
            result += n == 1 ? QString::number(second) : padded(second, 2);
            lastWasHour = false;
            break;
        case u'z':
            n = run(u'z');
            result += n < 3 ? QString::number(msec) : padded(msec, 3);
            lastWasHour = false;
            break;
        default:
            n = 1;
            result += c;
            // A separator between hours and minutes keeps "h:mm" meaning minutes.
            if (c.isLetterOrNumber())
                lastWasHour = false;
            break;
        }
        i += n;
    }
    return result;
}

bool TryStrToDateTime(const QString &text, TDateTime &value)
{
    Parsed parsed;
    if (!parse(text, parsed))
        return false;
    TDateTime date = 0;
    TDateTime time = 0;
    if (parsed.hasDate && !TryEncodeDate(parsed.year, parsed.month, parsed.day, date))
        return false;
    if (parsed.hasTime && !TryEncodeTime(parsed.hour, parsed.minute, parsed.second, parsed.msec, time))
        return false;
    value = date < 0 ? date - time : date + time;
    return true;
}

bool TryStrToDate(const QString &text, TDateTime &value)
{
    Parsed parsed;
    TDateTime time = 0;
    TDateTime date = 0;
    if (!parse(text, parsed) || !parsed.hasDate
        || (parsed.hasTime && !TryEncodeTime(parsed.hour, parsed.minute, parsed.second, parsed.msec, time))
        || !TryEncodeDate(parsed.year, parsed.month, parsed.day, date))
        return false;
    value = date;
    return true;
}

bool TryStrToTime(const QString &text, TDateTime &value)
{
    Parsed parsed;
    TDateTime time = 0;
    if (!parse(text, parsed) || parsed.hasDate || !parsed.hasTime
        || !TryEncodeTime(parsed.hour, parsed.minute, parsed.second, parsed.msec, time))
        return false;
    value = time;
    return true;
}

TDateTime StrToDate(const QString &text)
{
    TDateTime value = 0;
    if (!TryStrToDate(text, value))
        throw EConvertError("'" + text.toStdString() + "' is not a valid date");
    return value;
}

TDateTime StrToDateTime(const QString &text)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value))
        throw EConvertError("'" + text.toStdString() + "' is not a valid date and time");
    return value;
}

TDateTime StrToTime(const QString &text)
{
    TDateTime value = 0;
    if (!TryStrToTime(text, value))
        throw EConvertError("'" + text.toStdString() + "' is not a valid time");
    return value;
}
