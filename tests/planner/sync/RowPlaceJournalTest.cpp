// The place of a row that undo brings back, as the journal carries it: the attribute it adds to
// a "new" event, how a reader applies it, diff files of the former format, and what a reader
// that passes over the attribute makes of the new one.

#include "planner/CoreTestSupport.h"

#include <QFileInfo>

#include "Helper.h"
#include "sync/DirWatchThread.h"
#include "sync/WatcherThread.h"
#include "XmlTree.h"

namespace {

const QStringList DiffPath{QStringLiteral("document"), QStringLiteral("diff")};

class RowPlaceJournalTest : public DocumentFolderTest
{
protected:
    // The task rows' comments, top to bottom.
    static QStringList Comments(TPlannerCore &in)
    {
        QStringList texts;
        in.ForEach(tbTable, feAll, [&](TNodeData *node) { texts.append(in.GetData_(node, cnTextCenterMiddle)); });
        return texts;
    }
    TNodeData *RowWith(const QString &comment)
    {
        TNodeData *found = nullptr;
        core->ForEach(tbTable, feAll, [&](TNodeData *node) {
            if (core->GetData_(node, cnTextCenterMiddle) == comment)
                found = node;
        });
        return found;
    }
    // An event record of `user`'s row n as a diff file of this version holds it: "new" (the
    // row's comment "<user> <n>"), or "delete".
    static QString Stamped(const QString &kind, const QString &user, int n, int index, qint64 stamp,
                           const QString &before = QString())
    {
        const QString at = before.isEmpty() ? QString() : QStringLiteral(" before=\"%1\"").arg(before);
        const QString body = kind == "delete" ? QString()
                                              : QStringLiteral("<__table__>tbTable</__table__><Comment>%1 %2</Comment>")
                                                    .arg(user, QString::number(n));
        return QStringLiteral("<%1 id=\"%2.%3\" index=\"%4\" stamp=\"%5\"%6><__change__>%7</__change__>"
                              "<__user__>%2</__user__>%8</%1>")
            .arg(kind, user, QString::number(n), QString::number(index), QString::number(stamp), at,
                 kind == "delete" ? "1" : "0", body);
    }
    static std::unique_ptr<TXMLTree> Diff(const QString &children)
    {
        auto tree = std::make_unique<TXMLTree>();
        tree->setText("<document><setup /><data /><diff index=\"0\">" + children + "</diff></document>");
        return tree;
    }
    // Rows as a working copy holds them, "h.base.1" and on, with these comments.
    static void AddRows(TPlannerCore &in, const QStringList &comments)
    {
        for (int i = 0; i < comments.size(); ++i)
            in.DoSetData(in.AddNode(QStringLiteral("h.base.%1").arg(i + 1), tbTable, false),
                         in.GetConnection(tbTable, cnTextCenterMiddle), comments[i], false);
    }
    // The own diff file of the current generation, read as another instance reads it.
    std::unique_ptr<TXMLTree> OwnDiff()
    {
        EXPECT_TRUE(sync->ForceStorePending());
        TScannedFile file;
        QString reason;
        EXPECT_EQ(TWatcherThread::ReadXMLFile(sync->DirWatchThread()->DiffFile(), file, reason), TWatcherThread::rrRead)
            << reason.toStdString();
        return std::move(file.Tree);
    }
};

} // namespace

TEST_F(RowPlaceJournalTest, ADiffFileOfTheFormerFormatIsReadAsBefore)
{
    // Three rows as a working copy holds them, then another user's diff file as every
    // earlier version wrote it: a row deleted and a new one with its cells.
    for (const QString id : {"h.ann.1", "h.ann.2", "h.ann.3"}) {
        TNodeData *row = core->AddNode(id, tbTable, false);
        core->DoSetData(row, core->GetConnection(tbTable, cnTextCenterMiddle), id, false);
    }
    TXMLTree tree;
    tree.setText(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data /><diff index=\"3\">"
        "<delete id=\"h.ann.2\" index=\"1\"><__change__>2</__change__><__user__>h.ann</__user__></delete>"
        "<new id=\"h.ann.4\" index=\"2\"><__change__>0</__change__><__user__>h.ann</__user__>"
        "<__table__>tbTable</__table__></new>"
        "<change id=\"h.ann.4\" index=\"3\"><__change__>1</__change__><__user__>h.ann</__user__>"
        "<Comment>h.ann.4</Comment></change></diff></document>"));
    int last = -1;
    sync->LoadDiffElement(*tree.namedNode(DiffPath), last);
    EXPECT_EQ(last, 3);
    // The new row goes below the others, as it always did.
    EXPECT_EQ(Comments(*core), (QStringList{"h.ann.1", "h.ann.3", "h.ann.4"}));
    EXPECT_EQ(core->FindNode("h.ann.4")->ChangeIndex, 1u);
}

