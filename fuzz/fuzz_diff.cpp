// Diff files of other instances: any file reads or is refused; the events it holds apply to a
// document with rows of known identities, and the conflicts they raise are solved.

#include <vector>

#include "FuzzSupport.h"
#include "XmlTree.h"
#include "core/PlannerCore.h"
#include "document/DocumentFile.h"
#include "sync/DocumentSync.h"
#include "sync/WatcherThread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TDocumentFile &document = fuzz::NewDocument();
    TPlannerCore &core = document.Core();
    // Rows the seeds' events name, in both tables.
    for (const char *id : {"host.anna.1", "host.anna.2"})
        core.SetData(core.AddNode(QString::fromLatin1(id), tbTable, false), 5, QStringLiteral("note"));
    core.AddNode(QStringLiteral("host.ben.1"), tbExclude, false);

    TScannedFile file;
    QString reason;
    const QString path = fuzz::WriteInput(fuzz::Bytes(data, size), QStringLiteral("other.user.diff"));
    if (TWatcherThread::ReadXMLFile(path, file, reason) != TWatcherThread::rrRead || !file.Tree)
        return 0;
    const TXMLNode *diff = file.Tree->namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")});
    if (!diff)
        return 0;
    core.BeginUpdate(QStringLiteral("fuzz"));
    int last = -1;
    document.Sync().LoadDiffElement(*diff, last);
    document.Sync().SolveConflicts(std::vector<const TXMLNode *>{diff});
    core.EndUpdate();
    document.SaveToBuffer(false);
    return 0;
}
