#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Horizontal placement of printed text.
enum TPrintAlignment { paLeft, paRight, paCenter };

// What the table printer needs of a string grid: cells by column and row, column widths
// (0 = the column is not printed) and each column's alignment.
class TPrintGrid
{
public:
    virtual ~TPrintGrid() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    virtual int ColWidth(int column) const = 0;
    virtual QString Cell(int column, int row) const = 0;
    virtual TPrintAlignment ColAlignment(int column) const = 0;
};

// A plain grid of strings for printing.
class TPrintStringGrid : public TPrintGrid
{
public:
    TPrintStringGrid(int columns = 0, int rows = 0);

    void SetColCount(int columns);
    void SetRowCount(int rows);
    // Appends a row; missing cells are empty, surplus cells are dropped.
    void AddRow(const QStringList &cells);
    void SetColWidth(int column, int width);
    void SetColAlignment(int column, TPrintAlignment alignment);

    int ColCount() const override { return FColCount; }
    int RowCount() const override { return int(FRows.size()); }
    int ColWidth(int column) const override;
    QString Cell(int column, int row) const override;
    TPrintAlignment ColAlignment(int column) const override;

private:
    int FColCount = 0;
    QList<QStringList> FRows;
    QList<int> FColWidths;
    QList<TPrintAlignment> FAlignments;
};
