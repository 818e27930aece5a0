#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QScreen>

#include <memory>
#include <vector>

#include "Canvas.h"
#include "TreeGridTestSupport.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridRoutines.h"

namespace {

class TTextTree : public TStringTreeGrid
{
public:
    using TStringTreeGrid::ComputeNodeHeight;
    using TStringTreeGrid::DoStateChange;
};

std::unique_ptr<TTextTree> MakeTree(int width = 300, int height = 200)
{
    auto tree = treegridtest::ShowTree<TTextTree>(width, height);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    tree->setFont(font);
    return tree;
}

// What the cells drew: text, column and rectangle, in painting order.
struct TDrawn {
    QString text;
    TColumnIndex column;
    QRect rect;
};

std::vector<TDrawn> Paint(TTextTree &tree)
{
    std::vector<TDrawn> drawn;
    tree.OnDrawText = [&](TBaseTreeGrid *, TCanvas &, PGridNode, TColumnIndex column, const QString &text,
                          const QRect &r, bool &) { drawn.push_back({text, column, r}); };
    QImage image(tree.ClientWidth(), tree.ClientHeight(), QImage::Format_RGB32);
    TCanvas canvas(&image);
    tree.Paint(canvas, image.rect());
    tree.OnDrawText = nullptr;
    return drawn;
}

} // namespace

TEST(TreeGridStringTest, TextsComeFromTheOwnerAndGoBackToIt)
{
    auto tree = MakeTree();
    tree->SetRootNodeCount(2);
    PGridNode node = tree->GetFirst();
    EXPECT_EQ(tree->Text(node, NoColumn), "Node");
    EXPECT_THROW(tree->Text(nullptr, 0), ETreeGridAssertion);

    std::vector<QString> cells = {"alpha", "beta"};
    tree->OnGetText = [&](TBaseTreeGrid *, PGridNode n, TColumnIndex, TVSTTextType type, QString &text) {
        text = type == ttStatic ? QString("static") : cells[n->Index];
    };
    QString received;
    tree->OnNewText = [&](TBaseTreeGrid *, PGridNode n, TColumnIndex column, const QString &text) {
        received = QString("%1/%2/%3").arg(n->Index).arg(column).arg(text);
        cells[n->Index] = text;
    };
    EXPECT_EQ(tree->Text(node, NoColumn), "alpha");
    const int before = tree->DoGetNodeWidth(node, NoColumn);
    tree->SetText(node, 0, "a much longer text");
    EXPECT_EQ(received, "0/0/a much longer text");
    // The cached width went with the invalidation and is measured again.
    EXPECT_GT(tree->DoGetNodeWidth(node, NoColumn), before);

    // Every cell is painted with its text; the static text only when asked.
    auto drawn = Paint(*tree);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].text, "a much longer text");
    EXPECT_EQ(drawn[1].text, "beta");
    tree->StringTreeOptions().SetStringOptions(tree->StringTreeOptions().StringOptions() + toShowStaticText);
    drawn = Paint(*tree);
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[1].text, "static");
    EXPECT_EQ(drawn[1].rect.left(), drawn[0].rect.left() - tree->TextMargin() + tree->DoGetNodeWidth(node, NoColumn)
                                        + tree->TextMargin());
    // ...but not in a centred cell.
    tree->SetAlignment(Qt::AlignHCenter);
    EXPECT_EQ(Paint(*tree).size(), 2u);
}

TEST(TreeGridStringTest, TheMainColumnWidthIsCachedUntilInvalidated)
{
    auto tree = MakeTree();
    tree->Header()->Columns()->Add()->SetWidth(120);
    tree->Header()->Columns()->Add()->SetWidth(120);
    int asked = 0;
    tree->OnGetText = [&](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) {
        ++asked;
        text = "Some text";
    };
    tree->SetRootNodeCount(1);
    PGridNode node = tree->GetFirst();
    const int width = tree->DoGetNodeWidth(node, 0);
    QFontMetrics metrics(tree->font());
    EXPECT_EQ(width, 2 * tree->TextMargin() + metrics.horizontalAdvance("Some text"));
    asked = 0;
    EXPECT_EQ(tree->DoGetNodeWidth(node, 0), width);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(tree->DoGetNodeWidth(node, 1), width); // other columns are measured each time
    EXPECT_EQ(asked, 1);
    tree->InvalidateNode(node);
    tree->DoGetNodeWidth(node, 0);
    EXPECT_EQ(asked, 2);

    // A font change in OnPaintText is measured in that font.
    tree->OnPaintText = [](TBaseTreeGrid *, TCanvas &canvas, PGridNode, TColumnIndex, TVSTTextType) {
        canvas.Font().SetHeight(-24);
    };
    tree->Header()->SetMainColumn(1); // clears every cached width
    QFont big = tree->font();
    big.setPixelSize(24);
    const int bigWidth = 2 * tree->TextMargin() + QFontMetrics(big).horizontalAdvance("Some text");
    EXPECT_EQ(tree->DoGetNodeWidth(node, 1), bigWidth);
    EXPECT_EQ(tree->DoGetNodeWidth(node, 0), bigWidth);

    // The window font changes every cached width.
    tree->OnPaintText = nullptr;
    QFont small = tree->font();
    small.setPixelSize(9);
    tree->setFont(small);
    EXPECT_EQ(tree->DoGetNodeWidth(node, 1), 2 * tree->TextMargin() + QFontMetrics(small).horizontalAdvance("Some text"));
    EXPECT_EQ(tree->TextHeight(), QFontMetrics(small).ascent() + QFontMetrics(small).descent());
    EXPECT_EQ(tree->EllipsisWidth(), QFontMetrics(small).horizontalAdvance("..."));
}

