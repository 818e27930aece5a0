// Two instances that changed one row at the same time rebuild it the same way.

#include "planner/CoreTestSupport.h"

#include "sync/DirWatchThread.h"
#include "XmlTree.h"

namespace {

// One instance: a core on its own grids, window and undo stack.
struct TInstance
{
    TInstance()
    {
        tasks.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        absent.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        sync = std::make_unique<TDocumentSync>(*core);
        core->ActionNewExecute();
    }
    ~TInstance()
    {
        sync.reset();
        core.reset();
    }

    QString Cell(const QString &id, const QString &caption) const
    {
        TNodeData *node = core->FindNode(id);
        if (!node)
            return QStringLiteral("<no row>");
        return core->GetData(node, core->IndexOfColumnHack(node->NodeTable, caption));
    }
    void Edit(const QString &id, const QString &caption, const QString &text)
    {
        TNodeData *node = core->FindNode(id);
        ASSERT_NE(node, nullptr);
        core->SetData(node, core->IndexOfColumnHack(node->NodeTable, caption), text);
    }

    TScriptedWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks;
    std::unique_ptr<TStringTreeGrid> absent;
    std::unique_ptr<TPlannerCore> core;
    std::unique_ptr<TDocumentSync> sync;
};

class ConflictTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        // The working copy both instances opened: two rows, as a document file holds them.
        workingCopy.setText(QStringLiteral(
            "<document><setup /><data>"
            "<new id=\"h.wc.1\"><__table__>tbTable</__table__><Position>Position 1</Position>"
            "<Start>2026-03-02 00:00:00</Start><Length>2</Length><Comment>base</Comment></new>"
            "<new id=\"h.wc.2\"><__table__>tbTable</__table__><Comment>other</Comment></new>"
            "</data><diff index=\"0\" /></document>"));
        for (TInstance *instance : {&a, &b}) {
            for (const auto &record : Data().Nodes()) {
                TNodeData *row = nullptr;
                instance->sync->ApplyDiff(row, 0, record->namedAttribute("id")->GetValue(), *record);
            }
            instance->undo.Clear();
        }
    }
    void TearDown() override { ResetDateFormats(); }

    const TXMLNode &Data() const { return *workingCopy.namedNode(QStringList{"document", "data"}); }

    // A diff file of the user with the given event elements.
    static std::unique_ptr<TXMLTree> Diff(const QString &events)
    {
        auto tree = std::make_unique<TXMLTree>();
        tree->setText("<document><setup /><data /><diff index=\"0\">" + events + "</diff></document>");
        return tree;
    }
    static const TXMLNode &DiffOf(const TXMLTree &tree) { return *tree.namedNode(QStringList{"document", "diff"}); }
    static QString Record(const QString &kind, const QString &id, int index, int change, const QString &user,
                          const QString &cells = {})
    {
        return QStringLiteral("<%1 id=\"%2\" index=\"%3\"><__change__>%4</__change__><__user__>%5</__user__>%6</%1>")
            .arg(kind, id, QString::number(index), QString::number(change), user, cells);
    }

    // Applies the other's diff, then solves with every record this instance knows: the
    // working copy, the other's file and its own.
    void Exchange(TInstance &self, const TXMLTree &own, const TXMLTree &other)
    {
        int last = -1;
        self.sync->LoadDiffElement(DiffOf(other), last);
        self.sync->SolveConflicts({&Data(), &DiffOf(other), &DiffOf(own)});
        EXPECT_TRUE(self.sync->Conflicts().isEmpty());
    }

    TXMLTree workingCopy;
    TInstance a;
    TInstance b;
};

} // namespace

