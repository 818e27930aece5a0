// The core's journal on a real document folder: the write path's events in the diff file,
// date cells in file form, and the closing handler's journal steps.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "planner/CoreTestSupport.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "sync/NodeEvent.h"
#include "sync/XMLFile.h"
#include "common/TestSupport.h"

namespace {

class JournalTest : public DocumentFolderTest
{
protected:
    void SetUp() override
    {
        DocumentFolderTest::SetUp();
        if (HasFatalFailure())
            return;
        sync->NewDirWatchThread(document);
        ASSERT_FALSE(sync->DirWatchThread()->JournalRefused());
    }
    QString OwnDiff() const
    {
        return sync->DirWatchThread()->GetWorkingDir() + UserIdentity() + QStringLiteral(".1.diff");
    }
    // The events of the own diff file: element name, id and its children as name=text.
    QStringList Events() const
    {
        TXMLFile file(OwnDiff(), true);
        QStringList out;
        const TXMLNode *diff = file.xml().namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")});
        if (!diff)
            return out;
        for (const auto &event : diff->Nodes()) {
            QString line = event->GetName() + QLatin1Char(' ')
                           + TXMLAttribute::ValueOf(event->namedAttribute(QStringLiteral("id")));
            for (const auto &child : event->Nodes())
                if (child->GetName() != QStringLiteral("__user__"))
                    line += QLatin1Char(' ') + child->GetName() + QLatin1Char('=') + child->GetValue();
            out.append(line);
        }
        return out;
    }
};

TEST_F(JournalTest, WritePathEventsReachTheDiffFileUnderTheirCaptions)
{
    const int start = core->GetConnection(tbTable, cnStart);
    ASSERT_GE(start, 0);
    core->SetColumnCaption(tbTable, start, QStringLiteral("Start date"));

    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    const QString id = task->ID.Value();
    core->SetData_(task, cnStart, QStringLiteral("05.03.2024"));
    TNodeData *later = AddTask(QStringLiteral("Position 1"), QStringLiteral("soon"), QStringLiteral("1"));
    const QString laterId = later->ID.Value();
    core->SetData(later, start, QString());
    core->DeleteNode(later, true);

    sync->HandOverJournalEvents();
    EXPECT_TRUE(sync->DirWatchThread()->PendingEvents().empty());
    ASSERT_TRUE(sync->DirWatchThread()->StorePending());
    EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents());

    const QString colour = core->GetColumnCaptionHack(tbTable, core->GetConnection(tbTable, cnColor));
    const QString position = core->GetColumnCaptionHack(tbTable, core->GetConnection(tbTable, cnPosition));
    const QString length = core->GetColumnCaptionHack(tbTable, core->GetConnection(tbTable, cnLength));
    const QString firstColour = task->StringList[core->GetConnection(tbTable, cnColor)];
    const QStringList events = Events();
    ASSERT_EQ(events.size(), 5) << events.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(events[0], QStringLiteral("new %1 __change__=0 __table__=tbTable").arg(id));
    // One change: the first-changed order, the newest texts, the date in storage form.
    EXPECT_EQ(events[1], QStringLiteral("change %1 __change__=5 %2=%3 %4=Position 1 Start date=2024-03-05 00:00:00 %5=2")
                             .arg(id, colour, firstColour, position, length));
    // A text that names no date travels as it is; an empty date as empty.
    EXPECT_EQ(events[3], QStringLiteral("change %1 __change__=5 %2=%3 %4=Position 1 Start date= %5=1")
                             .arg(laterId, colour, firstColour, position, length));
    EXPECT_EQ(events[4], QStringLiteral("delete %1 __change__=6").arg(laterId));
}

