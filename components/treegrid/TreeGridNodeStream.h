#pragma once

// The chunk format that nodes travel in (files, drag and drop, the clipboard). All integers are
// little-endian. A stream starts with a 12-byte header (six UTF-16 units, the fourth the
// version) and, from version 2 on, the number of top-level nodes. Every node is a node chunk
// whose body holds its own chunks; the base chunk holds the node's record and, after it, the
// node chunks of its children.
//
// Streams come from other processes, so the reader trusts nothing: every size must lie within
// the bytes left, every count within what the rest can hold, and the whole stream is checked
// before anything is made of it.

#include <cstdint>
#include <vector>

#include <QByteArray>

#include "treegrid/TreeGridTypes.h"

namespace nodestream {

inline constexpr qint32 NodeChunk = 1;
inline constexpr qint32 BaseChunk = 2;
inline constexpr qint32 CaptionChunk = 3;
inline constexpr qint32 UserChunk = 4;
inline constexpr int HeaderSize = 12;
inline constexpr int ChunkHeaderSize = 8;
inline constexpr int CurrentVersion = 2;
// ChildCount 4, NodeHeight 4, States 2, Align 1, CheckState 1, CheckType 1, Reserved 4.
inline constexpr int BaseBodySize = 17;
// Version 1: ChildCount 4, NodeHeight 4, States 1, Align 1, CheckState 1, CheckType 1.
inline constexpr int BaseBodySizeV1 = 12;
// Deeper nesting than this is not a tree anyone made: it is refused before it can exhaust the stack.
inline constexpr int MaxDepth = 2000;
// The error for nodes that would be nested deeper than a stream can be read back with.
[[noreturn]] void RefuseNesting();

// The states a stream carries: transient ones stay behind.
TGridNodeStates StreamedStates(TGridNodeStates states);

void AppendInt32(QByteArray &out, qint32 value);
void AppendHeader(QByteArray &out);
// Appends a chunk header with size 0 and returns where it starts.
qsizetype BeginChunk(QByteArray &out, qint32 type);
// Fills in the size of the chunk started at start: the bytes written after its header.
void FinishChunk(QByteArray &out, qsizetype start);

} // namespace nodestream

// One node as read from a stream, in preorder with its descendants following it.
struct TTGStreamNode {
    std::uint32_t ChildCount = 0;
    std::uint32_t NodeHeight = 0;
    TGridNodeStates States;
    std::uint8_t Align = 50;
    TCheckState CheckState = csUncheckedNormal;
    TCheckType CheckType = TCheckType::ctNone;
    bool HasBase = false;
    // The node's other chunks (captions, user data): a range of TTGNodeStreamReader::Chunks.
    std::uint32_t FirstChunk = 0;
    std::uint32_t ChunkCount = 0;
};

struct TTGStreamChunk {
    qint32 Type = 0;
    qsizetype Offset = 0; // of the body in the data
    qint32 Size = 0;
};

// Checks and indexes a node stream without making any node; ETreeGridError on any fault.
class TTGNodeStreamReader
{
public:
    explicit TTGNodeStreamReader(const QByteArray &data) : FData(data) {}

    // A whole stream: header, count (version 2) and the nodes.
    void ReadStream();
    // Bare node chunks one after the other until the end (the exchange format).
    void ReadNodeChunks();

    const QByteArray &Data() const { return FData; }
    // Bytes the nodes took, from the start of the data.
    qsizetype Consumed() const { return FPos; }
    const std::vector<TTGStreamNode> &Nodes() const { return FNodes; }
    // The deepest level read: 0 when no node has children.
    int Deepest() const { return FDeepest; }
    const std::vector<TTGStreamChunk> &Chunks() const { return FChunks; }

private:
    qint32 Int32At(qsizetype pos) const;
    void ReadNode(qsizetype limit, int depth);
    void ReadBase(std::size_t nodeIndex, qsizetype bodyStart, qsizetype end, int depth);

    const QByteArray &FData;
    qsizetype FPos = 0;
    int FVersion = nodestream::CurrentVersion;
    int FDeepest = 0;
    std::vector<TTGStreamNode> FNodes;
    std::vector<TTGStreamChunk> FChunks;
};
