#include "treegrid/CustomStringTreeGrid.h"

#include "treegrid/StringEditLink.h"
#include "treegrid/TreeGridEdit.h"
#include "treegrid/TreeGridNodeStream.h"
#include "treegrid/TreeGridStream.h"

void TCustomStringTreeGrid::WriteChunks(QByteArray &out, PGridNode node)
{
    TBaseTreeGrid::WriteChunks(out, node);
    if (!StringTreeOptions().StringOptions().contains(toSaveCaptions) || !node->States.contains(vsInitialized))
        return;
    const QString text = Text(node, MainColumn());
    if (text.isEmpty())
        return;
    const qsizetype chunk = nodestream::BeginChunk(out, nodestream::CaptionChunk);
    out.append(Utf16LEBytes(text));
    nodestream::FinishChunk(out, chunk);
}

void TCustomStringTreeGrid::ReadChunk(PGridNode node, qint32 type, const QByteArray &data, qsizetype offset,
                                      qint32 size)
{
    if (type != nodestream::CaptionChunk) {
        TBaseTreeGrid::ReadChunk(node, type, data, offset, size);
        return;
    }
    SetText(node, MainColumn(), Utf16LEText(data.constData() + offset, size / 2));
}

std::shared_ptr<ITGEditLink> TCustomStringTreeGrid::DoCreateEditor(PGridNode node, TColumnIndex column)
{
    std::shared_ptr<ITGEditLink> link = TBaseTreeGrid::DoCreateEditor(node, column);
    if (!link)
        link = std::make_shared<TStringEditLink>();
    return link;
}

bool TCustomStringTreeGrid::AutoAcceptEditChange() const
{
    return StringTreeOptions().StringOptions().contains(toAutoAcceptEditChange);
}
