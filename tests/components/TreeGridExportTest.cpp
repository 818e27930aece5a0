#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

#include <cctype>
#include <memory>

#include "Canvas.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

namespace {

// A string tree whose nodes keep one text per column; columns named by the captions given.
std::unique_ptr<TStringTreeGrid> MakeTree(const QStringList &captions)
{
    std::unique_ptr<TStringTreeGrid> tree(TBaseTreeGrid::Create<TStringTreeGrid>());
    tree->SetNodeDataType<QStringList>();
    tree->OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
        const QStringList &cells = *sender->GetNodeData<QStringList>(node);
        const int index = std::max(column, 0);
        text = index < cells.size() ? cells[index] : QString();
    };
    for (const QString &caption : captions)
        tree->Header()->Columns()->Add()->SetText(caption);
    return tree;
}

PGridNode Add(TStringTreeGrid &tree, PGridNode parent, const QStringList &cells)
{
    PGridNode node = tree.AddChild(parent);
    tree.ValidateNode(node, false);
    *tree.GetNodeData<QStringList>(node) = cells;
    return node;
}

qint64 Offset(const QByteArray &block, const char *name)
{
    const qsizetype at = block.indexOf(name);
    return at < 0 ? -1 : block.mid(at + qsizetype(strlen(name)), 8).toLongLong();
}

} // namespace

TEST(TreeGridExportTest, TextAndCsvLineUpLevelsAndQuoteFieldsThatNeedIt)
{
    auto tree = MakeTree({QStringLiteral("Name"), QStringLiteral("Note; with \"quotes\"")});
    PGridNode a = Add(*tree, nullptr, {QStringLiteral("plain words"), QStringLiteral("x;y")});
    Add(*tree, a, {QStringLiteral("say \"hi\""), QStringLiteral("two\r\nlines")});
    Add(*tree, nullptr, {QStringLiteral("caf\u00e9"), QString()});

    const QString csv = tree->ContentToUnicode(tstAll, QStringLiteral(";"));
    EXPECT_EQ(csv, QStringLiteral("Name;;\"Note; with \"\"quotes\"\"\"\r\n"
                                  "plain words;;\"x;y\"\r\n"
                                  ";\"say \"\"hi\"\"\";\"two\r\nlines\"\r\n"
                                  "caf\u00e9;;\r\n"));
    // The ANSI variant quotes the same way and writes Windows-1252.
    const QByteArray ansi = tree->ContentToText(tstAll, QChar(u';'));
    EXPECT_EQ(ansi, QByteArray("Name;;\"Note; with \"\"quotes\"\"\"\r\n"
                               "plain words;;\"x;y\"\r\n"
                               ";\"say \"\"hi\"\"\";\"two\r\nlines\"\r\n"
                               "caf\xe9;;\r\n"));
    // A quote alone is enough for quotes, in both variants; tabs need none here.
    const QString tabbed = tree->ContentToUnicode(tstAll, QChar(u'\t'));
    EXPECT_TRUE(tabbed.contains(QStringLiteral("\t\"say \"\"hi\"\"\"\t")));
    EXPECT_TRUE(tabbed.contains(QStringLiteral("plain words\t\tx;y\r\n")));

    // Only the exportable nodes: a pressed or unchecked box is left out under emChecked.
    PGridNode first = tree->GetFirst();
    PGridNode last = tree->GetLast();
    first->CheckState = csCheckedNormal;
    first->FirstChild->CheckState = csCheckedPressed;
    last->CheckState = csUncheckedNormal;
    tree->TreeOptions().SetExportMode(emChecked);
    EXPECT_EQ(tree->ContentToUnicode(tstAll, QChar(u'\t')).count(QStringLiteral("\r\n")), 2);
    tree->TreeOptions().SetExportMode(emUnchecked);
    EXPECT_TRUE(tree->ContentToUnicode(tstAll, QChar(u'\t')).contains(QStringLiteral("caf\u00e9")));
    tree->TreeOptions().SetExportMode(emAll);

    // The owner may skip nodes.
    tree->OnBeforeNodeExport = [](TBaseTreeGrid *, TTGExportType type, PGridNode node, bool &allowed) {
        EXPECT_EQ(type, etText);
        allowed = node->Parent->Parent == nullptr ? true : node->Index != 0;
    };
    EXPECT_EQ(tree->ContentToUnicode(tstAll, QChar(u'\t')).count(QStringLiteral("\r\n")), 3);
    tree->OnBeforeNodeExport = nullptr;

    // An empty tree still has its header line; a tree without columns writes indented texts.
    auto empty = MakeTree({QStringLiteral("A"), QStringLiteral("B")});
    EXPECT_EQ(empty->ContentToUnicode(tstAll, QChar(u',')), QStringLiteral("A,B\r\n"));
    auto bare = MakeTree({});
    PGridNode top = Add(*bare, nullptr, {QStringLiteral("top")});
    Add(*bare, top, {QStringLiteral("in,ner")});
    EXPECT_EQ(bare->ContentToUnicode(tstAll, QChar(u',')), QStringLiteral("top\r\n,\"in,ner\"\r\n"));
}

