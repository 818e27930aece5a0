// Cut, copy and paste of nodes, the data a tree hands to others, and the standard edit actions.

#include "treegrid/BaseTreeGrid.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QKeySequence>
#include <QMimeData>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>

#include "treegrid/OLEMemoryStream.h"
#include "treegrid/TreeGridDataObject.h"
#include "treegrid/TreeGridRoutines.h"

namespace {

struct TClipboardFormatEntry {
    const char *Description;
    const char *MimeType;
    bool TextFormat; // rendered by string trees only
    int Priority;    // lower is offered earlier
};

// In the order offered.
constexpr TClipboardFormatEntry ClipboardFormatList[] = {
    {"Tree Grid Data", "application/x-velmora-tree-grid-data", false, 50},
    {"HTML Format", "text/html", true, 80},
    {"Rich Text Format Without Objects", "text/rtf", true, 84},
    {"Rich Text Format", "text/rtf", true, 85},
    {"CSV", "text/csv", true, 90},
    {"Unicode text", "text/plain", true, 95},
    {"Plain text", "text/plain", true, 100},
};

const TClipboardFormatEntry *FindFormat(const QString &description)
{
    for (const TClipboardFormatEntry &entry : ClipboardFormatList)
        if (description == QLatin1String(entry.Description))
            return &entry;
    return nullptr;
}

// Trees that may be named in exchanged data, by their random token. A tree that is gone leaves
// a null entry behind, which finds nothing.
QHash<quint64, QPointer<TBaseTreeGrid>> &LiveTrees()
{
    static QHash<quint64, QPointer<TBaseTreeGrid>> trees;
    return trees;
}

constexpr int ReferenceSize = 12; // process id (4 bytes) and token (8 bytes), little-endian

} // namespace

// ---- formats

QStringList TBaseTreeGrid::AllClipboardFormats()
{
    QStringList result;
    for (const TClipboardFormatEntry &entry : ClipboardFormatList)
        result << QString::fromLatin1(entry.Description);
    return result;
}

QString TBaseTreeGrid::MimeTypeOf(const QString &format)
{
    if (const TClipboardFormatEntry *entry = FindFormat(format))
        return QString::fromLatin1(entry->MimeType);
    // An owner's own format is named by its MIME type.
    return format.contains(QLatin1Char('/')) ? format : QString();
}

void TBaseTreeGrid::SetClipboardFormats(const QStringList &value)
{
    FClipboardFormats.clear();
    for (const QString &description : value) {
        const TClipboardFormatEntry *entry = FindFormat(description);
        if (entry && (!entry->TextFormat || inherits("TCustomStringTreeGrid"))
            && !FClipboardFormats.contains(description))
            FClipboardFormats << description;
    }
}

QStringList TBaseTreeGrid::GetNativeClipboardFormats()
{
    QStringList result;
    const bool textTree = inherits("TCustomStringTreeGrid");
    for (const TClipboardFormatEntry &entry : ClipboardFormatList) {
        const QString description = QString::fromLatin1(entry.Description);
        if ((!entry.TextFormat || textTree) && FClipboardFormats.contains(description))
            result << description;
    }
    DoGetUserClipboardFormats(result);
    return result;
}

void TBaseTreeGrid::DoGetUserClipboardFormats(QStringList &formats)
{
    Raise(OnGetUserClipboardFormats, formats);
}

QByteArray TBaseTreeGrid::RenderOLEData(const QString &format, const std::vector<PGridNode> &nodes,
                                        bool forClipboard)
{
    QByteArray result;
    if (format == QLatin1String("Tree Grid Data")) {
        for (PGridNode node : nodes)
            if (!IsRemoved(node)) // the owner's handlers may remove nodes while they are written
                WriteNode(result, node);
    } else if (!DoRenderOLEData(format, nodes, forClipboard, result)) {
        result.clear();
    }
    return result;
}

bool TBaseTreeGrid::DoRenderOLEData(const QString &format, const std::vector<PGridNode> &nodes, bool forClipboard,
                                    QByteArray &data)
{
    bool rendered = false;
    Raise(OnRenderOLEData, format, nodes, forClipboard, data, rendered);
    return rendered;
}

