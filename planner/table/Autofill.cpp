#include "table/Autofill.h"

#include <QFile>
#include <QFileInfo>

#include <exception>

#include "Helper.h"
#include "Language.h"
#include "Log.h"
#include "core/ActionScope.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

TAutofill::TAutofill(TPlannerCore &core, const TDocumentSync &sync)
    : FCore(core), FSync(sync)
{
}

QString TAutofill::FileNameFor(const QString &document)
{
    if (document.isEmpty())
        return QString();
    const QFileInfo info(document);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return info.path() + QLatin1Char('/') + base + QStringLiteral(".autofill");
}

void TAutofill::LoadAutofill()
{
    // With the absent days shown the previous data and flags stay.
    if (FCore.GetActiveTable() != tbTable)
        return;
    const TDirWatchThread *journal = FSync.DirWatchThread();
    const QString fileName = FileNameFor(journal ? journal->Filename() : QString());
    const QFileInfo info(fileName);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime time = info.exists() ? info.lastModified() : QDateTime();
    if (FReadValid && fileName == FReadName && size == FReadSize && time == FReadTime) {
        SetFlags(); // the columns may have changed
        return;
    }
    LoadFrom(fileName);
    FReadName = fileName;
    FReadSize = size;
    FReadTime = time;
    FReadValid = true;
}

void TAutofill::LoadFrom(const QString &fileName)
{
    FReadValid = false;
    FAutofill = TCSVData();
    QFile file(fileName);
    if (!fileName.isEmpty() && file.exists()) {
        try {
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error(file.errorString().toStdString());
            // Read at most one byte past the limit: a file growing meanwhile is caught too.
            const QByteArray bytes = file.size() > MaxFileSize ? QByteArray() : file.read(MaxFileSize + 1);
            if (file.size() > MaxFileSize || bytes.size() > MaxFileSize)
                Log(QStringLiteral("Autofill file ignored, larger than 16 MB: ") + fileName);
            else if (file.error() != QFileDevice::NoError)
                throw std::runtime_error(file.errorString().toStdString());
            else
                FAutofill.LoadFromData(bytes);
        } catch (const std::exception &e) {
            FAutofill = TCSVData();
            Log(QStringLiteral("Autofill file not read: ") + fileName + QStringLiteral(" - ")
                + QString::fromStdString(e.what()));
        }
    }
    SetFlags();
}

void TAutofill::SetFlags()
{
    for (int column = 0; column < FCore.GetTableColCount(tbTable); ++column) {
        THeaderData *header = FCore.GetHeader(tbTable, column);
        if (!header)
            continue;
        const int fileColumn = FileColumnOf(column);
        header->HasAutofill = fileColumn >= 0;
        header->HasUniqueAutofill = fileColumn >= 0 && FAutofill.HasUniqueRows(fileColumn);
    }
}

int TAutofill::FileColumnOf(int column) const
{
    if (column < 0 || column >= FCore.GetTableColCount(tbTable))
        return -1;
    return FAutofill.FindCol(FCore.GetColumnCaption(tbTable, column));
}

int TAutofill::TaskColumnOf(const QString &caption) const
{
    for (int column = 0; column < FCore.GetTableColCount(tbTable); ++column)
        if (SameText(FCore.GetColumnCaption(tbTable, column), caption))
            return column;
    return -1;
}

QStringList TAutofill::Values(int column) const
{
    QStringList values;
    const int fileColumn = FileColumnOf(column);
    if (fileColumn < 0)
        return values;
    // The caption row names the column; it is not a value.
    for (int row = 1; row < FAutofill.Rows(); ++row)
        values.append(FAutofill.Cell(fileColumn, row));
    return values;
}

TAutofill::TFillResult TAutofill::AutofillPanelClick(int column, const QString &key,
                                                     const std::vector<TNodeData *> &rows)
{
    if (key.isEmpty())
        return frNothing;
    const int fileColumn = FileColumnOf(column);
    if (fileColumn < 0)
        return frNothing;
    int record = FAutofill.FindRow(fileColumn, key);
    if (record < 0) {
        bool ambiguous = false;
        record = FAutofill.FindRowRelaxed(fileColumn, key, ambiguous);
        if (record < 0 || ambiguous) {
            FCore.Window().Ask(Translate(record < 0 ? QStringLiteral("Cannot autofill, key not found")
                                                    : QStringLiteral("Cannot autofill, key not unique")),
                               mtInformation, {mbOK});
            return record < 0 ? frNotFound : frNotUnique;
        }
    }
    const TActionScope action(FCore);
    FCore.CB_SetData_Index = record;
    for (TNodeData *node : rows)
        CB_AutofillData(node, record);
    return frFilled;
}

void TAutofill::CB_AutofillData(TNodeData *node, int record)
{
    if (!node || node->NodeTable != tbTable)
        return;
    for (int k = 0; k < FAutofill.GetCols(); ++k) {
        const int column = TaskColumnOf(FAutofill.Cell(k, 0));
        if (column >= 0)
            FCore.SetData(node, column, FAutofill.Cell(k, record));
    }
}
