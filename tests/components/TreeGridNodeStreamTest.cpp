#include <gtest/gtest.h>

#include <QBuffer>
#include <QDataStream>
#include <QTemporaryDir>
#include <QtEndian>

#include <memory>

#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"

namespace {

// A string tree that keeps each node's text in its typed user data.
std::unique_ptr<TStringTreeGrid> MakeTextTree()
{
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    treegridtest::KeepTexts(*tree);
    return tree;
}

using treegridtest::AddText;
using treegridtest::Shape;

QByteArray Save(TBaseTreeGrid &tree, PGridNode node = nullptr)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    tree.SaveToStream(buffer, node);
    return bytes;
}

// Loads and returns the help context of the error raised, or 0.
int Load(TBaseTreeGrid &tree, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        tree.LoadFromStream(buffer);
    } catch (const ETreeGridError &e) {
        return e.HelpContext();
    }
    return 0;
}

void PutInt32(QByteArray &bytes, qsizetype at, qint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

QByteArray Int32(qint32 value)
{
    QByteArray bytes(4, '\0');
    PutInt32(bytes, 0, value);
    return bytes;
}

QByteArray Header(int version)
{
    QByteArray bytes;
    for (char16_t unit : {char16_t(0x2045), u'V', u'T', char16_t(version), u' ', char16_t(0x2046)}) {
        char two[2];
        qToLittleEndian<quint16>(unit, two);
        bytes.append(two, 2);
    }
    return bytes;
}

} // namespace

TEST(TreeGridNodeStreamTest, RoundTripKeepsStructureTextsStatesAndOwnerData)
{
    auto source = MakeTextTree();
    source->TreeOptions().SetSelectionOptions(source->TreeOptions().SelectionOptions() + toMultiSelect);
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    PGridNode b = AddText(*source, a, QStringLiteral("b \u00e9\u20ac"));
    AddText(*source, a, QStringLiteral("c"));
    PGridNode d = AddText(*source, nullptr, QStringLiteral("d"));
    AddText(*source, b, QStringLiteral("e"));
    source->SetExpanded(a, true);
    source->SetNodeHeight(d, 31);
    source->SetCheckType(d, TCheckType::ctCheckBox);
    source->SetCheckState(d, csCheckedNormal);
    source->SetSelected(b, true);
    // The owner saves a number for some nodes only.
    source->OnSaveNode = [](TBaseTreeGrid *sender, PGridNode node, QIODevice &stream) {
        if (*sender->GetNodeData<QString>(node) == QLatin1String("c"))
            stream.write("\x2a\0\0\0", 4);
    };
    const QByteArray bytes = Save(*source);
    ASSERT_EQ(bytes.left(12), Header(2));
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 12), 2);

    auto target = MakeTextTree();
    target->TreeOptions().SetSelectionOptions(target->TreeOptions().SelectionOptions() + toMultiSelect);
    AddText(*target, nullptr, QStringLiteral("old"));
    std::vector<std::pair<QString, int>> loaded;
    target->OnLoadNode = [&](TBaseTreeGrid *sender, PGridNode node, QIODevice &stream) {
        // Reads less than there is: the next chunk must still be found.
        char one = 0;
        stream.read(&one, 1);
        loaded.emplace_back(*sender->GetNodeData<QString>(node), one);
    };
    int copiedNil = 0;
    target->OnNodeCopied = [&](TBaseTreeGrid *, PGridNode node) { copiedNil += node == nullptr; };
    ASSERT_EQ(Load(*target, bytes), 0);

    EXPECT_EQ(Shape(*target), QStringLiteral("a(b \u00e9\u20ac(e),c),d"));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*target));
    EXPECT_EQ(loaded, (std::vector<std::pair<QString, int>>{{QStringLiteral("c"), 42}}));
    EXPECT_EQ(copiedNil, 1);
    PGridNode ta = target->GetFirst();
    PGridNode td = ta->NextSibling;
    EXPECT_TRUE(target->Expanded(ta));
    EXPECT_EQ(td->NodeHeight, 31);
    EXPECT_EQ(target->CheckType(td), TCheckType::ctCheckBox);
    EXPECT_EQ(target->CheckState(td), csCheckedNormal);
    EXPECT_EQ(target->SelectedCount(), 1);
    EXPECT_TRUE(target->Selected(ta->FirstChild));
    EXPECT_EQ(target->VisibleCount(), 4u); // a, b, c, d (b is collapsed)

    // A single node saves with count 1; without multi-selection nothing stays selected.
    auto single = MakeTextTree();
    ASSERT_EQ(Load(*single, Save(*source, b)), 0);
    EXPECT_EQ(Shape(*single), QStringLiteral("b \u00e9\u20ac(e)"));
    EXPECT_EQ(single->SelectedCount(), 0);
    EXPECT_FALSE(single->GetFirst()->States.contains(vsSelected));
}

