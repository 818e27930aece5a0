#include "WorkbookReader.h"

#include <QFile>
#include <QStringDecoder>

#include <zip.h>

#include <algorithm>
#include <charconv>

#include "DateTime.h"
#include "Workbook.h"
#include "XmlScanner.h"

namespace platform {

namespace {

const QLatin1String kRelationshipsOfficeDocument("/officeDocument");
const QLatin1String kRelationshipsSharedStrings("/sharedStrings");
const QLatin1String kRelationshipsStyles("/styles");

// The folder part of a part name ("xl/" of "xl/workbook.xml").
QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

// A relationship's target as a part name: relative to the source part's folder, or from the
// package root when it starts with "/"; "." and ".." steps resolved.
QString resolveTarget(const QString &sourcePart, const QString &target)
{
    const QString path = target.startsWith(u'/') ? target.mid(1) : folderOf(sourcePart) + target;
    QStringList steps;
    for (const QString &step : path.split(u'/', Qt::SkipEmptyParts)) {
        if (step == QLatin1String("."))
            continue;
        if (step == QLatin1String("..")) {
            if (!steps.isEmpty())
                steps.removeLast();
            continue;
        }
        steps.append(step);
    }
    return steps.join(u'/');
}

QString relationshipsPartOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

bool parseDouble(QByteArrayView text, double &value)
{
    text = text.trimmed();
    if (text.isEmpty())
        return false;
    if (text.startsWith('+'))
        text = text.sliced(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool parseIndex(QByteArrayView text, qint64 &value)
{
    text = text.trimmed();
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.isEmpty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// "B12" -> column 1, row 11. False when it is no reference inside a sheet.
bool parseCellReference(QByteArrayView ref, int &row, int &column)
{
    qsizetype i = 0;
    qint64 col = 0;
    while (i < ref.size() && i < 4 && ref[i] >= 'A' && ref[i] <= 'Z')
        col = col * 26 + (ref[i++] - 'A' + 1);
    if (i == 0 || col > WorkbookMaxColumns)
        return false;
    qint64 r = 0;
    const qsizetype digits = i;
    while (i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && i - digits < 8)
        r = r * 10 + (ref[i++] - '0');
    if (i == digits || i != ref.size() || r < 1 || r > WorkbookMaxRows)
        return false;
    row = int(r - 1);
    column = int(col - 1);
    return true;
}

// Whether a number format shows a date or time.
bool isDateFormat(int id, const QString &code)
{
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    // Quoted texts, escaped characters and bracketed colours, conditions and elapsed times
    // name no date part.
    QString bare;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == u'"') {
            const qsizetype close = code.indexOf(u'"', i + 1);
            i = close < 0 ? code.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i + 1);
            i = close < 0 ? code.size() : close;
        } else {
            bare += c.toLower();
        }
    }
    if (bare.contains(QLatin1String("general")))
        return false;
    for (const QChar c : bare)
        if (c == u'd' || c == u'm' || c == u'y' || c == u'h' || c == u's')
            return true;
    return false;
}

// A serial day number of the workbook as a date-time. Before 1900-03-01 the 1900 date system
// counts a 29 February that never was.
bool serialToDateTime(double serial, bool date1904, double &value)
{
    if (!(serial >= 0) || serial > 2958466.0)
        return false;
    if (date1904)
        value = serial + 1462;
    else if (serial >= 1 && serial < 61)
        value = serial + 1;
    else
        value = serial;
    return true;
}

bool isoToDateTime(const QString &text, double &value)
{
    const QString t = text.trimmed();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    bool ok = t.size() >= 10 && t.at(4) == u'-' && t.at(7) == u'-';
    if (ok) {
        y = t.mid(0, 4).toInt(&ok);
        if (ok)
            mo = t.mid(5, 2).toInt(&ok);
        if (ok)
            d = t.mid(8, 2).toInt(&ok);
    }
    if (ok && t.size() >= 19 && (t.at(10) == u'T' || t.at(10) == u' ')) {
        h = t.mid(11, 2).toInt(&ok);
        if (ok)
            mi = t.mid(14, 2).toInt(&ok);
        if (ok)
            s = t.mid(17, 2).toInt(&ok);
    }
    TDateTime result = 0;
    if (!ok || !TryEncodeDateTime(y, mo, d, h, mi, s, 0, result))
        return false;
    value = result;
    return true;
}

// A part in UTF-16 (allowed, though rare) as UTF-8, which the scanner reads.
void toUtf8(QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringConverter::Utf16);
        bytes = QString(decoder(bytes)).toUtf8();
    }
}

