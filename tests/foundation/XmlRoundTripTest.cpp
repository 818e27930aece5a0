#include <gtest/gtest.h>

#include "BlockCompress.h"
#include "XmlTree.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QRandomGenerator>

namespace {

// Characters that have tripped up text formats: blanks and controls at the ends, entity
// and tag characters, Windows-1252's own upper half, characters it lacks, surrogates.
const char16_t kPool[] = u" \r\n\t\x01\x7F&<>\"'=;#/?![]abcXYZ019.-\u00A0\u00E4\u00DF\u20AC\u0178\u0081"
                         u"\u0080\u03A9\u4E2D\U0001F600\uFFFF\u0000";

QString randomText(QRandomGenerator &rng, int maxLength)
{
    QString s;
    const int len = rng.bounded(maxLength + 1);
    for (int i = 0; i < len; ++i)
        s += QChar(kPool[rng.bounded(int(std::size(kPool)) - 1)]);
    return s;
}

void fill(TXMLNode *node, QRandomGenerator &rng, int depth)
{
    const int children = depth > 3 ? 0 : rng.bounded(5);
    for (int i = 0; i < children; ++i) {
        QString name = randomText(rng, 8);
        if (name.isEmpty())
            name = QStringLiteral("n");
        TXMLNode *child = node->AddNode(name, rng.bounded(3) ? randomText(rng, 30) : QString());
        for (int a = rng.bounded(3); a > 0; --a)
            child->AddAttribute(randomText(rng, 6), randomText(rng, 20));
        fill(child, rng, depth + 1);
    }
}

void expectSame(const TXMLNode *a, const TXMLNode *b)
{
    ASSERT_EQ(a->GetName(), b->GetName());
    ASSERT_EQ(a->GetValue(), b->GetValue()) << a->GetValue().toStdString() << " | " << b->GetValue().toStdString();
    ASSERT_EQ(a->ValueType(), b->ValueType());
    ASSERT_EQ(a->AttributeCount(), b->AttributeCount());
    for (int i = 0; i < a->AttributeCount(); ++i) {
        ASSERT_EQ(a->GetAttribute(i)->GetName(), b->GetAttribute(i)->GetName());
        ASSERT_EQ(a->GetAttribute(i)->GetValue(), b->GetAttribute(i)->GetValue());
    }
    ASSERT_EQ(a->ChildCount(), b->ChildCount());
    for (int i = 0; i < a->ChildCount(); ++i)
        expectSame(a->GetNode(i), b->GetNode(i));
}

QByteArray saved(TXMLTree &tree, bool compress)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(tree.SaveToStream(buffer, compress, [](const QString &m) { ADD_FAILURE() << m.toStdString(); }));
    return bytes;
}

bool loaded(TXMLTree &tree, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return tree.LoadFromStream(buffer);
}

} // namespace

// Any tree built from names, attributes and texts of every kind comes back exactly, through
// text, plain files and compressed files, and writing what was read gives the same bytes.
TEST(XmlRoundTrip, TreesWithEveryKindOfText)
{
    QRandomGenerator rng(4711);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        TXMLTree tree;
        TXMLNode *doc = tree.AddNode(QStringLiteral("document"));
        fill(doc, rng, 0);
        // A CDATA text with its in-memory line breaks and tabs.
        TXMLNode *cdata = doc->AddNode(QStringLiteral("cdata"),
                                       QStringLiteral("a\\n b\\t c") + randomText(rng, 10).remove(QLatin1Char('\r'))
                                           .remove(QLatin1Char('\n')).remove(QLatin1Char('\t')));
        cdata->SetValueType(xvtCDATA);

        const QString text = tree.getText();
        TXMLTree fromText;
        fromText.setText(text);
        expectSame(&tree, &fromText);
        EXPECT_EQ(fromText.getText(), text);

        for (const bool compress : {false, true}) {
            const QByteArray bytes = saved(tree, compress);
            TXMLTree back;
            EXPECT_EQ(loaded(back, bytes), compress);
            expectSame(&tree, &back);
            EXPECT_EQ(saved(back, compress), bytes); // fixpoint
        }
    }
}

