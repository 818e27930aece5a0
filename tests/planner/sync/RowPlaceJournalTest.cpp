// The place of a row that undo brings back, as the journal carries it: the attribute it adds to
// a "new" event, how a reader applies it, diff files of the former format, and what a reader
// that passes over the attribute makes of the new one.

#include "planner/CoreTestSupport.h"

#include <QFileInfo>

#include <algorithm>
#include <random>

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
    // An event record as a diff file of this version holds it: "new" (the row's comment is its
    // id) or "delete"; the user is the id without its number.
    static QString Stamped(const QString &kind, const QString &id, int index, qint64 stamp,
                           const QString &before = QString())
    {
        const QString at = before.isEmpty() ? QString() : QStringLiteral(" before=\"%1\"").arg(before);
        const QString body = kind == "delete" ? QString()
                                              : QStringLiteral("<__table__>tbTable</__table__><Comment>%1</Comment>").arg(id);
        return QStringLiteral("<%1 id=\"%2\" index=\"%3\" stamp=\"%4\"%5><__change__>%6</__change__>"
                              "<__user__>%7</__user__>%8</%1>")
            .arg(kind, id, QString::number(index), QString::number(stamp), at, kind == "delete" ? "1" : "0",
                 id.section('.', 0, -2), body);
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
    // A state emptied: a new row elsewhere takes the first state unless told otherwise.
    core->SetData_(RowWith("row 2"), cnColor, QString());
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
        return Stamped("new", user + '.' + QString::number(n), index, stamp, before);
    };
    // Ann adds a row; Bob, who has seen it, puts one before it; then both add a row at the
    // end at the same moment, and Ann one more a moment later.
    const auto ann = Diff(event("h.ann", 1, 1, 100, {}) + event("h.ann", 2, 2, 300, {}) + event("h.ann", 3, 3, 301, {}));
    const auto bob = Diff(event("h.bob", 1, 1, 200, "h.ann.1") + event("h.bob", 2, 2, 300, {}));
    const QStringList expected{"base", "h.bob.1", "h.ann.1", "h.ann.2", "h.bob.2", "h.ann.3"};
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

TEST_F(RowPlaceJournalTest, RowsAddedAndDeletedAtOnceEndInOneOrderWhicheverOrderTheyArriveIn)
{
    // Three users add rows anywhere and delete rows, each seeing the others' events at
    // random moments; every reader ends with the order of a copy that keeps deleted rows in
    // their places, however the events reach it: one by one, never before what their writer
    // had seen, or all at once from the users' files.
    constexpr int Users = 3;
    struct TEvent
    {
        QString id, before, xml;
        qint64 stamp = 0;
        int user = 0;
        bool added = true;
        std::vector<int> seen; // how many events of each user its writer had seen
    };
    struct TRow
    {
        QString id;
        qint64 stamp = 0; // 0: a row of the working copy
        int user = 0;
        bool gone = false;
    };
    struct TCopy
    {
        std::vector<TRow> rows;
        std::vector<int> seen = std::vector<int>(Users, 0);
        qint64 clock = 0;
        bool Ready(const TEvent &event) const
        {
            for (int user = 0; user < Users; ++user)
                if (seen[user] < event.seen[user])
                    return false;
            return seen[event.user] == event.seen[event.user];
        }
        void Apply(const TEvent &event)
        {
            ++seen[event.user];
            clock = std::max(clock, event.stamp);
            if (!event.added) {
                std::find_if(rows.begin(), rows.end(), [&](const TRow &row) { return row.id == event.id; })->gone = true;
                return;
            }
            auto at = std::find_if(rows.begin(), rows.end(), [&](const TRow &row) { return row.id == event.before; });
            while (at != rows.begin() && std::prev(at)->stamp != 0
                   && std::pair(std::prev(at)->stamp, std::prev(at)->user) > std::pair(event.stamp, event.user))
                --at;
            rows.insert(at, TRow{event.id, event.stamp, event.user});
        }
        QStringList Shown() const
        {
            QStringList ids;
            for (const TRow &row : rows)
                if (!row.gone)
                    ids.append(row.id);
            return ids;
        }
    };
    const QStringList base{"h.base.1", "h.base.2", "h.base.3", "h.base.4"};
    TCopy start;
    for (const QString &id : base)
        start.rows.push_back(TRow{id});

    int differing = 0;
    for (unsigned seed = 0; seed < 100; ++seed) {
        std::mt19937 random(seed);
        std::vector<TCopy> copies(Users, start);
        std::vector<std::vector<TEvent>> written(Users);
        for (int step = 0; step < 40; ++step) {
            const int user = int(random() % Users);
            TCopy &copy = copies[user];
            const int other = int(random() % Users);
            if (random() % 10 < 3) {
                // What the other user wrote, up to a few events.
                for (int n = int(random() % 4); n > 0 && copy.seen[other] < int(written[other].size())
                                                && copy.Ready(written[other][copy.seen[other]]); --n)
                    copy.Apply(written[other][copy.seen[other]]);
                continue;
            }
            const QStringList shown = copy.Shown();
            TEvent event;
            event.user = user;
            event.seen = copy.seen;
            event.stamp = copy.clock + 1;
            event.added = shown.isEmpty() || random() % 10 < 7;
            if (event.added) {
                const int at = int(random() % (shown.size() + 1));
                event.id = QStringLiteral("h.u%1.%2").arg(user).arg(written[user].size() + 1);
                event.before = shown.value(at);
                event.xml = Stamped("new", event.id, event.seen[user] + 1, event.stamp, event.before);
            } else {
                event.id = shown[int(random() % shown.size())];
                event.xml = Stamped("delete", event.id, event.seen[user] + 1, event.stamp);
            }
            copy.Apply(event);
            written[user].push_back(event);
        }
        TCopy all = start;
        for (bool more = true; more;) {
            more = false;
            for (int user = 0; user < Users; ++user)
                if (all.seen[user] < int(written[user].size()) && all.Ready(written[user][all.seen[user]])) {
                    all.Apply(written[user][all.seen[user]]);
                    more = true;
                }
        }
        // One by one in two random orders, then each user's events as one file.
        for (int reading = 0; reading < 3; ++reading) {
            TOtherDocument reader;
            AddRows(reader.core, base);
            if (reading < 2) {
                for (TCopy order = start; order.seen != all.seen;) {
                    const int user = int(random() % Users);
                    if (order.seen[user] == int(written[user].size()) || !order.Ready(written[user][order.seen[user]]))
                        continue;
                    int last = -1;
                    reader.sync->LoadDiffElement(*Diff(written[user][order.seen[user]].xml)->namedNode(DiffPath), last);
                    ++order.seen[user];
                }
            } else {
                std::vector<std::unique_ptr<TXMLTree>> files;
                std::vector<int> last(Users, -1);
                std::vector<TDocumentSync::TDiffSource> sources;
                for (int user = 0; user < Users; ++user) {
                    QString events;
                    for (const TEvent &event : written[user])
                        events += event.xml;
                    files.push_back(Diff(events));
                    sources.push_back({files.back()->namedNode(DiffPath), &last[user]});
                }
                reader.sync->LoadDiffElements(sources);
            }
            if (Comments(reader.core) != all.Shown() && ++differing == 1)
                ADD_FAILURE() << "seed " << seed << ", reading " << reading << ": "
                              << Comments(reader.core).join(',').toStdString() << " instead of "
                              << all.Shown().join(',').toStdString();
        }
    }
    EXPECT_EQ(differing, 0);
}