QString zipMessage(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString message = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return message;
}

} // namespace

TWorkbookReader::TWorkbookReader(qint64 maxPartSize)
    : FMaxPartSize(maxPartSize)
{
}

TWorkbookReader::~TWorkbookReader()
{
    Close();
}

void TWorkbookReader::Close()
{
    if (FZip)
        zip_discard(FZip);
    FZip = nullptr;
    FSheetNames.clear();
    FSheetParts.clear();
    FSharedStrings.clear();
    FDateStyles.clear();
    FDate1904 = false;
}

bool TWorkbookReader::Fail(const QString &message)
{
    FError = QStringLiteral("%1: %2").arg(FFileName, message);
    return false;
}

bool TWorkbookReader::Open(const QString &fileName)
{
    Close();
    FFileName = fileName;
    FError.clear();
    FOldFormat = false;
    QFile probe(fileName);
    if (!probe.open(QIODevice::ReadOnly))
        return Fail(probe.errorString());
    // Old binary workbooks and encrypted ones are compound documents.
    FOldFormat = probe.read(8) == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    probe.close();
    if (FOldFormat)
        return Fail(QStringLiteral("an old binary (.xls) or encrypted workbook, not an .xlsx workbook"));

    int code = 0;
    FZip = zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!FZip)
        return Fail(QStringLiteral("not an .xlsx workbook (%1)").arg(zipMessage(code)));

    QHash<QString, QString> targets;
    QHash<QString, QString> types;
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    if (ReadRelationships(QString(), targets, types)) {
        for (auto it = types.cbegin(); it != types.cend(); ++it)
            if (it.value().endsWith(kRelationshipsOfficeDocument))
                workbookPart = targets.value(it.key());
    } else if (!FError.isEmpty()) {
        return false;
    }
    if (!ReadWorkbookPart(workbookPart)) {
        Close();
        return false;
    }
    return true;
}

bool TWorkbookReader::ReadPart(const QString &name, QByteArray &bytes, bool required)
{
    bytes.clear();
    const zip_int64_t index = zip_name_locate(FZip, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return required ? Fail(QStringLiteral("the part \"%1\" is missing").arg(name)) : false;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(FZip, zip_uint64_t(index), 0, &stat) != 0)
        return Fail(QString::fromUtf8(zip_strerror(FZip)));
    const QString tooLarge = QStringLiteral("the part \"%1\" expands to more than %2 MB")
                                 .arg(name).arg(FMaxPartSize / (1024 * 1024));
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(FMaxPartSize))
        return Fail(tooLarge);
    zip_file_t *file = zip_fopen_index(FZip, zip_uint64_t(index), 0);
    if (!file)
        return Fail(QStringLiteral("the part \"%1\": %2").arg(name, QString::fromUtf8(zip_strerror(FZip))));
    if (stat.valid & ZIP_STAT_SIZE)
        bytes.reserve(qsizetype(stat.size));
    // The stated size is only a claim: never more than the limit is read.
    char buffer[65536];
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got < 0) {
            const QString message = QString::fromUtf8(zip_file_strerror(file));
            zip_fclose(file);
            bytes.clear();
            return Fail(QStringLiteral("the part \"%1\" is damaged (%2)").arg(name, message));
        }
        if (got == 0)
            break;
        if (bytes.size() + got > FMaxPartSize) {
            zip_fclose(file);
            bytes.clear();
            return Fail(tooLarge);
        }
        bytes.append(buffer, qsizetype(got));
    }
    const int closed = zip_fclose(file);
    if (closed != 0) {
        bytes.clear();
        return Fail(QStringLiteral("the part \"%1\" is damaged (%2)").arg(name, zipMessage(closed)));
    }
    toUtf8(bytes);
    return true;
}

