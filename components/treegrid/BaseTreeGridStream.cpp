// Node streams: writing nodes as chunks, and reading a checked stream into new nodes.

#include "treegrid/BaseTreeGrid.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include "StreamIO.h"
#include "treegrid/TreeGridNodeStream.h"
#include "treegrid/TreeGridStream.h"

namespace {

// Closes an update bracket however the block is left.
class TUpdateGuard
{
public:
    explicit TUpdateGuard(TBaseTreeGrid &tree) : FTree(tree) { FTree.BeginUpdate(); }
    ~TUpdateGuard() { FTree.EndUpdate(); }
    TUpdateGuard(const TUpdateGuard &) = delete;
    TUpdateGuard &operator=(const TUpdateGuard &) = delete;

private:
    TBaseTreeGrid &FTree;
};

void writeAll(QIODevice &stream, const QByteArray &bytes)
{
    if (platform::writeFully(stream, bytes.constData(), bytes.size()) != bytes.size())
        throw EWriteError();
}

} // namespace

// ---- writing

void TBaseTreeGrid::SaveToStream(QIODevice &stream, PGridNode node)
{
    QByteArray out;
    nodestream::AppendHeader(out);
    if (node && node != FRoot) {
        nodestream::AppendInt32(out, 1);
        WriteNode(out, node);
    } else {
        // The count is the number of nodes really written.
        const qsizetype countAt = out.size();
        nodestream::AppendInt32(out, 0);
        qint32 written = 0;
        for (PGridNode run = FRoot->FirstChild; run; run = run->NextSibling) {
            WriteNode(out, run);
            ++written;
        }
        qToLittleEndian(written, out.data() + countAt);
    }
    writeAll(stream, out);
}

void TBaseTreeGrid::WriteNode(QByteArray &out, PGridNode node)
{
    if (!node || node == FRoot)
        return;
    if (FOptions->MiscOptions().contains(toInitOnSave)) {
        if (!node->States.contains(vsInitialized))
            InitNode(node);
        DoInitChildrenIfNeeded(node);
    }
    const qsizetype start = nodestream::BeginChunk(out, nodestream::NodeChunk);
    WriteChunks(out, node);
    // The owner's data last, so that its reader finds the node complete.
    WriteUserChunk(out, node);
    nodestream::FinishChunk(out, start);
}

void TBaseTreeGrid::WriteChunks(QByteArray &out, PGridNode node)
{
    const qsizetype base = nodestream::BeginChunk(out, nodestream::BaseChunk);
    const qsizetype countAt = out.size();
    nodestream::AppendInt32(out, 0);
    nodestream::AppendInt32(out, node->NodeHeight);
    char record[9] = {};
    qToLittleEndian<quint16>(nodestream::StreamedStates(node->States.load()).bits(), record);
    record[2] = char(node->Align);
    record[3] = char(node->CheckState);
    record[4] = char(node->CheckType);
    out.append(record, 9); // the last four bytes are the reserved field
    // Children of a node that was never initialised are not made for saving.
    qint32 written = 0;
    if (node->States.contains(vsInitialized)) {
        for (PGridNode child = node->FirstChild; child; child = child->NextSibling) {
            WriteNode(out, child);
            ++written;
        }
    }
    qToLittleEndian(written, out.data() + countAt);
    nodestream::FinishChunk(out, base);
}

void TBaseTreeGrid::WriteUserChunk(QByteArray &out, PGridNode node)
{
    if (OnSaveNode) {
        QByteArray user;
        {
            QBuffer buffer(&user);
            buffer.open(QIODevice::WriteOnly);
            DoSaveNode(node, buffer);
        }
        if (!user.isEmpty()) {
            const qsizetype chunk = nodestream::BeginChunk(out, nodestream::UserChunk);
            out.append(user);
            nodestream::FinishChunk(out, chunk);
        }
    }
}

void TBaseTreeGrid::DoSaveNode(PGridNode node, QIODevice &stream)
{
    Raise(OnSaveNode, node, stream);
}

// ---- reading

void TBaseTreeGrid::LoadFromStream(QIODevice &stream)
{
    if (FOptions->MiscOptions().contains(toReadOnly))
        return;
    const qint64 start = stream.isSequential() ? 0 : stream.pos();
    const QByteArray data = stream.readAll();
    TTGNodeStreamReader reader(data);
    reader.ReadStream(); // a fault leaves the tree untouched
    if (!stream.isSequential())
        stream.seek(start + reader.Consumed());

    {
        TUpdateGuard update(*this);
        Clear();
        InternalAddFromStream(reader, FRoot, amAddChildLast, crIgnore);
    }
    DoNodeCopied(nullptr);
}

void TBaseTreeGrid::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ETreeGridError(QStringLiteral("Unable to open the file \"%1\".").arg(fileName), 0);
    LoadFromStream(file);
}

std::vector<PGridNode> TBaseTreeGrid::AddFromNodeChunks(const QByteArray &data, PGridNode target,
                                                        TTGNodeAttachMode mode, TChangeReason reason)
{
    if (FOptions->MiscOptions().contains(toReadOnly) || mode == amNoWhere)
        return {};
    TTGNodeStreamReader reader(data);
    reader.ReadNodeChunks();
    // The tree must stay one that its own stream can be read back into.
    if (!NestingAllows(target, mode, std::uint32_t(reader.Deepest())))
        nodestream::RefuseNesting();
    return InternalAddFromStream(reader, target, mode, reason);
}

