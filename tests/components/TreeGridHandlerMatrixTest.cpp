// Every event of the tree-grid with a handler that deletes nodes, driven along each road that
// raises it (mouse, keys, the programming interface): the tree never touches a node after the
// handler removed it, keeps its bookkeeping, forgets the removed rows and goes on working.
// One generated matrix: events x roads, each run with every kind of destructive handler.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QHelpEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "ImageList.h"
#include "TreeGridInputTestSupport.h"
#include "TreeGridTestSupport.h"
#include "treegrid/TreeGridHeaderWidget.h"

using inputtest::TInputFixture;
using inputtest::XWhere;

namespace {

// What the handler does, to the node its event names (or to the road's node when the event
// names none).
enum class TAction { DeleteNode, DeleteParent, DeleteNextSibling, Clear, RecreateChildren };

constexpr TAction AllActions[] = {TAction::DeleteNode, TAction::DeleteParent, TAction::DeleteNextSibling,
                                  TAction::Clear, TAction::RecreateChildren};

const char *ActionName(TAction action)
{
    switch (action) {
    case TAction::DeleteNode: return "DeleteNode";
    case TAction::DeleteParent: return "DeleteParent";
    case TAction::DeleteNextSibling: return "DeleteNextSibling";
    case TAction::Clear: return "Clear";
    case TAction::RecreateChildren: return "RecreateChildren";
    }
    return "";
}

// A shown tree of two columns under a visible header:
//   A
//   P (tri-state box, expanded)
//     P0 (box)
//     T (box, expanded)     the node the roads aim at
//       T0 (collapsed)
//         T00
//       T1
//     P2 (box)
//   B, R0 .. R9
struct TMatrix : TInputFixture {
    PGridNode A = nullptr, P = nullptr, P0 = nullptr, T = nullptr, T0 = nullptr, T00 = nullptr, T1 = nullptr,
              P2 = nullptr, B = nullptr, Last = nullptr;

    // The handler strikes once, while armed, at the first call about the subject (any node
    // for events that name arbitrary nodes); afterwards the event does its usual duty.
    TAction action = TAction::DeleteNode;
    bool armed = false;
    bool struck = false;
    PGridNode subject = nullptr;
    // The road's node is not known beforehand: the first call strikes, whatever node it names.
    bool anyNode = false;
    // The nodes the strike removed: none may be found in the tree afterwards.
    std::set<PGridNode> removed;
    int added = 0;
    std::unique_ptr<QWidget> other;
    TImageList images;

    TMatrix()
        : TInputFixture(QSize(300, 260))
    {
        AddColumns({140, 140});
        tree->Header()->SetOptions(tree->Header()->Options() + hoVisible);
        Options({toMultiSelect}, {toEditable, toCheckSupport});
        tree->SetEditDelay(1);
        tree->OnNewText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column, const QString &text) {
            if (column == 0)
                *sender->GetNodeData<QString>(node) = text;
        };
        // A node named "T" that was reset gets its children lazily again.
        tree->OnInitNode = [](TBaseTreeGrid *sender, PGridNode, PGridNode node, TGridNodeInitStates &states) {
            if (*sender->GetNodeData<QString>(node) == QLatin1String("T"))
                states += ivsHasChildren;
        };
        tree->OnInitChildren = [](TBaseTreeGrid *sender, PGridNode node, std::uint32_t &count) {
            if (*sender->GetNodeData<QString>(node) == QLatin1String("T"))
                count = 2;
        };
        tree->OnCompareNodes = [](TBaseTreeGrid *sender, PGridNode a, PGridNode b, TColumnIndex, int &result) {
            result = QString::compare(*sender->GetNodeData<QString>(a), *sender->GetNodeData<QString>(b));
        };
        A = Add(QStringLiteral("A"));
        P = Add(QStringLiteral("P"));
        P0 = Add(QStringLiteral("P0"), P);
        T = Add(QStringLiteral("T"), P);
        T0 = Add(QStringLiteral("T0"), T);
        T00 = Add(QStringLiteral("T00"), T0);
        T1 = Add(QStringLiteral("T1"), T);
        P2 = Add(QStringLiteral("P2"), P);
        B = Add(QStringLiteral("B"));
        for (int i = 0; i < 10; ++i)
            Last = Add(QStringLiteral("R%1").arg(i));
        tree->SetCheckType(P, TCheckType::ctTriStateCheckBox);
        for (PGridNode box : {P0, T, P2})
            tree->SetCheckType(box, TCheckType::ctCheckBox);
        tree->SetExpanded(P, true);
        tree->SetExpanded(T, true);
        subject = T;
        tree->UpdateScrollBars(true);
        QApplication::processEvents();
    }
    ~TMatrix()
    {
        tree.reset();
        other.reset();
    }

    // ---- the strike

    QString Name(PGridNode node) const { return *tree->GetNodeData<QString>(node); }
    void NoteRemoved(PGridNode node)
    {
        if (!node)
            return;
        removed.insert(node);
        for (PGridNode child = node->FirstChild; child; child = child->NextSibling)
            NoteRemoved(child);
    }
    PGridNode NewChild(PGridNode parent)
    {
        PGridNode node = tree->AddChild(parent);
        if (node)
            *tree->GetNodeData<QString>(node) = QStringLiteral("N%1").arg(added++);
        return node;
    }
    // True when this call struck: the handler must not touch the node any more.
    bool Strike(PGridNode node, bool anyNode = false)
    {
        if (!armed || struck)
            return false;
        if (!anyNode && !this->anyNode && node && node != subject)
            return false;
        struck = true;
        PGridNode target = node ? node : subject;
        switch (action) {
        case TAction::DeleteNode:
            NoteRemoved(target);
            tree->DeleteNode(target);
            break;
        case TAction::DeleteParent:
            if (target->Parent && target->Parent != tree->RootNode()) {
                NoteRemoved(target->Parent);
                tree->DeleteNode(target->Parent);
            }
            break;
        case TAction::DeleteNextSibling:
            NoteRemoved(target->NextSibling);
            tree->DeleteNode(target->NextSibling);
            break;
        case TAction::Clear:
            for (PGridNode run = tree->RootNode()->FirstChild; run; run = run->NextSibling)
                NoteRemoved(run);
            tree->Clear();
            break;
        case TAction::RecreateChildren:
            for (PGridNode run = target->FirstChild; run; run = run->NextSibling)
                NoteRemoved(run);
            tree->DeleteChildren(target);
            NewChild(target);
            NewChild(target);
            break;
        }
        return true;
    }

    // ---- what a user does

