#include <gtest/gtest.h>

#include <QStringList>

#include "XmlScanner.h"

namespace {

// The tokens of a whole document as one line each: "<name a=v>", "</name>", "'text'", "END"
// or "ERROR".
QStringList tokens(const QByteArray &xml, const QList<QByteArray> &attributes = {})
{
    TXmlScanner scanner(xml);
    QStringList out;
    for (;;) {
        switch (scanner.Next()) {
        case TXmlScanner::xtStartElement: {
            QString line = QStringLiteral("<") + QString::fromUtf8(scanner.Name());
            for (const QByteArray &name : attributes) {
                QString value;
                if (scanner.Attribute(name, value))
                    line += QStringLiteral(" %1=%2").arg(QString::fromUtf8(name), value);
            }
            out.append(line + QStringLiteral(">"));
            break;
        }
        case TXmlScanner::xtEndElement:
            out.append(QStringLiteral("</") + QString::fromUtf8(scanner.Name()) + QStringLiteral(">"));
            break;
        case TXmlScanner::xtText:
            out.append(QStringLiteral("'") + scanner.Text() + QStringLiteral("'"));
            break;
        case TXmlScanner::xtEndOfDocument:
            out.append(QStringLiteral("END"));
            return out;
        case TXmlScanner::xtError:
            EXPECT_FALSE(scanner.ErrorString().isEmpty());
            out.append(QStringLiteral("ERROR"));
            return out;
        }
    }
}

} // namespace

// What spreadsheet programs write: a declaration, prefixes, both quotes, references, CDATA,
// empty elements, comments, CR LF line ends.
TEST(XmlScannerTest, ReadsWhatProducersWrite)
{
    const QByteArray xml = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                           "<!-- made by hand -->\n"
                           "<x:sst xmlns:x=\"urn:x\" count='2'>"
                           "<x:si><x:t xml:space=\"preserve\"> a &lt;b&gt; &amp; &quot;c&quot; &apos;d&apos; &#228;&#x20AC;&#x1F600;</x:t></x:si>"
                           "<x:si><x:t>line1\r\nline2\rline3</x:t><x:r/><![CDATA[<raw> & stuff]]></x:si>"
                           "<x:e name=\"Tom &amp; Jerry\" tab=\"a&#9;b\tc\" line=\"x\ny\"/>"
                           "</x:sst>\n<!-- trailing -->\n";
    const QStringList got = tokens(xml, {"count", "name", "tab", "line", "space"});
    const QStringList expected = {
        QStringLiteral("<sst count=2>"),
        QStringLiteral("<si>"),
        QStringLiteral("<t space=preserve>"),
        QString::fromUtf8("' a <b> & \"c\" 'd' ä€😀'"),
        QStringLiteral("</t>"),
        QStringLiteral("</si>"),
        QStringLiteral("<si>"),
        QStringLiteral("<t>"),
        QStringLiteral("'line1\nline2\nline3'"),
        QStringLiteral("</t>"),
        QStringLiteral("<r>"),
        QStringLiteral("</r>"),
        QStringLiteral("'<raw> & stuff'"),
        QStringLiteral("</si>"),
        QStringLiteral("<e name=Tom & Jerry tab=a\tb c line=x y>"),
        QStringLiteral("</e>"),
        QStringLiteral("</sst>"),
        QStringLiteral("END"),
    };
    EXPECT_EQ(got, expected);
}

TEST(XmlScannerTest, RawAttributesDepthAndSkipping)
{
    const QByteArray xml = "<a><b r=\"C7\" s='3'><skip><deep>x</deep><e/></skip><keep>y</keep></b></a>";
    TXmlScanner scanner(xml);
    ASSERT_EQ(scanner.Next(), TXmlScanner::xtStartElement);
    EXPECT_EQ(scanner.Depth(), 1);
    ASSERT_EQ(scanner.Next(), TXmlScanner::xtStartElement);
    EXPECT_EQ(scanner.RawAttribute("r"), QByteArrayView("C7"));
    EXPECT_EQ(scanner.RawAttribute("s"), QByteArrayView("3"));
    EXPECT_TRUE(scanner.RawAttribute("t").isEmpty());
    EXPECT_EQ(scanner.Depth(), 2);
    ASSERT_EQ(scanner.Next(), TXmlScanner::xtStartElement);
    ASSERT_TRUE(scanner.IsName("skip"));
    ASSERT_TRUE(scanner.SkipElement());
    EXPECT_TRUE(scanner.IsName("skip"));
    EXPECT_EQ(scanner.Token(), TXmlScanner::xtEndElement);
    ASSERT_EQ(scanner.Next(), TXmlScanner::xtStartElement);
    EXPECT_TRUE(scanner.IsName("keep"));
    ASSERT_EQ(scanner.Next(), TXmlScanner::xtText);
    EXPECT_EQ(scanner.Text(), QStringLiteral("y"));
}

// Damage is reported, never half read: every malformed form ends in an error.
TEST(XmlScannerTest, RefusesMalformedDocuments)
{
    const QList<QByteArray> bad = {
        "",
        "   ",
        "<a>",
        "<a></b>",
        "<a><b></a></b>",
        "<a>&unknown;</a>",
        "<a>&amp</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a>&#x110000;</a>",
        "<a>&#12a;</a>",
        "<a x=\"&bogus;\"/>",
        "<a x=\"1\" y></a>",
        "<a x=1></a>",
        "<a x=\"1></a>",
        "<a x=\"<\"/>",
        "<!DOCTYPE a [<!ENTITY e \"eeee\">]><a>&e;</a>",
        "text<a/>",
        "<a/>text",
        "<a/><b/>",
        "<a><!-- open </a>",
        "<a><![CDATA[ open </a>",
        "<?xml version=\"1.0\"",
        "<a/ >",
        "<>",
    };
    for (const QByteArray &xml : bad)
        EXPECT_EQ(tokens(xml).constLast(), QStringLiteral("ERROR")) << xml.constData();
}

// Every cut of a valid document is an error; only the whole one reads to the end.
TEST(XmlScannerTest, EveryTruncationIsAnError)
{
    const QByteArray xml = "<?xml version=\"1.0\"?><sst count=\"1\"><si><t>a&amp;b</t></si><si><t/></si></sst>";
    EXPECT_EQ(tokens(xml).constLast(), QStringLiteral("END"));
    for (qsizetype cut = 0; cut < xml.size(); ++cut)
        EXPECT_EQ(tokens(xml.left(cut)).constLast(), QStringLiteral("ERROR")) << cut;
}

TEST(XmlScannerTest, NestingIsBounded)
{
    QByteArray deep;
    for (int i = 0; i < 300; ++i)
        deep += "<a>";
    EXPECT_EQ(tokens(deep).constLast(), QStringLiteral("ERROR"));
}