TEST_F(JournalTest, UnparsableDateTravelsAsText)
{
    TNodeData *task = core->AddNode(core->GetFreeID(), tbTable, true);
    core->SetData_(task, cnStart, QStringLiteral("next week"));
    sync->HandOverJournalEvents();
    ASSERT_TRUE(sync->DirWatchThread()->StorePending());
    const QStringList events = Events();
    ASSERT_EQ(events.size(), 2);
    EXPECT_TRUE(events[1].endsWith(QStringLiteral("=next week"))) << events[1].toStdString();
}

TEST_F(JournalTest, DiffFilesFollowTheCompressionOption)
{
    core->AddNode(core->GetFreeID(), tbTable, true);
    core->FSaveFileCompressed = false;
    sync->HandOverJournalEvents();
    ASSERT_TRUE(sync->DirWatchThread()->StorePending());
    EXPECT_TRUE(testsupport::readFile(OwnDiff()).startsWith("<?xml"));

    core->AddNode(core->GetFreeID(), tbTable, true);
    core->FSaveFileCompressed = true;
    sync->HandOverJournalEvents();
    ASSERT_TRUE(sync->DirWatchThread()->StorePending());
    EXPECT_TRUE(testsupport::readFile(OwnDiff()).startsWith(QByteArray("zip\0", 4)));
    EXPECT_EQ(Events().size(), 4);
}

TEST_F(JournalTest, ClosingWritesPendingEventsWithoutAQuestion)
{
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2024"), QStringLiteral("2"));
    const QString id = task->ID.Value();
    ASSERT_TRUE(sync->DirWatchThread()->HasUnwrittenEvents());
    EXPECT_TRUE(documentFile->FormClose());
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents());
    EXPECT_FALSE(window.busy);
    const QStringList events = Events();
    ASSERT_EQ(events.size(), 2);
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("new ") + id));
}

TEST_F(JournalTest, ClosingWithAnUnwritableFolderAsks)
{
    core->AddNode(core->GetFreeID(), tbTable, true);
    // The generation folder turns into a file: nothing can be written there.
    const QString generation = sync->DirWatchThread()->GetWorkingDir().chopped(1);
    ASSERT_TRUE(QDir(generation).removeRecursively());
    ASSERT_TRUE(testsupport::writeFile(generation, "in the way"));

    window.answers = {mrCancel};
    EXPECT_FALSE(documentFile->FormClose());
    EXPECT_EQ(window.questions.size(), 1);
    EXPECT_TRUE(window.questions[0].contains(document));
    EXPECT_TRUE(sync->DirWatchThread()->HasUnwrittenEvents());

    window.answers = {mrNo};
    EXPECT_TRUE(documentFile->FormClose());
    EXPECT_EQ(window.questions.size(), 2);

    // Once the folder is back the events are written, each once.
    ASSERT_TRUE(QFile::remove(generation));
    ASSERT_TRUE(QDir().mkpath(generation));
    EXPECT_TRUE(documentFile->FormClose());
    EXPECT_EQ(window.questions.size(), 2);
    EXPECT_EQ(Events().size(), 2);
}

TEST_F(JournalTest, ClosingAnUnnamedDocumentWithChangesAsks)
{
    sync->NewDirWatchThread(QString());
    core->AddNode(core->GetFreeID(), tbTable, true);
    window.answers = {mrNo};
    EXPECT_TRUE(documentFile->FormClose());
    ASSERT_EQ(window.questions.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + QStringLiteral("/.zop")));
}

TEST_F(JournalTest, NewJournalTakesOverEventsAndTheIdentityLock)
{
    core->AddNode(core->GetFreeID(), tbTable, true);
    TDocumentSync::TJournalEvents events = sync->DirWatchThread()->TakePendingEvents();
    ASSERT_EQ(events.size(), 2u);
    // Same document again (the reload road): the old journal hands its lock over.
    sync->NewDirWatchThread(document, &events);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(sync->DirWatchThread()->JournalRefused());
    EXPECT_EQ(sync->DirWatchThread()->NumPendingEvents(), 2);
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_TRUE(sync->ForceStorePending());
    EXPECT_EQ(Events().size(), 2);
}

} // namespace
