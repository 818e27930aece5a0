#include "core/DateTexts.h"

#include <QDate>
#include <QLocale>

#include "DateFormat.h"
#include "Helper.h"

namespace {

// A document of odd texts everywhere must not grow the table without end.
constexpr qsizetype MaxRemembered = 200000;
// A pattern of at most 24 characters writes at most 48 (no field is wider than twice its
// letters); date, blank and time fit 128.
constexpr qsizetype MaxPattern = 24;
constexpr int BufferSize = 128;

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The digits at `at`, at most `most` of them; -1 when there is none.
int TakeNumber(QStringView text, qsizetype &at, int most, int &digits)
{
    int value = 0;
    digits = 0;
    while (at < text.size() && IsDigit(text[at]) && digits < most + 1) {
        value = value * 10 + (text[at].unicode() - u'0');
        ++digits;
        ++at;
    }
    return digits == 0 || digits > most ? -1 : value;
}

// The order of d, M and y in a date pattern, quoted text left out, missing ones appended.
QString FieldOrder(const QString &pattern)
{
    QString order;
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (c == u'd' || c == u'M' || c == u'y') && !order.contains(c))
            order += c;
    }
    for (const QChar c : {QChar(u'd'), QChar(u'M'), QChar(u'y')})
        if (!order.contains(c))
            order += c;
    return order;
}

} // namespace

bool TDateTexts::Compile(const QString &pattern, bool time, QList<TPiece> &pieces)
{
    pieces.clear();
    // Short patterns only: their texts fit the buffers of FastWrite.
    if (pattern.size() > MaxPattern)
        return false;
    for (qsizetype i = 0; i < pattern.size();) {
        const char16_t c = pattern[i].unicode();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == pattern[i])
            ++run;
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (c == u'\'' || c > 0x7F)
            return false; // quoted or foreign text: the general road
        if (!letter) {
            if (pieces.isEmpty() || pieces.last().field != 0)
                pieces.append(TPiece());
            pieces.last().text += pattern.mid(i, run);
        } else {
            const bool known = time ? ((c == u'H' || c == u'm' || c == u's') && run <= 2)
                                    : (((c == u'd' || c == u'M') && run <= 2) || (c == u'y' && (run == 2 || run == 4)));
            if (!known)
                return false; // names, 12-hour clocks, fractions, zones
            pieces.append(TPiece{c, int(run), QString()});
        }
        i += run;
    }
    return true;
}

void TDateTexts::Validate(TMinUnit unit)
{
    const QString shortDate = ShortDateFormat();
    const QString shortTime = ShortTimeFormat();
    const QString longTime = LongTimeFormat();
    // A text without a year means the current year.
    const qint64 today = QDate(1899, 12, 30).daysTo(QDate::currentDate());
    if (FValid && unit == FUnit && today == FToday && shortDate == FShortDate && shortTime == FShortTime
        && longTime == FLongTime)
        return;
    FRead.clear();
    FWritten.clear();
    ++FGeneration;
    FUnit = unit;
    FToday = today;
    FShortDate = shortDate;
    FShortTime = shortTime;
    FLongTime = longTime;
    FOrder = FieldOrder(shortDate);
    // Numbers in other digits than 0-9 take the general road.
    FFastWrite = QLocale().zeroDigit() == QStringLiteral("0") && Compile(shortDate, false, FDatePieces)
                 && Compile(shortTime, true, FTimePieces);
    FValid = true;
}

// ---- reading