    QPoint Label(PGridNode node) const { return tree->GetDisplayRect(node, 0, true).center(); }
    QPoint Cell(PGridNode node, TColumnIndex column) const
    {
        return tree->GetDisplayRect(node, column, false).center();
    }
    QPoint Part(PGridNode node, THitPosition position) const
    {
        const int y = tree->GetDisplayRect(node, 0, false).center().y();
        return QPoint(XWhere(*tree, y, position), y);
    }
    // Types into whatever has the keyboard and presses Enter there.
    void TypeAndEnter(const QString &text)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : tree.get();
        QTest::keyClicks(target, text);
        target = QApplication::focusWidget() ? QApplication::focusWidget() : tree.get();
        QTest::keyClick(target, Qt::Key_Return);
    }
    void StartEdit(PGridNode node)
    {
        ASSERT_TRUE(tree->EditNode(node, 0));
        ASSERT_NE(Editor(), nullptr);
        QTest::keyClicks(Editor(), QStringLiteral("typed"));
    }
    void EditorKey(Qt::Key key)
    {
        QWidget *target = Editor() ? static_cast<QWidget *>(Editor()) : tree.get();
        QTest::keyClick(target, key);
    }
    void Focus(PGridNode node)
    {
        tree->SetFocusedNode(node);
        tree->ClearSelection();
        tree->SetSelected(node, true);
    }
    void Collapse(PGridNode node) { tree->SetExpanded(node, false); }
    void AutoOptions(TTGAutoOptions add)
    {
        tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() + add);
    }
    void MiscOptions(TTGMiscOptions add)
    {
        tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() + add);
    }
    // The pointer comes from the row above, rests over the node's cell and moves on.
    void Hover(PGridNode node, TColumnIndex column = 0)
    {
        const QPoint at = column == 0 ? Label(node) : Cell(node, column);
        Move(at - QPoint(0, rowHeight));
        Move(at);
        Move(at + QPoint(0, 2 * rowHeight));
    }
    // A drag of other data hovers over a row until the tree expands it.
    void HoverDragOver(PGridNode node)
    {
        QMimeData data;
        data.setText(QStringLiteral("hovering"));
        const QPoint at = Label(node);
        treegridtest::SendDrag(*tree, QEvent::DragEnter, at, &data, Qt::CopyAction);
        treegridtest::SendDrag(*tree, QEvent::DragMove, at, &data, Qt::CopyAction);
        (void)QTest::qWaitFor([&] { return struck || tree->Expanded(node); }, 500);
        treegridtest::SendDrag(*tree, QEvent::DragLeave, at, &data, Qt::CopyAction);
    }
    // The clipboard's text is read, which renders the copied rows.
    void ReadClipboardText()
    {
        if (const QMimeData *data = QGuiApplication::clipboard()->mimeData())
            for (const QString &format : data->formats())
                (void)data->data(format);
    }
    // The tree's vertical scroll bar: a click on its lower arrow.
    void ClickScrollBarDown()
    {
        QScrollBar *bar = tree->verticalScrollBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 4));
    }
    void ClickHeader(TColumnIndex column)
    {
        TTreeGridHeaderWidget *strip = tree->Header()->Widget();
        int left = 0, right = 0;
        tree->Header()->Columns()->GetColumnBounds(column, left, right);
        QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, QPoint((left + right) / 2, strip->height() / 2));
    }
    void DragFrameworkStyle(QPoint from, QPoint to)
    {
        tree->SetDragType(dtVCL);
        tree->SetDragMode(dmAutomatic);
        Press(from);
        const int step = QApplication::startDragDistance() + 2;
        Move(from + QPoint(0, step));
        Move(to);
        Release(to);
    }
    void SendPlatformDrag(QPoint at)
    {
        QMimeData data;
        data.setText(QStringLiteral("dropped"));
        treegridtest::SendDrag(*tree, QEvent::DragEnter, at, &data, Qt::CopyAction | Qt::MoveAction);
        treegridtest::SendDrag(*tree, QEvent::DragMove, at, &data, Qt::CopyAction | Qt::MoveAction);
        treegridtest::SendDrag(*tree, QEvent::Drop, at, &data, Qt::CopyAction | Qt::MoveAction);
    }
    void ToolTipAt(QPoint p)
    {
        QHelpEvent help(QEvent::ToolTip, p, viewport->mapToGlobal(p));
        QApplication::sendEvent(viewport, &help);
    }
    // Another window becomes active and takes the keyboard.
    void FocusOtherWindow()
    {
        other = std::make_unique<QWidget>();
        other->setFocusPolicy(Qt::StrongFocus);
        other->show();
        other->activateWindow();
        QApplication::setActiveWindow(other.get());
        other->setFocus();
        QApplication::processEvents();
    }
    void Settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    // ---- what must hold afterwards

    void CollectLive(PGridNode node, std::set<PGridNode> &live)
    {
        for (PGridNode child = node->FirstChild; child; child = child->NextSibling) {
            live.insert(child);
            CollectLive(child, live);
        }
    }
    void ExpectSound(const char *when, bool checkRemoved)
    {
        SCOPED_TRACE(when);
        EXPECT_TRUE(treegridtest::TreeIsConsistent(*tree));
        std::set<PGridNode> live;
        CollectLive(tree->RootNode(), live);
        if (checkRemoved) {
            for (PGridNode node : removed)
                EXPECT_EQ(live.count(node), 0u) << "a removed node is still in the tree";
        }
        // Every node the tree refers to is one of its own.
        auto ownOrNil = [&](PGridNode node) { return !node || live.count(node) > 0; };
        EXPECT_TRUE(ownOrNil(tree->FocusedNode())) << "focused node";
        EXPECT_TRUE(ownOrNil(tree->EditedNode())) << "edited node";
        EXPECT_TRUE(ownOrNil(tree->HotNode())) << "hot node";
        EXPECT_TRUE(ownOrNil(tree->DropTargetNode())) << "drop target";
        EXPECT_TRUE(ownOrNil(tree->RangeAnchor())) << "range anchor";
        EXPECT_TRUE(ownOrNil(tree->CheckNode())) << "check node";
        int selected = 0;
        for (PGridNode node : live)
            if (node->States.contains(vsSelected))
                ++selected;
        EXPECT_EQ(tree->SelectedCount(), selected);
        for (PGridNode run = tree->GetFirstSelected(); run; run = tree->GetNextSelected(run))
            EXPECT_TRUE(live.count(run) > 0) << "selected node";
        // Painted whole (every row in view asked for its texts).
        tree->grab();
    }
    // The user goes on: the tree still answers keys, clicks and edits.
    void GoOn()
    {
        if (tree->IsEditing())
            EditorKey(Qt::Key_Escape);
        armed = false;
        if (PGridNode first = tree->GetFirstVisible()) {
            Click(Label(first));
            Key(Qt::Key_Down);
            Key(Qt::Key_End);
            Key(Qt::Key_Home);
            if (PGridNode focused = tree->FocusedNode()) {
                if (tree->EditNode(focused, 0)) {
                    QTest::keyClicks(Editor(), QStringLiteral("again"));
                    EditorKey(Qt::Key_Return);
                    EXPECT_EQ(Name(focused), QStringLiteral("again"));
                }
            }
        }
        NewChild(nullptr);
        Settle();
    }
};

struct TRoad {
    const char *Name;
    // The state before the handler is armed.
    std::function<void(TMatrix &)> Prepare;
    // The user's or the program's action that raises the event.
    std::function<void(TMatrix &)> Drive;
    // Nothing is painted between the preparation and the road.
    bool Quiet = false;
};

struct TEventCase {
    const char *Name;
    // Installs the handler: it calls Strike and, unless that struck, does its usual duty.
    std::function<void(TMatrix &)> Hook;
    std::vector<TRoad> Roads;
};

void Nothing(TMatrix &) {}

enum class TPick { None, First, Last };

// The first or the last node an event names; nil with None or when it names none.
template <class... Args>
PGridNode PickNode(TPick pick, const Args &...args)
{
    PGridNode found = nullptr;
    bool first = true;
    [[maybe_unused]] const auto look = [&](const auto &arg) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(arg)>, PGridNode>) {
            if (pick == TPick::Last || (pick == TPick::First && first))
                found = arg;
            first = false;
        }
    };
    (look(args), ...);
    return found;
}

// A hook that strikes at the node its event names and leaves the event's answers as the tree
// gave them (with anyNode, at whatever node the first call names).
template <class Owner, class Event>
std::function<void(TMatrix &)> Strikes(Event Owner::*event, TPick pick = TPick::First, bool anyNode = false)
{
    return [event, pick, anyNode](TMatrix &f) {
        (*f.tree).*event = [&f, pick, anyNode](TBaseTreeGrid *, const auto &...args) {
            f.Strike(PickNode(pick, args...), anyNode);
        };
    };
}

// ---- roads shared by several events

