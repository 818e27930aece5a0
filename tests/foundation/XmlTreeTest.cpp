#include <gtest/gtest.h>

#include "BlockCompress.h"
#include "Cp1252.h"
#include "XmlTree.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kTemplate = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data /><diff index=\"0\" /></document>");

QString parsedNames(const TXMLNode *node)
{
    QStringList names;
    for (const auto &child : node->Nodes())
        names << child->GetName();
    return names.join(QLatin1Char('|'));
}

// Fails the test unless both trees hold the same names, texts, value types and attributes.
void expectSameTree(const TXMLNode *a, const TXMLNode *b, const QString &path = QString())
{
    ASSERT_EQ(a->GetName(), b->GetName()) << path.toStdString();
    EXPECT_EQ(a->GetValue(), b->GetValue()) << path.toStdString();
    EXPECT_EQ(a->ValueType(), b->ValueType()) << path.toStdString();
    ASSERT_EQ(a->AttributeCount(), b->AttributeCount()) << path.toStdString();
    for (int i = 0; i < a->AttributeCount(); ++i) {
        EXPECT_EQ(a->GetAttribute(i)->GetName(), b->GetAttribute(i)->GetName());
        EXPECT_EQ(a->GetAttribute(i)->GetValue(), b->GetAttribute(i)->GetValue());
    }
    ASSERT_EQ(a->ChildCount(), b->ChildCount()) << path.toStdString();
    for (int i = 0; i < a->ChildCount(); ++i)
        expectSameTree(a->GetNode(i), b->GetNode(i), path + QLatin1Char('/') + a->GetNode(i)->GetName());
}

// A device that refuses to take more than a few bytes.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override
    {
        if (m_room <= 0)
            return -1;
        const qint64 n = qMin(len, m_room);
        m_room -= n;
        return n;
    }

private:
    qint64 m_room;
};

} // namespace

TEST(XmlTree, DocumentTemplate)
{
    TXMLTree tree;
    tree.setText(kTemplate);
    EXPECT_EQ(parsedNames(&tree), QStringLiteral("?xml|document"));
    const TXMLNode *prolog = tree.GetNode(0);
    ASSERT_EQ(prolog->AttributeCount(), 2);
    EXPECT_EQ(prolog->GetAttribute(0)->GetName(), QStringLiteral("version"));
    EXPECT_EQ(prolog->GetAttribute(0)->GetValue(), QStringLiteral("1.0"));
    EXPECT_EQ(prolog->namedAttribute(QStringLiteral("encoding"))->GetValue(), QStringLiteral("ISO-8859-1"));
    EXPECT_EQ(parsedNames(tree.GetNode(1)), QStringLiteral("setup|data|diff"));
    EXPECT_EQ(tree.NodeCount(), 1);
    TXMLNode *diff = tree.namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")});
    ASSERT_NE(diff, nullptr);
    EXPECT_EQ(diff->namedAttribute(QStringLiteral("index"))->ToInt(-1), 0);
    EXPECT_EQ(tree.namedNode(QStringList{QStringLiteral("document"), QStringLiteral("nothing"), QStringLiteral("x")}),
              nullptr);

    const QString written = tree.getText();
    EXPECT_EQ(written, QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" />\r\n"
                                      "<document>\r\n"
                                      "  <setup />\r\n"
                                      "  <data />\r\n"
                                      "  <diff index=\"0\" />\r\n"
                                      "</document>\r\n"));
    // Written, read and written again gives the same text.
    TXMLTree again;
    again.setText(written);
    EXPECT_EQ(again.getText(), written);
    expectSameTree(&tree, &again);
}