// The owner's handlers run while a stream is read (a caption goes through OnNewText, owner
// data through OnLoadNode) and may delete nodes: the rest of the read passes them over.
TEST(TreeGridNodeStreamTest, NodesThatHandlersDeleteWhileAStreamIsReadArePassedOver)
{
    auto source = MakeTextTree();
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    PGridNode b = AddText(*source, a, QStringLiteral("b"));
    AddText(*source, b, QStringLiteral("e"));
    AddText(*source, a, QStringLiteral("c"));
    AddText(*source, nullptr, QStringLiteral("d"));
    AddText(*source, nullptr, QStringLiteral("f"));
    source->OnSaveNode = [](TBaseTreeGrid *, PGridNode, QIODevice &stream) { stream.write("\x07", 1); };
    const QByteArray bytes = Save(*source);

    auto target = MakeTextTree();
    // The caption of "a" deletes its node (with its children); owner data of "d" deletes "f".
    target->OnNewText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, const QString &text) {
        *sender->GetNodeData<QString>(node) = text;
        if (text == QLatin1String("a"))
            sender->DeleteNode(node);
    };
    QStringList loaded;
    target->OnLoadNode = [&](TBaseTreeGrid *sender, PGridNode node, QIODevice &) {
        const QString text = *sender->GetNodeData<QString>(node);
        loaded << text;
        if (text == QLatin1String("d"))
            sender->DeleteNode(node->NextSibling);
    };
    ASSERT_EQ(Load(*target, bytes), 0);
    EXPECT_EQ(Shape(*target), QStringLiteral("d"));
    EXPECT_EQ(loaded, QStringList{QStringLiteral("d")});
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*target));

    // Added beside the nodes there are (as a paste does): only what is left is handed back.
    loaded.clear();
    const std::vector<PGridNode> tops = target->AddFromNodeChunks(bytes.mid(16), nullptr, amAddChildLast, crNodeAdded);
    EXPECT_EQ(Shape(*target), QStringLiteral("d,d"));
    ASSERT_EQ(tops.size(), 1u);
    EXPECT_EQ(*target->GetNodeData<QString>(tops[0]), QStringLiteral("d"));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*target));
}

TEST(TreeGridNodeStreamTest, EmptyTreesAndNodesWithoutOwnerDataWriteNothingExtra)
{
    auto tree = MakeTextTree();
    const QByteArray empty = Save(*tree);
    EXPECT_EQ(empty, Header(2) + Int32(0));

    // One node without text and without owner data: node chunk, base chunk, nothing else.
    tree->OnSaveNode = [](TBaseTreeGrid *, PGridNode, QIODevice &) {};
    AddText(*tree, nullptr, QString());
    const QByteArray one = Save(*tree);
    EXPECT_EQ(one.size(), 16 + 8 + 8 + 17);
    EXPECT_EQ(qFromLittleEndian<qint32>(one.constData() + 16), 1);
    EXPECT_EQ(qFromLittleEndian<qint32>(one.constData() + 20), 8 + 17);
    EXPECT_EQ(qFromLittleEndian<qint32>(one.constData() + 24), 2);
    EXPECT_EQ(qFromLittleEndian<qint32>(one.constData() + 28), 17);

    // An uninitialised node's children are not written, and the count says so.
    TBaseTreeGrid plain;
    plain.AfterConstruction();
    plain.TreeOptions().SetMiscOptions(plain.TreeOptions().MiscOptions() - toInitOnSave);
    plain.OnInitNode = [](TBaseTreeGrid *, PGridNode, PGridNode, TGridNodeInitStates &states) {
        states.include(ivsHasChildren);
    };
    plain.OnInitChildren = [](TBaseTreeGrid *, PGridNode, std::uint32_t &count) { count = 3; };
    plain.SetRootNodeCount(1);
    const QByteArray lazy = Save(plain);
    EXPECT_EQ(qFromLittleEndian<qint32>(lazy.constData() + 32), 0);
    TBaseTreeGrid back;
    back.AfterConstruction();
    ASSERT_EQ(Load(back, lazy), 0);
    EXPECT_EQ(back.RootNodeCount(), 1u);
    EXPECT_TRUE(treegridtest::TreeIsConsistent(back));
}

TEST(TreeGridNodeStreamTest, VersionOneStreamsReadOneByteStates)
{
    // Version 1: no count; base body of 12 bytes with a one-byte state whose top bit selects.
    auto node = [](quint32 childCount, quint8 states, const QByteArray &children) {
        QByteArray base = Int32(qint32(childCount)) + Int32(22);
        base.append(char(states)).append(char(50)).append(char(csUncheckedNormal)).append(char(0));
        base += children;
        QByteArray body = Int32(2) + Int32(qint32(base.size())) + base;
        return Int32(1) + Int32(qint32(body.size())) + body;
    };
    const quint8 expanded = quint8(1u << vsExpanded);
    const QByteArray stream = Header(1) + node(1, expanded, node(0, 0x80, {})) + node(0, 0, {});

    TBaseTreeGrid tree;
    tree.AfterConstruction();
    tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() + toMultiSelect);
    ASSERT_EQ(Load(tree, stream), 0);
    EXPECT_EQ(tree.RootNodeCount(), 2u);
    PGridNode first = tree.GetFirst();
    for (PGridNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run)) {
        EXPECT_TRUE(run->States.contains(vsVisible));
        EXPECT_EQ(run->NodeHeight, 22);
    }
    EXPECT_TRUE(tree.Expanded(first));
    EXPECT_TRUE(tree.Selected(first->FirstChild));
    EXPECT_EQ(tree.VisibleCount(), 3u);
    EXPECT_TRUE(treegridtest::TreeIsConsistent(tree));
}

