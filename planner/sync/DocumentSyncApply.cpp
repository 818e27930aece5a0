// Applying other users' journal events to the document, and rebuilding rows that were changed
// here and elsewhere at the same time.

#include "sync/DocumentSync.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <exception>

#include "Bracket.h"
#include "Helper.h"
#include "Language.h"
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

TWhichTable TableOf(const TXMLNode &element)
{
    return TXMLNode::ValueOf(element.namedNode(QStringLiteral("__table__"))) == QStringLiteral("tbTable") ? tbTable
                                                                                                          : tbExclude;
}

QString UserOf(const TXMLNode &record)
{
    return TXMLNode::ValueOf(record.namedNode(QStringLiteral("__user__")));
}

// The columns in which `own` wrote a text that another user's record comes after in a rebuild
// from `records` (in the order they are replayed): caption -> (own last text, the other user).
QHash<QString, std::pair<QString, QString>> CellsAtStake(const std::vector<const TXMLNode *> &records, const QString &own)
{
    QHash<QString, std::pair<QString, QString>> atStake;
    for (const TXMLNode *record : records) {
        const QString user = UserOf(*record);
        for (const auto &cell : record->Nodes()) {
            if (cell->GetName().startsWith(QStringLiteral("__")))
                continue;
            if (user == own)
                atStake.insert(cell->GetName(), {cell->GetValue(), QString()});
            else if (const auto it = atStake.find(cell->GetName()); it != atStake.end())
                it->second = user;
        }
    }
    for (auto it = atStake.begin(); it != atStake.end();)
        it = it->second.isEmpty() || it->second == own ? atStake.erase(it) : std::next(it);
    return atStake;
}

} // namespace

void TDocumentSync::LoadDiffElement(const TXMLNode &diff, int &lastIndex)
{
    LoadDiffElements({TDiffSource{&diff, &lastIndex}});
}

