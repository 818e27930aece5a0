#include "exchange/Archiver.h"

#include <QFileInfo>
#include <QSet>

#include <climits>

#include "Language.h"
#include "MemIniFile.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

namespace {

const QString kArchiv = QStringLiteral("Archiv");
const QString kItem = QStringLiteral("ArchivItem");
const QString kCount = QStringLiteral("count");
const QString kTable = QStringLiteral("__table");

QString percentOf(QChar c)
{
    return QLatin1Char('%') + QStringLiteral("%1").arg(uint(c.unicode()), 2, 16, QLatin1Char('0')).toUpper();
}

QString escapedKey(const QString &caption)
{
    QString key;
    key.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        const bool special = c == u'%' || c == u'=' || c.unicode() < 0x20 || c.unicode() == 0x7F
                             || (i == 0 && (c == u';' || c == u'['))
                             || (i == 0 && c == u'_' && caption.startsWith(QLatin1String("__")));
        key += special ? percentOf(c) : QString(c);
    }
    return key;
}

// The highest item number of the file plus one (0 without items).
int nextItemNumber(const TMemIniFile &ini)
{
    QStringList sections;
    ini.ReadSections(sections);
    int next = 0;
    for (const QString &section : sections) {
        if (!section.startsWith(kItem, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int number = section.mid(kItem.size()).toInt(&ok);
        if (ok && number >= 0 && number < INT_MAX)
            next = std::max(next, number + 1);
    }
    return next;
}

bool hasSection(const TMemIniFile &ini, const QString &name)
{
    QStringList sections;
    ini.ReadSections(sections);
    for (const QString &section : sections)
        if (section.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

TArchiver::TArchiver(TPlannerCore &core, const TDocumentSync &sync)
    : FCore(core), FSync(sync)
{
}

QStringList TArchiver::ColumnKeys(const QStringList &captions)
{
    QSet<QString> used{kTable.toCaseFolded()};
    QStringList keys;
    for (qsizetype column = 0; column < captions.size(); ++column) {
        QString key = escapedKey(captions.at(column));
        // "%#" never comes out of the escaping, so a numbered key cannot meet a caption.
        if (used.contains(key.toCaseFolded()))
            key += QStringLiteral("%#") + QString::number(column + 1);
        used.insert(key.toCaseFolded());
        keys.append(key);
    }
    return keys;
}

bool TArchiver::CB_Count(TNodeData *node, TDateTime before)
{
    // A task whose end cannot be computed has not ended.
    if (!FCore.GetNodeValid(node))
        return false;
    const TDateTime end = FCore.GetEndOf(node);
    return end != 0 && end <= before;
}

void TArchiver::Count(TDateTime before, int &count, int &total)
{
    count = 0;
    total = 0;
    FCore.ForEach(tbTable, feAll, [&](TNodeData *node) {
        ++total;
        if (CB_Count(node, before))
            ++count;
    });
}

std::vector<TNodeData *> TArchiver::TasksToArchive(TDateTime before)
{
    std::vector<TNodeData *> tasks;
    FCore.ForEach(tbTable, feAll, [&](TNodeData *node) {
        if (CB_Count(node, before))
            tasks.push_back(node);
    });
    return tasks;
}

int TArchiver::Archive(const QString &fileName, TDateTime before, bool compress, QString &error)
{
    error.clear();
    const QFileInfo file(fileName);
    const QString document = FSync.DirWatchThread()->Filename();
    if (fileName.isEmpty() || file.isDir()
        || (!document.isEmpty() && file.exists() && file.canonicalFilePath() == QFileInfo(document).canonicalFilePath())) {
        error = Translate(QStringLiteral("%s is not an archive file."), {fileName});
        return -1;
    }
    TMemIniFile ini(fileName);
    if (!ini.LastError().isEmpty()) {
        error = ini.LastError();
        return -1;
    }
    // Whatever else the file is, it is not given away to the archive.
    if (file.exists() && file.size() > 0 && !hasSection(ini, kArchiv)) {
        error = Translate(QStringLiteral("%s is not an archive file."), {fileName});
        return -1;
    }

    const std::vector<TNodeData *> tasks = TasksToArchive(before);
    if (tasks.empty())
        return 0;
    QStringList captions;
    const int columns = FCore.GetTableColCount(tbTable);
    for (int column = 0; column < columns; ++column)
        captions.append(FCore.GetColumnCaption(tbTable, column));
    const QStringList keys = ColumnKeys(captions);
    int number = std::max(ini.ReadInteger(kArchiv, kCount, 0), nextItemNumber(ini));
    if (number > INT_MAX - int(tasks.size())) {
        error = Translate(QStringLiteral("%s is not an archive file."), {fileName});
        return -1;
    }
    for (TNodeData *task : tasks) {
        const QString section = kItem + QString::number(number++);
        for (int column = 0; column < columns; ++column)
            ini.WriteString(section, keys.at(column), FCore.GetData(task, column));
        ini.WriteString(section, kTable, TableNames[tbTable]);
    }
    ini.WriteInteger(kArchiv, kCount, number);
    if (!ini.UpdateFile(compress)) {
        error = ini.LastError();
        return -1;
    }

    FCore.BeginUpdate(Translate(QStringLiteral("Archive")));
    {
        TSuspendUndo suspend(FCore.UndoStack());
        for (TNodeData *task : tasks)
            FCore.DeleteNode(task, true);
    }
    FCore.EndUpdate();
    return int(tasks.size());
}
