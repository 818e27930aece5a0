#include <gtest/gtest.h>

#include "Wildcard.h"

namespace {
bool match(const char *text, const char *pattern, bool caseSensitive = true)
{
    return WildcardMatch(QString::fromUtf8(text), QString::fromUtf8(pattern), caseSensitive);
}
} // namespace

TEST(WildcardTest, StarsAndQuestionMarks)
{
    EXPECT_TRUE(match("Report.txt", "*.TXT", false));
    EXPECT_FALSE(match("Report.txt", "*.TXT", true));
    EXPECT_TRUE(match("", "*"));
    EXPECT_TRUE(match("", "**"));
    EXPECT_TRUE(match("", ""));
    EXPECT_FALSE(match("", "?"));
    EXPECT_FALSE(match("a", ""));
    EXPECT_TRUE(match("foo", "foo*"));
    EXPECT_TRUE(match("foo", "*foo*"));
    EXPECT_TRUE(match("foo", "f*o*o"));
    EXPECT_FALSE(match("foo", "foo?"));
    EXPECT_TRUE(match("abc", "a?c"));
    EXPECT_FALSE(match("ac", "a?c"));
    EXPECT_TRUE(match("mississippi", "*sip*"));
    EXPECT_TRUE(match("mississippi", "m*iss*ppi"));
    EXPECT_FALSE(match("mississippi", "m*iss*ppx"));
    EXPECT_TRUE(match("aaab", "*a*b"));
    EXPECT_FALSE(match("aaa", "*a*b"));
    EXPECT_TRUE(match("abcabcabd", "*abd"));
    EXPECT_TRUE(match("x*y", "x*y"));
    EXPECT_FALSE(match("xy", "x?y"));
    EXPECT_TRUE(match("Zeile 12 von 30", "Zeile ?? von *"));
}

TEST(WildcardTest, CaseAndNonAsciiText)
{
    EXPECT_TRUE(match("Ärger mit Müller", "*MÜLLER", false));
    EXPECT_TRUE(match("ärger", "Ä*", false));
    EXPECT_FALSE(match("ärger", "Ä*", true));
    EXPECT_TRUE(match("Straße", "STRASSE", false) || match("Straße", "straße", false));
    // A character outside the basic plane is one character for "?".
    EXPECT_TRUE(match("a\U0001F600b", "a?b"));
    EXPECT_FALSE(match("a\U0001F600b", "a??b"));
}

TEST(WildcardTest, LongTextsAndPatterns)
{
    // Far beyond 255 characters, both ways.
    const QString text = QString(5000, u'a') + QStringLiteral("needle") + QString(5000, u'b');
    EXPECT_TRUE(WildcardMatch(text, QStringLiteral("*needle*"), true));
    EXPECT_TRUE(WildcardMatch(text, QString(5000, u'?') + QStringLiteral("needle*"), true));
    EXPECT_FALSE(WildcardMatch(text, QString(5001, u'?') + QStringLiteral("needle*"), true));
    EXPECT_TRUE(WildcardMatch(text, text, true));
    EXPECT_FALSE(WildcardMatch(text, text + u'c', true));

    // The classic blow-up for backtracking matchers: many stars that almost match.
    QString pattern;
    for (int i = 0; i < 300; ++i)
        pattern += QStringLiteral("*a");
    pattern += u'c';
    const QString as(20000, u'a');
    EXPECT_FALSE(WildcardMatch(as, pattern, true));
    EXPECT_TRUE(WildcardMatch(as + u'c', pattern, true));
}
