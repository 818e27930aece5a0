#pragma once

// Builds zip packages part by part, for workbooks as other programs (or damage) leave them.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

#include <zip.h>

namespace testsupport {

using TZipParts = QList<QPair<QString, QByteArray>>;

inline bool writeZip(const QString &path, const TZipParts &parts)
{
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    for (const auto &part : parts) {
        zip_source_t *source = zip_source_buffer(archive, part.second.constData(), zip_uint64_t(part.second.size()), 0);
        if (!source || zip_file_add(archive, part.first.toUtf8().constData(), source, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

} // namespace testsupport
