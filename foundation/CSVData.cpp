#include "CSVData.h"

#include "Cp1252.h"
#include "Helper.h"

#include <QFile>
#include <QLocale>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <stdexcept>

namespace {

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        return decoder.decode(QByteArrayView(bytes.constData() + 2, bytes.size() - 2));
    }
    return platform::fromCp1252(bytes);
}

} // namespace

void TCSVData::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2")
                                     .arg(fileName, file.errorString())
                                     .toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("Cannot read file \"%1\". %2")
                                     .arg(fileName, file.errorString())
                                     .toStdString());
    LoadFromData(bytes);
}

void TCSVData::LoadFromData(const QByteArray &bytes)
{
    LoadFromText(decodeText(bytes));
}

void TCSVData::LoadFromText(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    bool rowOpen = false; // something of the current row has been read
    bool endedWithBreak = false;
    QChar prev;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        QChar c = text[i];
        endedWithBreak = false;
        if (c == u'\r' || c == u'\n') {
            // CR LF, LF and CR are one line break each.
            if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
                ++i;
            c = u'\n';
            endedWithBreak = true;
            if (quoted) {
                cell += QStringLiteral("\r\n");
            } else {
                row.append(cell);
                cell.clear();
                rows.append(row);
                row.clear();
                rowOpen = false;
                prev = c;
                continue;
            }
        } else if (c == FQuote) {
            quoted = !quoted;
            // A doubled quote gives one; a quote inside a bare field starts quoting.
            if (quoted && prev == FQuote)
                cell += FQuote;
        } else if (!quoted && c == FDelim) {
            row.append(cell);
            cell.clear();
        } else {
            cell += c;
        }
        rowOpen = true;
        prev = c;
    }
    if (rowOpen) {
        // The file ended without a line break or inside an open quote: keep that row, but not
        // the line break that ended the file.
        if (quoted && endedWithBreak && cell.endsWith(QStringLiteral("\r\n")))
            cell.chop(2);
        row.append(cell);
        rows.append(row);
    }

    qsizetype width = 0;
    for (const QStringList &r : std::as_const(rows))
        width = std::max(width, r.size());
    for (QStringList &r : rows) {
        while (r.size() < width)
            r.append(QString());
    }
    FData = std::move(rows);
}

int TCSVData::GetCols() const
{
    return FData.isEmpty() ? 0 : int(FData.first().size());
}

QString TCSVData::GetCell(int col, int row) const
{
    if (row < 0 || row >= FData.size())
        return QString();
    return FData[row].value(col);
}

int TCSVData::FindCol(const QString &name) const
{
    if (FData.isEmpty())
        return -1;
    const QStringList &header = FData.first();
    for (qsizetype col = 0; col < header.size(); ++col) {
        if (SameText(header[col], name))
            return int(col);
    }
    return -1;
}

int TCSVData::FindRow(int col, const QString &text) const
{
    if (col < 0 || col >= GetCols())
        return -1;
    for (qsizetype row = 1; row < FData.size(); ++row) {
        if (SameText(FData[row][col], text))
            return int(row);
    }
    return -1;
}

int TCSVData::FindRowRelaxed(int col, const QString &text, bool &ambiguous) const
{
    ambiguous = false;
    if (col < 0 || col >= GetCols())
        return -1;
    const QLocale locale;
    const QString wanted = locale.toUpper(text);
    int found = -1;
    for (qsizetype row = 1; row < FData.size(); ++row) {
        if (locale.toUpper(FData[row][col]).contains(wanted)) {
            if (found >= 0)
                ambiguous = true;
            found = int(row);
        }
    }
    return found;
}

bool TCSVData::HasUniqueRows(int col) const
{
    if (col < 0 || col >= GetCols())
        return true;
    QSet<QString> seen;
    for (qsizetype row = 1; row < FData.size(); ++row) {
        const QString &value = FData[row][col];
        if (value.isEmpty())
            continue;
        if (seen.contains(value))
            return false;
        seen.insert(value);
    }
    return true;
}