TEST(TreeGridExportTest, HtmlEscapesMarkupAndItsClipboardBlockHasTrueOffsets)
{
    auto tree = MakeTree({QStringLiteral("A & <B>"), QStringLiteral("C")});
    PGridNode a = Add(*tree, nullptr, {QStringLiteral("x < y & \"z\""), QStringLiteral("\u00e9")});
    Add(*tree, a, {QStringLiteral("child"), QStringLiteral("1")});
    TFont font;
    font.SetName(QStringLiteral("Evil\" <Font>"));
    font.SetHeight(16);
    tree->OnPaintText = [&](TBaseTreeGrid *, TCanvas &canvas, PGridNode, TColumnIndex column, TVSTTextType) {
        if (column == 1)
            canvas.Font().Assign(font);
    };

    const QByteArray html = tree->ContentToHTML(tstAll, QStringLiteral("Cap \"1\""));
    EXPECT_TRUE(html.contains("caption=\"Cap &quot;1&quot;\""));
    EXPECT_TRUE(html.contains(">A &amp; &lt;B&gt;</th>"));
    EXPECT_TRUE(html.contains(">x &lt; y &amp; &quot;z&quot;</td>"));
    EXPECT_TRUE(html.contains("16px \"Evil&quot; &lt;Font&gt;\";"));
    EXPECT_TRUE(html.contains(QStringLiteral(">\u00e9</td>").toUtf8()));
    EXPECT_FALSE(html.contains("<B>"));
    // The main column spans the levels below the deepest one.
    EXPECT_TRUE(html.contains("colspan=\"2\""));
    EXPECT_EQ(html.count("<tr class=\"default\">"), 2);

    const QByteArray block = tree->ContentToClipboard(QStringLiteral("HTML Format"), tstAll);
    ASSERT_TRUE(block.endsWith('\0'));
    const QByteArray text = block.left(block.size() - 1);
    EXPECT_EQ(Offset(text, "StartHTML:"), 97);
    EXPECT_EQ(Offset(text, "StartFragment:"), 269);
    EXPECT_EQ(text.mid(97, 9), QByteArray("<!DOCTYPE"));
    EXPECT_EQ(text.mid(269, Offset(text, "EndFragment:") - 269), tree->ContentToHTML(tstAll));
    EXPECT_EQ(Offset(text, "EndHTML:"), text.size());
    EXPECT_TRUE(text.endsWith("<!--EndFragment--></body></html>"));

    // An empty tree still gives the table with its header row.
    auto empty = MakeTree({QStringLiteral("Only")});
    const QByteArray emptyHtml = empty->ContentToHTML(tstAll);
    EXPECT_TRUE(emptyHtml.contains("<tr class=\"header\""));
    EXPECT_TRUE(emptyHtml.contains(">Only</th>"));
    EXPECT_TRUE(emptyHtml.endsWith("</table>"));
}

