#include "PrintGrid.h"

TPrintStringGrid::TPrintStringGrid(int columns, int rows)
{
    SetColCount(columns);
    SetRowCount(rows);
}

void TPrintStringGrid::SetColCount(int columns)
{
    FColCount = qMax(0, columns);
    while (FColWidths.size() < FColCount) {
        FColWidths.append(64);
        FAlignments.append(paLeft);
    }
    FColWidths.resize(FColCount);
    FAlignments.resize(FColCount);
    for (QStringList &row : FRows)
        row.resize(FColCount);
}

void TPrintStringGrid::SetRowCount(int rows)
{
    rows = qMax(0, rows);
    while (FRows.size() < rows)
        FRows.append(QStringList(FColCount, QString()));
    FRows.resize(rows);
}

void TPrintStringGrid::AddRow(const QStringList &cells)
{
    QStringList row = cells;
    row.resize(FColCount);
    FRows.append(row);
}

void TPrintStringGrid::SetColWidth(int column, int width)
{
    if (column >= 0 && column < FColCount)
        FColWidths[column] = qMax(0, width);
}

void TPrintStringGrid::SetColAlignment(int column, TPrintAlignment alignment)
{
    if (column >= 0 && column < FColCount)
        FAlignments[column] = alignment;
}

int TPrintStringGrid::ColWidth(int column) const
{
    return column >= 0 && column < FColCount ? FColWidths.at(column) : 0;
}

QString TPrintStringGrid::Cell(int column, int row) const
{
    if (column < 0 || column >= FColCount || row < 0 || row >= FRows.size())
        return QString();
    return FRows.at(row).at(column);
}

TPrintAlignment TPrintStringGrid::ColAlignment(int column) const
{
    return column >= 0 && column < FColCount ? FAlignments.at(column) : paLeft;
}