TEST_F(RowPlaceJournalTest, AnUndoneDeletionJournalsThePlaceAndEveryReaderHasTheRow)
{
    core->SetActiveTable(tbTable);
    for (int i = 0; i < 5; ++i)
        core->SetData_(AddTask("Position 1", "02.03.2026", "2"), cnTextCenterMiddle, QStringLiteral("row %1").arg(i));
    ASSERT_TRUE(documentFile->Save(document));
    const QStringList rows = Comments(*core);

    core->FUndoRedoGroupIndex = undo.GetGroupIndex();
    core->DeleteNode(RowWith("row 2"), true);
    core->FUndoRedoGroupIndex = -1;
    core->Undo();
    ASSERT_EQ(Comments(*core), rows);
    const QString id = RowWith("row 2")->ID.Value();

    // The "new" event holds what it always held, and beside id and index its place, its stamp
    // and the row it stands before.
    const std::unique_ptr<TXMLTree> diff = OwnDiff();
    const TXMLNode *added = nullptr;
    for (const auto &event : diff->namedNode(DiffPath)->Nodes())
        if (event->GetName() == "new" && TXMLAttribute::ValueOf(event->namedAttribute("id")) == id)
            added = event.get();
    ASSERT_NE(added, nullptr);
    QStringList attributes;
    for (const auto &attribute : added->Attributes())
        attributes.append(attribute->GetName() + '=' + attribute->GetValue());
    EXPECT_EQ(attributes.value(0), "id=" + id);
    EXPECT_TRUE(attributes.value(1).startsWith("index="));
    EXPECT_EQ(attributes.value(2), "place=2");
    EXPECT_TRUE(attributes.value(3).startsWith("stamp=")) << attributes.join(' ').toStdString();
    EXPECT_EQ(attributes.value(4), "before=" + RowWith("row 3")->ID.Value());
    EXPECT_EQ(attributes.size(), 5);
    QStringList children;
    for (const auto &child : added->Nodes())
        children.append(child->GetName() + '=' + child->GetValue());
    EXPECT_EQ(children, (QStringList{"__change__=0", "__user__=" + UserIdentity(), "__table__=tbTable"}));

    // Another instance, from the working copy and the diff file: the row in its place.
    TOtherDocument reader;
    ASSERT_TRUE(reader.file->LoadFrom(sync->DirWatchThread()->GetWorkingFileName()));
    int last = -1;
    reader.sync->LoadDiffElement(*diff->namedNode(DiffPath), last);
    EXPECT_EQ(Comments(reader.core), rows);

    // A reader that passes over the place: every row with all its cells, the one undo
    // brought back below the others.
    for (const auto &event : diff->namedNode(DiffPath)->Nodes()) {
        const QString eventId = TXMLAttribute::ValueOf(event->namedAttribute("id"));
        const QString index = TXMLAttribute::ValueOf(event->namedAttribute("index"));
        event->ClearAttributes();
        event->AddAttribute(QStringLiteral("id"), eventId);
        event->AddAttribute(QStringLiteral("index"), index);
    }
    TOtherDocument older;
    ASSERT_TRUE(older.file->LoadFrom(sync->DirWatchThread()->GetWorkingFileName()));
    last = -1;
    older.sync->LoadDiffElement(*diff->namedNode(DiffPath), last);
    EXPECT_EQ(Comments(older.core), (QStringList{"row 0", "row 1", "row 3", "row 4", "row 2"}));
    TNodeData *mine = RowWith("row 2");
    TNodeData *theirs = older.core.FindNode(id);
    ASSERT_NE(theirs, nullptr);
    EXPECT_EQ(theirs->StringList, mine->StringList);
}

TEST_F(RowPlaceJournalTest, PlacesComeOutAlikeWhetherEventsArriveTogetherOrOneByOne)
{
    const auto record = [](const QString &kind, int n, int index, int place) {
        const QString at = place >= 0 ? QStringLiteral(" place=\"%1\"").arg(place) : QString();
        const QString body = kind == "delete" ? QStringLiteral("<__change__>9</__change__>")
                                              : QStringLiteral("<__change__>0</__change__><__table__>tbTable</__table__>"
                                                               "<Comment>n%1</Comment>").arg(n);
        return QStringLiteral("<%1 id=\"h.ann.%2\" index=\"%3\"%4>%5</%1>")
            .arg(kind, QString::number(n), QString::number(index), at, body);
    };
    // New rows put at the top, in the middle and at the end, appended without a place, and
    // rows going in between.
    const QStringList events{record("new", 10, 1, 0),     record("new", 11, 2, 3),  record("new", 12, 3, -1),
                             record("new", 13, 4, 1),     record("delete", 2, 5, -1), record("new", 14, 6, 0),
                             record("new", 15, 7, 99),    record("new", 16, 8, 2),  record("delete", 10, 9, -1),
                             record("new", 17, 10, 4)};
    const auto start = [](TPlannerCore &in) {
        for (int n = 0; n < 5; ++n)
            in.DoSetData(in.AddNode(QStringLiteral("h.ann.%1").arg(n), tbTable, false),
                         in.GetConnection(tbTable, cnTextCenterMiddle), QStringLiteral("n%1").arg(n), false);
    };
    TOtherDocument together;
    start(together.core);
    int last = -1;
    together.sync->LoadDiffElement(*Diff(events.join(QString()))->namedNode(DiffPath), last);

    TOtherDocument oneByOne;
    start(oneByOne.core);
    last = -1;
    for (const QString &event : events)
        oneByOne.sync->LoadDiffElement(*Diff(event)->namedNode(DiffPath), last);

    EXPECT_EQ(Comments(together.core), Comments(oneByOne.core));
    EXPECT_EQ(Comments(oneByOne.core), (QStringList{"n14", "n16", "n13", "n0", "n17", "n1", "n11", "n3", "n4", "n12", "n15"}));
}

