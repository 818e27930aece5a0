// CSV data and comma texts: any bytes read into rows and fields; comma texts of any items
// parse back to the same items.

#include <QStringList>

#include <algorithm>
#include <cstdlib>

#include "CSVData.h"
#include "CommaText.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    TCSVData csv;
    csv.LoadFromData(bytes);
    csv.LoadFromFile(fuzz::WriteInput(bytes, QStringLiteral("input.autofill")));
    // Lookups as autofill does them, by every caption and the first cell of every row.
    const int cols = csv.GetCols();
    for (int row = 0; row < std::min(csv.GetRows(), 64); ++row)
        for (int col = -1; col <= std::min(cols, 16); ++col) {
            const QString cell = csv.GetCell(col, row);
            if (row == 0)
                csv.FindCol(cell);
            bool ambiguous = false;
            csv.FindRow(col, cell);
            csv.FindRowRelaxed(col, cell, ambiguous);
        }
    for (int col = 0; col < std::min(cols, 16); ++col)
        csv.HasUniqueRows(col);

    const QString text = QString::fromLatin1(bytes);
    const QStringList items = ParseCommaText(text);
    if (ParseCommaText(CommaTextOf(items)) != items)
        std::abort();
    // Each line an item of its own, as lists of pick-list entries are.
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (ParseCommaText(CommaTextOf(lines)) != lines)
        std::abort();

    TCommaText comma(text);
    for (int i = -1; i <= comma.Count(); ++i) {
        comma.Item(i);
        comma.Item(i, 1);
        comma.Item(i, 0, 2);
    }
    comma.SetItem(1, 2, 3, QStringLiteral("x,\"y\""));
    comma.IndexOf(QStringLiteral("x"));
    TCommaText back(comma.AsString());
    if (back.AsString() != comma.AsString())
        std::abort();
    AddToCommaText(text, text);
    return 0;
}
