// Rows dragged with the platform's drag in a desktop session, the buttons pressed and released
// through the X server: the left and right buttons together cancel the drag, and a release
// that leaves a button down does not drop. Skipped in the offscreen runs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QWidget>

#include "common/DesktopSession.h"
#include "treegrid/StringTreeGrid.h"

namespace {

class TSourceTree : public TStringTreeGrid
{
public:
    int Cancels = 0;

protected:
    void DragCanceled() override
    {
        ++Cancels;
        TStringTreeGrid::DragCanceled();
    }
};

template <class T>
T *TextTree(QWidget *parent, std::initializer_list<const char *> rows)
{
    T *tree = TBaseTreeGrid::Create<T>();
    tree->setParent(parent);
    tree->template SetNodeDataType<QString>();
    tree->OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex, TVSTTextType, QString &text) {
        text = *sender->GetNodeData<QString>(node);
    };
    for (const char *row : rows)
        *tree->template GetNodeData<QString>(tree->AddChild(nullptr)) = QString::fromLatin1(row);
    return tree;
}

struct TDragWindow {
    QWidget window;
    TSourceTree *source = nullptr;
    TStringTreeGrid *target = nullptr;
    int overs = 0;
    // The buttons still down at each drop.
    std::vector<Qt::MouseButtons> drops;

    TDragWindow()
    {
        auto *layout = new QHBoxLayout(&window);
        source = TextTree<TSourceTree>(&window, {"alpha", "beta", "gamma"});
        source->SetDragMode(dmAutomatic);
        target = TextTree<TStringTreeGrid>(&window, {"one"});
        layout->addWidget(source);
        layout->addWidget(target);
        target->OnDragOver = [this](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState,
                                    QPoint, TTGDropMode, Qt::DropAction &, bool &accept) {
            ++overs;
            accept = true;
        };
        target->OnDragDrop = [this](TBaseTreeGrid *, TBaseTreeGrid *, const QMimeData *, const QStringList &,
                                    TTGShiftState, QPoint, Qt::DropAction &, TTGDropMode) {
            drops.push_back(QGuiApplication::mouseButtons());
        };
        window.resize(600, 300);
        window.show();
    }
    ~TDragWindow() { window.hide(); }

    // One gesture through the X server: the left button down on the first row, the pointer over
    // to the other tree, then the given steps.
    bool Drag(const QStringList &then)
    {
        const QRect first = source->GetDisplayRect(source->GetFirst(), NoColumn, true);
        const QPoint from = source->viewport()->mapToGlobal(first.center());
        const QPoint to = target->viewport()->mapToGlobal(target->viewport()->rect().center());
        QStringList steps{QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(from.x()),
                          QString::number(from.y()), QStringLiteral("mousedown"), QStringLiteral("1")};
        for (int i = 1; i <= 8; ++i) {
            const QPoint at = from + (to - from) * i / 8;
            steps << QStringLiteral("sleep") << QStringLiteral("0.05") << QStringLiteral("mousemove")
                  << QString::number(at.x()) << QString::number(at.y());
        }
        steps << QStringLiteral("sleep") << QStringLiteral("0.3");
        return desktop::Run(QStringLiteral("xdotool"), steps + then);
    }
};

QStringList Button(const char *action, int button)
{
    return {QString::fromLatin1(action), QString::number(button), QStringLiteral("sleep"), QStringLiteral("0.3")};
}

TEST(DesktopSessionTreeDragTest, BothButtonsCancelAndOnlyTheLastReleaseDrops)
{
    if (!desktop::Active())
        GTEST_SKIP() << "needs a desktop session";
    TDragWindow w;
    ASSERT_TRUE(desktop::Activate(&w.window));

    // The right button while the left one drags: cancelled; neither release drops.
    ASSERT_TRUE(w.Drag(Button("mousedown", 3) + Button("mouseup", 3) + Button("mouseup", 1)));
    ASSERT_TRUE(desktop::WaitFor([&] { return !w.source->Dragging(); }));
    EXPECT_GT(w.overs, 0) << "the drag reached the other tree";
    EXPECT_EQ(w.source->Cancels, 1);
    EXPECT_TRUE(w.drops.empty());
    EXPECT_EQ(w.target->RootNodeCount(), 1u);

    // The middle button comes and goes while the left one drags: the drag goes on, and the
    // left button's release drops.
    w.overs = 0;
    ASSERT_TRUE(w.Drag(Button("mousedown", 2) + Button("mouseup", 2) + Button("mouseup", 1)));
    ASSERT_TRUE(desktop::WaitFor([&] { return !w.source->Dragging() && !w.drops.empty(); }));
    EXPECT_GT(w.overs, 0);
    EXPECT_EQ(w.source->Cancels, 1);
    ASSERT_EQ(w.drops.size(), 1u);
    EXPECT_EQ(w.drops[0], Qt::NoButton) << "dropped while a button was still down";
}

} // namespace
