// Applying other users' journal events to the document, and rebuilding rows that were changed
// here and elsewhere at the same time.

#include "sync/DocumentSync.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <exception>

#include "Helper.h"
#include "Log.h"
#include "core/PlannerCore.h"
#include "core/UndoRedo.h"
#include "sync/NodeEvent.h"
#include "XmlTree.h"

namespace {

int IndexAttribute(const TXMLNode &element, int missing)
{
    const TXMLAttribute *attribute = element.namedAttribute(QStringLiteral("index"));
    if (!attribute)
        return missing;
    bool ok = false;
    const int value = attribute->GetValue().toInt(&ok);
    return ok ? value : missing;
}

QString IdOf(const TXMLNode &element)
{
    const TXMLAttribute *attribute = element.namedAttribute(QStringLiteral("id"));
    return attribute ? attribute->GetValue() : QString();
}

int ChangeOf(const TXMLNode &element)
{
    return TXMLNode::ToIntOf(element.namedNode(QStringLiteral("__change__")), 0);
}

} // namespace

void TDocumentSync::LoadDiffElement(const TXMLNode &diff, int &lastIndex)
{
    // Sorted by index without touching the tree: the same tree is read again when the
    // conflicts are solved. Missing or broken indices sort as 0 and are never applied.
    std::vector<std::pair<int, const TXMLNode *>> events;
    events.reserve(diff.Nodes().size());
    for (const auto &child : diff.Nodes())
        events.emplace_back(IndexAttribute(*child, 0), child.get());
    std::stable_sort(events.begin(), events.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    // Rows that undo put back elsewhere come with their places: taken in one pass.
    const TPlannerCore::TRowPlacing placing(FCore);

    for (const auto &[sortIndex, element] : events) {
        const int index = IndexAttribute(*element, -1);
        if (index <= lastIndex)
            continue;
        lastIndex = index;
        const QString id = IdOf(*element);
        if (id.isEmpty())
            continue;
        try {
            TNodeData *row = FCore.FindNode(id);
            const int change = ChangeOf(*element);
            if (row && qint64(row->ChangeIndex) >= change)
                FConflicts.append(id);
            ApplyDiff(row, change, id, *element);
        } catch (const std::exception &e) {
            // One broken event must not keep the others of the file from arriving.
            Log(QStringLiteral("LoadDiff: event %1 of %2: %3")
                    .arg(QString::number(index), id, QString::fromStdString(e.what())));
        }
    }
}

void TDocumentSync::ApplyDiff(TNodeData *&row, qint32 changeIndex, const QString &id,
                             const TXMLNode &element)
{
    const QString name = element.GetName();
    if (name == QStringLiteral("change")) {
        if (row)
            SetNodeData(row, element);
    } else if (name == QStringLiteral("new")) {
        // A row that exists already keeps its cells: a repeated "new" changes nothing.
        if (!row && !(row = FCore.FindNode(id))) {
            const TWhichTable table =
                TXMLNode::ValueOf(element.namedNode(QStringLiteral("__table__"))) == QStringLiteral("tbTable")
                    ? tbTable
                    : tbExclude;
            // A row put back by undo goes where it stood; older files carry no place.
            row = FCore.AddNode(id, table, false, PlaceOf(element));
            if (row)
                SetNodeData(row, element);
        }
    } else if (name == QStringLiteral("delete")) {
        if (row)
            FCore.DeleteNode(row, false);
        row = nullptr;
    }
    if (row) {
        const qint32 own = qint32(row->ChangeIndex);
        const qint32 highest = std::max(own, changeIndex);
        if (highest >= 0)
            row->ChangeIndex = quint64(highest);
    }
}

void TDocumentSync::SetNodeData(TNodeData *row, const TXMLNode &element)
{
    if (!row)
        return;
    const TWhichTable table = row->NodeTable;
    for (const auto &child : element.Nodes()) {
        const int column = FCore.IndexOfColumnHack(table, child->GetName());
        if (column < 0)
            continue; // "__change__", "__user__", "__table__" and columns this document lacks
        QString text = child->GetValue();
        if (FCore.GetColumnType(table, column) == ctDate && !text.isEmpty()) {
            // A date that does not parse stays as its text rather than becoming "now".
            TDateTime value = 0;
            if (TryStrToDateTimeFromStorage(text, value))
                text = FCore.FormatDateTime(value);
        }
        FCore.DoSetData(row, column, text, false);
    }
}

void TDocumentSync::LoadAllConflictNodes(TXMLNode &tree, const std::vector<const TXMLNode *> &sources) const
{
    QHash<QString, TXMLNode *> groups;
    for (const QString &id : FConflicts)
        if (!groups.contains(id))
            groups.insert(id, tree.AddNode(id));
    for (const TXMLNode *source : sources) {
        if (!source)
            continue;
        for (const auto &record : source->Nodes()) {
            TXMLNode *group = groups.value(IdOf(*record), nullptr);
            if (group)
                record->CloneTo(group, false);
        }
    }
}

void TDocumentSync::SolveConflicts(const std::vector<const TXMLNode *> &sources)
{
    if (FConflicts.isEmpty())
        return;
    TXMLTree tree;
    LoadAllConflictNodes(tree, sources);
    FConflicts.clear();

    // The user's selection, focused rows and editor field stay with the rows rebuilt.
    const bool keepView = !FCore.IsLoading();
    if (keepView && OnBeforeRowsRebuilt)
        OnBeforeRowsRebuilt();
    // Rebuilt rows are no user action: undo must not bring back a row as a duplicate.
    FCore.UndoStack().SetAcceptUndo(false);
    for (const auto &group : tree.Nodes()) {
        const QString id = group->GetName();
        std::vector<const TXMLNode *> records;
        records.reserve(group->Nodes().size());
        for (const auto &record : group->Nodes())
            records.push_back(record.get());
        // Stable: records of one user with one change index keep the order they were written.
        std::stable_sort(records.begin(), records.end(), [](const TXMLNode *a, const TXMLNode *b) {
            const int ca = ChangeOf(*a);
            const int cb = ChangeOf(*b);
            if (ca != cb)
                return ca < cb;
            const QString ua = TXMLNode::ValueOf(a->namedNode(QStringLiteral("__user__")));
            const QString ub = TXMLNode::ValueOf(b->namedNode(QStringLiteral("__user__")));
            return QString::compare(ua, ub, Qt::CaseSensitive) < 0;
        });
        // Without the row's first record (its working copy or its "new" event could not be
        // read) a rebuild would lose every cell no event names: the row stays as it is.
        if (records.empty() || records.front()->GetName() != QStringLiteral("new")) {
            Log(QStringLiteral("SolveConflicts: no base record of %1, row left as it is").arg(id));
            continue;
        }
        try {
            // A rebuilt row keeps its place: an instance that saw no conflict keeps it there.
            TNodeData *before = FCore.FindNode(id);
            const int place = FCore.RowIndexOf(before);
            const TWhichTable table = before ? before->NodeTable : tbTable;
            FCore.DeleteNode(before, false);
            TNodeData *row = nullptr;
            for (const TXMLNode *record : records)
                ApplyDiff(row, ChangeOf(*record), id, *record);
            if (row && place >= 0 && row->NodeTable == table)
                FCore.MoveRowTo(row, place);
        } catch (const std::exception &e) {
            Log(QStringLiteral("SolveConflicts: %1: %2").arg(id, QString::fromStdString(e.what())));
        }
    }
    FCore.UndoStack().SetAcceptUndo(true);
    if (keepView && OnAfterRowsRebuilt)
        OnAfterRowsRebuilt();
}
