// The tree-grid's node streams (files, clipboard, drag and drop): any bytes load or are refused
// without reading out of bounds, and a refused stream leaves the tree as it was.

#include <QBuffer>

#include <cstdlib>
#include <memory>

#include "FuzzSupport.h"
#include "treegrid/StringTreeGrid.h"

namespace {

std::unique_ptr<TStringTreeGrid> MakeTree()
{
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    tree->SetNodeDataType<QString>();
    tree->OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
        text = *sender->GetNodeData<QString>(node);
    };
    tree->OnNewText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, const QString &text) {
        *sender->GetNodeData<QString>(node) = text;
    };
    tree->OnLoadNode = [](TBaseTreeGrid *, PGridNode, QIODevice &stream) { stream.read(3); };
    return tree;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::unique_ptr<TStringTreeGrid> tree = MakeTree();
    const QByteArray input = fuzz::Bytes(data, size);

    tree->Clear();
    tree->AddChild(nullptr);
    QBuffer buffer;
    buffer.setData(input);
    buffer.open(QIODevice::ReadOnly);
    try {
        tree->LoadFromStream(buffer);
    } catch (const ETreeGridError &) {
        if (tree->RootNodeCount() != 1)
            std::abort();
    }
    // The same bytes as exchanged node chunks.
    const std::uint32_t before = tree->RootNodeCount();
    try {
        tree->AddFromNodeChunks(input, nullptr, amAddChildLast, crNodeAdded);
    } catch (const ETreeGridError &) {
        if (tree->RootNodeCount() != before)
            std::abort();
    }
    // Whatever loaded saves again.
    QByteArray saved;
    QBuffer out(&saved);
    out.open(QIODevice::WriteOnly);
    tree->SaveToStream(out);
    return 0;
}
