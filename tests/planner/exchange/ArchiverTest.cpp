#include "planner/CoreTestSupport.h"

#include <QFile>

#include "BlockCompress.h"
#include "MemIniFile.h"
#include "exchange/Archiver.h"
#include "sync/DirWatchThread.h"
#include "sync/NodeEvent.h"

namespace {

class ArchiverTest : public DocumentFolderTest
{
protected:
    void SetUp() override
    {
        DocumentFolderTest::SetUp();
        if (HasFatalFailure())
            return;
        sync->NewDirWatchThread(document);
        archive = temp.filePath(QStringLiteral("plan archive.ini"));
        // Captions that collide as ini keys: "start" beside "Start", "=" inside, the file's
        // own key, comment and section marks, an escape character, no caption at all.
        core->SetColumnCaption(tbTable, 5, QStringLiteral("start"));
        const QStringList extra = {QStringLiteral("a=b"), QStringLiteral("__table"), QStringLiteral(";note"),
                                   QStringLiteral("[x]"), QStringLiteral("%25"), QString()};
        for (const QString &caption : extra) {
            const int column = core->GetTableColCount(tbTable);
            core->InsertColumn(tbTable, column);
            core->SetColumnCaption(tbTable, column, caption);
        }
        ended = Task(QStringLiteral("04.03.2024"), QStringLiteral("2"), QStringLiteral("first"));
        onTheDay = Task(QStringLiteral("11.03.2024"), QStringLiteral("1"), QStringLiteral("on the day"));
        later = Task(QStringLiteral("20.03.2024"), QStringLiteral("1"), QStringLiteral("later"));
        invalid = core->AddNode(core->GetFreeID(), tbTable, true); // no start: it never ends
        core->BeginUpdate(QString());
        core->EndUpdate();
    }
    TNodeData *Task(const QString &start, const QString &length, const QString &mark)
    {
        TNodeData *node = AddTask(QStringLiteral("Position 1"), start, length);
        const int columns = core->GetTableColCount(tbTable);
        for (int column = 5; column < columns; ++column)
            core->SetData(node, column, mark + QStringLiteral(" %1").arg(column) + (column == 6 ? QStringLiteral("\nx=y") : QString()));
        return node;
    }
    QStringList Ids()
    {
        QStringList ids;
        core->ForEach(tbTable, feAll, [&](TNodeData *node) { ids.append(node->ID.Value()); });
        return ids;
    }

    QString archive;
    TNodeData *ended = nullptr;
    TNodeData *onTheDay = nullptr;
    TNodeData *later = nullptr;
    TNodeData *invalid = nullptr;
};

} // namespace

TEST(ArchiverKeysTest, KeysAreUniqueAndSafe)
{
    const QStringList keys = TArchiver::ColumnKeys({QStringLiteral("Start"), QStringLiteral("start"), QStringLiteral("a=b"),
                                                    QStringLiteral("__table"), QStringLiteral("__Table"), QStringLiteral(";c"),
                                                    QStringLiteral("[s]"), QStringLiteral("100%"), QStringLiteral("line\nbreak"),
                                                    QStringLiteral("start%#2"), QString(), QString(), QStringLiteral("x;[_")});
    EXPECT_EQ(keys, QStringList({QStringLiteral("Start"), QStringLiteral("start%#2"), QStringLiteral("a%3Db"),
                                 QStringLiteral("%5F_table"), QStringLiteral("%5F_Table%#5"), QStringLiteral("%3Bc"),
                                 QStringLiteral("%5Bs]"), QStringLiteral("100%25"), QStringLiteral("line%0Abreak"),
                                 QStringLiteral("start%25#2"), QString(), QStringLiteral("%#12"), QStringLiteral("x;[_")}));
}