QByteArray TBaseTreeGrid::TreeReference()
{
    if (FReferenceToken == 0) {
        auto &trees = LiveTrees();
        do
            FReferenceToken = QRandomGenerator::system()->generate64();
        while (FReferenceToken == 0 || trees.contains(FReferenceToken));
        trees.insert(FReferenceToken, this);
    }
    QByteArray bytes(ReferenceSize, '\0');
    qToLittleEndian<quint32>(quint32(QCoreApplication::applicationPid()), bytes.data());
    qToLittleEndian<quint64>(FReferenceToken, bytes.data() + 4);
    return bytes;
}

TBaseTreeGrid *TBaseTreeGrid::GetTreeFromDataObject(const QMimeData *data)
{
    if (!data)
        return nullptr;
    const QByteArray bytes = data->data(TreeGridReferenceFormat());
    if (bytes.size() != ReferenceSize
        || qFromLittleEndian<quint32>(bytes.constData()) != quint32(QCoreApplication::applicationPid()))
        return nullptr;
    const quint64 token = qFromLittleEndian<quint64>(bytes.constData() + 4);
    return token ? LiveTrees().value(token).data() : nullptr;
}

QMimeData *TBaseTreeGrid::CreateMimeData(bool forClipboard)
{
    return new TTGDataObject(this, forClipboard);
}

bool TBaseTreeGrid::ReferenceAvailable() const
{
    return !FDestroying && !FStates.contains(tsClipboardFlushing);
}

QByteArray TBaseTreeGrid::RenderDataObjectFormat(const QString &format, bool forClipboard)
{
    if (FDestroying)
        return {};
    std::vector<PGridNode> nodes;
    std::vector<std::size_t> positions;
    if (forClipboard) {
        for (std::size_t i = 0; i < FCutCopySet.size(); ++i)
            if (FCutCopySet[i]) {
                nodes.push_back(FCutCopySet[i]);
                positions.push_back(i);
            }
    } else {
        nodes = FDragSelection;
    }
    QByteArray result = RenderOLEData(format, nodes, forClipboard);
    // A paste reports the nodes that arrived in the order of the data it read.
    if (forClipboard && format == QLatin1String("Tree Grid Data"))
        FCutCopyRendered = std::move(positions);
    return result;
}

void TBaseTreeGrid::FlushClipboard()
{
    if (FReferenceToken != 0)
        LiveTrees().remove(FReferenceToken);
    HandOverClipboardData();
}

bool TBaseTreeGrid::HandOverClipboardData()
{
    if (!FClipboardData)
        return true;
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *current = clipboard->mimeData();
    if (current != FClipboardData.data())
        return true;
    // A handler that removes copied rows while they are rendered: the receiver still reads
    // this object, which must stay; the rows it renders leave the removed ones out.
    if (const auto *own = qobject_cast<const TTGDataObject *>(current); own && own->Rendering())
        return false;
    // The rendered formats stay on the clipboard for others; only the reference goes.
    DoStateChange({tsClipboardFlushing});
    auto *flushed = new QMimeData;
    for (const QString &format : current->formats())
        if (format != TreeGridReferenceFormat())
            flushed->setData(format, current->data(format));
    FClipboardData = nullptr;
    clipboard->setMimeData(flushed);
    DoStateChange({}, {tsClipboardFlushing});
    return true;
}

void TBaseTreeGrid::KeepCopyBeforeFree(PGridNode node)
{
    // A deletion inside one already checked (its children) finds nothing new; a cut's nodes
    // stay this tree's until they are pasted, and go with it.
    if (!node || FDestroying || !FStates.contains(tsCopyPending) || FCutCopyIndex.empty()
        || node->States.contains(vsDeleting))
        return;
    bool holds = false;
    // The node, or a node above it, is copied: the copy loses rows (its own, or those below).
    for (PGridNode run = node; run && run != FRoot && !holds; run = run->Parent)
        holds = FCutCopyIndex.count(run) > 0;
    // Or a copied node lies below it.
    for (std::size_t i = 0; i < FCutCopySet.size() && !holds; ++i)
        holds = FCutCopySet[i] && HasAsParent(FCutCopySet[i], node);
    if (!holds)
        return;
    // Rendered while every node of the copy is still there; the clipboard's data no longer
    // depends on the tree, so the marks go.
    if (HandOverClipboardData())
        CancelCutOrCopy();
}

