// The reader takes a file's bytes as it takes a text: random documents of markup, entities,
// CDATA, line breaks, tabs and every Windows-1252 byte give the same tree (or the same error)
// both ways.

#include <gtest/gtest.h>

#include <QBuffer>

#include <random>

#include "Cp1252.h"
#include "XmlTree.h"

namespace {

// The tree written out with every detail, for comparing two trees as one text.
QString Dump(const TXMLNode &node, int level = 0)
{
    QString out = QString(level * 2, QLatin1Char(' ')) + QLatin1Char('[') + node.GetName() + QLatin1Char(']')
                  + QString::number(node.ValueType()) + QLatin1Char('{') + node.GetValue() + QLatin1Char('}');
    for (int i = 0; i < node.AttributeCount(); ++i)
        out += QLatin1Char(' ') + node.GetAttribute(i)->GetName() + QLatin1Char('=') + node.GetAttribute(i)->GetValue();
    out += QLatin1Char('\n');
    for (const auto &child : node.Nodes())
        out += Dump(*child, level + 1);
    return out;
}

// Reads the bytes as a file is read, or (fromBytes false) as the text they decode to.
void Read(TXMLTree &tree, const QByteArray &bytes, bool fromBytes)
{
    if (fromBytes) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        tree.LoadFromStream(buffer);
    } else {
        tree.setText(platform::fromCp1252(bytes));
    }
}

QString Parse(const QByteArray &bytes, bool fromBytes, int &count)
{
    TXMLTree tree;
    try {
        Read(tree, bytes, fromBytes);
    } catch (const EXMLError &e) {
        count = tree.NodeCount();
        return QStringLiteral("error: ") + QString::fromLatin1(e.what()) + QLatin1Char('\n') + Dump(tree);
    }
    count = tree.NodeCount();
    return Dump(tree);
}

} // namespace

TEST(XmlReader, BytesAndTextReadAlike)
{
    const QList<QByteArray> pieces = {
        "<", ">", "</", "/>", "?>", "<a>", "</a>", "<b x=\"1\" y = \"two&amp;\">", "</b>", "<c/>", "<c />",
        "<![CDATA[", "<![cdata[", "]]>", "&amp;", "&lt;", "&gt;", "&quot;", "&nbsp;", "&#65;", "&#8364;", "&#;",
        "&apos;", "&", "\r\n", "\t", " ", "  ", "text", "Stra\xdf" "e", "\x80\x81\x9f\xa0\xff", "=", "\"", "<!-- x -->",
        "<?xml version=\"1.0\"?>", "<Public&nbsp;Holiday>", "</Public&nbsp;Holiday>", "<n a=\"\xe9\">",
    };
    std::mt19937 random(31337);
    int errors = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        for (int i = int(random() % 24); i > 0; --i)
            bytes += pieces[int(random() % pieces.size())];
        int countA = 0;
        int countB = 0;
        const QString a = Parse(bytes, true, countA);
        const QString b = Parse(bytes, false, countB);
        ASSERT_EQ(a, b) << bytes.toStdString();
        EXPECT_EQ(countA, countB);
        errors += a.startsWith(QStringLiteral("error")) ? 1 : 0;
    }
    // Both kinds of input occurred.
    EXPECT_GT(errors, 100);
    EXPECT_LT(errors, 2900);
}

TEST(XmlReader, RepeatedValuesReadAsWrittenEachTime)
{
    // Equal short values are shared while reading; a value that only looks like an earlier
    // one after unescaping or cleaning must still be read (or refused) on its own.
    const QByteArray text = "<r><a>x\ty</a><b>x y</b><c>x\ty</c><d>a&amp;b</d><e>a&amp;b</e><f>a&#38;b</f>"
                            "<g>1</g><h>1</h><i> 1 </i><j>x\r\ny</j><k>x y</k></r>";
    for (const bool fromBytes : {true, false}) {
        int count = 0;
        const QString dump = Parse(text, fromBytes, count);
        QStringList values;
        for (const QString &line : dump.split(QLatin1Char('\n')))
            if (line.startsWith(QStringLiteral("    [")))
                values << line.section(QLatin1Char('{'), 1).section(QLatin1Char('}'), 0, 0);
        EXPECT_EQ(values, (QStringList{"x y", "x y", "x y", "a&b", "a&b", "a&b", "1", "1", "1", "x y", "x y"}));
    }
    // After "a&b" was read from "a&amp;b", a bare "a&b" is still an error.
    for (const bool fromBytes : {true, false}) {
        int count = 0;
        EXPECT_TRUE(Parse("<r><d>a&amp;b</d><e>a&b</e></r>", fromBytes, count).startsWith(QStringLiteral("error")));
    }
}

TEST(XmlReader, RepeatedEscapedValuesAndManyNames)
{
    // Values with entities repeat as often as plain ones (dates and names hold "&nbsp;");
    // many distinct names overflow what the reader keeps of them and must still read right.
    QByteArray text = "<r>";
    QStringList expectedNames;
    QStringList expectedValues;
    for (int i = 0; i < 700; ++i) {
        const QByteArray name = "n&nbsp;" + QByteArray::number(i % 350);
        const QByteArray raw = i % 3 == 0 ? "2024-01-0" + QByteArray::number(i % 7) + "&nbsp;08:00" : "&#" + QByteArray::number(65 + i % 5) + ";";
        text += "<" + name + ">" + raw + "</" + name + ">";
        expectedNames << QStringLiteral("n %1").arg(i % 350);
        expectedValues << (i % 3 == 0 ? QStringLiteral("2024-01-0%1 08:00").arg(i % 7) : QString(QChar(65 + i % 5)));
    }
    text += "</r>";
    for (const bool fromBytes : {true, false}) {
        TXMLTree tree;
        Read(tree, text, fromBytes);
        const TXMLNode *r = tree.namedNode(QStringLiteral("r"));
        ASSERT_TRUE(r);
        QStringList names;
        QStringList values;
        for (const auto &child : r->Nodes()) {
            names << child->GetName();
            values << child->GetValue();
            // The name found by its text is the first of that name.
            EXPECT_EQ(r->namedNode(child->GetName())->GetName(), child->GetName());
        }
        EXPECT_EQ(names, expectedNames);
        EXPECT_EQ(values, expectedValues);
    }
}