TEST(XmlTree, WriterLayout)
{
    TXMLTree tree;
    TXMLNode *doc = tree.AddNode(QStringLiteral("document"));
    doc->AddNode(QStringLiteral("Caption"), QStringLiteral("Start date"));
    TXMLNode *holiday = doc->AddNode(QStringLiteral("Public Holiday"))->AddNode(QStringLiteral("0"));
    holiday->AddNode(QStringLiteral("Name"), QStringLiteral("New Year"));
    TXMLNode *row = doc->AddNode(QStringLiteral("new"), QStringLiteral("t"));
    row->AddAttribute(QStringLiteral("id"), QStringLiteral("7.host.user"));
    row->AddNode(QStringLiteral("y"));
    TXMLNode *cdata = doc->AddNode(QStringLiteral("c"), QStringLiteral("line1\\n line2\\t end & more ]]> Ω"));
    cdata->SetValueType(xvtCDATA);

    EXPECT_EQ(doc->GetNode(0)->document(0), QStringLiteral("<Caption>Start&nbsp;date</Caption>\r\n"));
    EXPECT_EQ(tree.getText(), QStringLiteral("<document>\r\n"
                                             "  <Caption>Start&nbsp;date</Caption>\r\n"
                                             "  <Public&nbsp;Holiday>\r\n"
                                             "    <0>\r\n"
                                             "      <Name>New&nbsp;Year</Name>\r\n"
                                             "    </0>\r\n"
                                             "  </Public&nbsp;Holiday>\r\n"
                                             "  <new id=\"7.host.user\">\r\n"
                                             "t    <y />\r\n"
                                             "  </new>\r\n"
                                             "  <c><![CDATA[line1\r\nline2\tend &amp; more ]]&gt; &#937;]]></c>\r\n"
                                             "</document>\r\n"));

    TXMLTree back;
    back.setText(tree.getText());
    expectSameTree(&tree, &back);
    // Every element written with a closing tag: all but the empty "y".
    EXPECT_EQ(back.NodeCount(), 7);
}

TEST(XmlTree, ReaderCases)
{
    TXMLTree tree;
    tree.setText(QStringLiteral("<a/><b /><!-- x --></!-->"));
    EXPECT_EQ(parsedNames(&tree), QStringLiteral("a/|b|!--"));

    tree.setText(QStringLiteral("<x><![cdata[one\r\ntwo\tthree &amp; four]]></x>"));
    ASSERT_EQ(tree.ChildCount(), 1);
    EXPECT_EQ(tree.GetNode(0)->GetValue(), QStringLiteral("one\\n two\\t three & four"));
    EXPECT_EQ(tree.GetNode(0)->ValueType(), xvtCDATA);

    tree.setText(QStringLiteral("<x>&#65;</x>"));
    EXPECT_EQ(tree.GetNode(0)->GetValue(), QStringLiteral("A"));
    EXPECT_THROW(tree.setText(QStringLiteral("<x>&apos;</x>")), EXMLError);
    EXPECT_THROW(tree.setText(QStringLiteral("<x><![CDATA[a & b]]></x>")), EXMLError);

    tree.setText(QString());
    EXPECT_EQ(tree.ChildCount(), 0);
    tree.setText(QStringLiteral("   \r\n "));
    EXPECT_EQ(tree.ChildCount(), 0);
    EXPECT_EQ(tree.GetValue(), QString());

    // Text folding and trimming of raw text; text after a closing tag goes to the parent.
    tree.setText(QStringLiteral("<p> first <c>\r\n a\r\nb\tc \r\n</c> last </p>"));
    const TXMLNode *p = tree.GetNode(0);
    EXPECT_EQ(p->GetValue(), QStringLiteral("last"));
    EXPECT_EQ(p->GetNode(0)->GetValue(), QStringLiteral("a b c"));

    // Attributes: unescaped, trimmed names, a missing quote ends the list quietly.
    tree.setText(QStringLiteral("<n a=\"1\"  b&nbsp;c = \"x&amp;y\" d=\"unterminated /><m/>"));
    const TXMLNode *n = tree.GetNode(0);
    EXPECT_EQ(n->GetName(), QStringLiteral("n"));
    ASSERT_EQ(n->AttributeCount(), 2);
    EXPECT_EQ(n->GetAttribute(1)->GetName(), QStringLiteral("b c"));
    EXPECT_EQ(n->GetAttribute(1)->GetValue(), QStringLiteral("x&y"));
    EXPECT_EQ(parsedNames(&tree), QStringLiteral("n|m/"));

    // Tag texts spread over lines are cleaned first.
    tree.setText(QStringLiteral("<row\r\n\tid=\"5\"\r\n/>"));
    EXPECT_EQ(tree.GetNode(0)->GetName(), QStringLiteral("row"));
    EXPECT_EQ(tree.GetNode(0)->namedAttribute(QStringLiteral("id"))->ToInt(0), 5);

    // AddNodeEx as callers use it: the text of an opening tag and a value taken as it is.
    TXMLTree built;
    TXMLNode *made = built.AddNodeEx(QStringLiteral("new&nbsp;row id=\"5\" note=\"a&amp;b\" ?"), QStringLiteral("x&amp;"));
    EXPECT_EQ(made->GetName(), QStringLiteral("new row"));
    EXPECT_EQ(made->GetValue(), QStringLiteral("x&amp;"));
    EXPECT_EQ(made->parentNode(), &built);
    ASSERT_EQ(made->AttributeCount(), 2);
    EXPECT_EQ(made->namedAttribute(QStringLiteral("note"))->GetValue(), QStringLiteral("a&b"));
    EXPECT_THROW(built.AddNodeEx(QStringLiteral("bad&name"), QString()), EXMLError);

    // A second parse replaces everything, attributes of the tree included.
    tree.AddAttribute(QStringLiteral("stale"), QStringLiteral("1"));
    tree.setText(QStringLiteral("<only />"));
    EXPECT_EQ(parsedNames(&tree), QStringLiteral("only"));
    EXPECT_EQ(tree.AttributeCount(), 0);
    EXPECT_EQ(tree.GetName(), QStringLiteral("root"));
}