// A cell's text, whatever it holds, is the same after a save and a load.
TEST(XmlRoundTrip, CellTextsSurviveUnchanged)
{
    const QStringList texts = {
        QStringLiteral("  leading and trailing  "), QStringLiteral("line one\r\nline two\n\tindented\r"),
        QStringLiteral("\t"), QStringLiteral("\r\n"), QStringLiteral("a  b"), QStringLiteral("=SUM(A1:A3)"),
        QStringLiteral("<tag attr=\"v\">&amp;</tag>"), QStringLiteral("]]>"), QStringLiteral("&#65;"),
        QString::fromUtf16(u"Ω≈ç√ 中文 😀 €‚ƒ„…†‡ˆ‰Š‹ŒŽ"), QString(QChar(0xA0)) + QChar(0x80) + QChar(0x9D)};
    TXMLTree tree;
    TXMLNode *row = tree.AddNode(QStringLiteral("document"))->AddNode(QStringLiteral("data"))->AddNode(QStringLiteral("new"));
    row->AddAttribute(QStringLiteral("id"), QStringLiteral("1.host.user"));
    for (int i = 0; i < texts.size(); ++i)
        row->AddNode(QStringLiteral("Column ") + QString::number(i), texts[i]);
    for (const bool compress : {false, true}) {
        TXMLTree back;
        loaded(back, saved(tree, compress));
        const TXMLNode *r = back.namedNode(QStringList{QStringLiteral("document"), QStringLiteral("data"), QStringLiteral("new")});
        ASSERT_NE(r, nullptr);
        for (int i = 0; i < texts.size(); ++i)
            EXPECT_EQ(TXMLNode::ValueOf(r->namedNode(QStringLiteral("Column ") + QString::number(i))), texts[i]) << i;
    }
}

// Damaged documents, as text and compressed, either parse or raise EXMLError: never
// anything else, never a crash, never a hang. Also run under AddressSanitizer.
TEST(XmlRoundTrip, DamagedDocumentsNeverCrash)
{
    QRandomGenerator rng(99);
    TXMLTree source;
    TXMLNode *doc = source.AddNode(QStringLiteral("document"));
    fill(doc, rng, 0);
    fill(doc->AddNode(QStringLiteral("data")), rng, 1);
    doc->AddNode(QStringLiteral("c"), QStringLiteral("x\\n y"))->SetValueType(xvtCDATA);
    const QString base = QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>") + source.getText();
    const QByteArray packedBase = saved(source, true);
    const QString breakers = QStringLiteral("<>/&\"?![]=#;\r\n\t ");

    QElapsedTimer clock;
    clock.start();
    int rounds = 0;
    int failures = 0;
    for (; rounds < 20000 && (rounds < 300 || clock.elapsed() < 1500); ++rounds) {
        QString text = base;
        for (int m = rng.bounded(1, 5); m > 0; --m) {
            const int at = rng.bounded(int(text.size()) + 1);
            switch (rng.bounded(5)) {
            case 0: text.insert(at, breakers[rng.bounded(int(breakers.size()))]); break;
            case 1: text.remove(at, rng.bounded(1, 12)); break;
            case 2: text.truncate(at); break;
            case 3: text.insert(at, text.mid(rng.bounded(int(text.size()) + 1), rng.bounded(40))); break;
            default: text.insert(at, QStringLiteral("<![CDATA[")); break;
            }
        }
        TXMLTree tree;
        try {
            tree.setText(text);
            // Whatever was read can be written and read again.
            // (Text at the top belongs to the tree itself, which is never written.)
            TXMLTree again;
            again.setText(tree.getText());
            ASSERT_EQ(tree.ChildCount(), again.ChildCount());
            for (int i = 0; i < tree.ChildCount(); ++i)
                expectSame(tree.GetNode(i), again.GetNode(i));
        } catch (const EXMLError &) {
            ++failures;
        }

        QByteArray bytes = packedBase;
        for (int m = rng.bounded(1, 4); m > 0; --m) {
            const int at = rng.bounded(int(bytes.size()));
            bytes[at] = char(bytes[at] ^ (1 << rng.bounded(8)));
        }
        if (rng.bounded(4) == 0)
            bytes.truncate(rng.bounded(int(bytes.size())));
        try {
            loaded(tree, bytes);
        } catch (const EXMLError &) {
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_LT(failures, 2 * rounds);
}
