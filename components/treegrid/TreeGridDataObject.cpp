#include "treegrid/TreeGridDataObject.h"

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridRoutines.h"

TTGDataObject::TTGDataObject(TBaseTreeGrid *owner, bool forClipboard)
    : FOwner(owner), FForClipboard(forClipboard), FFormats(owner ? owner->GetNativeClipboardFormats() : QStringList())
{
}

QString TTGDataObject::DescriptionOf(const QString &mimeType) const
{
    // Several formats may travel as one MIME type (two texts, two RTFs): the first offered wins.
    for (const QString &format : FFormats)
        if (TBaseTreeGrid::MimeTypeOf(format) == mimeType)
            return format;
    return {};
}

bool TTGDataObject::IsSet(const QString &mimeType) const
{
    // The base class's own list: its hasFormat would ask this object's formats.
    return QMimeData::formats().contains(mimeType);
}

bool TTGDataObject::ReferenceAvailable() const
{
    return FOwner && FOwner->ReferenceAvailable();
}

QStringList TTGDataObject::EnumFormatEtc() const
{
    QStringList result;
    for (const QString &format : FFormats) {
        const QString mimeType = TBaseTreeGrid::MimeTypeOf(format);
        if (!mimeType.isEmpty() && !result.contains(mimeType))
            result << mimeType;
    }
    for (const QString &mimeType : QMimeData::formats())
        if (!result.contains(mimeType) && mimeType != TreeGridReferenceFormat())
            result << mimeType;
    return result;
}

bool TTGDataObject::QueryGetData(const QString &mimeType) const
{
    if (mimeType == TreeGridReferenceFormat())
        return ReferenceAvailable();
    return IsSet(mimeType) || !DescriptionOf(mimeType).isEmpty();
}

QByteArray TTGDataObject::GetData(const QString &mimeType) const
{
    if (mimeType == TreeGridReferenceFormat())
        return ReferenceAvailable() ? FOwner->TreeReference() : QByteArray();
    if (IsSet(mimeType))
        return QMimeData::retrieveData(mimeType, QMetaType(QMetaType::QByteArray)).toByteArray();
    const QString format = DescriptionOf(mimeType);
    if (format.isEmpty() || !FOwner)
        return {};
    ++FRendering;
    const struct TDone
    {
        int &count;
        ~TDone() { --count; }
    } done{FRendering};
    return FOwner->RenderDataObjectFormat(format, FForClipboard);
}

bool TTGDataObject::GetDataHere(const QString &, QIODevice &) const
{
    return false;
}

void TTGDataObject::SetData(const QString &mimeType, const QByteArray &data)
{
    QMimeData::setData(mimeType, data);
}

QStringList TTGDataObject::formats() const
{
    QStringList result = EnumFormatEtc();
    if (ReferenceAvailable())
        result << TreeGridReferenceFormat();
    return result;
}

bool TTGDataObject::hasFormat(const QString &mimeType) const
{
    return QueryGetData(mimeType);
}

QVariant TTGDataObject::retrieveData(const QString &mimeType, QMetaType) const
{
    const QByteArray data = GetData(mimeType);
    return data.isEmpty() ? QVariant() : QVariant(data);
}