// ---- cut, copy and paste

void TBaseTreeGrid::MarkCutCopyNodes()
{
    for (PGridNode node = GetFirstSelected(); node; node = GetNextSelected(node))
        if (!node->States.contains(vsDisabled))
            node->States.include(vsCutOrCopy);
}

void TBaseTreeGrid::CancelCutOrCopy()
{
    FCutCopySet.clear();
    FCutCopyArrived.clear();
    FCutCopyRendered.clear();
    FCutCopyIndex.clear();
    if (!FStates.intersects({tsCutPending, tsCopyPending}))
        return;
    for (PGridNode node = GetFirstNoInit(); node; node = GetNextNoInit(node))
        node->States.exclude(vsCutOrCopy);
    DoStateChange({}, {tsCutPending, tsCopyPending});
    if (!FDestroying)
        Invalidate();
}

void TBaseTreeGrid::FinishCutOrCopy()
{
    if (!FStates.contains(tsCutPending))
        return;
    // Only nodes that arrived elsewhere go: a paste that took nothing must not lose them. The set
    // is read afresh for every node, as each deletion may take others with it.
    BeginUpdate();
    for (std::size_t i = 0; i < FCutCopySet.size(); ++i) {
        const PGridNode node = FCutCopySet[i];
        if (node && FCutCopyArrived[i] && node->States.contains(vsCutOrCopy))
            DeleteNode(node);
    }
    EndUpdate();
    CancelCutOrCopy();
}

void TBaseTreeGrid::NoteCutNodesArrived(const QMimeData *data, const std::vector<bool> &arrived)
{
    // Only the data of this cut stands for its nodes, one top node each, as last rendered.
    if (!FStates.contains(tsCutPending) || !data || FClipboardData.data() != data
        || arrived.size() != FCutCopyRendered.size())
        return;
    for (std::size_t i = 0; i < arrived.size(); ++i)
        if (arrived[i] && FCutCopyRendered[i] < FCutCopyArrived.size())
            FCutCopyArrived[FCutCopyRendered[i]] = true;
}

void TBaseTreeGrid::ForgetExchangedNode(PGridNode node)
{
    if (!FCutCopyIndex.empty()) {
        const auto found = FCutCopyIndex.find(node);
        if (found != FCutCopyIndex.end()) {
            FCutCopySet[found->second] = nullptr;
            FCutCopyIndex.erase(found);
        }
    }
    if (!FDragMembers.empty() && FDragMembers.erase(node) > 0)
        FDragSelection.erase(std::find(FDragSelection.begin(), FDragSelection.end(), node));
}

bool TBaseTreeGrid::IsExchanged(PGridNode node, bool dragging) const
{
    return dragging ? FDragMembers.count(node) > 0 : FCutCopyIndex.count(node) > 0;
}

PGridNode TBaseTreeGrid::GetFirstCutCopy(bool considerChildrenAbove)
{
    if (!FStates.intersects({tsCutPending, tsCopyPending}))
        return nullptr;
    PGridNode node = GetFirstNoInit(considerChildrenAbove);
    if (node && !node->States.contains(vsCutOrCopy))
        node = GetNextCutCopy(node, considerChildrenAbove);
    if (node && !node->States.contains(vsInitialized))
        InitNode(node);
    return node;
}

PGridNode TBaseTreeGrid::GetNextCutCopy(PGridNode node, bool considerChildrenAbove)
{
    if (!node || !FStates.intersects({tsCutPending, tsCopyPending}))
        return nullptr;
    for (node = GetNextNoInit(node, considerChildrenAbove); node; node = GetNextNoInit(node, considerChildrenAbove))
        if (node->States.contains(vsCutOrCopy)) {
            if (!node->States.contains(vsInitialized))
                InitNode(node);
            return node;
        }
    return nullptr;
}