// Valid tasks that ended on or before the date go to the file with every column under a key
// of its own, then leave the document (journalled, not undoable); a second run numbers on.
TEST_F(ArchiverTest, ArchiveRoundTripWithCollidingCaptions)
{
    TArchiver archiver(*core, *sync);
    int count = 0;
    int total = 0;
    archiver.Count(EncodeDate(2024, 3, 11), count, total);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(total, 4);
    archiver.Count(EncodeDate(2024, 3, 10), count, total);
    EXPECT_EQ(count, 1);

    const QStringList cellsEnded = ended->StringList;
    const QStringList cellsOnTheDay = onTheDay->StringList;
    const std::size_t undoBefore = undo.UndoList().size();
    const int eventsBefore = sync->DirWatchThread()->NumPendingEvents();
    QString error;
    ASSERT_EQ(archiver.Archive(archive, EncodeDate(2024, 3, 11), false, error), 2) << error.toStdString();
    EXPECT_EQ(Ids(), QStringList({later->ID.Value(), invalid->ID.Value()}));
    EXPECT_EQ(undo.UndoList().size(), undoBefore);
    EXPECT_EQ(sync->DirWatchThread()->NumPendingEvents(), eventsBefore + 2);
    const auto *deleted = dynamic_cast<const TDeleteNodeEvent *>(sync->DirWatchThread()->PendingEvents().back().get());
    ASSERT_TRUE(deleted);

    QStringList captions;
    for (int column = 0; column < core->GetTableColCount(tbTable); ++column)
        captions.append(core->GetColumnCaption(tbTable, column));
    const QStringList keys = TArchiver::ColumnKeys(captions);
    EXPECT_EQ(keys.mid(5), QStringList({QStringLiteral("start%#6"), QStringLiteral("a%3Db"), QStringLiteral("%5F_table"),
                                        QStringLiteral("%3Bnote"), QStringLiteral("%5Bx]"), QStringLiteral("%2525"), QString()}));
    TMemIniFile ini(archive);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Archiv"), QStringLiteral("count"), QString()), QStringLiteral("2"));
    const QList<QPair<QString, QStringList>> expected = {{QStringLiteral("ArchivItem0"), cellsEnded},
                                                         {QStringLiteral("ArchivItem1"), cellsOnTheDay}};
    for (const auto &item : expected) {
        QStringList names;
        ini.ReadSection(item.first, names);
        EXPECT_EQ(names, keys + QStringList{QStringLiteral("__table")}) << item.first.toStdString();
        for (int column = 0; column < keys.size(); ++column)
            EXPECT_EQ(ini.ReadString(item.first, keys[column], QStringLiteral("?")).replace(QStringLiteral("\\n"), QStringLiteral("\n")),
                      item.second[column])
                << item.first.toStdString() << " " << column;
        EXPECT_EQ(ini.ReadString(item.first, QStringLiteral("__table"), QString()), QStringLiteral("tbTable"));
    }
    EXPECT_TRUE(QString::fromLatin1(testsupport::readFile(archive)).contains(QStringLiteral("\r\nstart%#6=first 5\r\n")));

    // The next run continues the file, compressed this time.
    ASSERT_EQ(archiver.Archive(archive, EncodeDate(2024, 12, 31), true, error), 1) << error.toStdString();
    EXPECT_TRUE(TLZR::hasMagic(testsupport::readFile(archive)));
    TMemIniFile again(archive);
    EXPECT_EQ(again.ReadString(QStringLiteral("Archiv"), QStringLiteral("count"), QString()), QStringLiteral("3"));
    EXPECT_EQ(again.ReadString(QStringLiteral("ArchivItem0"), QStringLiteral("start%#6"), QString()), QStringLiteral("first 5"));
    EXPECT_EQ(again.ReadString(QStringLiteral("ArchivItem2"), QStringLiteral("start%#6"), QString()), QStringLiteral("later 5"));
    EXPECT_EQ(Ids(), QStringList{invalid->ID.Value()});
    // Nothing left to archive: no file is touched.
    const QByteArray bytes = testsupport::readFile(archive);
    EXPECT_EQ(archiver.Archive(archive, EncodeDate(2099, 1, 1), false, error), 0);
    EXPECT_EQ(testsupport::readFile(archive), bytes);
}

// When the archive cannot be written, or the file is no archive, every row stays.
TEST_F(ArchiverTest, FailuresKeepEveryRow)
{
    TArchiver archiver(*core, *sync);
    const QStringList ids = Ids();
    const auto keeps = [&](const QString &file, const char *what) {
        QString error;
        EXPECT_EQ(archiver.Archive(file, EncodeDate(2024, 12, 31), false, error), -1) << what;
        EXPECT_FALSE(error.isEmpty()) << what;
        EXPECT_EQ(Ids(), ids) << what;
    };
    keeps(temp.filePath(QStringLiteral("missing/archive.ini")), "missing folder");

    ASSERT_TRUE(testsupport::writeFile(archive, "[Archiv]\r\ncount=1\r\n[ArchivItem0]\r\nStart=x\r\n"));
    QFile::setPermissions(archive, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    keeps(archive, "read-only archive");
    QFile::setPermissions(archive, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(testsupport::readFile(archive), QByteArray("[Archiv]\r\ncount=1\r\n[ArchivItem0]\r\nStart=x\r\n"));

    // Only an archive is continued: never the document, an ini file of another kind or text.
    const QByteArray documentBytes = testsupport::readFile(document);
    keeps(document, "the document");
    EXPECT_EQ(testsupport::readFile(document), documentBytes);
    const QString other = temp.filePath(QStringLiteral("settings.ini"));
    ASSERT_TRUE(testsupport::writeFile(other, "[Settings]\r\nZoom=100\r\n"));
    keeps(other, "another ini file");
    ASSERT_TRUE(testsupport::writeFile(other, "just text"));
    keeps(other, "a text file");
    EXPECT_EQ(testsupport::readFile(other), QByteArray("just text"));
    keeps(temp.path(), "a folder");

    // A damaged count cannot make new items overwrite old ones.
    ASSERT_TRUE(testsupport::writeFile(archive, "[Archiv]\r\ncount=0\r\n[ArchivItem4]\r\nStart=old\r\n"));
    QString error;
    ASSERT_EQ(archiver.Archive(archive, EncodeDate(2024, 3, 11), false, error), 2);
    TMemIniFile ini(archive);
    EXPECT_EQ(ini.ReadString(QStringLiteral("ArchivItem4"), QStringLiteral("Start"), QString()), QStringLiteral("old"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("ArchivItem5"), QStringLiteral("start%#6"), QString()), QStringLiteral("first 5"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Archiv"), QStringLiteral("count"), QString()), QStringLiteral("7"));
}
