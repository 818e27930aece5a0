// Trees read from files keep their elements in shared chunks. They must behave like trees
// built element by element under every edit, and give their memory back as parts go.

#include <gtest/gtest.h>

#include "XmlArena.h"
#include "XmlTree.h"

#include <QBuffer>

#include <functional>

namespace {

QString Dump(const TXMLNode &node, int level = 0)
{
    QString out = QString(level * 2, QLatin1Char(' ')) + node.GetName() + QLatin1Char('=') + node.GetValue();
    for (const auto &attribute : node.Attributes())
        out += QLatin1Char(' ') + attribute->GetName() + QLatin1Char(':') + attribute->GetValue();
    out += QLatin1Char('\n');
    for (const auto &child : node.Nodes()) {
        // Every element knows the parent that owns it.
        EXPECT_EQ(child->parentNode(), &node) << child->GetName().toStdString();
        out += Dump(*child, level + 1);
    }
    return out;
}

void Load(TXMLTree &tree, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    tree.LoadFromStream(buffer);
}

// A document as the planner writes it: rows with an identity and a child per cell.
QByteArray Rows(int count)
{
    QByteArray text = "<?xml version=\"1.0\"?>\r\n<document>\r\n  <setup><Version>3</Version></setup>\r\n  <data>\r\n";
    for (int i = 0; i < count; ++i) {
        text += "    <new id=\"r" + QByteArray::number(i) + "\">\r\n      <__table__>tbTable</__table__>\r\n";
        text += "      <Position>Resource&nbsp;" + QByteArray::number(i % 40) + "</Position>\r\n";
        text += "      <Start>2024-01-" + QByteArray::number(10 + i % 20) + "&nbsp;00:00:00</Start>\r\n";
        text += "      <Length>" + QByteArray::number(i % 9) + "</Length>\r\n      <Comment />\r\n";
        text += "      <Order>ORD-" + QByteArray::number(i) + "</Order>\r\n    </new>\r\n";
    }
    return text + "  </data>\r\n</document>";
}

} // namespace

TEST(XmlArena, ClearingRowAfterRowGivesMemoryBack)
{
    const std::size_t before = TXMLArena::ChunksInUse();
    {
        TXMLTree tree;
        Load(tree, Rows(4000));
        const std::size_t parsed = TXMLArena::ChunksInUse() - before;
        EXPECT_GT(parsed, 20u);
        TXMLNode *data = tree.namedNode(QStringList{QStringLiteral("document"), QStringLiteral("data")});
        ASSERT_TRUE(data);
        ASSERT_EQ(data->ChildCount(), 4000);
        int row = 0;
        for (const auto &element : data->Nodes()) {
            ASSERT_EQ(element->ChildCount(), 6);
            EXPECT_EQ(element->namedNode(QStringLiteral("Order"))->GetValue(), QStringLiteral("ORD-%1").arg(row));
            EXPECT_EQ(element->namedNode(QStringLiteral("Start"))->GetValue(),
                      QStringLiteral("2024-01-%1 00:00:00").arg(10 + row % 20));
            element->ClearNodes();
            ++row;
        }
        // The cells were most of the tree; their chunks are gone, the rows stay readable.
        EXPECT_LT(TXMLArena::ChunksInUse() - before, parsed / 3);
        EXPECT_EQ(data->GetNode(3999)->namedAttribute(QStringLiteral("id"))->GetValue(), QStringLiteral("r3999"));
        EXPECT_EQ(data->GetNode(3999)->ChildCount(), 0);
        EXPECT_EQ(tree.namedNode(QStringLiteral("Version"), true)->GetValue(), QStringLiteral("3"));
    }
    EXPECT_EQ(TXMLArena::ChunksInUse(), before);
}