TEST(TreeGridNodeStreamTest, DamagedStreamsFailAndLeaveTheTreeAlone)
{
    auto source = MakeTextTree();
    PGridNode a = AddText(*source, nullptr, QStringLiteral("alpha"));
    AddText(*source, a, QStringLiteral("beta"));
    AddText(*source, nullptr, QStringLiteral("gamma"));
    const QByteArray good = Save(*source);

    auto tree = MakeTextTree();
    AddText(*tree, nullptr, QStringLiteral("keep"));
    const auto intact = [&] { return Shape(*tree) == QLatin1String("keep") && treegridtest::TreeIsConsistent(*tree); };

    EXPECT_EQ(Load(*tree, good.left(7)), 2004);
    EXPECT_TRUE(intact());
    QByteArray wrongFormat = good;
    wrongFormat[2] = 'X';
    EXPECT_EQ(Load(*tree, wrongFormat), 2002);
    EXPECT_EQ(Load(*tree, Header(3) + Int32(0)), 2003);
    EXPECT_TRUE(intact());

    // Cut anywhere inside the nodes.
    for (qsizetype cut = 17; cut < good.size(); cut += 5) {
        EXPECT_NE(Load(*tree, good.left(cut)), 0) << cut;
        ASSERT_TRUE(intact()) << cut;
    }
    // A negative chunk size, a size beyond the data, a huge node count, a huge child count, no anchor.
    const struct {
        int At;
        qint32 Value;
        int Code;
    } damages[] = {{28, -40, 2006}, {20, 0x7FFFFFF0, 2006}, {12, -1, 2006}, {32, 50000000, 2006}, {16, 7, 2005}};
    for (const auto &damage : damages) {
        QByteArray damaged = good;
        PutInt32(damaged, damage.At, damage.Value);
        EXPECT_EQ(Load(*tree, damaged), damage.Code) << damage.At;
    }
    EXPECT_TRUE(intact());

    // Nodes nested deeper than any real tree are refused instead of exhausting the stack.
    QByteArray deep;
    for (int level = 0; level < 5000; ++level) {
        QByteArray base = Int32(level == 0 ? 0 : 1) + Int32(18) + QByteArray(9, '\0') + deep;
        QByteArray body = Int32(2) + Int32(qint32(base.size())) + base;
        deep = Int32(1) + Int32(qint32(body.size())) + body;
    }
    EXPECT_EQ(Load(*tree, Header(2) + Int32(1) + deep), 2006);
    EXPECT_TRUE(intact());

    // The good stream still loads, and the device stands right after the nodes.
    QBuffer buffer;
    buffer.setData(good + QByteArray("tail"));
    buffer.open(QIODevice::ReadOnly);
    tree->LoadFromStream(buffer);
    EXPECT_EQ(Shape(*tree), QStringLiteral("alpha(beta),gamma"));
    EXPECT_EQ(buffer.pos(), good.size());

    // A read-only tree loads nothing.
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + toReadOnly);
    EXPECT_EQ(Load(*tree, Header(2) + Int32(0)), 0);
    EXPECT_EQ(tree->RootNodeCount(), 2u);
}

TEST(TreeGridNodeStreamTest, FilesAndMovesBetweenTrees)
{
    auto source = MakeTextTree();
    PGridNode a = AddText(*source, nullptr, QStringLiteral("a"));
    AddText(*source, a, QStringLiteral("a1"));
    PGridNode b = AddText(*source, nullptr, QStringLiteral("b"));

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("nodes.bin"));
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        source->SaveToStream(file);
    }
    auto fromFile = MakeTextTree();
    fromFile->LoadFromFile(name);
    EXPECT_EQ(Shape(*fromFile), QStringLiteral("a(a1),b"));
    EXPECT_THROW(fromFile->LoadFromFile(dir.filePath(QStringLiteral("missing.bin"))), ETreeGridError);

    auto target = MakeTextTree();
    PGridNode x = AddText(*target, nullptr, QStringLiteral("x"));
    int moved = 0;
    target->OnNodeMoved = [&](TBaseTreeGrid *, PGridNode) { ++moved; };
    source->MoveTo(a, target.get(), x, amInsertBefore);
    source->MoveTo(b, target.get(), x, amAddChildFirst);
    EXPECT_EQ(Shape(*source), QString());
    EXPECT_EQ(Shape(*target), QStringLiteral("a(a1),x(b)"));
    EXPECT_EQ(moved, 2);
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*source));
    EXPECT_TRUE(treegridtest::TreeIsConsistent(*target));
}
