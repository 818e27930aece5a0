#include <gtest/gtest.h>

#include "HashedString.h"
#include "XmlEscape.h"

#include <QBuffer>

TEST(XmlHashedString, HashAndComparisons)
{
    EXPECT_EQ(THashedString().HashValue(), 5381u);
    EXPECT_EQ(THashedString::Hash(u""), 5381u);
    EXPECT_EQ(THashedString::Hash(u"a"), 177604u);
    EXPECT_EQ(THashedString::Hash(u"Caption"), 3752797675u);
    EXPECT_EQ(THashedString::Hash(u"Public Holiday"), 4091084570u);
    // Non-Latin letters and a surrogate pair hash per UTF-16 unit.
    EXPECT_EQ(THashedString::Hash(u"Größe€😀"), 1781759565u);

    THashedString s(QStringLiteral("Start"));
    EXPECT_EQ(s.HashValue(), THashedString::Hash(u"Start"));
    s.SetValue(QStringLiteral("End"));
    EXPECT_EQ(s.Value(), QStringLiteral("End"));
    EXPECT_EQ(s.HashValue(), THashedString::Hash(u"End"));
    EXPECT_TRUE(s.HashEquals(THashedString(QStringLiteral("End"))));
    EXPECT_FALSE(s.HashEquals(THashedString(QStringLiteral("end")))); // case-sensitive
    EXPECT_TRUE(s.StrEquals(u"End"));
    EXPECT_FALSE(s.StrEquals(u"END"));

    // " a" and "!@" share a hash: the texts decide.
    const THashedString a(QStringLiteral(" a"));
    const THashedString b(QStringLiteral("!@"));
    ASSERT_EQ(a.HashValue(), b.HashValue());
    EXPECT_FALSE(a.HashEquals(b));
    EXPECT_FALSE(a == b);
}

TEST(XmlEscape, EscapeWritesEntitiesAndReferences)
{
    EXPECT_EQ(XMLEscape(u"Start date"), QStringLiteral("Start&nbsp;date"));
    EXPECT_EQ(XMLEscape(u"a&b<c>d\"e'f"), QStringLiteral("a&amp;b&lt;c&gt;d&quot;e'f"));
    EXPECT_EQ(XMLEscape(u"plain"), QStringLiteral("plain"));
    EXPECT_EQ(XMLEscape(u""), QString());
    // Line breaks, tabs and other controls become references so they survive the reader.
    EXPECT_EQ(XMLEscape(u"a\r\nb\tc"), QStringLiteral("a&#13;&#10;b&#9;c"));
    EXPECT_EQ(XMLEscape(QString(QChar(0)) + QStringLiteral("x") + QChar(0x1F)), QStringLiteral("&#0;x&#31;"));
    // Windows-1252 characters stay; others become one reference per character, a UTF-16
    // pair one to its code point; a lone half keeps a reference of its own.
    EXPECT_EQ(XMLEscape(u"€ äß Ÿ"), u"€&nbsp;äß&nbsp;Ÿ");
    EXPECT_EQ(XMLEscape(u"Ω😀"), QStringLiteral("&#937;&#128512;"));
    EXPECT_EQ(XMLEscape(QString(QChar(0xD83D)) + QStringLiteral("x") + QChar(0xDE00)),
              QStringLiteral("&#55357;x&#56832;"));
    EXPECT_EQ(XMLEscape(QString(QChar(0x80))), QStringLiteral("&#128;"));
}

TEST(XmlEscape, UnescapeAcceptsOnlyKnownEntities)
{
    EXPECT_EQ(XMLUnescape(u"a&amp;b&lt;c&gt;d&quot;e&nbsp;f"), QStringLiteral("a&b<c>d\"e f"));
    EXPECT_EQ(XMLUnescape(u"&#65;&#0;&#65535;"), QString(QChar('A')) + QChar(0) + QChar(0xFFFF));
    EXPECT_EQ(XMLUnescape(u"&#55357;&#56832;"), u"😀");
    EXPECT_EQ(XMLUnescape(u"&#128512;&#65536;&#1114111;"), QString::fromUcs4(U"😀\U00010000\U0010FFFF"));
    EXPECT_EQ(XMLUnescape(u"no entity"), QStringLiteral("no entity"));

    for (const char16_t *bad : {u"&apos;", u"&AMP;", u"&", u"a&", u"&amp", u"&#;", u"&#", u"&#65",
                                u"&#x41;", u"&#1114112;", u"&#99999999999999999999;", u"& b", u"&Nbsp;"}) {
        try {
            XMLUnescape(QStringView(bad));
            ADD_FAILURE() << QString::fromUtf16(bad).toStdString();
        } catch (const EXMLError &e) {
            EXPECT_STREQ(e.what(), "XMLUnescape format error");
        }
    }
}

TEST(XmlEscape, EveryUtf16UnitRoundTrips)
{
    QString all;
    for (int c = 0; c <= 0xFFFF; ++c)
        all += QChar(char16_t(c));
    const QString escaped = XMLEscape(all);
    // Nothing in the escaped text needs more than Windows-1252, and no raw blank or control
    // is left for the reader to trim or fold.
    for (const QChar c : escaped) {
        ASSERT_GE(c.unicode(), 0x21);
        ASSERT_NE(c, QLatin1Char('<'));
    }
    EXPECT_EQ(XMLUnescape(escaped), all);
}

TEST(XmlEscape, NamesAvoidTagSyntax)
{
    EXPECT_EQ(XMLEscapeElementName(u"Public Holiday"), QStringLiteral("Public&nbsp;Holiday"));
    EXPECT_EQ(XMLEscapeElementName(u"Done?"), QStringLiteral("Done&#63;"));
    EXPECT_EQ(XMLEscapeElementName(u"a/"), QStringLiteral("a&#47;"));
    EXPECT_EQ(XMLEscapeElementName(u"/a"), QStringLiteral("&#47;a"));
    EXPECT_EQ(XMLEscapeElementName(u"!--"), QStringLiteral("&#33;--"));
    EXPECT_EQ(XMLEscapeElementName(u"a=b"), QStringLiteral("a=b"));
    EXPECT_EQ(XMLEscapeAttributeName(u"a=b c"), QStringLiteral("a&#61;b&nbsp;c"));
    EXPECT_EQ(XMLUnescape(XMLEscapeAttributeName(u"&#61;=")), QStringLiteral("&#61;="));
}

TEST(XmlEscape, StreamHelpersUseWindows1252)
{
    QByteArray bytes = "skip\x80 caf\xE9";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    buffer.seek(4);
    EXPECT_EQ(ReadString(buffer), u"€ café");
    EXPECT_TRUE(WriteString(buffer, QString::fromUtf16(u"Ÿ!")));
    EXPECT_EQ(bytes, QByteArray("skip\x80 caf\xE9\x9F!"));
}
