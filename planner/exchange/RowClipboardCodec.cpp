#include "exchange/RowClipboardCodec.h"

#include <algorithm>

namespace {

constexpr QChar Tab = u'\t';
constexpr QChar Quote = u'"';
constexpr QChar Cr = u'\r';
constexpr QChar Lf = u'\n';

bool EndsField(QChar c)
{
    return c == Tab || c == Cr || c == Lf;
}

// Reads a quoted field from its opening quote; false when the quote never closes.
bool ReadQuoted(const QString &text, qsizetype &pos, QString &field)
{
    const qsizetype size = text.size();
    QString value;
    for (qsizetype i = pos + 1; i < size; ++i) {
        if (text[i] != Quote) {
            value += text[i];
            continue;
        }
        if (i + 1 < size && text[i + 1] == Quote) {
            value += Quote;
            ++i;
            continue;
        }
        // Whatever follows the closing quote up to the field's end belongs to the field.
        qsizetype end = i + 1;
        while (end < size && !EndsField(text[end]))
            ++end;
        value += QStringView(text).mid(i + 1, end - i - 1);
        field = value;
        pos = end;
        return true;
    }
    return false;
}

} // namespace

QString TRowClipboardCodec::QuotedCell(const QString &cell)
{
    const bool plain = std::none_of(cell.cbegin(), cell.cend(), [](QChar c) { return EndsField(c) || c == Quote; });
    if (plain)
        return cell;
    QString quoted = cell;
    quoted.replace(Quote, QStringLiteral("\"\""));
    return Quote + quoted + Quote;
}

QString TRowClipboardCodec::Encode(const TRows &rows)
{
    QString text;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += Tab;
            text += QuotedCell(row[i]);
        }
        text += QStringLiteral("\r\n");
    }
    return text;
}

TRowClipboardCodec::TRows TRowClipboardCodec::Decode(const QString &text)
{
    TRows rows;
    const qsizetype size = text.size();
    qsizetype pos = 0;
    QStringList row;
    while (pos < size) {
        // At the start of a field.
        QString field;
        if (text[pos] != Quote || !ReadQuoted(text, pos, field)) {
            const qsizetype start = pos;
            while (pos < size && !EndsField(text[pos]))
                ++pos;
            field = text.mid(start, pos - start);
        }
        row.append(field);
        if (pos >= size)
            break;
        if (text[pos] == Tab) {
            ++pos;
            // A tab closing the text still opens one (empty) last field.
            if (pos == size)
                row.append(QString());
            continue;
        }
        // A line end: CR LF, LF or CR.
        if (text[pos] == Cr && pos + 1 < size && text[pos + 1] == Lf)
            ++pos;
        ++pos;
        rows.append(row);
        row.clear();
    }
    if (!row.isEmpty())
        rows.append(row);
    return rows;
}

int TRowClipboardCodec::PasteableRows(const TRows &rows, int columns)
{
    qsizetype widest = 0;
    for (const QStringList &row : rows)
        widest = std::max(widest, row.size());
    return widest == columns && !rows.isEmpty() ? int(rows.size()) : 0;
}

void TRowClipboardCodec::MapPositions(TRows &rows, int column, const QStringList &groupNames)
{
    if (column < 0)
        return;
    // Every number is read first, so that no row is mapped unless all of them can be.
    qint64 largest = 0;
    for (const QStringList &row : rows) {
        bool ok = false;
        const int number = row.value(column).toInt(&ok);
        if (ok && number != AllRows)
            largest = std::max<qint64>(largest, number);
    }
    const qint64 count = groupNames.size();
    const qint64 offset = largest >= count ? largest - count + 1 : 0;
    for (QStringList &row : rows) {
        if (column >= row.size())
            continue;
        bool ok = false;
        const int number = row[column].toInt(&ok);
        if (!ok)
            continue;
        if (number == AllRows) {
            row[column] = QStringLiteral("*");
            continue;
        }
        const qint64 index = number - offset;
        row[column] = index >= 0 && index < count ? groupNames[index] : QString();
    }
}
