// Journal events: merging of pending events, their file records and applying them again.

#include <gtest/gtest.h>

#include "planner/CoreTestSupport.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "sync/NodeEvent.h"

namespace {

class TCaptionFormat : public IJournalFormat
{
public:
    QString ColumnCaption(TWhichTable, int column) const override { return QStringLiteral("c%1").arg(column); }
    QString CellForFile(TWhichTable, int, const QString &text) const override { return text; }
};

// "kind id change [column=text ...]" per pending event, for comparing whole lists.
QStringList Describe(const TNodeEventList &events)
{
    QStringList out;
    for (const auto &event : events) {
        QString line = event->XMLNodeName() + QLatin1Char(' ') + event->ID() + QLatin1Char(' ')
                       + QString::number(event->ChangeIndex());
        if (const auto *change = dynamic_cast<const TSetNodeDataEvent *>(event.get()))
            for (qsizetype i = 0; i < change->Columns().size(); ++i)
                line += QStringLiteral(" %1=%2").arg(change->Columns()[i]).arg(change->Data()[i]);
        out.append(line);
    }
    return out;
}

std::unique_ptr<TNodeEvent> Change(const char *id, qint32 change, int column, const char *text)
{
    return std::make_unique<TSetNodeDataEvent>(QString::fromLatin1(id), change, tbTable, column,
                                               QString::fromLatin1(text));
}

TEST(NodeEventTest, EditsOfOneRowMergeIntoOneChange)
{
    TDirWatchThread journal;
    EXPECT_FALSE(journal.Changed());
    journal.PushDiff(Change("r1", 1, 3, "a"));
    EXPECT_TRUE(journal.Changed());
    journal.PushDiff(Change("r1", 2, 3, "b"));
    journal.PushDiff(Change("r1", 3, 1, "x"));
    journal.PushDiff(Change("r2", 1, 3, "other row"));
    journal.PushDiff(Change("r1", 4, 3, "c"));
    // An older change index arriving later does not lower the event's.
    journal.PushDiff(Change("r1", 2, 5, "late"));
    EXPECT_EQ(Describe(journal.PendingEvents()),
              (QStringList{QStringLiteral("change r1 4 3=c 1=x 5=late"), QStringLiteral("change r2 1 3=other row")}));
    EXPECT_EQ(journal.NumPendingEvents(), 2);
}

TEST(NodeEventTest, NewAndDeleteEventsKeepTheirOrder)
{
    TDirWatchThread journal;
    journal.PushDiff(std::make_unique<TNewNodeEvent>(QStringLiteral("r1"), tbExclude));
    journal.PushDiff(Change("r1", 1, 0, "a"));
    journal.PushDiff(Change("r1", 2, 0, "b"));
    journal.PushDiff(std::make_unique<TDeleteNodeEvent>(QStringLiteral("r1"), 3, tbExclude));
    // The row comes back (an undone deletion) and is edited: the edit must follow the
    // deletion, not vanish into the change before it.
    journal.PushDiff(std::make_unique<TNewNodeEvent>(QStringLiteral("r1"), tbExclude));
    journal.PushDiff(Change("r1", 1, 0, "again"));
    EXPECT_EQ(Describe(journal.PendingEvents()),
              (QStringList{QStringLiteral("new r1 0"), QStringLiteral("change r1 2 0=b"), QStringLiteral("delete r1 3"),
                           QStringLiteral("new r1 0"), QStringLiteral("change r1 1 0=again")}));
    EXPECT_EQ(journal.PendingEvents()[0]->Table(), tbExclude);
}

TEST(NodeEventTest, CanAppendOnlyTakesChangesOfTheSameRow)
{
    TSetNodeDataEvent change(QStringLiteral("Row"), 1, tbTable, 0, QStringLiteral("a"));
    EXPECT_FALSE(change.CanAppend(TSetNodeDataEvent(QStringLiteral("row"), 2, tbTable, 0, QStringLiteral("b"))));
    EXPECT_FALSE(change.CanAppend(TDeleteNodeEvent(QStringLiteral("Row"), 2, tbTable)));
    EXPECT_FALSE(change.CanAppend(change));
    TNewNodeEvent added(QStringLiteral("Row"), tbTable);
    EXPECT_FALSE(added.CanAppend(change));
    EXPECT_EQ(change.Data(), QStringList{QStringLiteral("a")});
    EXPECT_EQ(change.ChangeIndex(), 1);
}

TEST(NodeEventTest, HandedOverEventsNoLongerMerge)
{
    TDirWatchThread journal;
    TCaptionFormat format;
    journal.PushDiff(Change("r1", 1, 0, "a"));
    journal.HandOverPendingEvents(format, true);
    EXPECT_TRUE(journal.PendingEvents().empty());
    EXPECT_TRUE(journal.HasUnwrittenEvents());
    journal.PushDiff(Change("r1", 2, 0, "b"));
    EXPECT_EQ(Describe(journal.PendingEvents()), QStringList{QStringLiteral("change r1 2 0=b")});
    EXPECT_EQ(journal.NumPendingEvents(), 2);
    // An unnamed document has nowhere to write: the events stay.
    EXPECT_TRUE(journal.StorePending());
    EXPECT_TRUE(journal.HasUnwrittenEvents());

    TNodeEventList taken = journal.TakePendingEvents();
    EXPECT_EQ(taken.size(), 1u);
    EXPECT_TRUE(journal.PendingEvents().empty());
    // A new journal takes over events of the previous one.
    TDirWatchThread next(QString(), &taken);
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(Describe(next.PendingEvents()), QStringList{QStringLiteral("change r1 2 0=b")});
    next.PushDiff(Change("r1", 3, 1, "c"));
    EXPECT_EQ(Describe(next.PendingEvents()), QStringList{QStringLiteral("change r1 3 0=b 1=c")});
}

TEST(NodeEventTest, RecordsHoldTheFileForm)
{
    TCaptionFormat format;
    const QString me = UserIdentity();
    TSetNodeDataEvent change(QStringLiteral("r1"), 7, tbTable, 2, QStringLiteral("x"));
    change.CanAppend(TSetNodeDataEvent(QStringLiteral("r1"), 8, tbTable, 0, QStringLiteral("y")));
    EXPECT_EQ(change.Record(), nullptr);
    change.MakeRecord(format);
    ASSERT_NE(change.Record(), nullptr);
    EXPECT_EQ(change.Record()->NodeName, QStringLiteral("change"));
    EXPECT_EQ(change.Record()->ID, QStringLiteral("r1"));
    using Child = std::pair<QString, QString>;
    EXPECT_EQ(change.Record()->Children,
              (QList<Child>{{QStringLiteral("__change__"), QStringLiteral("8")}, {QStringLiteral("__user__"), me},
                            {QStringLiteral("c2"), QStringLiteral("x")}, {QStringLiteral("c0"), QStringLiteral("y")}}));

    TNewNodeEvent added(QStringLiteral("r2"), tbExclude);
    added.MakeRecord(format);
    EXPECT_EQ(added.Record()->Children,
              (QList<Child>{{QStringLiteral("__change__"), QStringLiteral("0")}, {QStringLiteral("__user__"), me},
                            {QStringLiteral("__table__"), QStringLiteral("tbExclude")}}));

    TDeleteNodeEvent deleted(QStringLiteral("r3"), 4, tbTable);
    deleted.MakeRecord(format);
    EXPECT_EQ(deleted.Record()->NodeName, QStringLiteral("delete"));
    EXPECT_EQ(deleted.Record()->Children.size(), 2);

    TXMLTree tree;
    tree.setText(QStringLiteral("<diff />"));
    change.Record()->AppendTo(*tree.namedNode(QStringLiteral("diff")), 12);
    EXPECT_EQ(tree.getText(), QStringLiteral("<diff>\r\n  <change id=\"r1\" index=\"12\">\r\n"
                                             "    <__change__>8</__change__>\r\n"
                                             "    <__user__>%1</__user__>\r\n"
                                             "    <c2>x</c2>\r\n    <c0>y</c0>\r\n  </change>\r\n</diff>\r\n")
                                  .arg(me));
}

TEST(NodeEventTest, MoveEventsKeepsOrderAndEmptiesTheSource)
{
    TNodeEventList a;
    TNodeEventList b;
    a.push_back(Change("r1", 1, 0, "x"));
    b.push_back(Change("r2", 1, 0, "y"));
    b.push_back(Change("r3", 1, 0, "z"));
    MoveEvents(a, b);
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(Describe(a), (QStringList{QStringLiteral("change r1 1 0=x"), QStringLiteral("change r2 1 0=y"),
                                        QStringLiteral("change r3 1 0=z")}));
    MoveEvents(a, a);
    EXPECT_EQ(a.size(), 3u);
}

// Events of the write path, taken from one document and applied to a fresh one (the reload
// road), rebuild the rows and are journalled again.
TEST_F(CoreTest, JournalEventsApplyAgainOnAFreshDocument)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    const QString taskId = task->ID.Value();
    TNodeData *gone = AddTask(QStringLiteral("Position 1"), QStringLiteral("05.03.2024"), QStringLiteral("1"));
    const QString goneId = gone->ID.Value();
    core->DeleteNode(gone, true);
    const QStringList cells = task->StringList;

    TNodeEventList events = sync->DirWatchThread()->TakePendingEvents();
    ASSERT_EQ(events.size(), 5u); // new, change, new, change, delete
    core->ActionNewExecute();
    ASSERT_EQ(core->FindNode(taskId), nullptr);
    for (const auto &event : events)
        event->Apply(*core);

    TNodeData *again = core->FindNode(taskId);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->StringList, cells);
    EXPECT_EQ(again->NodeTable, tbTable);
    EXPECT_EQ(core->FindNode(goneId), nullptr);
    EXPECT_EQ(Describe(sync->DirWatchThread()->PendingEvents()).size(), 5);

    // A change of a column the table no longer has is skipped, not thrown.
    TSetNodeDataEvent wide(taskId, 9, tbTable, 99, QStringLiteral("x"));
    wide.Apply(*core);
    EXPECT_EQ(core->FindNode(taskId)->StringList, cells);
}

} // namespace
