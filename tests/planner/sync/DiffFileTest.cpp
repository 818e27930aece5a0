// The diff file on real folders: its exact text, running indices, failed and postponed
// writes, and an own diff file that cannot be read.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <thread>

#include "BlockCompress.h"
#include "sync/DirWatchThread.h"
#include "Helper.h"
#include "sync/NodeEvent.h"
#include "sync/XMLFile.h"
#include "common/TestSupport.h"

namespace {

// Captions by column; column 1 is a date column whose texts are already in file form.
class TFixedFormat : public IJournalFormat
{
public:
    QString ColumnCaption(TWhichTable table, int column) const override
    {
        return (table == tbTable ? QStringLiteral("T") : QStringLiteral("X")) + captions.at(column);
    }
    QString CellForFile(TWhichTable, int column, const QString &text) const override
    {
        return column == 1 ? QStringLiteral("<") + text + QStringLiteral(">") : text;
    }
    std::map<int, QString> captions{{0, QStringLiteral("Name")}, {1, QStringLiteral("Start date")},
                                    {2, QStringLiteral("Note")}};
};

class DiffFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        document = temp.path() + QStringLiteral("/plan.zop");
        ASSERT_TRUE(testsupport::writeFile(document, "<document />"));
        journal = std::make_unique<TDirWatchThread>(document);
        me = UserIdentity();
    }

    void Change(const QString &id, qint32 change, int column, const QString &text)
    {
        journal->PushDiff(std::make_unique<TSetNodeDataEvent>(id, change, tbTable, column, text));
    }
    bool Store(bool compressed = false)
    {
        journal->HandOverPendingEvents(format, compressed);
        return journal->StorePending();
    }
    // In the first generation unless a test moves on.
    QString OwnDiff(int number = 1) const
    {
        return (journal ? journal->GetWorkingDir() : temp.path() + QStringLiteral("/.zop/plan.zop/0/")) + me + QLatin1Char('.') + QString::number(number) + QStringLiteral(".diff");
    }
    QString Text(const QString &path) const
    {
        return QString::fromLatin1(testsupport::readFile(path));
    }
    // The indices of the events in a diff file, in file order.
    QList<int> Indices(const QString &path) const
    {
        TXMLFile file(path, true);
        QList<int> result;
        const TXMLNode *diff = file.xml().namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")});
        if (diff)
            for (const auto &child : diff->Nodes())
                result.append(TXMLAttribute::ToIntOf(child->namedAttribute(QStringLiteral("index")), -1));
        return result;
    }

    QTemporaryDir temp;
    QString document;
    QString me;
    TFixedFormat format;
    std::unique_ptr<TDirWatchThread> journal;
};

TEST_F(DiffFileTest, ExactTextOfAPlainDiffFile)
{
    journal->PushDiff(std::make_unique<TNewNodeEvent>(QStringLiteral("HOST.anna.1"), tbTable));
    Change(QStringLiteral("HOST.anna.1"), 1, 1, QStringLiteral("2024-03-04 00:00:00"));
    journal->PushDiff(std::make_unique<TNewNodeEvent>(QStringLiteral("HOST.anna.2"), tbExclude));
    Change(QStringLiteral("HOST.anna.1"), 2, 2, QStringLiteral("a & b"));
    ASSERT_TRUE(Store());
    EXPECT_FALSE(journal->HasUnwrittenEvents());
    EXPECT_EQ(journal->DiffFile(), OwnDiff());

    const QString expected = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" />\r\n"
        "<document>\r\n"
        "  <setup />\r\n"
        "  <data />\r\n"
        "  <diff index=\"3\">\r\n"
        "    <new id=\"HOST.anna.1\" index=\"1\">\r\n"
        "      <__change__>0</__change__>\r\n"
        "      <__user__>%1</__user__>\r\n"
        "      <__table__>tbTable</__table__>\r\n"
        "    </new>\r\n"
        "    <change id=\"HOST.anna.1\" index=\"2\">\r\n"
        "      <__change__>2</__change__>\r\n"
        "      <__user__>%1</__user__>\r\n"
        "      <TStart&nbsp;date>&lt;2024-03-04&nbsp;00:00:00&gt;</TStart&nbsp;date>\r\n"
        "      <TNote>a&nbsp;&amp;&nbsp;b</TNote>\r\n"
        "    </change>\r\n"
        "    <new id=\"HOST.anna.2\" index=\"3\">\r\n"
        "      <__change__>0</__change__>\r\n"
        "      <__user__>%1</__user__>\r\n"
        "      <__table__>tbExclude</__table__>\r\n"
        "    </new>\r\n"
        "  </diff>\r\n"
        "</document>\r\n").arg(me);
    EXPECT_EQ(Text(OwnDiff()), expected);

    // The next write continues the indices and rewrites the whole file.
    journal->PushDiff(std::make_unique<TDeleteNodeEvent>(QStringLiteral("HOST.anna.2"), 1, tbExclude));
    ASSERT_TRUE(Store());
    const QString more = Text(OwnDiff());
    EXPECT_TRUE(more.startsWith(expected.left(expected.indexOf(QStringLiteral("  <diff")))));
    EXPECT_TRUE(more.contains(QStringLiteral("  <diff index=\"4\">\r\n")));
    EXPECT_TRUE(more.endsWith(QStringLiteral(
        "    <delete id=\"HOST.anna.2\" index=\"4\">\r\n"
        "      <__change__>1</__change__>\r\n"
        "      <__user__>%1</__user__>\r\n"
        "    </delete>\r\n"
        "  </diff>\r\n"
        "</document>\r\n").arg(me)));
    EXPECT_EQ(Indices(OwnDiff()), (QList<int>{1, 2, 3, 4}));
    EXPECT_EQ(journal->XMLFiles().at(OwnDiff())->FLastIndex, 4);
    EXPECT_EQ(journal->XMLFiles().at(OwnDiff())->FLastSize, QFileInfo(OwnDiff()).size());
}

