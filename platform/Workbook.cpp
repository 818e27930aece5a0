#include "Workbook.h"

#include <QSet>

namespace platform {

namespace {

// The first `length` UTF-16 units, one fewer when that would split a surrogate pair.
QString cutTo(const QString &text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

} // namespace

QString SanitizeSheetName(const QString &name)
{
    QString result;
    result.reserve(name.size());
    for (const QChar c : name) {
        switch (c.unicode()) {
        case u'[': case u']': case u':': case u'*': case u'?': case u'/': case u'\\':
            result += u'_';
            break;
        default:
            result += c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(u'_') : c;
        }
    }
    while (result.startsWith(u'\''))
        result.remove(0, 1);
    result = cutTo(result, WorkbookMaxSheetNameLength);
    while (result.endsWith(u'\''))
        result.chop(1);
    return result.isEmpty() ? QStringLiteral("Sheet") : result;
}

QStringList SanitizeSheetNames(const QStringList &names)
{
    QStringList result;
    QSet<QString> taken;
    for (const QString &name : names) {
        const QString base = SanitizeSheetName(name);
        QString candidate = base;
        for (int n = 2; taken.contains(candidate.toCaseFolded()); ++n) {
            const QString suffix = QStringLiteral(" (%1)").arg(n);
            candidate = cutTo(base, WorkbookMaxSheetNameLength - suffix.size()) + suffix;
        }
        taken.insert(candidate.toCaseFolded());
        result.append(candidate);
    }
    return result;
}

} // namespace platform
