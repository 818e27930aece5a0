#include "treegrid/TreeGridNodeStream.h"

#include <algorithm>

#include <QtEndian>

namespace {

constexpr char16_t HeaderUnits[6] = {0x2045, u'V', u'T', char16_t(nodestream::CurrentVersion), u' ', 0x2046};

[[noreturn]] void corrupt(const char *message, int helpContext = 2006)
{
    throw ETreeGridError(QString::fromLatin1(message), helpContext);
}

} // namespace

namespace nodestream {

TGridNodeStates StreamedStates(TGridNodeStates states)
{
    states.exclude({vsChecking, vsCutOrCopy, vsDeleting, vsInitialUserData, vsHeightMeasured, vsClearing,
                    vsToggling});
    return states;
}

void RefuseNesting()
{
    throw ETreeGridError(QStringLiteral("The nodes cannot be nested that deeply."), 0);
}

void AppendInt32(QByteArray &out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void AppendHeader(QByteArray &out)
{
    for (char16_t unit : HeaderUnits) {
        char bytes[2];
        qToLittleEndian<quint16>(unit, bytes);
        out.append(bytes, 2);
    }
}

qsizetype BeginChunk(QByteArray &out, qint32 type)
{
    const qsizetype start = out.size();
    AppendInt32(out, type);
    AppendInt32(out, 0);
    return start;
}

void FinishChunk(QByteArray &out, qsizetype start)
{
    const qint64 size = out.size() - start - ChunkHeaderSize;
    if (size > INT32_MAX)
        throw ETreeGridError(QStringLiteral("Stream data too large."), 2006);
    qToLittleEndian(qint32(size), out.data() + start + 4);
}

} // namespace nodestream

qint32 TTGNodeStreamReader::Int32At(qsizetype pos) const
{
    return qFromLittleEndian<qint32>(FData.constData() + pos);
}

void TTGNodeStreamReader::ReadStream()
{
    FPos = 0;
    if (FData.size() < nodestream::HeaderSize)
        corrupt("Unable to load tree structure, not enough data available.", 2004);
    const auto unit = [this](int i) { return qFromLittleEndian<quint16>(FData.constData() + 2 * i); };
    for (int i : {0, 1, 2, 5})
        if (unit(i) != HeaderUnits[i])
            corrupt("Unable to load tree structure, the format is wrong.", 2002);
    FVersion = unit(3);
    if (FVersion > nodestream::CurrentVersion)
        corrupt("Unable to load tree structure, the version is unknown.", 2003);
    FPos = nodestream::HeaderSize;

    qint64 count = -1; // older streams: nodes until the end
    if (FVersion >= 2) {
        if (FData.size() - FPos < 4)
            corrupt("Unable to load tree structure, not enough data available.", 2004);
        count = quint32(Int32At(FPos));
        FPos += 4;
        if (count * nodestream::ChunkHeaderSize > FData.size() - FPos)
            corrupt("Stream data corrupt. The node count does not fit into the data.");
    }
    qint64 read = 0;
    while (FPos < FData.size() && (count < 0 || read < count)) {
        ReadNode(FData.size(), 0);
        ++read;
    }
    if (count >= 0 && read < count)
        corrupt("Stream data corrupt. The node count does not fit into the data.");
}

void TTGNodeStreamReader::ReadNodeChunks()
{
    FVersion = nodestream::CurrentVersion;
    FPos = 0;
    while (FPos < FData.size())
        ReadNode(FData.size(), 0);
}

void TTGNodeStreamReader::ReadNode(qsizetype limit, int depth)
{
    if (depth > nodestream::MaxDepth)
        corrupt("Stream data corrupt. The nodes are nested too deeply.");
    FDeepest = std::max(FDeepest, depth);
    if (limit - FPos < nodestream::ChunkHeaderSize || Int32At(FPos) != nodestream::NodeChunk)
        corrupt("Stream data corrupt. A node's anchor chunk is missing.", 2005);
    const qint32 nodeSize = Int32At(FPos + 4);
    FPos += nodestream::ChunkHeaderSize;
    if (nodeSize < 0 || nodeSize > limit - FPos)
        corrupt("Stream data corrupt. A chunk's size does not fit into the data.");
    const qsizetype nodeEnd = FPos + nodeSize;

    const std::size_t nodeIndex = FNodes.size();
    FNodes.emplace_back();
    std::vector<TTGStreamChunk> own;
    while (FPos < nodeEnd) {
        if (nodeEnd - FPos < nodestream::ChunkHeaderSize)
            corrupt("Stream data corrupt. Unexpected data after node's end position.");
        const qint32 type = Int32At(FPos);
        const qint32 size = Int32At(FPos + 4);
        FPos += nodestream::ChunkHeaderSize;
        if (size < 0 || size > nodeEnd - FPos)
            corrupt("Stream data corrupt. A chunk's size does not fit into the data.");
        const qsizetype chunkEnd = FPos + size;
        if (type == nodestream::BaseChunk && !FNodes[nodeIndex].HasBase)
            ReadBase(nodeIndex, FPos, chunkEnd, depth);
        else if (type == nodestream::CaptionChunk || type == nodestream::UserChunk)
            own.push_back({type, FPos, size});
        // Anything else is skipped.
        FPos = chunkEnd;
    }
    if (FPos != nodeEnd)
        corrupt("Stream data corrupt. Unexpected data after node's end position.");
    FNodes[nodeIndex].FirstChunk = std::uint32_t(FChunks.size());
    FNodes[nodeIndex].ChunkCount = std::uint32_t(own.size());
    FChunks.insert(FChunks.end(), own.begin(), own.end());
}

void TTGNodeStreamReader::ReadBase(std::size_t nodeIndex, qsizetype bodyStart, qsizetype end, int depth)
{
    const int bodySize = FVersion >= 2 ? nodestream::BaseBodySize : nodestream::BaseBodySizeV1;
    if (end - bodyStart < bodySize)
        corrupt("Stream data corrupt. A chunk's size does not fit into the data.");
    const char *body = FData.constData() + bodyStart;
    TTGStreamNode record;
    record.HasBase = true;
    const quint32 childCount = qFromLittleEndian<quint32>(body);
    record.NodeHeight = std::min<quint32>(qFromLittleEndian<quint32>(body + 4), 0xFFFF);
    int at = 8;
    if (FVersion >= 2) {
        record.States = TGridNodeStates::fromBits(qFromLittleEndian<quint16>(body + at));
        at += 2;
    } else {
        // One byte: the low bits as they are, the top bit the selection; every such node is visible.
        const quint8 old = quint8(body[at++]);
        record.States = TGridNodeStates::fromBits(old & 0x7F);
        record.States.include(vsVisible);
        if (old & 0x80)
            record.States.include(vsSelected);
    }
    record.States = nodestream::StreamedStates(record.States);
    record.Align = std::min<quint8>(quint8(body[at]), 100);
    const quint8 checkState = quint8(body[at + 1]);
    const quint8 checkType = quint8(body[at + 2]);
    if (checkState > csMixedPressed || checkType > quint8(TCheckType::ctButton))
        corrupt("Stream data corrupt. A node holds an unknown check state.");
    record.CheckState = TCheckState(checkState);
    record.CheckType = TCheckType(checkType);

    // Every child is at least a chunk header.
    const qsizetype childrenStart = bodyStart + bodySize;
    if (qint64(childCount) * nodestream::ChunkHeaderSize > end - childrenStart)
        corrupt("Stream data corrupt. A node's child count does not fit into the data.");
    record.ChildCount = childCount;
    FNodes[nodeIndex] = record;
    FPos = childrenStart;
    for (quint32 i = 0; i < childCount; ++i)
        ReadNode(end, depth + 1);
}
