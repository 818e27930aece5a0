#include "sync/PreparedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

#include <unistd.h>

#include "sync/WorkingFolder.h"

TPreparedFile::TPreparedFile(const QString &fileName)
    : FFileName(fileName), FFile(fileName)
{
}

TPreparedFile::~TPreparedFile() = default; // an uncommitted temporary file removes itself

bool TPreparedFile::Prepare(const QByteArray &bytes)
{
    const QString folder = QFileInfo(FFile.Target()).absolutePath();
    if (!FFileName.isEmpty() && !QDir().mkpath(folder)) {
        FPrepared = false;
        QString where;
        FErrorCode = FolderWriteError(folder, &where);
        FError = QStringLiteral("Cannot write \"%1\": %2")
                     .arg(FFileName, FErrorCode != 0 ? FileProblemText(FErrorCode, where, fuWrite)
                                                     : QStringLiteral("the folder cannot be made"));
        return false;
    }
    FPrepared = FFile.Prepare(bytes);
    FError = FFile.ErrorString();
    FErrorCode = FFile.ErrorCode();
    return FPrepared;
}

bool TPreparedFile::Commit(const TTrashFunction &trash)
{
    if (!FPrepared) {
        if (FError.isEmpty())
            FError = QStringLiteral("Cannot write \"%1\": nothing prepared").arg(FFileName);
        return false;
    }
    // Through a link, the file it names is the one replaced.
    const QFileInfo target(FFile.Target());
    const QString folder = target.absolutePath();

    // The previous version stays reachable under a second name until the new one stands.
    std::unique_ptr<QTemporaryDir> hold;
    QString held;
    if (trash && target.isFile()) {
        hold = std::make_unique<QTemporaryDir>(folder + QStringLiteral("/.") + target.fileName()
                                               + HoldFolderMarker() + QStringLiteral("XXXXXX"));
        if (hold->isValid()) {
            held = hold->path() + QLatin1Char('/') + target.fileName();
            if (::link(QFile::encodeName(target.filePath()).constData(), QFile::encodeName(held).constData()) != 0
                && !QFile::copy(target.filePath(), held))
                held.clear();
        }
    }

    if (!FFile.Commit()) {
        FError = FFile.ErrorString();
        FErrorCode = FFile.ErrorCode();
        return false;
    }
    FPrepared = false;
    if (!held.isEmpty())
        trash(held);
    hold.reset(); // removes whatever the recycle bin did not take
    return true;
}