void TDocumentSync::LoadDiffElements(const std::vector<TDiffSource> &sources)
{
    // Each file's events above what was applied, in index order, without touching the tree:
    // the same tree is read again when the conflicts are solved. Missing or broken indices
    // are never applied.
    struct TQueue
    {
        std::vector<std::pair<int, const TXMLNode *>> Events;
        std::size_t Next = 0;
        int *LastIndex = nullptr;
        qint64 Stamp = 0; // the highest stamp of the file so far
    };
    std::vector<TQueue> queues;
    for (const TDiffSource &source : sources) {
        if (!source.Diff || !source.LastIndex)
            continue;
        TQueue queue;
        queue.LastIndex = source.LastIndex;
        for (const auto &child : source.Diff->Nodes()) {
            const int index = IndexAttribute(*child, -1);
            if (index > *source.LastIndex)
                queue.Events.emplace_back(index, child.get());
        }
        std::stable_sort(queue.Events.begin(), queue.Events.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        queues.push_back(std::move(queue));
    }
    NoteGeneration();
    // Rows that undo put back elsewhere come with their places: taken in one pass.
    const TPlannerCore::TRowPlacing placing(FCore);

    for (;;) {
        // The file whose next event is the oldest by its writer's clock; events of earlier
        // versions (no stamp) count as old as the stamped one before them, and the first
        // file goes first among equals, so unstamped files are applied one after the other.
        TQueue *queue = nullptr;
        qint64 oldest = 0;
        for (TQueue &candidate : queues) {
            if (candidate.Next >= candidate.Events.size())
                continue;
            const qint64 stamp = std::max(candidate.Stamp, StampOf(*candidate.Events[candidate.Next].second));
            if (!queue || stamp < oldest) {
                queue = &candidate;
                oldest = stamp;
            }
        }
        if (!queue)
            break;
        const auto [index, element] = queue->Events[queue->Next++];
        queue->Stamp = oldest;
        *queue->LastIndex = index;
        const QString id = IdOf(*element);
        if (id.isEmpty())
            continue;
        try {
            ApplyEvent(id, *element);
        } catch (const std::exception &e) {
            // One broken event must not keep the others of the file from arriving.
            Log(QStringLiteral("LoadDiff: event %1 of %2: %3")
                    .arg(QString::number(index), id, QString::fromStdString(e.what())));
        }
    }
}

void TDocumentSync::ApplyEvent(const QString &id, const TXMLNode &element)
{
    TNodeData *row = FCore.FindNode(id);
    const int change = ChangeOf(element);
    if (row && qint64(row->ChangeIndex) >= change) {
        // What the user saw in the cells the event changes, before it changes them: the
        // rebuild tells of own texts that went.
        FConflicts.append(id);
        QHash<QString, QString> &shown = FConflictTexts[id];
        for (const auto &cell : element.Nodes()) {
            const int column = FCore.IndexOfColumnHack(row->NodeTable, cell->GetName());
            if (column >= 0 && !shown.contains(cell->GetName()))
                shown.insert(cell->GetName(), FCore.GetData(row, column));
        }
    }
    const QString name = element.GetName();
    if (name == QStringLiteral("delete") && row) {
        const TNodeData *next = FCore.RowAfter(row);
        FRowOrder.Removed(id, row->NodeTable, next ? next->ID.Value() : QString());
    }
    const qint64 stamp = StampOf(element);
    if (stamp <= 0 || name != QStringLiteral("new") || row) {
        if (stamp > 0)
            FRowOrder.Seen(stamp);
        ApplyDiff(row, change, id, element);
        return;
    }
    FRowOrder.Seen(stamp);
    // Where its writer put it, above the rows others put there later; a row put before one
    // unknown here goes where its index says.
    const TWhichTable table = TableOf(element);
    const TRowOrder::TKey key{stamp, UserOf(element)};
    const TXMLAttribute *before = element.namedAttribute(QStringLiteral("before"));
    TRowOrder::TSpot spot;
    const bool known = FRowOrder.SpotOf(FCore, table, before ? before->GetValue() : QString(), key, spot);
    const TRowPlace place{QString(), known ? spot.Row : QString(), known ? -1 : PlaceOf(element)};
    ApplyDiff(row, change, id, element, &place);
    if (!row)
        return;
    if (!known) {
        const TNodeData *next = FCore.RowAfter(row);
        spot.Entry = spot.Row = next ? next->ID.Value() : QString();
        spot.Anchored = false;
    }
    FRowOrder.Added(id, table, key, spot);
}

void TDocumentSync::ApplyDiff(TNodeData *&row, qint32 changeIndex, const QString &id,
                             const TXMLNode &element, const TRowPlace *place)
{
    const QString name = element.GetName();
    if (name == QStringLiteral("change")) {
        if (row)
            SetNodeData(row, element);
    } else if (name == QStringLiteral("new")) {
        // A row that exists already keeps its cells: a repeated "new" changes nothing.
        if (!row && !(row = FCore.FindNode(id))) {
            // A row put back by undo goes where it stood; older files carry no place.
            row = FCore.AddNode(id, TableOf(element), false, place ? *place : TRowPlace{{}, {}, PlaceOf(element)});
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

void TDocumentSync::TellLostCells(const TNodeData &row, const std::vector<TLostCell> &atStake)
{
    for (const TLostCell &cell : atStake) {
        const int column = FCore.IndexOfColumnHack(row.NodeTable, cell.Column);
        if (column < 0)
            continue;
        // One entry per cell: the row may be rebuilt again and again by later edits.
        const QString key = row.ID.Value() + QLatin1Char('\n') + cell.Column;
        const auto told = FToldLosses.constFind(key);
        const bool toldOfText = told != FToldLosses.constEnd() && told->Text == cell.Text;
        if (FCore.GetData(&row, column) == cell.Text) {
            FToldLosses.remove(key); // the own text stands (again)
            continue;
        }
        // Said when the user saw the own text go, and again when another user's text than
        // the one named stands now.
        if (toldOfText ? told->Winner == cell.Winner : !cell.Seen)
            continue;
        FToldLosses.insert(key, TToldLoss{cell.Text, cell.Winner});
        const int number = FCore.RowIndexOf(&row) + 1;
        const QString text = Translate(QStringLiteral("Conflict: what you wrote in row %s, column %s, was replaced "
                                                      "by what %s wrote at the same moment."),
                                       {QString::number(number), cell.Column, cell.Winner});
        Log(text);
        FCore.Window().ShowStatusMessage(text);
    }
}

QString TDocumentSync::DisplayText(TWhichTable table, int column, const QString &stored) const
{
    QString text = stored;
    if (FCore.GetColumnType(table, column) == ctDate && !text.isEmpty()) {
        // A date that does not parse stays as its text rather than becoming "now".
        TDateTime value = 0;
        if (TryStrToDateTimeFromStorage(text, value))
            text = FCore.FormatDateTime(value);
    }
    return text;
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
        FCore.DoSetData(row, column, DisplayText(table, column, child->GetValue()), false);
    }
}

void TDocumentSync::ForgetConflicts()
{
    FConflicts.clear();
    FConflictTexts.clear();
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
    const QHash<QString, QHash<QString, QString>> texts = FConflictTexts;
    ForgetConflicts();

    // The user's selection, focused rows and editor field stay with the rows rebuilt.
    const bool keepView = !FCore.IsLoading();
    TBracket view([&] {
        if (keepView && OnBeforeRowsRebuilt)
            OnBeforeRowsRebuilt();
    }, [this, keepView] {
        if (keepView && OnAfterRowsRebuilt)
            OnAfterRowsRebuilt();
    });
    // Rebuilt rows are no user action: undo must not bring back a row as a duplicate.
    const TSuspendUndo suspended(FCore.UndoStack());
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
            return QString::compare(UserOf(*a), UserOf(*b), Qt::CaseSensitive) < 0;
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
            // Own texts another user's text of the same moment comes after: the user is told
            // of each one the rebuild does not give back.
            std::vector<TLostCell> shown;
            const QHash<QString, QString> seen = texts.value(id);
            const auto atStake = CellsAtStake(records, UserIdentity());
            for (auto it = atStake.constBegin(); it != atStake.constEnd(); ++it) {
                const int column = FCore.IndexOfColumnHack(table, it.key());
                if (column < 0)
                    continue;
                const QString own = DisplayText(table, column, it.value().first);
                const auto text = seen.constFind(it.key());
                shown.push_back({it.key(), it.value().second, own, text != seen.constEnd() && *text == own});
            }
            FCore.DeleteNode(before, false);
            TNodeData *row = nullptr;
            for (const TXMLNode *record : records)
                ApplyDiff(row, ChangeOf(*record), id, *record);
            if (row && place >= 0 && row->NodeTable == table)
                FCore.MoveRowTo(row, place);
            if (row)
                TellLostCells(*row, shown);
        } catch (const std::exception &e) {
            Log(QStringLiteral("SolveConflicts: %1: %2").arg(id, QString::fromStdString(e.what())));
        }
    }
}