bool TWorkbookReader::ScanPart(const QString &part, const QByteArray &bytes, const TVisitor &visit)
{
    TXmlScanner xml(bytes);
    for (;;) {
        const TXmlScanner::TToken token = xml.Next();
        if (token == TXmlScanner::xtError)
            return Fail(QStringLiteral("\"%1\": %2").arg(part, xml.ErrorString()));
        if (token == TXmlScanner::xtEndOfDocument)
            return true;
        if (!visit(xml, token))
            return false;
    }
}

bool TWorkbookReader::ReadRelationships(const QString &part, QHash<QString, QString> &targets,
                                        QHash<QString, QString> &types)
{
    QByteArray bytes;
    const QString relationships = relationshipsPartOf(part);
    if (!ReadPart(relationships, bytes, false))
        return false;
    return ScanPart(relationships, bytes, [&](TXmlScanner &xml, TXmlScanner::TToken token) {
        if (token == TXmlScanner::xtStartElement && xml.IsName("Relationship")
            && xml.Attribute("TargetMode").compare(QLatin1String("External"), Qt::CaseInsensitive) != 0) {
            const QString id = xml.Attribute("Id");
            targets.insert(id, resolveTarget(part, xml.Attribute("Target")));
            types.insert(id, xml.Attribute("Type"));
        }
        return true;
    });
}

bool TWorkbookReader::ReadWorkbookPart(const QString &part)
{
    QByteArray bytes;
    if (!ReadPart(part, bytes))
        return false;
    QStringList ids;
    const bool read = ScanPart(part, bytes, [&](TXmlScanner &xml, TXmlScanner::TToken token) {
        if (token != TXmlScanner::xtStartElement)
            return true;
        if (xml.IsName("workbookPr")) {
            const QString flag = xml.Attribute("date1904");
            FDate1904 = flag == QLatin1String("1") || flag.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        } else if (xml.IsName("sheet")) {
            FSheetNames.append(xml.Attribute("name"));
            ids.append(xml.Attribute("id"));
        }
        return true;
    });
    if (!read)
        return false;
    QHash<QString, QString> targets;
    QHash<QString, QString> types;
    if (!ReadRelationships(part, targets, types) && !FError.isEmpty())
        return false;
    for (const QString &id : ids)
        FSheetParts.append(targets.value(id));
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        if (it.value().endsWith(kRelationshipsSharedStrings) && !ReadSharedStrings(targets.value(it.key())))
            return false;
        if (it.value().endsWith(kRelationshipsStyles) && !ReadStyles(targets.value(it.key())))
            return false;
    }
    return true;
}

bool TWorkbookReader::ReadSharedStrings(const QString &part)
{
    QByteArray bytes;
    if (!ReadPart(part, bytes))
        return false;
    QString current;
    bool inItem = false;
    bool inText = false;
    return ScanPart(part, bytes, [&](TXmlScanner &xml, TXmlScanner::TToken token) {
        if (token == TXmlScanner::xtStartElement) {
            if (xml.IsName("si")) {
                inItem = true;
                current.clear();
            } else if (inItem && xml.IsName("rPh")) {
                xml.SkipElement(); // phonetic hints are not part of the text; damage shows next
            } else if (inItem && xml.IsName("t")) {
                inText = true;
            }
        } else if (token == TXmlScanner::xtText) {
            if (inText)
                xml.AppendText(current);
        } else if (xml.IsName("t")) {
            inText = false;
        } else if (xml.IsName("si") && inItem) {
            inItem = false;
            FSharedStrings.push_back(DecodeEscapes(current));
        }
        return true;
    });
}