PGridNode TBaseTreeGrid::BuildStreamNode(const TTGNodeStreamReader &reader, std::size_t &index,
                                         std::vector<PGridNode> &made)
{
    const TTGStreamNode &record = reader.Nodes()[index++];
    PGridNode node = MakeNewNode();
    made.push_back(node);
    if (record.HasBase) {
        node->NodeHeight = std::uint16_t(record.NodeHeight);
        node->States = record.States - TGridNodeStates{vsSelected};
        node->Align = record.Align;
        node->CheckState = record.CheckState;
        node->CheckType = record.CheckType;
    }
    std::uint32_t count = 1;
    std::int64_t childHeight = 0;
    PGridNode last = nullptr;
    for (std::uint32_t i = 0; i < record.ChildCount; ++i) {
        PGridNode child = BuildStreamNode(reader, index, made);
        AppendChildLink(node, last, child, i);
        count += child->TotalCount;
        if (IsEffectivelyVisible(child))
            childHeight += child->TotalHeight;
    }
    node->LastChild = last;
    node->ChildCount = record.ChildCount;
    if (record.ChildCount > 0)
        node->States.include(vsHasChildren);
    else
        node->States.exclude({vsExpanded, vsAllChildrenHidden});
    node->TotalCount = count;
    node->TotalHeight = std::uint32_t(node->NodeHeight + (node->States.contains(vsExpanded) ? childHeight : 0));
    return node;
}

std::vector<PGridNode> TBaseTreeGrid::InternalAddFromStream(const TTGNodeStreamReader &reader, PGridNode target,
                                                            TTGNodeAttachMode mode, TChangeReason reason)
{
    ResolveAttachTarget(target, mode);
    std::vector<PGridNode> tops;
    if (mode == amNoWhere)
        return tops;

    TUpdateGuard update(*this);
    InterruptValidation();
    const auto &records = reader.Nodes();
    std::vector<PGridNode> made;
    made.reserve(records.size());
    std::size_t index = 0;
    PGridNode anchor = target;
    while (index < records.size()) {
        PGridNode node = BuildStreamNode(reader, index, made);
        InternalConnectNode(node, anchor, this, mode);
        tops.push_back(node);
        // The following nodes come after this one, keeping the stream's order.
        if (mode == amAddChildFirst || mode == amInsertAfter) {
            anchor = node;
            mode = amInsertAfter;
        }
    }

    // Selection: kept only where several nodes may be selected.
    if (FOptions->SelectionOptions().contains(toMultiSelect)) {
        std::vector<PGridNode> selected;
        for (std::size_t i = 0; i < made.size(); ++i)
            if (records[i].States.contains(vsSelected))
                selected.push_back(made[i]);
        if (!selected.empty())
            InternalAddToSelection(selected.data(), int(selected.size()), true);
    }

    // The owner's chunks, now that every node stands in the tree. Its handlers (OnLoadNode,
    // OnNewText of a caption) may delete nodes: those are passed over from then on.
    const auto &chunks = reader.Chunks();
    for (std::size_t i = 0; i < made.size(); ++i) {
        const TTGStreamNode &record = records[i];
        for (std::uint32_t c = record.FirstChunk; c < record.FirstChunk + record.ChunkCount && !IsRemoved(made[i]);
             ++c)
            ReadChunk(made[i], chunks[c].Type, reader.Data(), chunks[c].Offset, chunks[c].Size);
    }
    std::erase_if(tops, [this](PGridNode node) { return IsRemoved(node); });

    DoStateChange({tsUpdateHiddenChildrenNeeded});
    InvalidateCache();
    if (reason != crIgnore)
        for (PGridNode node : tops)
            StructureChange(node, reason);
    return tops;
}

void TBaseTreeGrid::ReadChunk(PGridNode node, qint32 type, const QByteArray &data, qsizetype offset, qint32 size)
{
    if (type != nodestream::UserChunk || size < 1)
        return;
    // The handler sees exactly the chunk: reading more or less cannot move past it.
    QByteArray bytes = QByteArray::fromRawData(data.constData() + offset, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    DoLoadNode(node, buffer);
}

void TBaseTreeGrid::DoLoadNode(PGridNode node, QIODevice &stream)
{
    Raise(OnLoadNode, node, stream);
}

// ---- moving into another tree

void TBaseTreeGrid::MoveTo(PGridNode source, TBaseTreeGrid *targetTree, PGridNode target, TTGNodeAttachMode mode)
{
    if (!targetTree || targetTree == this) {
        MoveTo(source, target, mode, false);
        return;
    }
    if (!source || source == FRoot || mode == amNoWhere || FOptions->MiscOptions().contains(toReadOnly)
        || targetTree->TreeOptions().MiscOptions().contains(toReadOnly))
        return;
    if (!DoNodeMoving(source, target))
        return;
    QByteArray data;
    WriteNode(data, source);
    const std::vector<PGridNode> moved = targetTree->AddFromNodeChunks(data, target, mode, crNodeMoved);
    DeleteNode(source);
    for (PGridNode node : moved)
        targetTree->DoNodeMoved(node);
    targetTree->UpdateScrollBars(true);
}
