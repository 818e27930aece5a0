// The reader takes a file's bytes as it takes a text: random documents of markup, entities,
// CDATA, line breaks, tabs and every Windows-1252 byte give the same tree (or the same error)
// both ways.

#include <gtest/gtest.h>

#include <QBuffer>

#include <functional>
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

namespace {

// A document as the planner writes it, big enough to be read in pieces: rows of cells under
// document/data, each row on lines of its own indented by its depth.
QByteArray BigDocument(int rows, const std::function<QByteArray(int row)> &extra)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<document>\r\n  <setup>\r\n"
                     "    <Version>3</Version>\r\n  </setup>\r\n  <data>\r\n";
    for (int i = 0; i < rows; ++i) {
        out += "    <new id=\"host.user." + QByteArray::number(i) + "\">\r\n";
        out += "      <__table__>tbTable</__table__>\r\n";
        out += "      <Position>Resource&nbsp;" + QByteArray::number(i % 300) + "</Position>\r\n";
        out += "      <Start>2024-03-04&nbsp;00:00:00</Start>\r\n";
        out += "      <Comment>Review &amp; install " + QByteArray::number(i) + "</Comment>\r\n";
        out += extra(i);
        out += "    </new>\r\n";
    }
    out += "  </data>\r\n  <diff index=\"0\" />\r\n</document>\r\n";
    return out;
}

} // namespace

// A big file is read in pieces on several threads; a piece counts only where reading it so
// gives what reading in turn gives. Whatever the file holds, the tree (or the error and the
// tree up to it) is the one the text gives, which is read in turn.
TEST(XmlReader, BigFilesReadInPiecesAsInTurn)
{
    const int rows = 40000; // about 9 MB
    auto expectAlike = [](const QByteArray &bytes, const char *what) {
        int countA = 0;
        int countB = 0;
        const QString a = Parse(bytes, true, countA);
        const QString b = Parse(bytes, false, countB);
        ASSERT_EQ(a.size(), b.size()) << what;
        ASSERT_TRUE(a == b) << what;
        EXPECT_EQ(countA, countB) << what;
    };
    const auto none = [](int) { return QByteArray(); };
    const QByteArray plain = BigDocument(rows, none);
    ASSERT_GT(plain.size(), 8 << 20);
    expectAlike(plain, "a plain document");
    // A CDATA section whose lines look like rows, at many places (some across a cut).
    expectAlike(BigDocument(rows, [](int row) {
                    return row % 997 == 0 ? QByteArray("      <Note><![CDATA[line\r\n    <new id=\"x\">\r\n    </new>\r\n]]></Note>\r\n")
                                          : QByteArray();
                }),
                "CDATA that looks like rows");
    // Text right inside data, between rows.
    expectAlike(BigDocument(rows, [](int row) { return row % 5000 == 4999 ? QByteArray("    </new>\r\n    stray text\r\n    <new>\r\n") : QByteArray(); }),
                "text between rows");
    // More closing tags than opening ones in the middle, and rows one level deeper.
    expectAlike(BigDocument(rows, [](int row) { return row == rows / 2 ? QByteArray("    </new></new></new>\r\n") : QByteArray(); }),
                "closing tags too many");
    expectAlike(BigDocument(rows, [](int row) { return row % 3 == 0 ? QByteArray("      <deeper>\r\n    <a>1</a>\r\n      </deeper>\r\n") : QByteArray(); }),
                "row lines inside deeper elements");
    // A tag without its end and a CDATA section without its end halfway.
    expectAlike(plain.left(plain.size() * 3 / 5) + "\r\n    <unfinished", "a tag without end");
    // Rows whose closing tags lack their ends run into the next row's opening tag, which at
    // the end of a piece lies in the next piece.
    QByteArray unended = plain;
    unended.replace("</new>\r\n", "</new\r\n");
    expectAlike(unended, "closing tags without ends");
    expectAlike(plain.left(plain.size() / 2) + "\r\n      <Note><![CDATA[ never ends\r\n    <new>\r\n" + plain.mid(plain.size() / 2),
                "a CDATA section without end");
    // Cut short at a few places, as a file still being written.
    for (const double share : {0.26, 0.5, 0.77, 0.99})
        expectAlike(plain.left(qsizetype(double(plain.size()) * share)), "cut short");
    // Nesting too deep inside a middle piece.
    QByteArray deep;
    for (int i = 0; i < TXMLTree::MaxDepth + 5; ++i)
        deep += "<d>";
    expectAlike(plain.left(plain.size() / 2) + deep + plain.mid(plain.size() / 2), "nested too deep");
    // No row lines at all: one line.
    QByteArray oneLine = plain;
    oneLine.replace("\r\n", "");
    expectAlike(oneLine, "one line");
}
