#include "treegrid/CustomStringTreeGrid.h"

#include <QtEndian>

#include "treegrid/StringEditLink.h"
#include "treegrid/TreeGridEdit.h"
#include "treegrid/TreeGridNodeStream.h"

void TCustomStringTreeGrid::WriteChunks(QByteArray &out, PGridNode node)
{
    TBaseTreeGrid::WriteChunks(out, node);
    if (!StringTreeOptions().StringOptions().contains(toSaveCaptions) || !node->States.contains(vsInitialized))
        return;
    const QString text = Text(node, MainColumn());
    if (text.isEmpty())
        return;
    const qsizetype chunk = nodestream::BeginChunk(out, nodestream::CaptionChunk);
    const qsizetype at = out.size();
    out.resize(at + text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), out.data() + at + 2 * i);
    nodestream::FinishChunk(out, chunk);
}

void TCustomStringTreeGrid::ReadChunk(PGridNode node, qint32 type, const QByteArray &data, qsizetype offset,
                                      qint32 size)
{
    if (type != nodestream::CaptionChunk) {
        TBaseTreeGrid::ReadChunk(node, type, data, offset, size);
        return;
    }
    QString text(size / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(data.constData() + offset + 2 * i));
    SetText(node, MainColumn(), text);
}

std::shared_ptr<ITGEditLink> TCustomStringTreeGrid::DoCreateEditor(PGridNode node, TColumnIndex column)
{
    std::shared_ptr<ITGEditLink> link = TBaseTreeGrid::DoCreateEditor(node, column);
    if (!link)
        link = std::make_shared<TStringEditLink>();
    return link;
}