TRoad ClickRow(const char *name = "MouseClick")
{
    return {name, [](TMatrix &f) { f.Focus(f.P0); }, [](TMatrix &f) { f.Click(f.Label(f.T)); }};
}
TRoad ClickWhileEditing()
{
    return {"MouseClickWhileEditing", [](TMatrix &f) { f.StartEdit(f.P0); }, [](TMatrix &f) { f.Click(f.Label(f.T)); }};
}
TRoad DownKey()
{
    return {"DownKey", [](TMatrix &f) { f.Focus(f.P0); }, [](TMatrix &f) { f.Key(Qt::Key_Down); }};
}
TRoad DownKeyWhileEditing()
{
    return {"DownKeyWhileEditing", [](TMatrix &f) { f.Focus(f.P0); f.StartEdit(f.P0); },
            [](TMatrix &f) { f.EditorKey(Qt::Key_Down); f.Key(Qt::Key_Down); }};
}
TRoad ApiFocus()
{
    return {"ApiSetFocusedNode", [](TMatrix &f) { f.Focus(f.P0); }, [](TMatrix &f) { f.tree->SetFocusedNode(f.T); }};
}
TRoad Repaint(const char *name = "Repaint")
{
    return {name, Nothing, [](TMatrix &f) { f.viewport->repaint(); }};
}
TRoad Grab()
{
    return {"Grab", Nothing, [](TMatrix &f) { f.tree->grab(); }};
}
TRoad WheelIntoView()
{
    // The rows above are scrolled away; the wheel brings them back and they are painted.
    return {"Wheel", [](TMatrix &f) { f.tree->SetOffsetY(-10 * f.rowHeight); f.Settle(); },
            [](TMatrix &f) {
                f.Wheel(f.Row(2), QPoint(0, 360));
                f.Settle();
            }};
}
TRoad FocusKeyRepaints()
{
    return {"DownKeyRepaint", [](TMatrix &f) { f.Focus(f.P0); f.Settle(); },
            [](TMatrix &f) {
                f.Key(Qt::Key_Down);
                f.Settle();
            }};
}

// Every row is copied; a receiver reads the clipboard, which renders the rows.
TRoad ClipboardRead()
{
    return {"ClipboardRead",
            [](TMatrix &f) {
                f.tree->SelectAll(false);
                f.tree->CopyToClipBoard();
            },
            [](TMatrix &f) { f.ReadClipboardText(); }};
}
// T is copied and pasted below B.
TRoad PasteCopyOfT()
{
    return {"ApiPaste",
            [](TMatrix &f) {
                f.Focus(f.T);
                f.tree->CopyToClipBoard();
                f.tree->SetFocusedNode(f.B);
            },
            [](TMatrix &f) { f.tree->PasteFromClipboard(); }};
}

std::vector<TRoad> EditStarts()
{
    return {
        {"F2Key", [](TMatrix &f) { f.Focus(f.T); },
         [](TMatrix &f) {
             f.Key(Qt::Key_F2);
             f.TypeAndEnter(QStringLiteral("x"));
         }},
        {"SlowClick", [](TMatrix &f) { f.Focus(f.T); },
         [](TMatrix &f) {
             f.Click(f.Label(f.T));
             (void)QTest::qWaitFor([&] { return f.struck || f.tree->IsEditing(); }, 500);
             f.TypeAndEnter(QStringLiteral("x"));
         }},
        {"ApiEditNode", Nothing,
         [](TMatrix &f) {
             f.tree->EditNode(f.T, 0);
             f.TypeAndEnter(QStringLiteral("x"));
         }},
    };
}

std::vector<TRoad> EditEnds()
{
    return {
        {"EnterKey", [](TMatrix &f) { f.StartEdit(f.T); }, [](TMatrix &f) { f.EditorKey(Qt::Key_Return); }},
        {"ClickElsewhere", [](TMatrix &f) { f.StartEdit(f.T); }, [](TMatrix &f) { f.Click(f.Label(f.B)); }},
        {"HeaderClick", [](TMatrix &f) { f.StartEdit(f.T); }, [](TMatrix &f) { f.ClickHeader(1); }},
        {"ApiEndEditNode", [](TMatrix &f) { f.StartEdit(f.T); }, [](TMatrix &f) { f.tree->EndEditNode(); }},
        {"ApiSetFocusedNode", [](TMatrix &f) { f.StartEdit(f.T); }, [](TMatrix &f) { f.tree->SetFocusedNode(f.B); }},
        {"ApiCollapseParent", [](TMatrix &f) { f.StartEdit(f.T); }, [](TMatrix &f) { f.Collapse(f.P); }},
        {"ApiSort", [](TMatrix &f) { f.StartEdit(f.T); }, [](TMatrix &f) { f.tree->Sort(f.P, 0, sdDescending); }},
    };
}