bool TDateTexts::FastRead(QStringView text, TDateTime &value) const
{
    // Three numbers apart by one of . / - and, after a blank, h:mm or h:mm:ss; nothing else.
    qsizetype at = 0;
    int numbers[3] = {};
    int widths[3] = {};
    for (int i = 0; i < 3; ++i) {
        numbers[i] = TakeNumber(text, at, 4, widths[i]);
        if (numbers[i] < 0)
            return false;
        if (i < 2) {
            if (at >= text.size() || (text[at] != u'.' && text[at] != u'/' && text[at] != u'-'))
                return false;
            ++at;
        }
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool timed = false;
    if (at < text.size()) {
        int digits = 0;
        if (text[at] != u' ' || ++at >= text.size() || (hour = TakeNumber(text, at, 2, digits)) < 0
            || at >= text.size() || text[at] != u':' || (minute = TakeNumber(text, ++at, 2, digits)) < 0)
            return false;
        if (at < text.size() && (text[at] != u':' || (second = TakeNumber(text, ++at, 2, digits)) < 0))
            return false;
        if (at != text.size())
            return false;
        timed = true;
    }
    // A leading long number is a year; otherwise the pattern's order.
    const QString order = widths[0] >= 3 ? QStringLiteral("yMd") : FOrder;
    int year = 0;
    int month = 0;
    int day = 0;
    for (int i = 0; i < 3; ++i) {
        switch (order[i].unicode()) {
        case u'y':
            year = widths[i] <= 2 ? (numbers[i] < 30 ? 2000 + numbers[i] : 1900 + numbers[i]) : numbers[i];
            break;
        case u'M':
            if (widths[i] > 2)
                return false;
            month = numbers[i];
            break;
        default:
            if (widths[i] > 2)
                return false;
            day = numbers[i];
            break;
        }
    }
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(year, month, day, date) || (timed && !TryEncodeTime(hour, minute, second, 0, time)))
        return false;
    value = date < 0 ? date - time : date + time;
    return true;
}

bool TDateTexts::Read(const QString &text, TDateTime &value)
{
    if (FastRead(text, value))
        return true;
    const auto found = FRead.constFind(text);
    if (found != FRead.constEnd()) {
        value = found->value;
        return found->ok;
    }
    TRead read;
    read.ok = TryStrToDateTime(text, read.value);
    if (FRead.size() >= MaxRemembered)
        FRead.clear();
    FRead.insert(text, read);
    value = read.value;
    return read.ok;
}

// ---- writing

int TDateTexts::Append(char16_t *out, const QList<TPiece> &pieces, const int (&fields)[6])
{
    int length = 0;
    for (const TPiece &piece : pieces) {
        int value = 0;
        switch (piece.field) {
        case 0:
            for (const QChar c : piece.text)
                out[length++] = c.unicode();
            continue;
        case u'd': value = fields[0]; break;
        case u'M': value = fields[1]; break;
        case u'y': value = piece.width == 2 ? fields[2] % 100 : fields[2]; break;
        case u'H': value = fields[3]; break;
        case u'm': value = fields[4]; break;
        default: value = fields[5]; break;
        }
        const int width = piece.field == u'y' ? piece.width : (piece.width == 2 ? 2 : 1);
        char16_t digits[4];
        int n = 0;
        for (int v = value; n == 0 || v > 0; v /= 10)
            digits[n++] = char16_t(u'0' + v % 10);
        for (int pad = n; pad < width; ++pad)
            out[length++] = u'0';
        while (n > 0)
            out[length++] = digits[--n];
    }
    return length;
}

int TDateTexts::FastWrite(TDateTime value, char16_t *out) const
{
    int fields[6] = {};
    DecodeDate(value, fields[2], fields[1], fields[0]);
    if (!FFastWrite || fields[2] < 1 || fields[2] > 9999)
        return -1;
    int length = Append(out, FDatePieces, fields);
    if (FUnit == muMinute && TimeOf(value) != 0.0) {
        int msec = 0;
        DecodeTime(value, fields[3], fields[4], fields[5], msec);
        out[length++] = u' ';
        length += Append(out + length, FTimePieces, fields);
    }
    return length;
}

QString TDateTexts::Write(TDateTime value)
{
    char16_t text[BufferSize];
    const int length = FastWrite(value, text);
    if (length >= 0)
        return QString(reinterpret_cast<const QChar *>(text), length);
    return SlowWrite(value);
}

const QString &TDateTexts::SlowWrite(TDateTime value) const
{
    // Patterns with month names and the like: each date's text is made once.
    const auto found = FWritten.constFind(value);
    if (found != FWritten.constEnd())
        return *found;
    if (FWritten.size() >= MaxRemembered)
        FWritten.clear();
    return *FWritten.insert(value, FUnit == muMinute ? DateTimeToShortStr(value) : DateToStr(value));
}

bool TDateTexts::IsWritten(const QString &text, TDateTime value) const
{
    char16_t written[BufferSize];
    const int length = FastWrite(value, written);
    if (length >= 0)
        return QStringView(written, length) == QStringView(text);
    return text == SlowWrite(value);
}
