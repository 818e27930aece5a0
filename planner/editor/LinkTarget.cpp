#include "editor/LinkTarget.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Files the desktop would run rather than show.
bool RunsAsProgram(const QFileInfo &info)
{
    static const QStringList suffixes = {
        QStringLiteral("desktop"), QStringLiteral("sh"),  QStringLiteral("bash"), QStringLiteral("zsh"),
        QStringLiteral("csh"),     QStringLiteral("run"), QStringLiteral("bin"),  QStringLiteral("appimage"),
        QStringLiteral("exe"),     QStringLiteral("com"), QStringLiteral("bat"),  QStringLiteral("cmd"),
        QStringLiteral("msi"),     QStringLiteral("jar"), QStringLiteral("py"),   QStringLiteral("pl"),
        QStringLiteral("rb"),      QStringLiteral("command"), QStringLiteral("ps1"), QStringLiteral("vbs"),
        QStringLiteral("js"),      QStringLiteral("deb"), QStringLiteral("rpm"),  QStringLiteral("flatpakref")};
    return info.isExecutable() || suffixes.contains(info.suffix().toLower());
}

} // namespace

TLinkTarget ClassifyLink(const QString &text, const QString &folder)
{
    TLinkTarget target;
    const QString link = text.trimmed();
    if (link.isEmpty())
        return target;
    const QUrl url(link.startsWith(QStringLiteral("www."), Qt::CaseInsensitive) ? QStringLiteral("http://") + link
                                                                                 : link);
    const QString scheme = url.scheme().toLower();
    target.kind = lkRefused;
    if ((scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) && url.isValid()
        && !url.host().isEmpty()) {
        target.kind = lkWeb;
        target.url = url;
        return target;
    }
    if (scheme == QStringLiteral("mailto") && url.isValid() && !url.path().isEmpty()) {
        target.kind = lkMail;
        target.url = url;
        return target;
    }
    // A scheme of one letter is a drive, not a scheme; anything else with a scheme is refused.
    QString path;
    if (scheme == QStringLiteral("file"))
        path = url.toLocalFile();
    else if (scheme.size() <= 1)
        path = link;
    else
        return target;
    const QFileInfo info(QDir(folder.isEmpty() ? QDir::currentPath() : folder), path);
    if (info.isFile() && !RunsAsProgram(info)) {
        target.kind = lkFile;
        target.url = QUrl::fromLocalFile(info.absoluteFilePath());
    }
    return target;
}