TEST_F(RowPlaceJournalTest, StampedRowsOfSeveralFilesComeOutAlikeWhicheverFileIsReadFirst)
{
    const auto event = [](const QString &user, int n, int index, qint64 stamp, const QString &before) {
        return Stamped("new", user, n, index, stamp, before);
    };
    // Ann adds a row; Bob, who has seen it, puts one before it; then both add a row at the
    // end at the same moment, and Ann one more a moment later.
    const auto ann = Diff(event("h.ann", 1, 1, 100, {}) + event("h.ann", 2, 2, 300, {}) + event("h.ann", 3, 3, 301, {}));
    const auto bob = Diff(event("h.bob", 1, 1, 200, "h.ann.1") + event("h.bob", 2, 2, 300, {}));
    const QStringList expected{"base", "h.bob 1", "h.ann 1", "h.ann 2", "h.bob 2", "h.ann 3"};
    for (const bool bobFirst : {true, false}) {
        TOtherDocument reader;
        AddRows(reader.core, {"base"});
        int lastAnn = -1;
        int lastBob = -1;
        const TDocumentSync::TDiffSource annFile{ann->namedNode(DiffPath), &lastAnn};
        const TDocumentSync::TDiffSource bobFile{bob->namedNode(DiffPath), &lastBob};
        reader.sync->LoadDiffElements(bobFirst ? std::vector{bobFile, annFile} : std::vector{annFile, bobFile});
        EXPECT_EQ(Comments(reader.core), expected) << (bobFirst ? "Bob's file first" : "Ann's file first");
        EXPECT_EQ(lastAnn, 3);
        EXPECT_EQ(lastBob, 2);
    }
}

TEST_F(RowPlaceJournalTest, RowsDeletedMeanwhileLeaveOneOrderWhicheverEventArrivesFirst)
{
    struct TCase
    {
        QStringList base;
        QStringList events;
        // Orders in which scans may find the events, each keeping what its writer saw.
        std::vector<std::vector<int>> orders;
        QStringList expected;
    };
    const std::vector<TCase> cases{
        // Ann deletes the last row; Bob adds a row at the end and then one right before the
        // row Ann deleted.
        {{"P", "X"},
         {Stamped("delete", "h.base", 2, 1, 100), Stamped("new", "h.bob", 1, 1, 110),
          Stamped("new", "h.bob", 2, 2, 120, "h.base.2")},
         {{0, 1, 2}, {1, 0, 2}, {1, 2, 0}},
         {"P", "h.bob 2", "h.bob 1"}},
        // Ann adds a row that Cid puts one before and Ann then deletes; Bob, who saw Ann's
        // row but not Cid's, adds one before the last row.
        {{"Q"},
         {Stamped("new", "h.ann", 1, 1, 3, "h.base.1"), Stamped("delete", "h.ann", 1, 2, 10),
          Stamped("new", "h.cid", 1, 1, 9, "h.ann.1"), Stamped("new", "h.bob", 1, 1, 5, "h.base.1")},
         {{0, 2, 1, 3}, {0, 3, 2, 1}, {0, 2, 3, 1}},
         {"h.cid 1", "h.bob 1", "Q"}},
        // Two rows next to each other go; Bob puts a row before the second of them, Cid one
        // before the row after them.
        {{"P", "X1", "X2", "Q"},
         {Stamped("delete", "h.base", 2, 1, 100), Stamped("delete", "h.base", 3, 2, 101),
          Stamped("new", "h.cid", 1, 1, 110, "h.base.4"), Stamped("new", "h.bob", 1, 1, 120, "h.base.3")},
         {{0, 1, 2, 3}, {3, 2, 0, 1}, {2, 0, 3, 1}},
         {"P", "h.bob 1", "h.cid 1", "Q"}},
    };
    for (const TCase &test : cases)
        for (const std::vector<int> &order : test.orders) {
            TOtherDocument reader;
            AddRows(reader.core, test.base);
            QStringList events;
            for (const int i : order) {
                int last = -1;
                reader.sync->LoadDiffElement(*Diff(test.events[i])->namedNode(DiffPath), last);
                events.append(test.events[i]);
            }
            EXPECT_EQ(Comments(reader.core), test.expected) << events.join('\n').toStdString();
        }
}
