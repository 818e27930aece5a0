// Applying another user's diff file to the document: order, repeated reads, the kinds of
// event, dates, and damaged records.

#include "planner/CoreTestSupport.h"

#include "sync/DirWatchThread.h"
#include "XmlTree.h"

namespace {

// A diff file's tree from its event elements.
std::unique_ptr<TXMLTree> DiffTree(const QString &events, const QString &index = QStringLiteral("0"))
{
    auto tree = std::make_unique<TXMLTree>();
    tree->setText(QStringLiteral("<document><setup /><data /><diff index=\"%1\">%2</diff></document>")
                      .arg(index, events));
    return tree;
}

const TXMLNode &DiffOf(const TXMLTree &tree)
{
    const TXMLNode *diff = tree.namedNode(QStringList{"document", "diff"});
    EXPECT_NE(diff, nullptr);
    return *diff;
}

QString Change(const QString &id, int index, int change, const QString &user, const QString &cells)
{
    return QStringLiteral("<change id=\"%1\" index=\"%2\"><__change__>%3</__change__><__user__>%4</__user__>%5</change>")
        .arg(id, QString::number(index), QString::number(change), user, cells);
}

QString New(const QString &id, int index, const QString &table, const QString &user, const QString &cells = {})
{
    return QStringLiteral("<new id=\"%1\" index=\"%2\"><__change__>0</__change__><__user__>%3</__user__><__table__>%4</__table__>%5</new>")
        .arg(id, QString::number(index), user, table, cells);
}

QString Delete(const QString &id, int index, int change, const QString &user)
{
    return QStringLiteral("<delete id=\"%1\" index=\"%2\"><__change__>%3</__change__><__user__>%4</__user__></delete>")
        .arg(id, QString::number(index), QString::number(change), user);
}

class SyncApplyTest : public CoreTest
{
protected:
    QString Cell(const QString &id, const QString &caption)
    {
        TNodeData *node = core->FindNode(id);
        if (!node)
            return QStringLiteral("<no row>");
        return core->GetData(node, core->IndexOfColumnHack(node->NodeTable, caption));
    }
};

} // namespace

TEST_F(SyncApplyTest, NewChangeDeleteArriveWithoutJournalOrLocalUndo)
{
    const auto undoBefore = undo.UndoList().size();
    auto tree = DiffTree(
        New("h.ann.1", 1, "tbTable", "h.ann",
            "<Position>Position 1</Position><Start>2026-03-02 00:00:00</Start><Length>3</Length><Comment>first</Comment>")
        + New("h.ann.2", 2, "tbExclude", "h.ann", "<Position>Position 2</Position><Absent&nbsp;reason>Holiday</Absent&nbsp;reason>")
        + Change("h.ann.1", 3, 1, "h.ann", "<Comment>second</Comment><Start>2026-03-04 00:00:00</Start>")
        + New("h.ann.3", 4, "tbTable", "h.ann") + Delete("h.ann.3", 5, 1, "h.ann"),
        "5");
    int last = -1;
    sync->LoadDiffElement(DiffOf(*tree), last);

    EXPECT_EQ(last, 5);
    EXPECT_EQ(Cell("h.ann.1", "Comment"), "second");
    EXPECT_EQ(Cell("h.ann.1", "Start"), "04.03.2026"); // storage form shown as a local date
    EXPECT_EQ(Cell("h.ann.1", "Length"), "3");
    EXPECT_EQ(core->FindNode("h.ann.1")->NodeTable, tbTable);
    EXPECT_EQ(core->FindNode("h.ann.1")->ChangeIndex, 1u);
    EXPECT_EQ(core->FindNode("h.ann.2")->NodeTable, tbExclude);
    EXPECT_EQ(Cell("h.ann.2", "Absent reason"), "Holiday");
    EXPECT_EQ(core->FindNode("h.ann.3"), nullptr);
    EXPECT_TRUE(sync->Conflicts().isEmpty());
    // Nothing is journalled again, and with "Undo local changes only" nothing is undoable.
    EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents());
    EXPECT_EQ(undo.UndoList().size(), undoBefore);

    // Without that option another user's change can be undone here.
    core->FLocalUndo = false;
    auto more = DiffTree(Change("h.ann.1", 6, 2, "h.ann", "<Comment>third</Comment>"), "6");
    sync->LoadDiffElement(DiffOf(*more), last);
    EXPECT_EQ(Cell("h.ann.1", "Comment"), "third");
    EXPECT_EQ(undo.UndoList().size(), undoBefore + 1);
    EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents());
}