std::vector<PGridNode> TBaseTreeGrid::GetSortedCutCopySet(bool resolve)
{
    std::vector<PGridNode> result;
    for (PGridNode node = GetFirstNoInit(); node;) {
        if (node->States.contains(vsCutOrCopy)) {
            result.push_back(node);
            if (resolve) {
                node = NextSkippingSubtree(node);
                continue;
            }
        }
        node = GetNextNoInit(node);
    }
    return result;
}

void TBaseTreeGrid::ClipboardChanged()
{
    // Another copy took the clipboard: our marks no longer mean anything.
    if (!FStates.contains(tsClipboardFlushing) && FStates.intersects({tsCutPending, tsCopyPending})
        && QGuiApplication::clipboard()->mimeData() != FClipboardData.data())
        CancelCutOrCopy();
}

void TBaseTreeGrid::CopyToClipBoard()
{
    if (SelectedCount() == 0)
        return;
    CancelCutOrCopy();
    MarkCutCopyNodes();
    // The data holds these nodes in this order, one top node each.
    FCutCopySet = GetSortedCutCopySet(true);
    FCutCopyArrived.assign(FCutCopySet.size(), false);
    for (std::size_t i = 0; i < FCutCopySet.size(); ++i)
        FCutCopyIndex.emplace(FCutCopySet[i], i);
    QMimeData *data = CreateMimeData(true);
    FClipboardData = data;
    QClipboard *clipboard = QGuiApplication::clipboard();
    connect(clipboard, &QClipboard::dataChanged, this, &TBaseTreeGrid::ClipboardChanged, Qt::UniqueConnection);
    clipboard->setMimeData(data);
    DoStateChange({tsCopyPending}, {tsCutPending});
    Invalidate();
}

void TBaseTreeGrid::CutToClipBoard()
{
    if (SelectedCount() == 0 || FOptions->MiscOptions().contains(toReadOnly))
        return;
    CopyToClipBoard();
    if (FStates.contains(tsCopyPending))
        DoStateChange({tsCutPending}, {tsCopyPending});
}

bool TBaseTreeGrid::PasteFromClipboard()
{
    if (FOptions->MiscOptions().contains(toReadOnly))
        return false;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        throw ETreeGridError(QStringLiteral("Unable to read the clipboard."), 2007);
    TBaseTreeGrid *source = GetTreeFromDataObject(data);
    const bool optimized = source == this && FStates.contains(tsCutPending);
    const bool result = ProcessOLEData(source, data, FFocusedNode, FDefaultPasteMode, optimized);
    if (source == this) {
        // The cut nodes were moved, not copied: nothing is left to delete. A paste that failed
        // moved none of them, and the cut stays.
        if (optimized && result)
            CancelCutOrCopy();
    } else if (source) {
        source->FinishCutOrCopy();
    }
    return result;
}