TEST(XmlTree, DamagedInputStopsCleanly)
{
    TXMLTree tree;
    // Closing tags at the top stay at the tree.
    tree.setText(QStringLiteral("</a></b><c>x</c></c></c><d />"));
    EXPECT_EQ(parsedNames(&tree), QStringLiteral("c|d"));
    EXPECT_EQ(tree.GetNode(0)->GetValue(), QStringLiteral("x"));

    EXPECT_THROW(tree.setText(QStringLiteral("<a><![CDATA[never ends")), EXMLError);
    EXPECT_THROW(tree.setText(QStringLiteral("<a>&#65</a>")), EXMLError);
    EXPECT_THROW(tree.setText(QStringLiteral("<a>&#")), EXMLError);
    EXPECT_THROW(tree.setText(QStringLiteral("<a>&#1114112;</a>")), EXMLError);

    // A "<" without ">" is skipped; the rest is text.
    tree.setText(QStringLiteral("<a>x < y</a"));
    ASSERT_EQ(tree.ChildCount(), 1);
    EXPECT_EQ(tree.GetNode(0)->GetValue(), QStringLiteral("/a"));
    tree.setText(QStringLiteral("<!-- open comment"));
    EXPECT_EQ(tree.ChildCount(), 0);
    EXPECT_EQ(tree.GetValue(), QStringLiteral("!-- open comment"));

    // Many "<" without any ">" and very deep nesting neither hang nor exhaust the stack.
    tree.setText(QStringLiteral("<").repeated(200000));
    EXPECT_EQ(tree.ChildCount(), 0);
    tree.setText(QStringLiteral("<a>").repeated(TXMLTree::MaxDepth));
    EXPECT_EQ(tree.NodeCount(), TXMLTree::MaxDepth);
    EXPECT_THROW(tree.setText(QStringLiteral("<a>").repeated(TXMLTree::MaxDepth + 1)), EXMLError);

    // What was read before the error stays.
    EXPECT_THROW(tree.setText(QStringLiteral("<a>1</a><b>&bad;</b>")), EXMLError);
    EXPECT_EQ(tree.GetNode(0)->GetValue(), QStringLiteral("1"));
}