TEST(XmlArena, EditsOfAReadTreeMatchEditsOfABuiltTree)
{
    const QByteArray text = "<document><data><new id=\"1\"><a>1</a><b>2</b><c>3</c></new>"
                            "<new id=\"2\" x=\"y\"><a>4</a></new><empty z=\"0\"/></data><diff /></document>";
    const std::size_t before = TXMLArena::ChunksInUse();
    {
        TXMLTree read;
        Load(read, text);
        TXMLTree built;
        TXMLNode *document = built.AddNode(QStringLiteral("document"));
        TXMLNode *data = document->AddNode(QStringLiteral("data"));
        TXMLNode *first = data->AddNode(QStringLiteral("new"));
        first->AddAttribute(QStringLiteral("id"), QStringLiteral("1"));
        first->AddNode(QStringLiteral("a"), QStringLiteral("1"));
        first->AddNode(QStringLiteral("b"), QStringLiteral("2"));
        first->AddNode(QStringLiteral("c"), QStringLiteral("3"));
        TXMLNode *second = data->AddNode(QStringLiteral("new"));
        second->AddAttribute(QStringLiteral("id"), QStringLiteral("2"));
        second->AddAttribute(QStringLiteral("x"), QStringLiteral("y"));
        second->AddNode(QStringLiteral("a"), QStringLiteral("4"));
        data->AddNode(QStringLiteral("empty"))->AddAttribute(QStringLiteral("z"), QStringLiteral("0"));
        document->AddNode(QStringLiteral("diff"));
        ASSERT_EQ(Dump(read), Dump(built));

        const std::vector<std::function<void(TXMLTree &)>> edits = {
            [](TXMLTree &t) { // grow a row read with an exact number of children
                TXMLNode *row = t.namedNode(QStringLiteral("new"), true);
                for (int i = 0; i < 9; ++i)
                    row->AddNode(QStringLiteral("d%1").arg(i), QString::number(i));
            },
            [](TXMLTree &t) { // delete a middle child, then the last one
                TXMLNode *row = t.namedNode(QStringLiteral("new"), true);
                EXPECT_TRUE(row->DeleteNode(row->GetNode(1)));
                EXPECT_TRUE(row->DeleteNode(row->GetNode(row->ChildCount() - 1)));
                EXPECT_FALSE(row->DeleteNode(t.namedNode(QStringLiteral("diff"), true)));
            },
            [](TXMLTree &t) { // attributes: more, none, again
                TXMLNode *data = t.namedNode(QStringLiteral("data"), true);
                TXMLNode *second = data->GetNode(1);
                second->AddAttribute(QStringLiteral("w"), QStringLiteral("v"));
                data->GetNode(0)->ClearAttributes();
                data->GetNode(0)->AddAttribute(QStringLiteral("id"), QStringLiteral("one"));
                data->GetNode(2)->ClearAttributes();
            },
            [](TXMLTree &t) { // a whole row goes, another is copied in twice
                TXMLNode *data = t.namedNode(QStringLiteral("data"), true);
                EXPECT_TRUE(data->DeleteNode(data->GetNode(0)));
                data->GetNode(0)->CloneTo(data, true);
                data->GetNode(0)->CloneTo(t.namedNode(QStringLiteral("diff"), true), false);
            },
            [](TXMLTree &t) { // a copy of the grown rows, then their children cleared
                TXMLNode *data = t.namedNode(QStringLiteral("data"), true);
                data->CloneTo(&t, true);
                for (const auto &row : data->Nodes())
                    row->ClearNodes();
                data->GetNode(0)->AddNode(QStringLiteral("again"), QStringLiteral("x"));
            },
        };
        for (std::size_t i = 0; i < edits.size(); ++i) {
            edits[i](read);
            edits[i](built);
            ASSERT_EQ(Dump(read), Dump(built)) << "after edit " << i;
            ASSERT_EQ(read.getText(), built.getText()) << "after edit " << i;
        }
        EXPECT_THROW(read.GetNode(read.ChildCount()), std::out_of_range);
        read.Clear();
        EXPECT_EQ(read.ChildCount(), 0);
    }
    EXPECT_EQ(TXMLArena::ChunksInUse(), before);
}

TEST(XmlArena, AnErrorKeepsWhatWasReadAndLeavesNothingBehind)
{
    const std::size_t before = TXMLArena::ChunksInUse();
    {
        TXMLTree tree;
        // The bad value of y ends the reading: b keeps x, the open a and r hold what came before.
        EXPECT_THROW(Load(tree, "<r>top<a><c>t</c><b x=\"1\" y=\"&bad;\" z=\"2\"><d>never</d></b></a></r>"), EXMLError);
        EXPECT_EQ(Dump(tree), QStringLiteral("root=\n  r=top\n    a=\n      c=t\n      b= x:1\n"));
        EXPECT_EQ(tree.NodeCount(), 3);
        // Deep nesting stops at its limit with the chain read so far.
        EXPECT_THROW(Load(tree, QByteArray("<a>").repeated(TXMLTree::MaxDepth + 1)), EXMLError);
        const TXMLNode *node = &tree;
        int depth = 0;
        while (node->ChildCount() == 1) {
            node = node->GetNode(0);
            ++depth;
        }
        EXPECT_EQ(depth, TXMLTree::MaxDepth);
        // Reading again replaces it all.
        Load(tree, "<x>1</x>");
        EXPECT_EQ(Dump(tree), QStringLiteral("root=\n  x=1\n"));
    }
    EXPECT_EQ(TXMLArena::ChunksInUse(), before);
}