std::vector<TRoad> Collapses()
{
    return {
        {"MouseButton", Nothing, [](TMatrix &f) { f.Click(f.Part(f.T, hiOnItemButton)); }},
        {"LeftKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) { f.Key(Qt::Key_Left); }},
        {"MinusKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) { f.Key(Qt::Key_Minus); }},
        {"DoubleClick", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) { f.DoubleClick(f.Label(f.T)); }},
        {"ApiSetExpanded", Nothing, [](TMatrix &f) { f.Collapse(f.T); }},
        {"ApiFullCollapse", Nothing, [](TMatrix &f) { f.tree->FullCollapse(f.P); }},
        {"ApiWhileEditingBelow", [](TMatrix &f) { f.StartEdit(f.T1); }, [](TMatrix &f) { f.Collapse(f.T); }},
        {"AutoFreeOnCollapse", [](TMatrix &f) { f.AutoOptions({toAutoFreeOnCollapse}); },
         [](TMatrix &f) { f.Collapse(f.T); }},
        {"AutoExpandFocusMoves",
         [](TMatrix &f) {
             f.Focus(f.T);
             f.AutoOptions({toAutoExpand});
         },
         [](TMatrix &f) { f.tree->SetFocusedNode(f.P2); }},
    };
}

std::vector<TRoad> Expansions()
{
    auto collapsed = [](TMatrix &f) {
        f.Collapse(f.T);
        f.Focus(f.T);
    };
    // The node shown lies below two collapsed levels.
    auto deep = [](TMatrix &f) {
        f.Collapse(f.T0);
        f.Collapse(f.T);
        f.Focus(f.P0);
    };
    return {
        {"MouseButton", collapsed, [](TMatrix &f) { f.Click(f.Part(f.T, hiOnItemButton)); }},
        {"RightKey", collapsed, [](TMatrix &f) { f.Key(Qt::Key_Right); }},
        {"PlusKey", collapsed, [](TMatrix &f) { f.Key(Qt::Key_Plus); }},
        {"AsteriskKey", collapsed, [](TMatrix &f) { f.Key(Qt::Key_Asterisk); }},
        {"DoubleClick", collapsed, [](TMatrix &f) { f.DoubleClick(f.Label(f.T)); }},
        {"ApiSetExpanded", collapsed, [](TMatrix &f) { f.tree->SetExpanded(f.T, true); }},
        {"ApiFullExpand", collapsed, [](TMatrix &f) { f.tree->FullExpand(f.P); }},
        {"ApiScrollIntoViewDeep", deep, [](TMatrix &f) { f.tree->ScrollIntoView(f.T00, false); }},
        {"ApiFocusDeep", deep, [](TMatrix &f) { f.tree->SetFocusedNode(f.T00); }},
        {"DragHover",
         [](TMatrix &f) {
             f.Collapse(f.T);
             f.tree->SetAutoExpandDelay(1);
             f.tree->OnDragOver = [](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState, TBaseTreeGrid::TTGDragState,
                                     QPoint, TTGDropMode, Qt::DropAction &, bool &accepted) { accepted = true; };
         },
         [](TMatrix &f) { f.HoverDragOver(f.T); }},
        {"AutoExpandDownKey",
         [](TMatrix &f) {
             f.Collapse(f.T);
             f.Focus(f.P0);
             f.AutoOptions({toAutoExpand});
         },
         [](TMatrix &f) { f.Key(Qt::Key_Down); }},
    };
}

std::vector<TEventCase> Events()
{
    std::vector<TEventCase> events;

    // ---- focus
    events.push_back({"FocusChanging",
                      Strikes(&TBaseTreeGrid::OnFocusChanging, TPick::Last),
                      {ClickRow(), ClickWhileEditing(), DownKey(), DownKeyWhileEditing(), ApiFocus(),
                       {"ApiEditNode", Nothing, [](TMatrix &f) { f.tree->EditNode(f.T, 0); }},
                       {"HomeKey",
                        [](TMatrix &f) {
                            f.Focus(f.P0);
                            f.subject = f.A;
                        },
                        [](TMatrix &f) { f.Key(Qt::Key_Home); }},
                       {"PageDownKey",
                        [](TMatrix &f) {
                            f.Focus(f.A);
                            f.anyNode = true;
                        },
                        [](TMatrix &f) { f.Key(Qt::Key_PageDown); }},
                       {"SearchKey",
                        [](TMatrix &f) {
                            f.tree->SetIncrementalSearch(isAll);
                            f.Focus(f.A);
                        },
                        [](TMatrix &f) { QTest::keyClicks(f.tree.get(), QStringLiteral("T")); }}}});
    events.push_back({"FocusChanged",
                      Strikes(&TBaseTreeGrid::OnFocusChanged),
                      {ClickRow(), ClickWhileEditing(), DownKey(), DownKeyWhileEditing(), ApiFocus(),
                       {"ApiEditNode", Nothing, [](TMatrix &f) { f.tree->EditNode(f.T, 0); }},
                       {"ApiDeleteFocused", [](TMatrix &f) { f.Focus(f.T); },
                        [](TMatrix &f) { f.tree->DeleteNode(f.T); }}}});

    // ---- editing
    events.push_back({"Editing", Strikes(&TBaseTreeGrid::OnEditing), EditStarts()});
    events.push_back({"CreateEditor",
                      [](TMatrix &f) {
                          f.tree->OnCreateEditor = [&f](TBaseTreeGrid *, PGridNode node, TColumnIndex,
                                                        std::shared_ptr<ITGEditLink> &link) {
                              f.Strike(node);
                              link = std::make_shared<TStringEditLink>();
                          };
                      },
                      EditStarts()});
    {
        std::vector<TRoad> roads = EditEnds();
        roads.push_back({"ApiSetText", Nothing, [](TMatrix &f) { f.tree->SetText(f.T, 0, QStringLiteral("set")); }});
        events.push_back({"NewText",
                          [](TMatrix &f) {
                              f.tree->OnNewText = [&f](TBaseTreeGrid *sender, PGridNode node, TColumnIndex,
                                                       const QString &text) {
                                  if (!f.Strike(node))
                                      *sender->GetNodeData<QString>(node) = text;
                              };
                          },
                          roads});
    }
    events.push_back({"Edited", Strikes(&TBaseTreeGrid::OnEdited), EditEnds()});
    {
        auto withoutTaking = [](TMatrix &f) {
            auto &options = f.tree->StringTreeOptions();
            options.SetStringOptions(options.StringOptions() - toAutoAcceptEditChange);
            f.StartEdit(f.T);
        };
        events.push_back({"EditCancelled",
                          Strikes(&TBaseTreeGrid::OnEditCancelled, TPick::None),
                          {{"EscapeKey", [](TMatrix &f) { f.StartEdit(f.T); },
                            [](TMatrix &f) { f.EditorKey(Qt::Key_Escape); }},
                           {"ApiCancelEditNode", [](TMatrix &f) { f.StartEdit(f.T); },
                            [](TMatrix &f) { f.tree->CancelEditNode(); }},
                           {"OtherWindowTakesFocus", withoutTaking, [](TMatrix &f) { f.FocusOtherWindow(); }},
                           {"ApiResetNode", [](TMatrix &f) { f.StartEdit(f.T0); },
                            [](TMatrix &f) { f.tree->ResetNode(f.T); }},
                           {"ApiCollapseParent", withoutTaking, [](TMatrix &f) { f.Collapse(f.P); }},
                           {"ApiDeleteChildOf", [](TMatrix &f) { f.StartEdit(f.T0); },
                            [](TMatrix &f) { f.tree->DeleteNode(f.T0); }}}});
    }

    // ---- expanding and collapsing
    events.push_back({"Collapsing", Strikes(&TBaseTreeGrid::OnCollapsing), Collapses()});
    events.push_back({"Collapsed", Strikes(&TBaseTreeGrid::OnCollapsed), Collapses()});
    events.push_back({"Expanding", Strikes(&TBaseTreeGrid::OnExpanding), Expansions()});
    events.push_back({"Expanded", Strikes(&TBaseTreeGrid::OnExpanded), Expansions()});

    // ---- check boxes
    {
        std::vector<TRoad> roads{
            {"MouseCheckBox", Nothing, [](TMatrix &f) { f.Click(f.Part(f.T, hiOnItemCheckbox)); }},
            {"SpaceKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) { f.Key(Qt::Key_Space); }},
            {"ApiSetCheckState", Nothing, [](TMatrix &f) { f.tree->SetCheckState(f.T, csCheckedNormal); }},
            {"ApiParentPropagates", Nothing, [](TMatrix &f) { f.tree->SetCheckState(f.P, csCheckedNormal); }},
        };
        events.push_back({"Checking", Strikes(&TBaseTreeGrid::OnChecking), roads});
        events.push_back({"Checked", Strikes(&TBaseTreeGrid::OnChecked), roads});
    }

    // ---- lazy initialisation: T is reset, so it is made again on first use
    {
        // T gets two more children; nothing initialises them before the road.
        auto fresh = [](TMatrix &f) {
            f.Focus(f.T1);
            f.tree->SetChildCount(f.T, 4);
            *f.tree->GetNodeData<QString>(f.T->LastChild->PrevSibling) = QStringLiteral("U0");
            *f.tree->GetNodeData<QString>(f.T->LastChild) = QStringLiteral("U1");
            f.subject = f.T->LastChild->PrevSibling;
        };
        events.push_back({"InitNode",
                          [](TMatrix &f) {
                              auto base = f.tree->OnInitNode;
                              f.tree->OnInitNode = [&f, base](TBaseTreeGrid *sender, PGridNode parent, PGridNode node,
                                                              TGridNodeInitStates &states) {
                                  if (!f.Strike(node))
                                      base(sender, parent, node, states);
                              };
                          },
                          {{"Repaint", fresh, [](TMatrix &f) { f.viewport->repaint(); }, true},
                           {"DownKey", fresh, [](TMatrix &f) { f.Key(Qt::Key_Down); }, true},
                           {"MouseClick", fresh,
                            [](TMatrix &f) { f.Click(f.Label(f.T1) + QPoint(0, f.rowHeight)); }, true},
                           {"ApiText", fresh, [](TMatrix &f) { f.tree->Text(f.subject, 0); }, true},
                           {"ApiTriStateCheck", fresh,
                            [](TMatrix &f) {
                                f.tree->SetCheckType(f.T, TCheckType::ctTriStateCheckBox);
                                f.tree->SetCheckState(f.T, csCheckedNormal);
                            },
                            true},
                           {"ApiValidateNode", fresh, [](TMatrix &f) { f.tree->ValidateNode(f.T, true); }, true},
                           {"ApiSelectAll", fresh, [](TMatrix &f) { f.tree->SelectAll(false); }, true}}});
        auto lazy = [](TMatrix &f) {
            f.Focus(f.T);
            f.tree->ResetNode(f.T);
            f.tree->ValidateNode(f.T, false);
        };
        events.push_back({"InitChildren",
                          [](TMatrix &f) {
                              auto base = f.tree->OnInitChildren;
                              f.tree->OnInitChildren = [&f, base](TBaseTreeGrid *sender, PGridNode node,
                                                                  std::uint32_t &count) {
                                  if (!f.Strike(node))
                                      base(sender, node, count);
                              };
                          },
                          {{"MouseButton", lazy, [](TMatrix &f) { f.Click(f.Part(f.T, hiOnItemButton)); }},
                           {"RightKey", lazy, [](TMatrix &f) { f.Key(Qt::Key_Right); }},
                           {"ApiSetExpanded", lazy, [](TMatrix &f) { f.tree->SetExpanded(f.T, true); }},
                           {"ApiSort", lazy, [](TMatrix &f) { f.tree->Sort(f.T, 0, sdDescending); }},
                           {"ApiTotalCount", lazy, [](TMatrix &f) { f.tree->TotalCount(); }}}});
    }

    // ---- sorting: the first comparison strikes, at whichever node it names
    events.push_back({"CompareNodes",
                      [](TMatrix &f) {
                          auto base = f.tree->OnCompareNodes;
                          f.tree->OnCompareNodes = [&f, base](TBaseTreeGrid *sender, PGridNode a, PGridNode b,
                                                              TColumnIndex column, int &result) {
                              if (!f.Strike(a, true))
                                  base(sender, a, b, column, result);
                          };
                      },
                      {{"HeaderClick",
                        [](TMatrix &f) {
                            f.tree->TreeOptions().SetAutoOptions(f.tree->TreeOptions().AutoOptions() + toAutoSort);
                            f.tree->OnHeaderClick = [](TTreeGridHeader *header, const TTGHeaderHitInfo &) {
                                header->SetSortDirection(sdDescending);
                                header->SetSortColumn(0);
                            };
                        },
                        [](TMatrix &f) { f.ClickHeader(0); }},
                       {"ApiSort", Nothing, [](TMatrix &f) { f.tree->Sort(f.P, 0, sdDescending); }},
                       {"ApiSortTree", Nothing, [](TMatrix &f) { f.tree->SortTree(0, sdDescending); }},
                       {"ApiSortWhileEditing", [](TMatrix &f) { f.StartEdit(f.P0); },
                        [](TMatrix &f) { f.tree->Sort(f.P, 0, sdDescending); }},
                       {"ApiAutoSortAdd",
                        [](TMatrix &f) {
                            f.tree->TreeOptions().SetAutoOptions(f.tree->TreeOptions().AutoOptions() + toAutoSort);
                            f.tree->Header()->SetSortColumn(0);
                        },
                        [](TMatrix &f) { f.NewChild(f.P); }}}});

    // ---- texts
    events.push_back({"GetText",
                      [](TMatrix &f) {
                          f.tree->OnGetText = [&f](TBaseTreeGrid *sender, PGridNode node, TColumnIndex,
                                                   TVSTTextType, QString &text) {
                              if (!f.Strike(node))
                                  text = *sender->GetNodeData<QString>(node);
                          };
                      },
                      {Repaint(), Grab(), WheelIntoView(), FocusKeyRepaints(),
                       {"ApiText", Nothing, [](TMatrix &f) { f.tree->Text(f.T, 0); }},
                       {"SearchKey",
                        [](TMatrix &f) {
                            f.tree->SetIncrementalSearch(isAll);
                            f.Focus(f.A);
                        },
                        [](TMatrix &f) { QTest::keyClicks(f.tree.get(), QStringLiteral("T1")); }},
                       {"ApiExport", Nothing,
                        [](TMatrix &f) { f.tree->ContentToUnicode(tstAll, QChar(u'\t')); }},
                       {"ApiExportHtml", Nothing, [](TMatrix &f) { f.tree->ContentToHTML(tstAll); }},
                       ClipboardRead(),
                       {"ToolTip",
                        [](TMatrix &f) {
                            // A text its column cuts off is repeated in a tooltip.
                            f.tree->SetHintMode(hmTooltip);
                            f.tree->SetText(f.T, 0, QStringLiteral("T, a text far wider than its column is"));
                        },
                        [](TMatrix &f) { f.ToolTipAt(f.Label(f.T)); }},
                       {"ApiEditNode", Nothing, [](TMatrix &f) { f.tree->EditNode(f.T, 0); }}}});

    // ---- paint events: each strikes while the row of T is painted
    {
        std::vector<TRoad> roads{Repaint(), Grab(), WheelIntoView(), FocusKeyRepaints()};
        events.push_back({"PaintText", Strikes(&TStringTreeGrid::OnPaintText), roads});
        events.push_back({"DrawText", Strikes(&TStringTreeGrid::OnDrawText), roads});
        events.push_back({"BeforeItemPaint", Strikes(&TBaseTreeGrid::OnBeforeItemPaint), roads});
        events.push_back({"AfterItemPaint", Strikes(&TBaseTreeGrid::OnAfterItemPaint), roads});
        events.push_back({"BeforeItemErase", Strikes(&TBaseTreeGrid::OnBeforeItemErase), roads});
        events.push_back({"BeforeCellPaint", Strikes(&TBaseTreeGrid::OnBeforeCellPaint), roads});
        events.push_back({"AfterCellPaint", Strikes(&TBaseTreeGrid::OnAfterCellPaint), roads});
        events.push_back({"GetImage",
                          [](TMatrix &f) {
                              QImage picture(16, 16, QImage::Format_ARGB32);
                              picture.fill(Qt::red);
                              f.images.Add(picture);
                              f.tree->SetImages(&f.images);
                              f.tree->OnGetImage = [&f](TBaseTreeGrid *, PGridNode node, TTGImageKind, TColumnIndex,
                                                        bool &, int &index) {
                                  f.Strike(node);
                                  index = 0;
                              };
                          },
                          roads});
        events.push_back({"BeforePaint", Strikes(&TBaseTreeGrid::OnBeforePaint, TPick::None), roads});
    }

    // ---- drag and drop onto T
    {
        std::vector<TRoad> roads{
            {"MouseFrameworkDrag", Nothing, [](TMatrix &f) { f.DragFrameworkStyle(f.Label(f.A), f.Label(f.T)); }},
            {"PlatformDragEvents", Nothing, [](TMatrix &f) { f.SendPlatformDrag(f.Label(f.T)); }},
        };
        auto accept = [](TMatrix &f) {
            f.tree->OnDragDrop = [](TBaseTreeGrid *sender, TBaseTreeGrid *source, const QMimeData *data,
                                    const QStringList &, TTGShiftState, QPoint, Qt::DropAction &, TTGDropMode) {
                if (data)
                    sender->ProcessOLEData(source, data, sender->DropTargetNode(), amAddChildLast, false);
            };
        };
        events.push_back({"DragOver",
                          [accept](TMatrix &f) {
                              accept(f);
                              f.tree->OnDragOver = [&f](TBaseTreeGrid *sender, TBaseTreeGrid *, TTGShiftState,
                                                        TBaseTreeGrid::TTGDragState, QPoint, TTGDropMode,
                                                        Qt::DropAction &, bool &accepted) {
                                  f.Strike(sender->DropTargetNode());
                                  accepted = true;
                              };
                          },
                          roads});
        events.push_back({"DragDrop",
                          [](TMatrix &f) {
                              f.tree->OnDragOver = [](TBaseTreeGrid *, TBaseTreeGrid *, TTGShiftState,
                                                      TBaseTreeGrid::TTGDragState, QPoint, TTGDropMode,
                                                      Qt::DropAction &, bool &accepted) { accepted = true; };
                              f.tree->OnDragDrop = [&f](TBaseTreeGrid *sender, TBaseTreeGrid *source,
                                                        const QMimeData *data, const QStringList &, TTGShiftState,
                                                        QPoint, Qt::DropAction &, TTGDropMode) {
                                  if (!f.Strike(sender->DropTargetNode()) && data)
                                      sender->ProcessOLEData(source, data, sender->DropTargetNode(), amAddChildLast,
                                                             false);
                              };
                          },
                          roads});
    }

    // ---- structure, selection and scrolling
    events.push_back({"StructureChange",
                      Strikes(&TBaseTreeGrid::OnStructureChange, TPick::First, true),
                      {{"ApiAddChild", Nothing, [](TMatrix &f) { f.NewChild(f.T); }},
                       {"DelayedApiAddChild", [](TMatrix &f) { f.tree->SetChangeDelay(5); },
                        [](TMatrix &f) {
                            f.NewChild(f.T);
                            (void)QTest::qWaitFor([&] { return f.struck; }, 500);
                        }},
                       {"ApiDeleteChild", Nothing, [](TMatrix &f) { f.tree->DeleteNode(f.T1); }},
                       {"ApiDeleteSelectedChild",
                        [](TMatrix &f) {
                            f.tree->SetSelected(f.T1, true);
                            f.tree->SetSelected(f.T0, true);
                        },
                        [](TMatrix &f) { f.tree->DeleteNode(f.T1); }},
                       {"ApiChildCount", Nothing, [](TMatrix &f) { f.tree->SetChildCount(f.T, 4); }},
                       {"ApiDeleteChildren", Nothing, [](TMatrix &f) { f.tree->DeleteChildren(f.T); }},
                       {"ApiMoveTo", Nothing, [](TMatrix &f) { f.tree->MoveTo(f.B, f.T, amAddChildLast); }},
                       {"ApiPaste",
                        [](TMatrix &f) {
                            f.Focus(f.B);
                            f.tree->CopyToClipBoard();
                            f.tree->SetFocusedNode(f.T);
                        },
                        [](TMatrix &f) { f.tree->PasteFromClipboard(); }}}});
    events.push_back({"SelectionChange",
                      Strikes(&TBaseTreeGrid::OnChange),
                      {ClickRow(), DownKey(),
                       {"ShiftDownKey", [](TMatrix &f) { f.Focus(f.P0); },
                        [](TMatrix &f) { f.Key(Qt::Key_Down, Qt::ShiftModifier); }},
                       {"CtrlClick", [](TMatrix &f) { f.Focus(f.P0); },
                        [](TMatrix &f) { f.Click(f.Label(f.T), Qt::ControlModifier); }},
                       {"CtrlAKey", [](TMatrix &f) { f.Focus(f.P0); },
                        [](TMatrix &f) { f.Key(Qt::Key_A, Qt::ControlModifier); }},
                       {"MouseBand", [](TMatrix &f) { f.Focus(f.P0); },
                        [](TMatrix &f) {
                            const QPoint from = f.Cell(f.A, 1) + QPoint(40, 0);
                            f.Press(from);
                            f.Move(from + QPoint(0, 2 * f.rowHeight));
                            f.Move(f.Cell(f.T1, 1) + QPoint(40, 0));
                            f.Release(f.Cell(f.T1, 1) + QPoint(40, 0));
                        }},
                       {"ApiSetSelected", Nothing, [](TMatrix &f) { f.tree->SetSelected(f.T, true); }},
                       {"DelayedApiSetSelected", [](TMatrix &f) { f.tree->SetChangeDelay(5); },
                        [](TMatrix &f) {
                            f.tree->SetSelected(f.T, true);
                            (void)QTest::qWaitFor([&] { return f.struck; }, 500);
                        }},
                       {"ApiClearSelection", [](TMatrix &f) { f.Focus(f.T); },
                        [](TMatrix &f) { f.tree->ClearSelection(); }},
                       {"ApiDeleteSelected",
                        [](TMatrix &f) {
                            f.Focus(f.T);
                            f.tree->SetSelected(f.T0, true);
                            f.subject = f.T0;
                        },
                        [](TMatrix &f) { f.tree->DeleteNode(f.T0); }}}});
    events.push_back({"Scroll",
                      Strikes(&TBaseTreeGrid::OnScroll, TPick::None),
                      {{"Wheel", Nothing, [](TMatrix &f) { f.Wheel(f.Row(2), QPoint(0, -240)); }},
                       {"ScrollBar", Nothing, [](TMatrix &f) { f.ClickScrollBarDown(); }},
                       {"CtrlDownKey", Nothing, [](TMatrix &f) { f.Key(Qt::Key_Down, Qt::ControlModifier); }},
                       {"EndKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) { f.Key(Qt::Key_End); }},
                       {"ApiSetOffsetY", Nothing, [](TMatrix &f) { f.tree->SetOffsetY(-40); }},
                       {"ApiScrollIntoView", Nothing,
                        [](TMatrix &f) { f.tree->ScrollIntoView(f.Last, false); }}}});

    // ---- nodes going, coming and moving: the first node named strikes
    events.push_back({"FreeNode", Strikes(&TBaseTreeGrid::OnFreeNode, TPick::First, true),
                      {{"ApiDeleteNode", Nothing, [](TMatrix &f) { f.tree->DeleteNode(f.T); }},
                       {"ApiDeleteChildren", Nothing, [](TMatrix &f) { f.tree->DeleteChildren(f.P); }},
                       {"ApiChildCount", Nothing, [](TMatrix &f) { f.tree->SetChildCount(f.P, 1); }},
                       {"ApiClear", Nothing, [](TMatrix &f) { f.tree->Clear(); }},
                       {"ApiDeleteSelected",
                        [](TMatrix &f) {
                            f.tree->SetSelected(f.T0, true);
                            f.tree->SetSelected(f.T1, true);
                            f.tree->SetSelected(f.P2, true);
                        },
                        [](TMatrix &f) { f.tree->DeleteSelectedNodes(); }},
                       {"ApiResetNode", Nothing, [](TMatrix &f) { f.tree->ResetNode(f.T); }}}});
    events.push_back({"ResetNode", Strikes(&TBaseTreeGrid::OnResetNode),
                      {{"ApiResetNode", Nothing, [](TMatrix &f) { f.tree->ResetNode(f.T); }},
                       {"ApiResetWhileEditing", [](TMatrix &f) { f.StartEdit(f.T0); },
                        [](TMatrix &f) { f.tree->ResetNode(f.T); }}}});
    events.push_back({"NodeMoving",
                      Strikes(&TBaseTreeGrid::OnNodeMoving),
                      {{"ApiMoveTo", Nothing, [](TMatrix &f) { f.tree->MoveTo(f.T, f.B, amInsertAfter); }},
                       {"ApiMoveChildren", Nothing,
                        [](TMatrix &f) {
                            f.subject = f.T0;
                            f.tree->MoveTo(f.T, f.B, amAddChildLast, true);
                        }}}});
    events.push_back({"NodeMoved", Strikes(&TBaseTreeGrid::OnNodeMoved),
                      {{"ApiMoveTo", Nothing, [](TMatrix &f) { f.tree->MoveTo(f.T, f.B, amInsertAfter); }},
                       {"ApiMoveChildren", Nothing,
                        [](TMatrix &f) {
                            f.subject = f.T0;
                            f.tree->MoveTo(f.T, f.B, amAddChildLast, true);
                        }}}});
    events.push_back({"LoadNode",
                      [](TMatrix &f) {
                          f.tree->OnSaveNode = [](TBaseTreeGrid *sender, PGridNode node, QIODevice &stream) {
                              stream.write(sender->GetNodeData<QString>(node)->toUtf8());
                          };
                          f.tree->OnLoadNode = [&f](TBaseTreeGrid *, PGridNode node, QIODevice &) {
                              f.Strike(node, true);
                          };
                      },
                      {{"ApiPaste",
                        [](TMatrix &f) {
                            f.Focus(f.T);
                            f.tree->CopyToClipBoard();
                            f.tree->SetFocusedNode(f.P2);
                        },
                        [](TMatrix &f) { f.tree->PasteFromClipboard(); }},
                       {"ApiLoadFromStream", Nothing, [](TMatrix &f) {
                            QByteArray bytes;
                            QBuffer buffer(&bytes);
                            buffer.open(QIODevice::ReadWrite);
                            f.tree->SaveToStream(buffer, f.T);
                            buffer.seek(0);
                            f.tree->LoadFromStream(buffer);
                        }}}});

    // ---- the mouse and the keys themselves
    events.push_back({"HotChange",
                      Strikes(&TBaseTreeGrid::OnHotChange, TPick::Last),
                      {{"MouseHover", Nothing, [](TMatrix &f) { f.Hover(f.T); }}}});
    events.push_back({"MouseDown",
                      Strikes(&TBaseTreeGrid::OnMouseDown, TPick::None),
                      {ClickRow(), {"DoubleClick", Nothing, [](TMatrix &f) { f.DoubleClick(f.Label(f.T)); }}}});
    events.push_back({"MouseUp",
                      Strikes(&TBaseTreeGrid::OnMouseUp, TPick::None),
                      {ClickRow(), {"CheckBoxClick", Nothing, [](TMatrix &f) {
                                        f.Click(f.Part(f.T, hiOnItemCheckbox));
                                    }}}});
    events.push_back({"ColumnClick",
                      Strikes(&TBaseTreeGrid::OnColumnClick, TPick::None),
                      {{"MouseClick", [](TMatrix &f) { f.Focus(f.P0); },
                        [](TMatrix &f) { f.Click(f.Cell(f.T, 1)); }}}});
    events.push_back({"DragAllowed",
                      Strikes(&TBaseTreeGrid::OnDragAllowed),
                      {ClickRow(), {"MousePressMove", Nothing, [](TMatrix &f) {
                                        f.Press(f.Label(f.T));
                                        f.Move(f.Label(f.T) + QPoint(0, 3 * f.rowHeight));
                                        f.Release(f.Label(f.T) + QPoint(0, 3 * f.rowHeight));
                                    }}}});
    events.push_back({"GetPopupMenu",
                      Strikes(&TBaseTreeGrid::OnGetPopupMenu),
                      {{"RightClick", Nothing,
                        [](TMatrix &f) { f.Click(f.Label(f.T), Qt::NoModifier, Qt::RightButton); }},
                       {"RightClickSelecting",
                        [](TMatrix &f) {
                            f.tree->TreeOptions().SetSelectionOptions(f.tree->TreeOptions().SelectionOptions()
                                                                      + toRightClickSelect);
                        },
                        [](TMatrix &f) { f.Click(f.Label(f.T), Qt::NoModifier, Qt::RightButton); }},
                       {"MenuKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) { f.Key(Qt::Key_Menu); }}}});
    events.push_back({"KeyDown",
                      Strikes(&TBaseTreeGrid::OnKeyDown, TPick::None),
                      {DownKey(), {"LeftKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) {
                                       f.Key(Qt::Key_Left);
                                   }}}});
    events.push_back({"KeyAction",
                      Strikes(&TBaseTreeGrid::OnKeyAction, TPick::None),
                      {DownKey(), {"SpaceKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) {
                                       f.Key(Qt::Key_Space);
                                   }}}});
    events.push_back({"IncrementalSearch",
                      [](TMatrix &f) {
                          f.tree->SetIncrementalSearch(isAll);
                          f.tree->OnIncrementalSearch = [&f](TBaseTreeGrid *sender, PGridNode node,
                                                             const QString &text, int &result) {
                              if (!f.Strike(node))
                                  result = sender->GetNodeData<QString>(node)->startsWith(text) ? 0 : 1;
                          };
                      },
                      {{"TypedKeys", [](TMatrix &f) { f.Focus(f.A); },
                        [](TMatrix &f) { QTest::keyClicks(f.tree.get(), QStringLiteral("T1")); }}}});
    events.push_back({"GetHint",
                      [](TMatrix &f) {
                          f.tree->SetHintMode(hmHint);
                          f.tree->OnGetHint = [&f](TBaseTreeGrid *, PGridNode node, TColumnIndex,
                                                   TTGTooltipLineBreakStyle &, QString &text) {
                              f.Strike(node);
                              text = QStringLiteral("hint");
                          };
                      },
                      {{"ToolTip", Nothing, [](TMatrix &f) { f.ToolTipAt(f.Label(f.T)); }}}});
    // ---- measuring, shortening and more of the paint cycle
    {
        auto measured = [](TMatrix &f) {
            f.MiscOptions({toVariableNodeHeight});
            f.tree->InvalidateNode(f.T);
        };
        events.push_back({"MeasureItem",
                          [](TMatrix &f) {
                              f.tree->OnMeasureItem = [&f](TBaseTreeGrid *, QPainter *, PGridNode node, int &height) {
                                  if (!f.Strike(node))
                                      height = 24;
                              };
                          },
                          {{"Repaint", measured, [](TMatrix &f) { f.viewport->repaint(); }, true},
                           {"ApiNodeHeight", measured, [](TMatrix &f) { f.tree->NodeHeight(f.T); }, true}}});
    }
    {
        auto longText = [](TMatrix &f) {
            f.tree->SetText(f.T, 0, QStringLiteral("T, a text far wider than its column is"));
        };
        events.push_back({"ShortenString",
                          Strikes(&TStringTreeGrid::OnShortenString),
                          {{"Repaint", longText, [](TMatrix &f) { f.viewport->repaint(); }},
                           {"Grab", longText, [](TMatrix &f) { f.tree->grab(); }}}});
        events.push_back({"MeasureTextWidth",
                          Strikes(&TStringTreeGrid::OnMeasureTextWidth),
                          {{"Repaint", longText, [](TMatrix &f) {
                                f.tree->InvalidateNode(f.T);
                                f.viewport->repaint();
                            }},
                           {"MouseHover", longText, [](TMatrix &f) { f.Hover(f.T); }, true},
                           {"ApiEditNode", longText, [](TMatrix &f) { f.tree->EditNode(f.T, 0); }}}});
    }
    events.push_back({"AfterItemErase",
                      Strikes(&TBaseTreeGrid::OnAfterItemErase),
                      {Repaint(), Grab(), FocusKeyRepaints()}});
    events.push_back({"GetCellIsEmpty",
                      [](TMatrix &f) {
                          f.AutoOptions({toAutoSpanColumns});
                          // The second column shows nothing: the first may span it.
                          f.tree->OnGetText = [](TBaseTreeGrid *sender, PGridNode node, TColumnIndex column,
                                                 TVSTTextType, QString &text) {
                              text = column == 0 ? *sender->GetNodeData<QString>(node) : QString();
                          };
                          f.tree->OnGetCellIsEmpty = [&f](TBaseTreeGrid *, PGridNode node, TColumnIndex column,
                                                          bool &empty) {
                              f.Strike(node);
                              empty = column > 0;
                          };
                      },
                      {Repaint(), {"MouseHover", Nothing, [](TMatrix &f) { f.Hover(f.T, 1); }}}});

    // ---- exchange: copying, rendering, saving and exporting rows
    events.push_back({"NodeCopying", Strikes(&TBaseTreeGrid::OnNodeCopying, TPick::First, true), {PasteCopyOfT()}});
    events.push_back({"NodeCopied", Strikes(&TBaseTreeGrid::OnNodeCopied, TPick::First, true),
                      {PasteCopyOfT()}});
    events.push_back({"SaveNode",
                      Strikes(&TBaseTreeGrid::OnSaveNode, TPick::First, true),
                      {{"ApiSaveToStream", Nothing,
                        [](TMatrix &f) {
                            QBuffer buffer;
                            buffer.open(QIODevice::WriteOnly);
                            f.tree->SaveToStream(buffer);
                        }},
                       ClipboardRead()}});
    events.push_back({"RenderOLEData",
                      [](TMatrix &f) {
                          f.tree->OnGetUserClipboardFormats = [](TBaseTreeGrid *, QStringList &formats) {
                              formats << QStringLiteral("application/x-matrix-rows");
                          };
                          f.tree->OnRenderOLEData = [&f](TBaseTreeGrid *, const QString &,
                                                         const std::vector<PGridNode> &nodes, bool, QByteArray &data,
                                                         bool &rendered) {
                              f.Strike(nodes.empty() ? nullptr : nodes.front(), true);
                              data = "rows";
                              rendered = true;
                          };
                      },
                      {ClipboardRead()}});
    {
        std::vector<TRoad> roads{
            {"ApiExportText", Nothing, [](TMatrix &f) { f.tree->ContentToUnicode(tstAll, QChar(u'\t')); }},
            {"ApiExportHtml", Nothing, [](TMatrix &f) { f.tree->ContentToHTML(tstAll); }},
            {"ApiExportRtf", Nothing, [](TMatrix &f) { f.tree->ContentToRTF(tstAll); }},
        };
        events.push_back({"BeforeNodeExport", Strikes(&TStringTreeGrid::OnBeforeNodeExport), roads});
        events.push_back({"AfterNodeExport", Strikes(&TStringTreeGrid::OnAfterNodeExport), roads});
    }

    // ---- more of the mouse and the keys
    events.push_back({"Click",
                      Strikes(&TBaseTreeGrid::OnClick, TPick::None),
                      {ClickRow(), {"CheckBoxClick", Nothing, [](TMatrix &f) {
                                        f.Click(f.Part(f.T, hiOnItemCheckbox));
                                    }}}});
    events.push_back({"DblClick",
                      Strikes(&TBaseTreeGrid::OnDblClick, TPick::None),
                      {{"DoubleClick", Nothing, [](TMatrix &f) { f.DoubleClick(f.Label(f.T)); }}}});
    events.push_back({"ColumnDblClick",
                      Strikes(&TBaseTreeGrid::OnColumnDblClick, TPick::None),
                      {{"DoubleClick", Nothing, [](TMatrix &f) { f.DoubleClick(f.Cell(f.T, 1)); }}}});
    events.push_back({"MouseMove",
                      Strikes(&TBaseTreeGrid::OnMouseMove, TPick::None),
                      {{"MouseHover", Nothing, [](TMatrix &f) { f.Hover(f.T); }}}});
    events.push_back({"MouseWheel",
                      Strikes(&TBaseTreeGrid::OnMouseWheel, TPick::None),
                      {{"Wheel", Nothing, [](TMatrix &f) { f.Wheel(f.Label(f.T), QPoint(0, -120)); }}}});
    events.push_back({"GetCursor",
                      Strikes(&TBaseTreeGrid::OnGetCursor, TPick::None),
                      {{"MouseHover", Nothing, [](TMatrix &f) { f.Hover(f.T); }}}});
    events.push_back({"KeyUp",
                      Strikes(&TBaseTreeGrid::OnKeyUp, TPick::None),
                      {{"SpaceKey", [](TMatrix &f) { f.Focus(f.T); }, [](TMatrix &f) { f.Key(Qt::Key_Space); }}}});
    {
        // The lower edge of T's row in the first column (resizable).
        auto splitter = [](TMatrix &f) {
            const QRect row = f.tree->GetDisplayRect(f.T, 0, false);
            return QPoint(row.center().x(), row.bottom() - 1);
        };
        events.push_back({"NodeHeightTracking",
                          Strikes(&TBaseTreeGrid::OnNodeHeightTracking),
                          {{"MouseSplitterDrag", [](TMatrix &f) { f.MiscOptions({toNodeHeightResize}); },
                            [splitter](TMatrix &f) {
                                const QPoint from = splitter(f);
                                f.Press(from);
                                f.Move(from + QPoint(0, 8));
                                f.Move(from + QPoint(0, 16));
                                f.Release(from + QPoint(0, 16));
                            }}}});
        events.push_back({"NodeHeightDblClickResize",
                          Strikes(&TBaseTreeGrid::OnNodeHeightDblClickResize),
                          {{"MouseSplitterDoubleClick",
                            [](TMatrix &f) { f.MiscOptions({toNodeHeightResize, toNodeHeightDblClickResize}); },
                            [splitter](TMatrix &f) { f.DoubleClick(splitter(f)); }}}});
    }
    events.push_back({"StartDrag",
                      Strikes(&TBaseTreeGrid::OnStartDrag, TPick::None),
                      {{"MouseFrameworkDrag", Nothing,
                        [](TMatrix &f) { f.DragFrameworkStyle(f.Label(f.T), f.Label(f.B)); }}}});
    events.push_back({"EndDrag",
                      Strikes(&TBaseTreeGrid::OnEndDrag, TPick::None),
                      {{"MouseFrameworkDrag", Nothing,
                        [](TMatrix &f) { f.DragFrameworkStyle(f.Label(f.T), f.Label(f.B)); }}}});
    return events;
}

struct TMatrixCase {
    std::size_t Event;
    std::size_t Road;
};

const std::vector<TEventCase> &AllEvents()
{
    static const std::vector<TEventCase> events = Events();
    return events;
}

std::vector<TMatrixCase> AllCases()
{
    std::vector<TMatrixCase> cases;
    const auto &events = AllEvents();
    for (std::size_t e = 0; e < events.size(); ++e)
        for (std::size_t r = 0; r < events[e].Roads.size(); ++r)
            cases.push_back({e, r});
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<TMatrixCase> &info)
{
    const TEventCase &event = AllEvents()[info.param.Event];
    return std::string(event.Name) + "_" + event.Roads[info.param.Road].Name;
}

// The event and its road, as test listings show the case.
void PrintTo(const TMatrixCase &matrixCase, std::ostream *out)
{
    const TEventCase &event = AllEvents()[matrixCase.Event];
    *out << event.Name << " along " << event.Roads[matrixCase.Road].Name;
}

class TreeGridHandlerMatrix : public ::testing::TestWithParam<TMatrixCase>
{
};

} // namespace

TEST_P(TreeGridHandlerMatrix, TheTreeSurvivesEveryDestructiveHandler)
{
    const TEventCase &event = AllEvents()[GetParam().Event];
    const TRoad &road = event.Roads[GetParam().Road];
    for (TAction action : AllActions) {
        SCOPED_TRACE(ActionName(action));
        TMatrix f;
        road.Prepare(f);
        if (!road.Quiet)
            f.Settle();
        event.Hook(f);
        f.action = action;
        f.armed = true;
        road.Drive(f);
        EXPECT_TRUE(f.struck) << "the road did not raise the event";
        f.armed = false;
        f.ExpectSound("after the road", true);
        f.Settle();
        f.GoOn();
        f.ExpectSound("after going on", false);
    }
}

INSTANTIATE_TEST_SUITE_P(Roads, TreeGridHandlerMatrix, ::testing::ValuesIn(AllCases()), CaseName);
