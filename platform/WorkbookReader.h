#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "XmlScanner.h"

typedef struct zip zip_t;

namespace platform {

// What a cell holds. Numbers keep the text the file writes for them; dates are numbers with
// a date format, given as a date-time (days since 1899-12-30, the time as the fraction).
enum TSheetCellKind { skText, skNumber, skDate, skBoolean, skError };

struct TSheetCell
{
    int Row = 0;    // from 0
    int Column = 0; // from 0
    TSheetCellKind Kind = skText;
    QString Text;   // the text; a number's digits; "TRUE"/"FALSE"; an error's name ("#N/A")
    double Value = 0; // numbers and dates
};

struct TSheetData
{
    // The last row that holds a cell, plus one (0 for an empty sheet).
    int RowCount = 0;
    // The cells with a value, in the order of the file (rows top down).
    std::vector<TSheetCell> Cells;
};

// Reads workbooks (.xlsx): the list of sheets, then sheet after sheet. Nothing it reads is
// trusted: every part is read whole but no larger than a limit (a small file may expand
// hugely), cell references and shared-text indexes are checked, "_xHHHH_" escapes are
// decoded, and anything malformed fails with a message instead of giving half a sheet.
class TWorkbookReader
{
public:
    static constexpr qint64 DefaultMaxPartSize = qint64(256) * 1024 * 1024;

    explicit TWorkbookReader(qint64 maxPartSize = DefaultMaxPartSize);
    ~TWorkbookReader();
    TWorkbookReader(const TWorkbookReader &) = delete;
    TWorkbookReader &operator=(const TWorkbookReader &) = delete;

    // Opens the file and reads its sheet names, shared texts and cell formats.
    bool Open(const QString &fileName);
    void Close();
    // The file is an old binary workbook (.xls) or an encrypted one, not an .xlsx (after a
    // failed Open).
    bool IsOldFormat() const { return FOldFormat; }

    const QStringList &SheetNames() const { return FSheetNames; }
    // The sheet of that name without regard to case; -1 when there is none.
    int IndexOfSheet(const QString &name) const;
    // Reads one sheet. Cells in columns from columnLimit on count for the row count but are
    // not kept.
    bool ReadSheet(int index, int columnLimit, TSheetData &sheet);

    const QString &ErrorString() const { return FError; }

    // A text with its "_xHHHH_" escapes turned back into the characters they stand for.
    static QString DecodeEscapes(const QString &text);

private:
    bool Fail(const QString &message);
    // Hands every token of a part to `visit` until its end; false on damage (with the
    // scanner's message) or when `visit` says stop (having said why).
    using TVisitor = std::function<bool(TXmlScanner &xml, TXmlScanner::TToken token)>;
    bool ScanPart(const QString &part, const QByteArray &bytes, const TVisitor &visit);
    bool ReadPart(const QString &name, QByteArray &bytes, bool required = true);
    bool ReadRelationships(const QString &part, QHash<QString, QString> &targets, QHash<QString, QString> &types);
    bool ReadWorkbookPart(const QString &part);
    bool ReadSharedStrings(const QString &part);
    bool ReadStyles(const QString &part);
    // The value of a finished cell element; false when it has none, or (with `error`) when
    // it names a shared text that does not exist.
    bool CellValue(TSheetCell &cell, QByteArrayView type, qint64 style, const QString &value,
                   const QString &inlineText, QString &error) const;

    qint64 FMaxPartSize;
    zip_t *FZip = nullptr;
    QString FFileName;
    QString FError;
    bool FOldFormat = false;
    bool FDate1904 = false;
    QStringList FSheetNames;
    QStringList FSheetParts;
    std::vector<QString> FSharedStrings;
    std::vector<bool> FDateStyles; // per cell format index
};

} // namespace platform