TEST_F(ConflictTest, SameChangeIndexConvergesToTheLastIdentity)
{
    a.Edit("h.wc.1", "Comment", "from A");
    b.Edit("h.wc.1", "Comment", "from B");
    b.Edit("h.wc.1", "Length", "1");
    ASSERT_EQ(a.core->FindNode("h.wc.1")->ChangeIndex, 1u);
    ASSERT_EQ(b.core->FindNode("h.wc.1")->ChangeIndex, 2u);
    // What each wrote (B's two edits merged into one event of change index 2).
    auto diffA = Diff(Record("change", "h.wc.1", 1, 1, "host.anna", "<Comment>from A</Comment>"));
    auto diffB = Diff(Record("change", "h.wc.1", 1, 2, "host.bob", "<Comment>from B</Comment><Length>1</Length>"));

    // A has seen fewer changes than B's event carries: no conflict, B's text wins.
    int last = -1;
    a.sync->LoadDiffElement(DiffOf(*diffB), last);
    EXPECT_TRUE(a.sync->Conflicts().isEmpty());
    // B has changed the row twice already: A's event of change index 1 is a conflict.
    Exchange(b, *diffB, *diffA);

    for (TInstance *instance : {&a, &b}) {
        EXPECT_EQ(instance->Cell("h.wc.1", "Comment"), "from B");
        EXPECT_EQ(instance->Cell("h.wc.1", "Length"), "1");
        EXPECT_EQ(instance->Cell("h.wc.1", "Start"), "02.03.2026");
        EXPECT_EQ(instance->Cell("h.wc.2", "Comment"), "other");
        EXPECT_EQ(instance->core->FindNode("h.wc.1")->ChangeIndex, 2u);
    }

    // Now both change one cell with the same change index 3: the identity that sorts last
    // ("host.bob" after "host.anna") wins everywhere; other cells of both arrive.
    a.Edit("h.wc.1", "Comment", "A again");
    a.Edit("h.wc.1", "Position", "Position 2");
    b.Edit("h.wc.1", "Comment", "B again");
    auto diffA2 = Diff(Record("change", "h.wc.1", 1, 1, "host.anna", "<Comment>from A</Comment>")
                       + Record("change", "h.wc.1", 2, 4, "host.anna",
                                "<Comment>A again</Comment><Position>Position 2</Position>"));
    auto diffB2 = Diff(Record("change", "h.wc.1", 1, 2, "host.bob", "<Comment>from B</Comment><Length>1</Length>")
                       + Record("change", "h.wc.1", 2, 3, "host.bob", "<Comment>B again</Comment>"));
    Exchange(a, *diffA2, *diffB2);
    Exchange(b, *diffB2, *diffA2);
    for (TInstance *instance : {&a, &b}) {
        // A's event carries 4 (two own edits since), so it sorts after B's 3.
        EXPECT_EQ(instance->Cell("h.wc.1", "Comment"), "A again");
        EXPECT_EQ(instance->Cell("h.wc.1", "Position"), "Position 2");
        EXPECT_EQ(instance->Cell("h.wc.1", "Length"), "1");
        EXPECT_EQ(instance->core->FindNode("h.wc.1")->ChangeIndex, 4u);
    }
}

TEST_F(ConflictTest, EqualIndicesTieByIdentityAndReplayIsNotUndoable)
{
    a.core->FLocalUndo = false;
    b.core->FLocalUndo = false;
    a.Edit("h.wc.1", "Comment", "from A");
    b.Edit("h.wc.1", "Comment", "from B");
    auto diffA = Diff(Record("change", "h.wc.1", 1, 1, "host.anna", "<Comment>from A</Comment>"));
    auto diffB = Diff(Record("change", "h.wc.1", 1, 1, "host.bob", "<Comment>from B</Comment>"));
    const auto undoA = a.undo.UndoList().size();
    const auto undoB = b.undo.UndoList().size();

    Exchange(a, *diffA, *diffB);
    Exchange(b, *diffB, *diffA);
    for (TInstance *instance : {&a, &b}) {
        EXPECT_EQ(instance->Cell("h.wc.1", "Comment"), "from B");
        EXPECT_EQ(instance->core->GetTableRowCount(tbTable), 2);
    }
    // The rebuild is no action of anyone: only A's applying of B's event itself is undoable
    // (foreign changes are, with "Undo local changes only" off), the replay adds nothing.
    EXPECT_LE(a.undo.UndoList().size(), undoA + 1);
    EXPECT_LE(b.undo.UndoList().size(), undoB + 1);
    for (TInstance *instance : {&a, &b})
        for (const auto &entry : instance->undo.UndoList())
            EXPECT_EQ(dynamic_cast<const TUndoRedoEntryAddNode *>(entry.get()), nullptr)
                << "a rebuilt row must not be undoable as a new or deleted row";
}