TEST_F(SyncApplyTest, ReadingAgainAppliesOnlyNewerEventsInIndexOrder)
{
    // Written out of order on purpose: the index decides, not the position in the file.
    const QString first = Change("h.ann.1", 3, 2, "h.ann", "<Comment>c</Comment>")
                          + New("h.ann.1", 1, "tbTable", "h.ann", "<Comment>a</Comment>")
                          + Change("h.ann.1", 2, 1, "h.ann", "<Comment>b</Comment>");
    auto tree = DiffTree(first, "3");
    int last = -1;
    sync->LoadDiffElement(DiffOf(*tree), last);
    EXPECT_EQ(Cell("h.ann.1", "Comment"), "c");
    EXPECT_EQ(last, 3);

    // The user edits locally after that; the file grows by one event.
    core->SetData(core->FindNode("h.ann.1"), core->IndexOfColumnHack(tbTable, "Position"), "Position 1");
    auto grown = DiffTree(first + Change("h.ann.1", 4, 3, "h.ann", "<Length>4</Length>"), "4");
    sync->LoadDiffElement(DiffOf(*grown), last);
    EXPECT_EQ(last, 4);
    EXPECT_EQ(Cell("h.ann.1", "Comment"), "c"); // a, b, c are not applied a second time
    EXPECT_EQ(Cell("h.ann.1", "Length"), "4");
    EXPECT_EQ(Cell("h.ann.1", "Position"), "Position 1");
    // The local edit made the row's change index 3 before event 3 arrived: a conflict.
    EXPECT_EQ(sync->Conflicts(), QStringList{"h.ann.1"});
}

TEST_F(SyncApplyTest, EventsForMissingOrExistingRowsAndBrokenRecords)
{
    TNodeData *own = AddTask("Position 1", "02.03.2026", "2");
    const QString ownId = own->ID.Value();
    core->SetData(own, core->IndexOfColumnHack(tbTable, "Comment"), "mine");
    const quint64 ownChange = own->ChangeIndex;

    auto tree = DiffTree(
        // A "new" for a row that exists adds nothing and writes no cell.
        New(ownId, 1, "tbTable", "h.ann", "<Comment>theirs</Comment>")
        // Change and delete of rows that do not exist change nothing.
        + Change("h.ann.404", 2, 5, "h.ann", "<Comment>x</Comment>") + Delete("h.ann.405", 3, 5, "h.ann")
        // No id, no index, an index that is no number, an unknown kind, an unknown column.
        + "<change index=\"4\"><__change__>9</__change__><Comment>x</Comment></change>"
        + "<new id=\"h.ann.7\"><__table__>tbTable</__table__></new>"
        + "<new id=\"h.ann.8\" index=\"99999999999\"><__table__>tbTable</__table__></new>"
        + "<rename id=\"h.ann.9\" index=\"5\"><__change__>1</__change__></rename>"
        + New("h.ann.10", 6, "tbTable", "h.ann", "<Nonsense>1</Nonsense><Comment>kept</Comment>")
        // A change index that is no number counts 0.
        + Change("h.ann.10", 7, 0, "h.ann", "").replace("<__change__>0</__change__>", "<__change__>many</__change__>"),
        "7");
    int last = -1;
    sync->LoadDiffElement(DiffOf(*tree), last);

    EXPECT_EQ(last, 7);
    EXPECT_EQ(Cell(ownId, "Comment"), "mine");
    EXPECT_EQ(core->FindNode("h.ann.404"), nullptr);
    EXPECT_EQ(core->FindNode("h.ann.7"), nullptr);
    EXPECT_EQ(core->FindNode("h.ann.8"), nullptr);
    EXPECT_EQ(core->FindNode("h.ann.9"), nullptr);
    EXPECT_EQ(Cell("h.ann.10", "Comment"), "kept");
    EXPECT_EQ(core->GetTableRowCount(tbTable), 2);
    // The own row had changed at least as often as the "new" claimed (0): in conflict. The
    // new row h.ann.10 had change index 0 when the change 0 arrived: in conflict too.
    EXPECT_EQ(sync->Conflicts(), (QStringList{ownId, "h.ann.10"}));
    EXPECT_GT(own->ChangeIndex, 0u);
    EXPECT_EQ(own->ChangeIndex, ownChange);

    // A huge but valid index is applied; afterwards nothing of that file below it any more.
    auto huge = DiffTree(New("h.ann.11", 2147483647, "tbTable", "h.ann")
                         + New("h.ann.12", 8, "tbTable", "h.ann"), "2147483647");
    sync->LoadDiffElement(DiffOf(*huge), last);
    EXPECT_NE(core->FindNode("h.ann.11"), nullptr);
    EXPECT_NE(core->FindNode("h.ann.12"), nullptr);
    EXPECT_EQ(last, 2147483647);
    auto after = DiffTree(New("h.ann.13", 9, "tbTable", "h.ann"), "9");
    sync->LoadDiffElement(DiffOf(*after), last);
    EXPECT_EQ(core->FindNode("h.ann.13"), nullptr);
}

TEST_F(SyncApplyTest, DatesTravelInStorageFormAndBadOnesStayText)
{
    core->SetMinUnit(muMinute);
    auto tree = DiffTree(New("h.ann.1", 1, "tbTable", "h.ann",
                             "<Start>2026-03-02 08:30:00</Start><End></End><Comment>2026-03-02 08:30:00</Comment>")
                         + New("h.ann.2", 2, "tbTable", "h.ann", "<Start>next tuesday</Start>"),
                         "2");
    int last = -1;
    sync->LoadDiffElement(DiffOf(*tree), last);
    EXPECT_EQ(Cell("h.ann.1", "Start"), core->FormatDateTime(EncodeDate(2026, 3, 2) + 8.5 / 24));
    EXPECT_EQ(Cell("h.ann.1", "End"), ""); // empty stays empty, never "now"
    EXPECT_EQ(Cell("h.ann.1", "Comment"), "2026-03-02 08:30:00"); // only date columns convert
    EXPECT_EQ(Cell("h.ann.2", "Start"), "next tuesday");
}