TEST(XmlTree, LookupsAndConversions)
{
    TXMLTree tree;
    TXMLNode *a = tree.AddNode(QStringLiteral("a"));
    TXMLNode *a1 = a->AddNode(QStringLiteral("x"), QStringLiteral("from a"));
    tree.AddNode(QStringLiteral("b"))->AddNode(QStringLiteral("x"), QStringLiteral("from b"));
    TXMLNode *topX = tree.AddNode(QStringLiteral("x"), QStringLiteral("top"));
    // Deep search finishes a's subtree before looking at the next sibling.
    EXPECT_EQ(tree.namedNode(QStringLiteral("x"), true), a1);
    EXPECT_EQ(tree.namedNode(QStringLiteral("x"), false), topX);
    EXPECT_EQ(tree.namedNode(QStringLiteral("X"), true), nullptr);
    EXPECT_EQ(a1->parentNode(), a);
    EXPECT_EQ(a->parentNode(), &tree);
    EXPECT_EQ(tree.parentNode(), nullptr);

    TXMLAttribute *first = a->AddAttribute(QStringLiteral("id"), QStringLiteral("1"));
    a->AddAttribute(QStringLiteral("id"), QStringLiteral("2"));
    EXPECT_EQ(a->AttributeCount(), 2);
    EXPECT_EQ(a->namedAttribute(QStringLiteral("id")), first);
    EXPECT_EQ(a->namedAttribute(QStringLiteral("none")), nullptr);

    EXPECT_EQ(TXMLNode::ValueOf(nullptr), QString());
    EXPECT_EQ(TXMLNode::ToIntOf(nullptr, 4), 4);
    EXPECT_TRUE(TXMLNode::ToBoolOf(nullptr, true));
    EXPECT_EQ(TXMLAttribute::ValueOf(nullptr), QString());
    EXPECT_EQ(TXMLAttribute::ToIntOf(a->namedAttribute(QStringLiteral("none")), -1), -1);
    EXPECT_EQ(TXMLAttribute::ToIntOf(first, -1), 1);

    TXMLNode *v = tree.AddNode(QStringLiteral("v"), QStringLiteral("-42"));
    EXPECT_EQ(v->ToInt(0), -42);
    for (const char *text : {"", "x", "1.5", "0x10", "99999999999"}) {
        v->SetValue(QString::fromLatin1(text));
        EXPECT_EQ(v->ToInt(7), 7) << text;
        EXPECT_TRUE(v->ToBool(true)) << text;
        EXPECT_FALSE(v->ToBool(false)) << text;
    }
    v->SetValue(QStringLiteral("0"));
    EXPECT_FALSE(v->ToBool(true));
    v->SetValue(QStringLiteral("2"));
    EXPECT_TRUE(v->ToBool(false));

    EXPECT_TRUE(tree.DeleteNode(v));
    EXPECT_FALSE(tree.DeleteNode(a1)); // not a direct child
    EXPECT_EQ(parsedNames(&tree), QStringLiteral("a|b|x"));
}