bool TWorkbookReader::ReadStyles(const QString &part)
{
    QByteArray bytes;
    if (!ReadPart(part, bytes, false))
        return FError.isEmpty(); // without styles every cell is plain
    QHash<int, QString> codes;
    std::vector<int> formats;
    bool inCellFormats = false;
    const auto formatId = [](const TXmlScanner &xml) {
        qint64 id = 0;
        return parseIndex(xml.RawAttribute("numFmtId"), id) && id >= 0 && id < 100000 ? int(id) : 0;
    };
    const bool read = ScanPart(part, bytes, [&](TXmlScanner &xml, TXmlScanner::TToken token) {
        if (token == TXmlScanner::xtStartElement) {
            if (xml.IsName("numFmt"))
                codes.insert(formatId(xml), xml.Attribute("formatCode"));
            else if (xml.IsName("cellXfs"))
                inCellFormats = true;
            else if (inCellFormats && xml.IsName("xf"))
                formats.push_back(formatId(xml));
        } else if (token == TXmlScanner::xtEndElement && xml.IsName("cellXfs")) {
            inCellFormats = false;
        }
        return true;
    });
    FDateStyles.clear();
    for (const int id : formats)
        FDateStyles.push_back(isDateFormat(id, codes.value(id)));
    return read;
}

