#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <functional>

#include "DateTime.h"

class QMenu;
class TDocumentSync;

// One generation of the document that can be gone back to.
struct TRevertFile
{
    QString filename;   // the generation folder
    TDateTime date = 0; // when its lock copy was written
    bool autosave = false;
};

// The two lists the File menu fills as it opens: the users present in the document (their
// presence files were touched within the last minute) and the generations to revert to.
class TDocumentMenus : public QObject
{
    Q_OBJECT
public:
    TDocumentMenus(TDocumentSync &sync, QMenu *file, QMenu *users, QMenu *revert, QObject *parent);

    // The File menu opens.
    void DateiClick();
    void DateiClick(const QDateTime &now);
    // The generations with a lock copy, the newest first.
    QVector<TRevertFile> RevertFiles() const;
    static QString RevertCaption(const TRevertFile &file);

    // A generation was chosen.
    std::function<void(const QString &generation)> OnRevert;

private:
    TDocumentSync &FSync;
    QPointer<QMenu> FUsers;
    QPointer<QMenu> FRevert;
};
