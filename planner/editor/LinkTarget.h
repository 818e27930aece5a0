#pragma once

#include <QString>
#include <QUrl>

// What the text of a link cell may open. Cells come from other users and other programs, so
// only web and mail addresses open directly; an existing file opens after the user agreed,
// unless it could run as a program; anything else is refused.
enum TLinkKind { lkNone, lkWeb, lkMail, lkFile, lkRefused };

struct TLinkTarget
{
    TLinkKind kind = lkNone;
    QUrl url;
};

// `folder` resolves relative file names (the document's folder).
TLinkTarget ClassifyLink(const QString &text, const QString &folder);