int TWorkbookReader::IndexOfSheet(const QString &name) const
{
    for (int i = 0; i < FSheetNames.size(); ++i)
        if (FSheetNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TWorkbookReader::DecodeEscapes(const QString &text)
{
    qsizetype at = text.indexOf(QLatin1String("_x"));
    if (at < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype done = 0;
    for (; at >= 0; at = text.indexOf(QLatin1String("_x"), at + 1)) {
        if (at < done || at + 7 > text.size() || text.at(at + 6) != u'_')
            continue;
        uint code = 0;
        bool hex = true;
        for (qsizetype k = at + 2; k < at + 6 && hex; ++k) {
            const char16_t u = text.at(k).unicode();
            const int digit = u >= u'0' && u <= u'9'   ? u - u'0'
                              : u >= u'a' && u <= u'f' ? u - u'a' + 10
                              : u >= u'A' && u <= u'F' ? u - u'A' + 10
                                                       : -1;
            hex = digit >= 0;
            code = code * 16 + uint(digit);
        }
        if (!hex)
            continue;
        out += QStringView(text).mid(done, at - done);
        out += QChar(char16_t(code));
        done = at + 7;
        at = done - 1;
    }
    out += QStringView(text).mid(done);
    return out;
}

bool TWorkbookReader::CellValue(TSheetCell &cell, QByteArrayView type, qint64 style, const QString &value,
                                const QString &inlineText, QString &error) const
{
    if (type == "s") {
        qint64 shared = -1;
        if (value.trimmed().isEmpty())
            return false;
        if (!parseIndex(value.toUtf8(), shared) || shared < 0 || shared >= qint64(FSharedStrings.size())) {
            error = QStringLiteral("shared text %1 does not exist").arg(value);
            return false;
        }
        cell.Text = FSharedStrings[size_t(shared)];
    } else if (type == "inlineStr") {
        cell.Text = DecodeEscapes(inlineText);
    } else if (type == "str") {
        cell.Text = DecodeEscapes(value);
    } else if (type == "b") {
        cell.Kind = skBoolean;
        cell.Value = value.trimmed() == QLatin1String("1") ? 1 : 0;
        cell.Text = cell.Value != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    } else if (type == "e") {
        cell.Kind = skError;
        cell.Text = value;
    } else if (type == "d") {
        cell.Text = value;
        if (isoToDateTime(value, cell.Value))
            cell.Kind = skDate;
    } else {
        if (value.isEmpty())
            return false;
        cell.Text = value.trimmed();
        double number = 0;
        if (parseDouble(cell.Text.toUtf8(), number)) {
            cell.Kind = skNumber;
            cell.Value = number;
            if (style >= 0 && style < qint64(FDateStyles.size()) && FDateStyles[size_t(style)]
                && serialToDateTime(number, FDate1904, cell.Value))
                cell.Kind = skDate;
        }
    }
    return true;
}

bool TWorkbookReader::ReadSheet(int index, int columnLimit, TSheetData &sheet)
{
    sheet = TSheetData();
    FError.clear();
    if (!FZip || index < 0 || index >= FSheetParts.size())
        return Fail(QStringLiteral("no such sheet"));
    const QString part = FSheetParts.at(index);
    if (part.isEmpty())
        return Fail(QStringLiteral("the sheet \"%1\" has no part").arg(FSheetNames.at(index)));
    QByteArray bytes;
    if (!ReadPart(part, bytes))
        return false;
    const auto damaged = [&](const QString &what) {
        return Fail(QStringLiteral("sheet \"%1\": %2").arg(FSheetNames.at(index), what));
    };

    bool inData = false;
    int row = -1;       // the current row element's
    int nextRow = 0;    // for rows without a number
    int nextColumn = 0; // for cells without a reference
    bool inCell = false;
    bool inInline = false;
    bool hasValue = false;
    QString *collect = nullptr;
    TSheetCell cell;
    QByteArrayView type;
    qint64 style = -1;
    QString value;
    QString inlineText;
    const bool read = ScanPart(part, bytes, [&](TXmlScanner &xml, TXmlScanner::TToken token) {
        if (token == TXmlScanner::xtText) {
            if (collect)
                xml.AppendText(*collect);
            return true;
        }
        if (token == TXmlScanner::xtEndElement) {
            if (xml.IsName("v") || xml.IsName("t")) {
                collect = nullptr;
            } else if (xml.IsName("is")) {
                inInline = false;
            } else if (xml.IsName("sheetData")) {
                inData = false;
            } else if (xml.IsName("c") && inCell) {
                inCell = false;
                QString error;
                if (hasValue && cell.Column < columnLimit && CellValue(cell, type, style, value, inlineText, error))
                    sheet.Cells.push_back(std::move(cell));
                if (!error.isEmpty())
                    return damaged(error);
            }
            return true;
        }
        if (xml.IsName("sheetData")) {
            inData = true;
        } else if (!inData) {
            return true;
        } else if (xml.IsName("row")) {
            qint64 number = nextRow + 1;
            const QByteArrayView r = xml.RawAttribute("r");
            if (!r.isEmpty() && (!parseIndex(r, number) || number < 1 || number > WorkbookMaxRows))
                return damaged(QStringLiteral("row number \"%1\" outside the sheet").arg(QString::fromUtf8(r)));
            row = int(number - 1);
            nextRow = row + 1;
            nextColumn = 0;
        } else if (xml.IsName("c")) {
            cell = TSheetCell();
            const QByteArrayView r = xml.RawAttribute("r");
            if (r.isEmpty()) {
                if (row < 0 || nextColumn >= WorkbookMaxColumns)
                    return damaged(QStringLiteral("a cell outside the sheet"));
                cell.Row = row;
                cell.Column = nextColumn;
            } else if (!parseCellReference(r, cell.Row, cell.Column)) {
                return damaged(QStringLiteral("cell reference \"%1\" outside the sheet").arg(QString::fromUtf8(r)));
            }
            nextColumn = cell.Column + 1;
            type = xml.RawAttribute("t");
            if (!parseIndex(xml.RawAttribute("s"), style))
                style = -1;
            value.clear();
            inlineText.clear();
            hasValue = false;
            inCell = true;
            sheet.RowCount = std::max(sheet.RowCount, cell.Row + 1);
        } else if (inCell && xml.IsName("v")) {
            collect = &value;
            hasValue = true;
        } else if (inCell && xml.IsName("is")) {
            inInline = true;
            hasValue = true;
        } else if (inInline && xml.IsName("t")) {
            collect = &inlineText;
        } else if ((inInline && xml.IsName("rPh")) || (inCell && xml.IsName("f"))) {
            xml.SkipElement(); // phonetic hints and formulas are no value; damage shows next
        }
        return true;
    });
    if (!read)
        sheet = TSheetData(); // never half a sheet
    return read;
}

} // namespace platform