TEST(TreeGridExportTest, RtfAndTheOtherClipboardRenderings)
{
    auto tree = MakeTree({QStringLiteral("Name"), QStringLiteral("Value")});
    PGridNode a = Add(*tree, nullptr, {QStringLiteral("A"), QStringLiteral("l1\nl2")});
    Add(*tree, a, {QStringLiteral("\u20ac"), QStringLiteral("2")});
    TFont big;
    big.SetName(QStringLiteral("DejaVu Serif"));
    big.SetHeight(16); // a cell height: its point size comes out negative
    big.SetColor(0x0000FF);
    tree->OnPaintText = [&](TBaseTreeGrid *, TCanvas &canvas, PGridNode, TColumnIndex column, TVSTTextType) {
        if (column == 1)
            canvas.Font().Assign(big);
    };
    const QByteArray rtf = tree->ContentToRTF(tstAll);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl{\\f0 "));
    EXPECT_TRUE(rtf.contains("DejaVu Serif;}"));
    EXPECT_TRUE(rtf.contains("\\red255\\green0\\blue0;"));
    EXPECT_FALSE(rtf.contains("\\fs-"));
    EXPECT_TRUE(rtf.contains("\\fs" + QByteArray::number(2 * std::abs(big.Size()))));
    EXPECT_TRUE(rtf.contains("\\u108\\'3f\\u49\\'3f{\\par}\\u108\\'3f\\u50\\'3f"));
    EXPECT_TRUE(rtf.contains("\\tab"));
    EXPECT_TRUE(rtf.contains("\\u8364\\'3f"));
    EXPECT_EQ(rtf.count("\\row"), 3);
    EXPECT_TRUE(rtf.endsWith("\\pard\\par}"));
    EXPECT_EQ(tree->ContentToClipboard(QStringLiteral("Rich Text Format"), tstAll), rtf + QByteArray(1, '\0'));

    const QByteArray plain = tree->ContentToClipboard(QStringLiteral("Plain text"), tstAll);
    EXPECT_EQ(plain, tree->ContentToText(tstAll, QChar(u'\t')) + QByteArray(1, '\0'));
    const QByteArray unicode = tree->ContentToClipboard(QStringLiteral("Unicode text"), tstAll);
    const QString expected = tree->ContentToUnicode(tstAll, QChar(u'\t'));
    ASSERT_EQ(unicode.size(), 2 * (expected.size() + 1));
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t *>(unicode.constData())), expected);
    EXPECT_TRUE(tree->ContentToClipboard(QStringLiteral("Windows bitmap"), tstAll).isEmpty());
}

namespace {

// The font names of an RTF document's font table, read as an RTF reader does: escaped
// characters taken literally, hex and Unicode escapes decoded, an entry ended by its semicolon.
// Empty when the braces of the document do not pair up.
QStringList RtfFontNames(const QByteArray &rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\')
            ++i; // an escaped character or the first of a control word
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth < 0)
            return {};
    }
    if (depth != 0)
        return {};

    QStringList names;
    const qsizetype table = rtf.indexOf("{\\fonttbl");
    if (table < 0)
        return {};
    qsizetype i = table + 9;
    while (i < rtf.size() && rtf[i] == '{') {
        // "{\fN name;}"
        i = rtf.indexOf(' ', i) + 1;
        QString name;
        while (i < rtf.size() && rtf[i] != ';' && rtf[i] != '}') {
            if (rtf[i] != '\\') {
                name += QChar::fromLatin1(rtf[i++]);
            } else if (rtf[i + 1] == '\'') {
                name += QChar(rtf.mid(i + 2, 2).toInt(nullptr, 16));
                i += 4;
            } else if (rtf[i + 1] == 'u') {
                qsizetype end = i + 2;
                while (rtf[end] == '-' || std::isdigit(static_cast<unsigned char>(rtf[end])))
                    ++end;
                name += QChar(char16_t(rtf.mid(i + 2, end - i - 2).toShort()));
                i = end + 4; // the fallback \'3f
            } else {
                name += QChar::fromLatin1(rtf[i + 1]);
                i += 2;
            }
        }
        names << name;
        i = rtf.indexOf('}', i) + 1;
    }
    return names;
}

} // namespace

TEST(TreeGridExportTest, RtfFontTableHoldsAnyFontName)
{
    auto tree = MakeTree({QStringLiteral("Name"), QStringLiteral("Value")});
    Add(*tree, nullptr, {QStringLiteral("a"), QStringLiteral("b")});
    const QStringList fonts = {QStringLiteral("Back\\slash"), QStringLiteral("Curly{Brace}"),
                               QStringLiteral("Semi;colon"), QStringLiteral("\u00c4rger \u20ac Sans")};
    for (const QString &name : fonts) {
        SCOPED_TRACE(name.toStdString());
        TFont font;
        font.SetName(name);
        tree->OnPaintText = [&](TBaseTreeGrid *, TCanvas &canvas, PGridNode, TColumnIndex column, TVSTTextType) {
            if (column == 1)
                canvas.Font().Assign(font);
        };
        const QByteArray rtf = tree->ContentToRTF(tstAll);
        const QStringList names = RtfFontNames(rtf);
        ASSERT_FALSE(names.isEmpty()) << rtf.constData();
        EXPECT_TRUE(names.contains(name)) << rtf.constData();
        // The cells still come out after the table, the second in the font asked for: its
        // number stands in the table and once more in the body.
        EXPECT_TRUE(rtf.contains("\\u97\\'3f"));
        EXPECT_TRUE(rtf.contains("\\u98\\'3f"));
        const QRegularExpression use(QStringLiteral("\\\\f%1(?!\\d)").arg(names.indexOf(name)));
        EXPECT_EQ(QString::fromLatin1(rtf).count(use), 2);
    }
}