bool TBaseTreeGrid::ProcessOLEData(TBaseTreeGrid *source, const QMimeData *data, PGridNode targetNode,
                                   TTGNodeAttachMode mode, bool optimized)
{
    const QString dataFormat = MimeTypeOf(QStringLiteral("Tree Grid Data"));
    if (!data || !data->hasFormat(dataFormat) || FOptions->MiscOptions().contains(toReadOnly))
        return false;
    ResolveAttachTarget(targetNode, mode);
    BeginUpdate();
    bool result = true;
    try {
        if (optimized && source) {
            const bool dragging = source->FStates.contains(tsOLEDragging);
            std::vector<PGridNode> nodes = dragging ? source->FDragSelection : source->FCutCopySet;
            nodes.erase(std::remove(nodes.begin(), nodes.end(), nullptr), nodes.end());
            if (mode != amInsertBefore && mode != amAddChildLast)
                std::reverse(nodes.begin(), nodes.end());
            // The target and the nodes above it stay where they are.
            const auto moves = [&](PGridNode node) { return node != targetNode && !HasAsParent(targetNode, node); };
            const auto fits = [&](PGridNode node) { return NestingAllows(targetNode, mode, source->SubtreeDepth(node)); };
            // A node that would end too deep moves nothing: the paste fails as a whole, and a cut
            // keeps its nodes marked for another try.
            result = std::all_of(nodes.begin(), nodes.end(), [&](PGridNode node) { return !moves(node) || fits(node); });
            if (result) {
                for (PGridNode node : nodes) {
                    // A move may take other nodes with it (the owner's events): each is looked up first.
                    if (source->IsExchanged(node, dragging) && moves(node) && fits(node))
                        source->MoveTo(node, this, targetNode, mode);
                }
            }
            // The receiver answered for the nodes: the source must not delete them as moved.
            if (dragging)
                source->FDragNodesMoved = true;
        } else {
            const TChangeReason reason = source == this ? crNodeCopied : crNodeAdded;
            TOLEMemoryStream stream(data->data(dataFormat));
            const std::vector<PGridNode> added = AddFromNodeChunks(stream.readAll(), targetNode, mode, reason);
            std::vector<bool> arrived(added.size(), false);
            for (std::size_t i = 0; i < added.size(); ++i) {
                const PGridNode node = added[i];
                if (!DoNodeCopying(node, node->Parent == FRoot ? nullptr : node->Parent)) {
                    DeleteNode(node);
                } else {
                    DoNodeCopied(node);
                    arrived[i] = true;
                }
            }
            if (source && source != this)
                source->NoteCutNodesArrived(data, arrived);
        }
    } catch (const ETreeGridError &) {
        // Data that does not read leaves the tree as it was.
        result = false;
    }
    EndUpdate();
    return result;
}

// ---- edit actions

bool TBaseTreeGrid::ActionEnabled(TTGEditAction action)
{
    switch (action) {
    case eaSelectAll:
        return FOptions->SelectionOptions().contains(toMultiSelect) && FVisibleCount > 0;
    case eaCopy:
    case eaCut:
        return SelectedCount() > 0 && !GetNativeClipboardFormats().isEmpty();
    case eaDelete:
        return SelectedCount() > 0;
    case eaPaste:
        return true;
    }
    return false;
}

bool TBaseTreeGrid::ExecuteAction(TTGEditAction action)
{
    const bool readOnly = FOptions->MiscOptions().contains(toReadOnly);
    switch (action) {
    case eaSelectAll:
        SelectAll(false);
        return true;
    case eaCopy:
        CopyToClipBoard();
        return true;
    case eaCut:
        if (!readOnly)
            CutToClipBoard();
        return true;
    case eaPaste:
        if (!readOnly)
            PasteFromClipboard();
        return true;
    case eaDelete:
        if (!readOnly)
            DeleteSelectedNodes();
        return true;
    }
    return false;
}

namespace {

bool StandardEditAction(const QAction *action, TBaseTreeGrid::TTGEditAction &result)
{
    if (!action)
        return false;
    const QKeySequence shortcut = action->shortcut();
    if (shortcut.isEmpty())
        return false;
    const std::pair<QKeySequence::StandardKey, TBaseTreeGrid::TTGEditAction> keys[] = {
        {QKeySequence::SelectAll, TBaseTreeGrid::eaSelectAll}, {QKeySequence::Copy, TBaseTreeGrid::eaCopy},
        {QKeySequence::Cut, TBaseTreeGrid::eaCut},             {QKeySequence::Paste, TBaseTreeGrid::eaPaste},
        {QKeySequence::Delete, TBaseTreeGrid::eaDelete}};
    for (const auto &[key, editAction] : keys)
        if (QKeySequence::keyBindings(key).contains(shortcut)) {
            result = editAction;
            return true;
        }
    return false;
}

} // namespace

bool TBaseTreeGrid::ExecuteAction(QAction *action)
{
    TTGEditAction editAction;
    return StandardEditAction(action, editAction) && ExecuteAction(editAction);
}

bool TBaseTreeGrid::UpdateAction(QAction *action)
{
    TTGEditAction editAction;
    if (!StandardEditAction(action, editAction))
        return false;
    action->setEnabled(ActionEnabled(editAction));
    return true;
}