TEST_F(ConflictTest, DeleteAgainstChangeLeavesTheRowDeletedEverywhere)
{
    a.core->DeleteNode(a.core->FindNode("h.wc.1"), true);
    b.Edit("h.wc.1", "Comment", "from B");
    auto diffA = Diff(Record("delete", "h.wc.1", 1, 1, "host.anna"));
    auto diffB = Diff(Record("change", "h.wc.1", 1, 1, "host.bob", "<Comment>from B</Comment>"));
    Exchange(a, *diffA, *diffB);
    Exchange(b, *diffB, *diffA);
    for (TInstance *instance : {&a, &b}) {
        EXPECT_EQ(instance->core->FindNode("h.wc.1"), nullptr);
        EXPECT_EQ(instance->core->GetTableRowCount(tbTable), 1);
    }
}

TEST_F(ConflictTest, ConflictNodesGatherEveryRecordOfEachIdOnce)
{
    int last = -1;
    b.Edit("h.wc.1", "Comment", "mine");
    b.Edit("h.wc.2", "Comment", "mine too");
    auto diffA = Diff(Record("change", "h.wc.1", 1, 1, "host.anna", "<Comment>x</Comment>")
                      + Record("change", "h.wc.2", 2, 1, "host.anna", "<Comment>y</Comment>")
                      + Record("change", "h.wc.1", 3, 1, "host.anna", "<Comment>z</Comment>"));
    b.sync->LoadDiffElement(DiffOf(*diffA), last);
    EXPECT_EQ(b.sync->Conflicts(), (QStringList{"h.wc.1", "h.wc.2", "h.wc.1"}));

    TXMLTree tree;
    b.sync->LoadAllConflictNodes(tree, {&Data(), &DiffOf(*diffA)});
    ASSERT_EQ(tree.ChildCount(), 2);
    EXPECT_EQ(tree.GetNode(0)->GetName(), "h.wc.1");
    EXPECT_EQ(tree.GetNode(1)->GetName(), "h.wc.2");
    // The working copy's record first, then the file's, copied without attributes.
    ASSERT_EQ(tree.GetNode(0)->ChildCount(), 3);
    EXPECT_EQ(tree.GetNode(0)->GetNode(0)->GetName(), "new");
    EXPECT_EQ(tree.GetNode(0)->GetNode(2)->namedNode("Comment")->GetValue(), "z");
    EXPECT_EQ(tree.GetNode(0)->GetNode(1)->AttributeCount(), 0);
    EXPECT_EQ(tree.GetNode(1)->ChildCount(), 2);
}

TEST_F(ConflictTest, ARebuiltRowKeepsItsPlace)
{
    const auto order = [](TInstance &instance) {
        QStringList ids;
        instance.core->ForEach(tbTable, feAll, [&](TNodeData *node) { ids.append(node->ID.Value()); });
        return ids;
    };
    ASSERT_EQ(order(a), (QStringList{"h.wc.1", "h.wc.2"}));
    a.Edit("h.wc.1", "Comment", "from A");
    b.Edit("h.wc.1", "Comment", "from B");
    auto diffA = Diff(Record("change", "h.wc.1", 1, 1, "host.anna", "<Comment>from A</Comment>"));
    auto diffB = Diff(Record("change", "h.wc.1", 1, 1, "host.bob", "<Comment>from B</Comment>"));
    Exchange(a, *diffA, *diffB);
    Exchange(b, *diffB, *diffA);
    for (TInstance *instance : {&a, &b}) {
        EXPECT_EQ(instance->Cell("h.wc.1", "Comment"), "from B");
        // Rebuilt where it stood, as in an instance that met no conflict.
        EXPECT_EQ(order(*instance), (QStringList{"h.wc.1", "h.wc.2"}));
    }
}
