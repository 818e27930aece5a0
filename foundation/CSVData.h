#pragma once

// A CSV file read into a table of cells, as a spreadsheet program writes it: the autofill
// file beside a document. Row 0 holds the column captions; after loading every row has as
// many cells as the widest row.
//
// Reading: fields are separated by the delimiter (";"); the quote character (") toggles
// quoting, a doubled quote inside a quoted field stands for one quote. CR LF, LF and CR all
// end a row; inside a quoted field each of them becomes one CR LF in the cell. A file that
// ends inside an open quote keeps its last cell and row. Text is Windows-1252 unless a byte
// order mark (UTF-8, UTF-16) says otherwise.

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

class TCSVData
{
public:
    TCSVData() = default;

    // Replaces the data by the file's. Throws std::runtime_error when the file cannot be
    // opened or read; the previous data stays then.
    void LoadFromFile(const QString &fileName);
    // The same for bytes already read.
    void LoadFromData(const QByteArray &bytes);
    // The same for decoded text.
    void LoadFromText(const QString &text);

    int GetRows() const { return int(FData.size()); }
    int Rows() const { return GetRows(); }
    int GetCols() const;
    // Empty outside the table.
    QString GetCell(int col, int row) const;
    QString Cell(int col, int row) const { return GetCell(col, row); }

    // First column whose caption equals the name, case-insensitive in the user's locale.
    int FindCol(const QString &name) const;
    // First data row whose cell equals the text, case-insensitive; -1 when none.
    int FindRow(int col, const QString &text) const;
    // Last data row whose upper-cased cell contains the upper-cased text; ambiguous tells
    // whether more than one row matched. -1 when none.
    int FindRowRelaxed(int col, const QString &text, bool &ambiguous) const;
    // False when two data rows hold the same non-empty text in the column (exact compare).
    bool HasUniqueRows(int col) const;

    QChar Delim() const { return FDelim; }
    void SetDelim(QChar delim) { FDelim = delim; }
    QChar Quote() const { return FQuote; }
    void SetQuote(QChar quote) { FQuote = quote; }

private:
    QList<QStringList> FData;
    QChar FDelim = u';';
    QChar FQuote = u'"';
};
