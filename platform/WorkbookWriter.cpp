#include "WorkbookWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include "AtomicFile.h"
#include "Workbook.h"

namespace platform {

namespace {

bool isHex(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

// "_xHHHH_" starts at i.
bool escapeAt(const QString &text, qsizetype i)
{
    if (i + 7 > text.size() || text.at(i) != u'_' || (text.at(i + 1) != u'x' && text.at(i + 1) != u'X')
        || text.at(i + 6) != u'_')
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k)
        if (!isHex(text.at(k)))
            return false;
    return true;
}

QString escapeOf(char16_t unit)
{
    return QStringLiteral("_x") + QStringLiteral("%1").arg(uint(unit), 4, 16, QLatin1Char('0')).toUpper()
           + QLatin1Char('_');
}

QString lxwMessage(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

} // namespace

QString TWorkbookWriter::EscapeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'_' && escapeAt(text, i)) {
            out += QStringLiteral("_x005F_");
        } else if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF) {
            out += escapeOf(u);
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate()) {
            out += escapeOf(u); // half a pair: no character UTF-8 can carry
        } else {
            out += c;
        }
    }
    return out;
}

TWorkbookWriter::TWorkbookWriter(const QString &fileName)
    : FFileName(fileName)
{
    const QFileInfo target(fileName);
    if (fileName.isEmpty() || target.fileName().isEmpty()) {
        Fail(QStringLiteral("no file name"));
        return;
    }
    if (target.isDir()) {
        Fail(QStringLiteral("a folder of that name exists"));
        return;
    }
    if (!QFileInfo(target.absolutePath()).isDir()) {
        Fail(QStringLiteral("the folder does not exist"));
        return;
    }
    // The library writes a file of its own; the target is then replaced by it in one step.
    FTemp = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/velmora-workbook-XXXXXX.xlsx"));
    if (!FTemp->open()) {
        Fail(FTemp->errorString());
        return;
    }
    FTemp->close(); // the library writes the file under its name
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go to disk as they are written
    options.tmpdir = nullptr;
    options.use_zip64 = LXW_FALSE;
    FWorkbook = workbook_new_opt(QFile::encodeName(FTemp->fileName()).constData(), &options);
    if (!FWorkbook)
        Fail(QStringLiteral("the workbook cannot be made"));
}

TWorkbookWriter::~TWorkbookWriter()
{
    Discard();
}

bool TWorkbookWriter::Fail(const QString &message)
{
    if (FError.isEmpty())
        FError = QStringLiteral("Cannot write \"%1\": %2").arg(FFileName, message);
    return false;
}

void TWorkbookWriter::Discard()
{
    if (FWorkbook) {
        workbook_close(FWorkbook); // also frees it; the temporary file goes below
        FWorkbook = nullptr;
    }
    FSheet = nullptr;
    FTemp.reset();
}

bool TWorkbookWriter::AddSheet(const QString &name)
{
    if (Failed() || !FWorkbook)
        return false;
    const QByteArray utf8 = name.toUtf8();
    const lxw_error valid = workbook_validate_sheet_name(FWorkbook, utf8.constData());
    if (valid != LXW_NO_ERROR)
        return Fail(QStringLiteral("sheet \"%1\": %2").arg(name, lxwMessage(valid)));
    FSheet = workbook_add_worksheet(FWorkbook, utf8.constData());
    if (!FSheet)
        return Fail(QStringLiteral("sheet \"%1\" cannot be added").arg(name));
    FSheetNames.append(name);
    FRow = 0;
    return true;
}

bool TWorkbookWriter::AppendRow(const QStringList &cells)
{
    if (Failed())
        return false;
    if (!FSheet)
        return Fail(QStringLiteral("no sheet to write to"));
    const QString sheet = FSheetNames.constLast();
    if (FRow >= WorkbookMaxRows)
        return Fail(QStringLiteral("sheet \"%1\" would need more than %2 rows").arg(sheet).arg(WorkbookMaxRows));
    if (cells.size() > WorkbookMaxColumns)
        return Fail(QStringLiteral("sheet \"%1\" would need more than %2 columns").arg(sheet).arg(WorkbookMaxColumns));
    for (qsizetype column = 0; column < cells.size(); ++column) {
        const QString &text = cells.at(column);
        if (text.isEmpty())
            continue;
        if (text.size() > WorkbookMaxCellLength)
            return Fail(QStringLiteral("sheet \"%1\", row %2, column %3: more than %4 characters")
                            .arg(sheet).arg(FRow + 1).arg(column + 1).arg(WorkbookMaxCellLength));
        const QByteArray utf8 = EscapeText(text).toUtf8();
        const lxw_error error = worksheet_write_string(FSheet, lxw_row_t(FRow), lxw_col_t(column), utf8.constData(), nullptr);
        if (error != LXW_NO_ERROR)
            return Fail(QStringLiteral("sheet \"%1\", row %2, column %3: %4")
                            .arg(sheet).arg(FRow + 1).arg(column + 1).arg(lxwMessage(error)));
    }
    ++FRow;
    return true;
}

bool TWorkbookWriter::Commit()
{
    if (!FWorkbook || !FTemp) {
        Fail(QStringLiteral("nothing to write"));
        Discard();
        return false;
    }
    if (Failed()) {
        Discard();
        return false;
    }
    const lxw_error closed = workbook_close(FWorkbook);
    FWorkbook = nullptr;
    if (closed != LXW_NO_ERROR) {
        Fail(lxwMessage(closed));
        Discard();
        return false;
    }
    QFile written(FTemp->fileName());
    if (!written.open(QIODevice::ReadOnly)) {
        Fail(written.errorString());
        Discard();
        return false;
    }
    const QByteArray bytes = written.readAll();
    written.close();
    Discard();
    TAtomicFile file(FFileName);
    if (!file.Prepare(bytes) || !file.Commit())
        return Fail(file.ErrorString());
    return true;
}

} // namespace platform