TEST(XmlTree, CloneTo)
{
    TXMLTree source;
    source.setText(QStringLiteral("<new id=\"1\"><__table__>tbTable</__table__><c k=\"v\"><![CDATA[z]]></c></new>"));
    TXMLTree target;
    TXMLNode *into = target.AddNode(QStringLiteral("into"));
    source.GetNode(0)->CloneTo(into, false);
    source.GetNode(0)->CloneTo(into, true);
    ASSERT_EQ(into->ChildCount(), 2);
    const TXMLNode *bare = into->GetNode(0);
    EXPECT_EQ(bare->AttributeCount(), 0);
    EXPECT_EQ(bare->GetNode(1)->AttributeCount(), 0);
    EXPECT_EQ(bare->GetNode(1)->ValueType(), xvtString);
    EXPECT_EQ(bare->GetNode(1)->GetValue(), QStringLiteral("z"));
    EXPECT_EQ(parsedNames(bare), QStringLiteral("__table__|c"));
    EXPECT_EQ(bare->parentNode(), into);
    EXPECT_EQ(bare->GetNode(0)->parentNode(), bare);
    const TXMLNode *full = into->GetNode(1);
    EXPECT_EQ(full->namedAttribute(QStringLiteral("id"))->GetValue(), QStringLiteral("1"));
    EXPECT_EQ(full->GetNode(1)->namedAttribute(QStringLiteral("k"))->GetValue(), QStringLiteral("v"));
}

TEST(XmlTree, NamesThatLookLikeTagSyntaxRoundTrip)
{
    TXMLTree tree;
    TXMLNode *doc = tree.AddNode(QStringLiteral("document"));
    for (const QString &name : {QStringLiteral("Done?"), QStringLiteral("a/"), QStringLiteral("/start"),
                                QStringLiteral("![CDATA["), QStringLiteral("!--"), QStringLiteral("x=y"),
                                QStringLiteral("two words"), QString()}) {
        doc->AddNode(name, QStringLiteral("v"));
        doc->AddNode(name); // empty: the " />" form
        doc->AddNode(name)->AddNode(QStringLiteral("child"));
    }
    doc->AddNode(QStringLiteral("after"))->AddAttribute(QStringLiteral("a=b\"c"), QStringLiteral("\"q\""));
    TXMLTree back;
    back.setText(tree.getText());
    expectSameTree(&tree, &back);
    EXPECT_EQ(back.getText(), tree.getText());
}

TEST(XmlTree, SaveAndLoadThroughStreams)
{
    TXMLTree tree;
    tree.setText(kTemplate);
    TXMLNode *data = tree.namedNode(QStringLiteral("data"), true);
    for (int i = 0; i < 300; ++i) {
        TXMLNode *row = data->AddNode(QStringLiteral("new"));
        row->AddAttribute(QStringLiteral("id"), QString::number(i) + QStringLiteral(".host.user"));
        row->AddNode(QStringLiteral("__table__"), QStringLiteral("tbTable"));
        row->AddNode(QStringLiteral("Name"), QStringLiteral("Task ") + QString::number(i) + QStringLiteral(" – Größe Ω"));
    }
    const QByteArray plainBytes = platform::toCp1252(tree.getText());
    EXPECT_EQ(platform::fromCp1252(plainBytes), tree.getText()); // nothing was replaced

    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        QByteArray bytes = "PREFIX";
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadWrite);
        buffer.seek(6);
        QStringList errors;
        ASSERT_TRUE(tree.SaveToStream(buffer, compress, [&](const QString &m) { errors << m; }));
        EXPECT_TRUE(errors.isEmpty());
        EXPECT_EQ(TLZR::hasMagic(bytes.mid(6)), compress);
        if (compress)
            EXPECT_LT(bytes.size(), plainBytes.size() / 2);
        else
            EXPECT_EQ(bytes.mid(6), plainBytes);

        buffer.seek(6);
        TXMLTree back;
        EXPECT_EQ(back.LoadFromStream(buffer), compress);
        expectSameTree(&tree, &back);
        EXPECT_EQ(back.getText(), tree.getText());
    }

    // Compressed data that does not expand is reported, not read as text.
    QByteArray packed = TLZR::compressBytes(plainBytes);
    packed.chop(10);
    QBuffer broken(&packed);
    broken.open(QIODevice::ReadOnly);
    TXMLTree back;
    EXPECT_THROW(back.LoadFromStream(broken), EXMLError);
}