TEST_F(DiffFileTest, CompressedDiffFileHoldsTheSameText)
{
    journal->PushDiff(std::make_unique<TNewNodeEvent>(QStringLiteral("r1"), tbTable));
    ASSERT_TRUE(Store(false));
    const QString plain = Text(OwnDiff());

    // Same events in a second journal's file, written compressed.
    QTemporaryDir other;
    const QString otherDocument = other.path() + QStringLiteral("/plan.zop");
    testsupport::writeFile(otherDocument, "");
    journal = std::make_unique<TDirWatchThread>(otherDocument);
    journal->PushDiff(std::make_unique<TNewNodeEvent>(QStringLiteral("r1"), tbTable));
    ASSERT_TRUE(Store(true));
    const QByteArray bytes = testsupport::readFile(OwnDiff());
    ASSERT_TRUE(TLZR::hasMagic(bytes));
    QByteArray expanded;
    ASSERT_TRUE(TLZR::decompressBytes(bytes, expanded, true));
    EXPECT_EQ(QString::fromLatin1(expanded), plain);

    TXMLFile file(OwnDiff(), true);
    EXPECT_EQ(file.ReadState(), TXMLFile::rsRead);
    EXPECT_TRUE(file.WasCompressed());
    journal.reset(); // before its folder goes
}

TEST_F(DiffFileTest, IndexOfADiffElement)
{
    TXMLTree tree;
    EXPECT_EQ(getIndex(nullptr), -1);
    EXPECT_EQ(updateIndex(nullptr), -1);

    tree.setText(QStringLiteral("<diff index=\"0\" />"));
    TXMLNode *diff = tree.namedNode(QStringLiteral("diff"));
    EXPECT_EQ(getIndex(diff), 0);
    EXPECT_EQ(updateIndex(diff), 1);
    EXPECT_EQ(diff->namedAttribute(QStringLiteral("index"))->GetValue(), QStringLiteral("1"));

    // Without an own index the children's highest counts; missing and bad ones count -1.
    tree.setText(QStringLiteral("<diff><a index=\"4\" /><b index=\"x\" /><c index=\"9\" /><d /></diff>"));
    diff = tree.namedNode(QStringLiteral("diff"));
    EXPECT_EQ(getIndex(diff), 9);
    EXPECT_EQ(updateIndex(diff), 10);
    EXPECT_EQ(getIndex(diff), 10);

    tree.setText(QStringLiteral("<diff index=\"-1\"><a index=\"6\" /></diff>"));
    EXPECT_EQ(getIndex(tree.namedNode(QStringLiteral("diff"))), 6);

    // Nothing indexed at all: readers apply only indices above -1, so writing starts at 1.
    tree.setText(QStringLiteral("<diff><a /></diff>"));
    diff = tree.namedNode(QStringLiteral("diff"));
    EXPECT_EQ(getIndex(diff), -1);
    EXPECT_EQ(updateIndex(diff), 1);

    tree.setText(QStringLiteral("<diff index=\"2147483647\" />"));
    EXPECT_EQ(updateIndex(tree.namedNode(QStringLiteral("diff"))), -1);
}

