#pragma once

#include <QMimeData>
#include <QPointer>
#include <QStringList>

class QIODevice;
class TBaseTreeGrid;

// The data a tree hands out by a drag or the clipboard. It offers the tree's formats at once,
// but renders one only when a receiver asks for it, from the nodes as they are then (the drag's
// nodes, or those of the pending cut or copy); nodes deleted meanwhile are left out, and once
// the tree is gone nothing more is rendered. Data a receiver sets for a format is kept and
// answered instead of a rendering. The reference to the tree is answered directly, except while
// the tree flushes the clipboard.
class TTGDataObject : public QMimeData
{
    Q_OBJECT

public:
    TTGDataObject(TBaseTreeGrid *owner, bool forClipboard);

    // The formats offered for reading, as MIME types in the order offered: the tree's formats
    // (taken when the object was made), then those set later. The reference is not among them.
    QStringList EnumFormatEtc() const;
    // Whether a format is offered (the reference always is, unless the tree flushes).
    bool QueryGetData(const QString &mimeType) const;
    // The format's data: set data first, else rendered now; empty when nothing can be had.
    QByteArray GetData(const QString &mimeType) const;
    // Rendering into a place the receiver provides is not offered: always false, nothing changes.
    bool GetDataHere(const QString &mimeType, QIODevice &medium) const;
    // Keeps data for a format (replacing what was set for it before); a new format is offered.
    void SetData(const QString &mimeType, const QByteArray &data);

    // Whether a format is being rendered now: the object must not be replaced meanwhile.
    bool Rendering() const { return FRendering > 0; }

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    bool ReferenceAvailable() const;
    // Whether data was set for the format.
    bool IsSet(const QString &mimeType) const;
    // The offered format (description) that a MIME type stands for; empty when none.
    QString DescriptionOf(const QString &mimeType) const;

    QPointer<TBaseTreeGrid> FOwner;
    const bool FForClipboard;
    QStringList FFormats; // descriptions, in the order offered
    mutable int FRendering = 0;
};