// A character beyond the basic plane goes into the file as one reference to its code point,
// which XML readers take; files written earlier with a reference per UTF-16 half still read.
TEST(XmlTree, CharactersBeyondTheBasicPlaneAreOneReferenceEach)
{
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString gothic = QString::fromUcs4(U"\U00010348");
    const QString text = QStringLiteral("smile ") + emoji + QStringLiteral(" \u05E9\u05DC\u05D5\u05DD ") + gothic;
    TXMLTree tree;
    tree.setText(kTemplate);
    TXMLNode *data = tree.namedNode(QStringLiteral("data"), true);
    TXMLNode *row = data->AddNode(QStringLiteral("row") + emoji, text);
    row->AddAttribute(QStringLiteral("note") + gothic, emoji + emoji);
    TXMLNode *comment = data->AddNode(QStringLiteral("Comment"), text + QStringLiteral("\\n ") + emoji);
    comment->SetValueType(xvtCDATA);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    ASSERT_TRUE(tree.SaveToStream(buffer, false, [](const QString &m) { ADD_FAILURE() << m.toStdString(); }));
    const QString written = QString::fromLatin1(bytes);
    EXPECT_EQ(written.count(QStringLiteral("&#128512;")), 7); // the element name twice
    EXPECT_EQ(written.count(QStringLiteral("&#66376;")), 3);
    // No reference to a surrogate code point is left anywhere.
    static const QRegularExpression reference(QStringLiteral("&#(\\d+);"));
    for (auto it = reference.globalMatch(written); it.hasNext();) {
        const uint code = it.next().captured(1).toUInt();
        EXPECT_FALSE(code >= 0xD800 && code <= 0xDFFF) << code;
    }

    buffer.seek(0);
    TXMLTree back;
    back.LoadFromStream(buffer);
    expectSameTree(&tree, &back);
    EXPECT_EQ(back.namedNode(QStringLiteral("row") + emoji, true)->GetValue(), text);

    // The same document as it was written before: two references per character.
    QByteArray old = bytes;
    old.replace("&#128512;", "&#55357;&#56832;").replace("&#66376;", "&#55296;&#57160;");
    ASSERT_NE(old, bytes);
    QBuffer oldBuffer(&old);
    oldBuffer.open(QIODevice::ReadOnly);
    TXMLTree fromOld;
    fromOld.LoadFromStream(oldBuffer);
    expectSameTree(&tree, &fromOld);
    // Saved again, it takes the new form.
    EXPECT_EQ(fromOld.getText(), tree.getText());
}

TEST(XmlTree, FailedWritesAreReported)
{
    TXMLTree tree;
    tree.setText(kTemplate);
    for (const bool compress : {false, true}) {
        FullDevice full(20);
        QStringList errors;
        EXPECT_FALSE(tree.SaveToStream(full, compress, [&](const QString &m) { errors << m; }));
        EXPECT_EQ(errors.size(), 1);
        EXPECT_EQ(full.pos(), 0); // seeked back to where it started
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("doc.zop"));
    QStringList errors;
    const auto onError = [&](const QString &m) { errors << m; };
    ASSERT_TRUE(tree.SaveToFile(path, true, onError));
    TXMLTree back;
    EXPECT_TRUE(back.LoadFromFile(path));
    expectSameTree(&tree, &back);
    ASSERT_TRUE(tree.SaveToFile(path, false, onError));
    EXPECT_FALSE(back.LoadFromFile(path));
    EXPECT_TRUE(errors.isEmpty());
    // Only the document itself is left in the folder: the temporary file was renamed.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("doc.zop")});

    EXPECT_FALSE(tree.SaveToFile(dir.filePath(QStringLiteral("missing/doc.zop")), true, onError));
    EXPECT_EQ(errors.size(), 1);
    EXPECT_THROW(back.LoadFromFile(dir.filePath(QStringLiteral("missing.zop"))), EXMLError);
}