TEST_F(DiffFileTest, FailedWriteIsRolledBackAndWrittenOnceLater)
{
    Change(QStringLiteral("r1"), 1, 0, QStringLiteral("first"));
    ASSERT_TRUE(Store());

    // The generation folder turns into a file: nothing can be written into it.
    const QString generation = journal->GetWorkingDir();
    const QByteArray before = testsupport::readFile(OwnDiff());
    ASSERT_TRUE(QFile::rename(generation, temp.path() + QStringLiteral("/parked")));
    ASSERT_TRUE(testsupport::writeFile(generation.chopped(1), "in the way"));

    Change(QStringLiteral("r1"), 2, 0, QStringLiteral("second"));
    EXPECT_FALSE(Store());
    Change(QStringLiteral("r2"), 1, 0, QStringLiteral("third"));
    EXPECT_FALSE(Store());
    EXPECT_TRUE(journal->HasUnwrittenEvents());
    EXPECT_EQ(journal->NumPendingEvents(), 2);

    ASSERT_TRUE(QFile::remove(generation.chopped(1)));
    ASSERT_TRUE(QFile::rename(temp.path() + QStringLiteral("/parked"), generation));
    EXPECT_EQ(testsupport::readFile(OwnDiff()), before);
    ASSERT_TRUE(Store());
    EXPECT_FALSE(journal->HasUnwrittenEvents());
    EXPECT_EQ(Indices(OwnDiff()), (QList<int>{1, 2, 3}));
    const QString text = Text(OwnDiff());
    EXPECT_EQ(text.count(QStringLiteral(">second<")), 1);
    EXPECT_EQ(text.count(QStringLiteral(">third<")), 1);
    // No temporary file was left that readers of "*.diff" could take.
    EXPECT_EQ(QDir(generation).entryList({QStringLiteral("*.diff")}, QDir::Files).size(), 1);
}

TEST_F(DiffFileTest, AClosedGenerationIsWrittenUntilTheNextOneIsFound)
{
    Change(QStringLiteral("r1"), 1, 0, QStringLiteral("kept"));
    testsupport::writeFile(journal->GetLockedFileName(), "<document />");
    // Nothing waits in memory while the saver's generation is not found yet.
    EXPECT_TRUE(Store());
    EXPECT_FALSE(journal->HasUnwrittenEvents());
    EXPECT_EQ(Indices(OwnDiff()), QList<int>{1});
    Change(QStringLiteral("r1"), 2, 0, QStringLiteral("still kept"));
    EXPECT_TRUE(Store());
    EXPECT_EQ(Indices(OwnDiff()), (QList<int>{1, 2}));

    // The next generation's own diff file starts from 1.
    ASSERT_TRUE(journal->SetWorkingDir(QStringLiteral("1")));
    EXPECT_TRUE(journal->DiffFile().isEmpty());
    Change(QStringLiteral("r1"), 3, 0, QStringLiteral("moved on"));
    ASSERT_TRUE(Store());
    EXPECT_EQ(journal->DiffFile(), OwnDiff());
    EXPECT_TRUE(OwnDiff().contains(QStringLiteral("/1/")));
    EXPECT_EQ(Indices(OwnDiff()), QList<int>{1});
}

TEST_F(DiffFileTest, UnreadableOwnDiffFileIsMovedAsideNotOverwritten)
{
    Change(QStringLiteral("r1"), 1, 0, QStringLiteral("before"));
    ASSERT_TRUE(Store());
    const QString damaged = OwnDiff(1);
    journal.reset();
    // Damaged on disk: compressed magic followed by garbage.
    ASSERT_TRUE(testsupport::writeFile(damaged, QByteArray("\x7a\x69\x70\x00\xff\xff\xff\x7f", 8) + "garbage"));
    const QByteArray damagedBytes = testsupport::readFile(damaged);

    journal = std::make_unique<TDirWatchThread>(document);
    Change(QStringLiteral("r1"), 2, 0, QStringLiteral("after"));
    ASSERT_TRUE(Store());
    EXPECT_EQ(journal->DiffFile(), OwnDiff(2));
    EXPECT_EQ(Indices(OwnDiff(2)), QList<int>{1});
    EXPECT_FALSE(QFileInfo::exists(damaged));
    EXPECT_EQ(testsupport::readFile(damaged.chopped(5) + QStringLiteral(".diff.damaged")), damagedBytes);

    // A later run continues in file 2, never back in a fresh file 1.
    journal.reset();
    journal = std::make_unique<TDirWatchThread>(document);
    Change(QStringLiteral("r1"), 3, 0, QStringLiteral("later"));
    ASSERT_TRUE(Store());
    EXPECT_EQ(journal->DiffFile(), OwnDiff(2));
    EXPECT_EQ(Indices(OwnDiff(2)), (QList<int>{1, 2}));
    EXPECT_FALSE(QFileInfo::exists(OwnDiff(1)));

    // A diff file without its diff element is just as unusable.
    journal.reset();
    ASSERT_TRUE(testsupport::writeFile(OwnDiff(2), "<document><setup /></document>"));
    journal = std::make_unique<TDirWatchThread>(document);
    Change(QStringLiteral("r1"), 4, 0, QStringLiteral("latest"));
    ASSERT_TRUE(Store());
    EXPECT_EQ(journal->DiffFile(), OwnDiff(3));
    EXPECT_EQ(Indices(OwnDiff(3)), QList<int>{1});
}