TEST(TreeGridStringTest, TextsTooWideAreShortened)
{
    auto tree = MakeTree(400, 100);
    TTreeGridColumns *columns = tree->Header()->Columns();
    columns->Add()->SetWidth(200);
    columns->Add()->SetWidth(80);
    tree->TreeOptions().SetPaintOptions(tree->TreeOptions().PaintOptions() - toShowRoot);
    QString text = "A text that is far too wide for its column";
    tree->OnGetText = [&](TBaseTreeGrid *, PGridNode, TColumnIndex column, TVSTTextType, QString &cell) {
        cell = column == 1 ? text : QString("main");
    };
    tree->SetRootNodeCount(1);
    const int margins = tree->Margin() + 2 * tree->TextMargin();
    auto cell1 = [&] {
        for (const TDrawn &d : Paint(*tree))
            if (d.column == 1)
                return d;
        return TDrawn{QString("<none>"), -1, QRect()};
    };
    TDrawn drawn = cell1();
    EXPECT_TRUE(drawn.text.endsWith("...")) << drawn.text.toStdString();
    EXPECT_LE(QFontMetrics(tree->font()).horizontalAdvance(drawn.text), drawn.rect.width());
    EXPECT_EQ(drawn.rect.width(), 80 - margins);

    // The room left equals the ellipsis: nothing is left to show.
    columns->Items(1)->SetWidth(tree->EllipsisWidth() + margins);
    drawn = cell1();
    EXPECT_EQ(drawn.rect.width(), tree->EllipsisWidth());
    EXPECT_EQ(drawn.text, "");
    columns->Items(1)->SetWidth(1 + margins);
    EXPECT_EQ(cell1().text, "");

    // A fitting text stays whole; a handler may shorten by itself.
    text = "Fits";
    columns->Items(1)->SetWidth(80);
    EXPECT_EQ(cell1().text, "Fits");
    text = "Not fitting at all, no";
    tree->OnShortenString = [](TBaseTreeGrid *, TCanvas &, PGridNode, TColumnIndex, const QString &, int, QString &result,
                               bool &done) {
        result = "mine";
        done = true;
    };
    EXPECT_EQ(cell1().text, "mine");
    tree->OnShortenString = nullptr;

    // A bigger font chosen while painting shortens by that font's widths.
    text = "MMMMMM";
    const int normal = QFontMetrics(tree->font()).horizontalAdvance(text);
    columns->Items(1)->SetWidth(normal + margins + 4);
    EXPECT_EQ(cell1().text, text);
    tree->OnPaintText = [](TBaseTreeGrid *, TCanvas &canvas, PGridNode, TColumnIndex column, TVSTTextType) {
        if (column == 1)
            canvas.Font().SetHeight(-20);
    };
    tree->InvalidateNode(tree->GetFirst());
    EXPECT_TRUE(cell1().text.endsWith("..."));
}

TEST(TreeGridStringTest, MultiLineNodesSpanSeveralLines)
{
    auto tree = MakeTree(400, 200);
    tree->Header()->Columns()->Add()->SetWidth(120);
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode, TColumnIndex, TVSTTextType, QString &text) {
        text = "one two three four five six seven eight nine ten";
    };
    tree->OnInitNode = [](TBaseTreeGrid *, PGridNode, PGridNode, TGridNodeInitStates &states) { states += ivsMultiline; };
    tree->SetRootNodeCount(1);
    PGridNode node = tree->GetFirst();
    tree->InitNode(node);
    EXPECT_TRUE(node->States.contains(vsMultiline));
    EXPECT_EQ(tree->DoGetNodeWidth(node, 0), 120);
    const int lineHeight = tree->TextHeight();
    const int height = tree->ComputeNodeHeight(nullptr, node, 0);
    EXPECT_GE(height, 3 * lineHeight);
    EXPECT_EQ(height % lineHeight, 0);
    // A wider column needs fewer lines.
    tree->Header()->Columns()->Items(0)->SetWidth(380);
    EXPECT_LT(tree->ComputeNodeHeight(nullptr, node, 0), height);
}

