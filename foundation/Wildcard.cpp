#include "Wildcard.h"

#include <QList>

namespace {

QList<uint> codePoints(const QString &text, bool caseSensitive)
{
    QList<uint> result = text.toUcs4();
    if (!caseSensitive) {
        for (uint &c : result)
            c = QChar::toCaseFolded(char32_t(c));
    }
    return result;
}

} // namespace

bool WildcardMatch(const QString &text, const QString &pattern, bool caseSensitive)
{
    if (pattern == QStringLiteral("*"))
        return true;
    const QList<uint> t = codePoints(text, caseSensitive);
    const QList<uint> p = codePoints(pattern, caseSensitive);
    const qsizetype n = t.size();
    const qsizetype m = p.size();

    // Greedy scan that remembers the last "*": on a mismatch that star takes one more text
    // character and the scan resumes right after it. Earlier stars never need revisiting.
    qsizetype ti = 0;
    qsizetype pi = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (ti < n) {
        if (pi < m && p[pi] == uint('*')) {
            star = pi++;
            resume = ti;
        } else if (pi < m && (p[pi] == uint('?') || p[pi] == t[ti])) {
            ++ti;
            ++pi;
        } else if (star >= 0) {
            pi = star + 1;
            ti = ++resume;
        } else {
            return false;
        }
    }
    while (pi < m && p[pi] == uint('*'))
        ++pi;
    return pi == m;
}