TEST_F(DiffFileTest, OwnDiffFileOfAnEarlierRunIsContinued)
{
    Change(QStringLiteral("r1"), 1, 0, QStringLiteral("one"));
    Change(QStringLiteral("r2"), 1, 0, QStringLiteral("two"));
    ASSERT_TRUE(Store());
    journal.reset();
    journal = std::make_unique<TDirWatchThread>(document);
    Change(QStringLiteral("r3"), 1, 0, QStringLiteral("three"));
    ASSERT_TRUE(Store());
    EXPECT_EQ(Indices(OwnDiff()), (QList<int>{1, 2, 3}));
}

TEST_F(DiffFileTest, RefusedIdentityWritesNothingUntilTheOtherEnds)
{
    auto second = std::make_unique<TDirWatchThread>(document);
    ASSERT_TRUE(second->JournalRefused());
    second->PushDiff(std::make_unique<TNewNodeEvent>(QStringLiteral("r9"), tbTable));
    second->HandOverPendingEvents(format, false);
    EXPECT_FALSE(second->StorePending());
    EXPECT_TRUE(second->HasUnwrittenEvents());
    EXPECT_FALSE(QFileInfo::exists(OwnDiff()));

    journal.reset();
    EXPECT_TRUE(second->StorePending());
    EXPECT_FALSE(second->JournalRefused());
    EXPECT_EQ(second->DiffFile(), second->GetWorkingDir() + me + QStringLiteral(".1.diff"));
}

TEST_F(DiffFileTest, XMLFileReadStates)
{
    const QString path = temp.path() + QStringLiteral("/x.diff");
    {
        TXMLFile missing(path, true);
        EXPECT_EQ(missing.ReadState(), TXMLFile::rsEmpty);
        EXPECT_NE(missing.xml().namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")}), nullptr);
        EXPECT_EQ(missing.FLastIndex, -1);
        EXPECT_FALSE(missing.Flush()); // read-only files are never written
        EXPECT_FALSE(QFileInfo::exists(path));
    }
    testsupport::writeFile(path, "<document><diff index=\"5\" /></document>");
    TXMLFile file(path, false);
    EXPECT_EQ(file.ReadState(), TXMLFile::rsRead);
    EXPECT_FALSE(file.WasCompressed());
    EXPECT_EQ(file.FLastSize, QFileInfo(path).size());

    // A damaged version does not replace the tree already read.
    testsupport::writeFile(path, QByteArray("\x7a\x69\x70\x00\x10\x00\x00\x00", 8) + "xx");
    QString error;
    EXPECT_EQ(file.Read(&error), TXMLFile::rsDamaged);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(getIndex(file.xml().namedNode(QStringList{QStringLiteral("document"), QStringLiteral("diff")})), 5);
}

// The writer on a worker thread while the GUI thread keeps pushing: every event lands once,
// with contiguous indices.
TEST_F(DiffFileTest, WriterOnAWorkerWhileNewEventsArrive)
{
    int pushed = 0;
    const auto push = [&](int count) {
        for (int i = 0; i < count; ++i, ++pushed)
            Change(QStringLiteral("r%1").arg(pushed), 1, 0, QStringLiteral("t%1").arg(pushed));
    };
    push(5);
    for (int round = 0; round < 8; ++round) {
        journal->HandOverPendingEvents(format, round % 2 == 1);
        bool stored = false;
        std::thread writer([&] { stored = journal->StorePending(); });
        push(5);
        writer.join();
        EXPECT_TRUE(stored);
    }
    ASSERT_TRUE(Store());
    QList<int> expected;
    for (int i = 1; i <= pushed; ++i)
        expected.append(i);
    EXPECT_EQ(Indices(OwnDiff()), expected);
}

} // namespace