TEST(TreeGridStringTest, TextInfoAndSpanningCells)
{
    auto tree = MakeTree(400, 100);
    TTreeGridColumns *columns = tree->Header()->Columns();
    for (int i = 0; i < 3; ++i)
        columns->Add()->SetWidth(100);
    std::vector<QString> texts = {"first", "", ""};
    tree->OnGetText = [&](TBaseTreeGrid *, PGridNode, TColumnIndex column, TVSTTextType, QString &text) {
        text = column >= 0 ? texts[std::size_t(column)] : QString();
    };
    tree->OnPaintText = [](TBaseTreeGrid *, TCanvas &canvas, PGridNode, TColumnIndex, TVSTTextType) {
        canvas.Font().SetStyle(fsBold);
    };
    tree->SetRootNodeCount(1);
    PGridNode node = tree->GetFirst();

    TFont font;
    QRect r;
    QString text;
    tree->GetTextInfo(node, 0, font, r, text);
    EXPECT_EQ(text, "first");
    EXPECT_TRUE(font.Style().testFlag(fsBold));
    QFont bold = tree->font();
    bold.setBold(true);
    EXPECT_EQ(r.height(), QFontMetrics(bold).ascent() + QFontMetrics(bold).descent());
    EXPECT_EQ(r.left(), int(tree->Indent()) + tree->Margin());

    // Under toAutoSpanColumns the text runs over the empty cells to its right.
    texts[0] = "a rather long text that needs room";
    tree->InvalidateNode(node);
    auto drawn = Paint(*tree);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_LT(RectRight(drawn[0].rect), 100);
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() + toAutoSpanColumns);
    drawn = Paint(*tree);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_GT(RectRight(drawn[0].rect), 250);
    EXPECT_EQ(drawn[0].text, texts[0]);
    EXPECT_TRUE(tree->GetHitTestInfoAt(250, 5).HitColumn == 0);
}

TEST(TreeGridStringTest, ExportWalksByTheirSource)
{
    auto tree = MakeTree();
    tree->SetRootNodeCount(5);
    PGridNode third = tree->GetNextSibling(tree->GetNextSibling(tree->GetFirstNoInit()));
    tree->TreeOptions().SetSelectionOptions(tree->TreeOptions().SelectionOptions() + toMultiSelect);
    tree->SetSelected(third, true);
    tree->SetIsVisible(tree->GetFirstNoInit(), false);
    auto walk = [&](TVSTTextSourceType source) {
        PGridNode node = nullptr;
        std::function<PGridNode(PGridNode)> next;
        tree->GetRenderStartValues(source, node, next);
        int count = 0;
        for (; node; node = next(node))
            ++count;
        return count;
    };
    EXPECT_EQ(walk(tstAll), 5);
    EXPECT_EQ(walk(tstSelected), 1);
    EXPECT_EQ(walk(tstVisible), 4);
    EXPECT_EQ(walk(tstCutCopySet), 0);
}

TEST(TreeGridStringTest, AnimationsRunFromATimerAndToggleAnimatedRowsEndRight)
{
    auto tree = MakeTree(300, 200);
    std::vector<std::pair<int, int>> calls;
    tree->Animate(0, 100, [&](int step, int size) {
        calls.emplace_back(step, size);
        return true;
    });
    tree->Animate(10, 0, [&](int step, int size) {
        calls.emplace_back(step, size);
        return true;
    });
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(tree->Animating());

    tree->Animate(20, 60, [&](int step, int size) {
        calls.emplace_back(step, size);
        return true;
    });
    EXPECT_TRUE(tree->Animating());
    // A second animation is refused while one runs.
    tree->Animate(5, 100, [&](int, int) { return true; });
    QElapsedTimer timer;
    timer.start();
    while (tree->Animating() && timer.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_FALSE(tree->Animating());
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.back(), std::make_pair(0, 0));
    EXPECT_EQ(calls.front().first, 0);
    for (std::size_t i = 0; i + 1 < calls.size(); ++i)
        EXPECT_GT(calls[i].second, 0);

    // An animated expansion ends with the same picture as an instant one.
    tree->OnGetText = [](TBaseTreeGrid *, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
        text = QString("Row %1.%2").arg(node->Parent->Index).arg(node->Index);
    };
    tree->SetRootNodeCount(20);
    PGridNode parent = tree->GetNextSibling(tree->GetFirst());
    tree->SetChildCount(parent, 4);
    tree->SetAnimationDuration(80);
    EXPECT_TRUE(tree->TreeOptions().AnimationOptions().contains(toAnimatedToggle));
    QApplication::processEvents();
    tree->SetExpanded(parent, true);
    EXPECT_TRUE(tree->Animating());
    timer.restart();
    while (tree->Animating() && timer.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    // The window's backing store as the scrolling steps left it, then as a full repaint makes it.
    auto screen = [&] { return QGuiApplication::primaryScreen()->grabWindow(tree->winId()).toImage(); };
    const QImage animated = screen();
    tree->viewport()->repaint();
    const QImage fresh = screen();
    EXPECT_FALSE(fresh.isNull());
    EXPECT_EQ(animated, fresh);

    // Collapsing again, animated: the same end.
    tree->SetExpanded(parent, false);
    EXPECT_TRUE(tree->Animating());
    timer.restart();
    while (tree->Animating() && timer.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    const QImage collapsed = screen();
    tree->viewport()->repaint();
    EXPECT_EQ(collapsed, screen());
}
