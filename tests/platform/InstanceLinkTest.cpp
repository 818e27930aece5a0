#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "InstanceLink.h"
#include "Log.h"
#include "common/TestSupport.h"

namespace {

// The helper process of the two-process tests reads its runtime folder and mode from these.
const char *const ChildFolderEnv = "VELMORA_INSTANCELINK_CHILD_FOLDER";
const char *const ChildModeEnv = "VELMORA_INSTANCELINK_CHILD_MODE";

bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Lets queued deliveries arrive, for checks that something did NOT happen.
void settle(int ms = 150)
{
    waitFor([] { return false; }, ms);
}

QStringList ids(const QList<TInstanceInfo> &list)
{
    QStringList result;
    for (const TInstanceInfo &i : list)
        result << i.id;
    return result;
}

QString titleOf(const QList<TInstanceInfo> &list, const QString &id)
{
    for (const TInstanceInfo &i : list)
        if (i.id == id)
            return i.title;
    return QStringLiteral("<none>");
}

// Records what one link receives.
struct TRecorder
{
    QStringList lookups;
    QStringList fronts;

    explicit TRecorder(TInstanceLink &link)
    {
        QObject::connect(&link, &TInstanceLink::lookupReceived, &link, [this](const QString &s) { lookups << s; });
        QObject::connect(&link, &TInstanceLink::bringToFrontRequested, &link, [this](const QString &s) { fronts << s; });
    }
};

QByteArray entryJson(const QString &id, qint64 pid, const QString &socket, const QString &title,
                     const QString &start = QString())
{
    QJsonObject o;
    o.insert(QStringLiteral("tag"), QStringLiteral("velmora-instance"));
    o.insert(QStringLiteral("format"), 1);
    o.insert(QStringLiteral("id"), id);
    o.insert(QStringLiteral("pid"), static_cast<double>(pid));
    o.insert(QStringLiteral("start"), start);
    o.insert(QStringLiteral("registered"), 1.0);
    o.insert(QStringLiteral("socket"), socket);
    o.insert(QStringLiteral("title"), title);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

class InstanceLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FTemp.isValid());
        FFolder = FTemp.filePath(QStringLiteral("rt"));
    }

    QString entry(const QString &id) const { return FFolder + u'/' + id + QStringLiteral(".instance"); }

    QTemporaryDir FTemp;
    QString FFolder;
};

TEST_F(InstanceLinkTest, ListsLiveInstancesWithTheirTitles)
{
    TInstanceLink a(FFolder, QStringLiteral("a"));
    TInstanceLink b(FFolder, QStringLiteral("b"));
    TInstanceLink c(FFolder, QStringLiteral("c"));
    ASSERT_TRUE(a.isLinked() && b.isLinked() && c.isLinked());
    a.setTitle(QStringLiteral("ZOP - /home/u/Plan A.zop"));
    b.setTitle(QStringLiteral("ZOP - /home/u/Ümlaut B.zop"));
    c.setTitle(QStringLiteral("ZOP - "));

    const QList<TInstanceInfo> all = a.instances();
    ASSERT_EQ(ids(all), (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(all[0].isSelf);
    EXPECT_FALSE(all[1].isSelf);
    EXPECT_FALSE(all[2].isSelf);
    EXPECT_EQ(all[1].title, QStringLiteral("ZOP - /home/u/Ümlaut B.zop"));
    EXPECT_EQ(all[2].title, QStringLiteral("ZOP - "));
    EXPECT_EQ(all[1].pid, QCoreApplication::applicationPid());
    EXPECT_EQ(ids(b.otherInstances()), (QStringList{"a", "c"}));
    EXPECT_TRUE(QFileInfo::exists(entry(QStringLiteral("b"))));

    // A title change is what the others list from then on.
    b.setTitle(QStringLiteral("ZOP - other.zop"));
    EXPECT_EQ(titleOf(c.instances(), QStringLiteral("b")), QStringLiteral("ZOP - other.zop"));

    // Ids that do not fit a file name are made to fit, never escape the folder.
    TInstanceLink odd(FFolder, QStringLiteral("../x/y z"));
    EXPECT_EQ(odd.instanceId(), QStringLiteral("_._x_y_z"));
    EXPECT_TRUE(QFileInfo::exists(entry(QStringLiteral("_._x_y_z"))));
    EXPECT_EQ(a.instances().size(), 4);
}

TEST_F(InstanceLinkTest, TitleChangeBroadcastsTheLookupToEveryInstance)
{
    TInstanceLink a(FFolder, QStringLiteral("a"));
    TInstanceLink b(FFolder, QStringLiteral("b"));
    TInstanceLink c(FFolder, QStringLiteral("c"));
    TRecorder ra(a), rb(b), rc(c);

    b.setTitle(QStringLiteral("ZOP - b.zop"));
    ASSERT_TRUE(waitFor([&] { return ra.lookups.size() == 1 && rb.lookups.size() == 1 && rc.lookups.size() == 1; }));
    settle();
    EXPECT_EQ(ra.lookups, QStringList{"b"});
    EXPECT_EQ(rb.lookups, QStringList{"b"}); // its own window list shows the new title too
    EXPECT_EQ(rc.lookups, QStringList{"b"});
    EXPECT_TRUE(ra.fronts.isEmpty());

    EXPECT_EQ(a.broadcastLookup(), 2);
    ASSERT_TRUE(waitFor([&] { return ra.lookups.size() == 2 && rb.lookups.size() == 2 && rc.lookups.size() == 2; }));
    EXPECT_EQ(rc.lookups.last(), QStringLiteral("a"));

    // An instance that ends tells the others, so they rebuild their lists without it.
    auto gone = std::make_unique<TInstanceLink>(FFolder, QStringLiteral("d"));
    gone.reset();
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("d"))));
    ASSERT_TRUE(waitFor([&] { return ra.lookups.contains(QStringLiteral("d")); }));
    EXPECT_EQ(ids(a.instances()), (QStringList{"a", "b", "c"}));
}

TEST_F(InstanceLinkTest, BringToFrontReachesOnlyTheChosenInstance)
{
    TInstanceLink a(FFolder, QStringLiteral("a"));
    TInstanceLink b(FFolder, QStringLiteral("b"));
    TInstanceLink c(FFolder, QStringLiteral("c"));
    TRecorder ra(a), rb(b), rc(c);

    EXPECT_TRUE(a.bringToFront(QStringLiteral("b")));
    ASSERT_TRUE(waitFor([&] { return rb.fronts.size() == 1; }));
    settle();
    EXPECT_EQ(rb.fronts, QStringList{"a"});
    EXPECT_TRUE(ra.fronts.isEmpty());
    EXPECT_TRUE(rc.fronts.isEmpty());
    EXPECT_TRUE(rb.lookups.isEmpty());

    EXPECT_FALSE(a.bringToFront(QStringLiteral("nobody")));
    EXPECT_TRUE(c.bringToFront(QStringLiteral("c")));
    ASSERT_TRUE(waitFor([&] { return rc.fronts.size() == 1; }));
    EXPECT_EQ(rc.fronts, QStringList{"c"});

    b.unregister();
    EXPECT_FALSE(a.bringToFront(QStringLiteral("b")));
    EXPECT_FALSE(b.bringToFront(QStringLiteral("a")));
    EXPECT_EQ(ids(a.instances()), (QStringList{"a", "c"}));
    EXPECT_TRUE(b.instances().isEmpty());
}

TEST_F(InstanceLinkTest, UnregisterLeavesNothingBehind)
{
    TInstanceLink a(FFolder, QStringLiteral("a"));
    auto b = std::make_unique<TInstanceLink>(FFolder, QStringLiteral("b"));
    TRecorder ra(a);
    ASSERT_TRUE(QFileInfo::exists(entry(QStringLiteral("b"))));

    b->unregister();
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("b"))));
    ASSERT_TRUE(waitFor([&] { return ra.lookups == QStringList{"b"}; }));
    // Unregistered, it lists and reaches nobody and never comes back by itself.
    b->setTitle(QStringLiteral("ZOP - late.zop"));
    EXPECT_TRUE(b->instances().isEmpty());
    EXPECT_EQ(b->broadcastLookup(), 0);
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("b"))));
    b.reset();
    settle();
    EXPECT_EQ(ra.lookups, QStringList{"b"}); // the destructor does not say goodbye twice

    a.unregister();
    EXPECT_EQ(QDir(FFolder).entryList(QDir::Files | QDir::System).size(), 0) << "sockets left behind";
}

TEST_F(InstanceLinkTest, EntriesOfDeadInstancesAreDropped)
{
    TInstanceLink a(FFolder, QStringLiteral("a"));
    const qint64 self = QCoreApplication::applicationPid();

    // A pid that no process has.
    testsupport::writeFile(entry(QStringLiteral("nopid")),
                           entryJson(QStringLiteral("nopid"), 0x7ffffff0, FFolder + QStringLiteral("/nopid.sock"),
                                     QStringLiteral("ZOP - x.zop")));
    // A live pid, but its socket file is gone.
    testsupport::writeFile(entry(QStringLiteral("nosock")),
                           entryJson(QStringLiteral("nosock"), self, FFolder + QStringLiteral("/nosock.sock"),
                                     QStringLiteral("ZOP - y.zop")));
    // A live pid that belongs to a later process than the one that wrote the entry.
    testsupport::writeFile(entry(QStringLiteral("reused")),
                           entryJson(QStringLiteral("reused"), self, a.instances().first().socketName,
                                     QStringLiteral("ZOP - z.zop"), QStringLiteral("1")));
    // Live pid, socket file present, but nobody answers on it: found out by the broadcast.
    const QString deafSocket = FFolder + QStringLiteral("/deaf.sock");
    testsupport::writeFile(deafSocket, "not a socket");
    testsupport::writeFile(entry(QStringLiteral("deaf")),
                           entryJson(QStringLiteral("deaf"), self, deafSocket, QStringLiteral("ZOP - w.zop")));

    const QStringList listed = ids(a.instances());
    EXPECT_EQ(listed, (QStringList{"deaf", "a"}));
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("nopid"))));
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("nosock"))));
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("reused"))));

    a.broadcastLookup();
    ASSERT_TRUE(waitFor([&] { return !QFileInfo::exists(entry(QStringLiteral("deaf"))); }));
    EXPECT_EQ(ids(a.instances()), QStringList{"a"});
    EXPECT_FALSE(a.bringToFront(QStringLiteral("deaf")));

    // An entry this instance lost (someone cleaned the folder) comes back on the next look.
    QFile::remove(entry(QStringLiteral("a")));
    a.instances();
    EXPECT_TRUE(QFileInfo::exists(entry(QStringLiteral("a"))));
}

TEST_F(InstanceLinkTest, GarbledEntryFilesAreIgnored)
{
    TInstanceLink a(FFolder, QStringLiteral("a"));
    TInstanceLink b(FFolder, QStringLiteral("b"));
    TRecorder rb(b);
    const qint64 self = QCoreApplication::applicationPid();
    const QString sock = b.instances().first().socketName;

    const QByteArray good = entryJson(QStringLiteral("g"), self, sock, QStringLiteral("ZOP - g.zop"));
    testsupport::writeFile(entry(QStringLiteral("empty")), QByteArray());
    testsupport::writeFile(entry(QStringLiteral("binary")), QByteArray("\x00\xff\xfe{\"tag\"", 9));
    testsupport::writeFile(entry(QStringLiteral("half")), good.left(good.size() / 2));
    testsupport::writeFile(entry(QStringLiteral("array")), "[1,2,3]");
    // A valid entry under another file name must not be taken for that id.
    testsupport::writeFile(entry(QStringLiteral("renamed")), good);
    testsupport::writeFile(entry(QStringLiteral("wrongtag")),
                           QByteArray(good).replace("velmora-instance", "something-else"));
    testsupport::writeFile(entry(QStringLiteral("nopid")), QByteArray(good).replace("\"pid\"", "\"pad\""));
    testsupport::writeFile(entry(QStringLiteral("huge")), good + QByteArray(100 * 1024, ' '));
    QDir(FFolder).mkdir(QStringLiteral("folder.instance"));
    testsupport::writeFile(FFolder + QStringLiteral("/stray.txt"), good);

    EXPECT_EQ(ids(a.instances()), (QStringList{"a", "b"}));
    EXPECT_EQ(a.broadcastLookup(), 1);
    ASSERT_TRUE(waitFor([&] { return rb.lookups.size() == 1; }));
    EXPECT_TRUE(a.bringToFront(QStringLiteral("b")));
    ASSERT_TRUE(waitFor([&] { return rb.fronts.size() == 1; }));
    // Not ours to delete: a file we cannot read may belong to another version.
    EXPECT_TRUE(QFileInfo::exists(entry(QStringLiteral("half"))));
}

TEST_F(InstanceLinkTest, JunkOnTheSocketIsIgnored)
{
    TInstanceLink a(FFolder, QStringLiteral("a"));
    TRecorder ra(a);
    const QString sock = a.instances().first().socketName;

    const QList<QByteArray> junk = {
        QByteArray(1000, 'x'),                       // no line end at all
        "HELLO a\n",                                 // unknown message
        "WM_LOOKUP_OTHER_ZOP_WINDOWS ../../etc\n",   // sender that is no id
        "WM_LOOKUP_OTHER_ZOP_WINDOWSX a\n",
        QByteArray("VELMORA_BRING_TO_FRONT \xff\n"),
    };
    for (const QByteArray &data : junk) {
        QLocalSocket s;
        s.connectToServer(sock);
        ASSERT_TRUE(s.waitForConnected(1000));
        s.write(data);
        s.waitForBytesWritten(1000);
        s.disconnectFromServer();
    }
    // A connection that says nothing and stays open must not block the next one.
    QLocalSocket idle;
    idle.connectToServer(sock);
    ASSERT_TRUE(idle.waitForConnected(1000));
    settle(200);
    EXPECT_TRUE(ra.lookups.isEmpty());
    EXPECT_TRUE(ra.fronts.isEmpty());

    QLocalSocket s;
    s.connectToServer(sock);
    ASSERT_TRUE(s.waitForConnected(1000));
    s.write("WM_LOOKUP_OTHER_ZOP_WINDOWS b\nVELMORA_BRING_TO_FRONT b\n");
    s.waitForBytesWritten(1000);
    s.disconnectFromServer();
    ASSERT_TRUE(waitFor([&] { return ra.lookups.size() == 1 && ra.fronts.size() == 1; }));
    EXPECT_EQ(ra.lookups, QStringList{"b"});
}

TEST_F(InstanceLinkTest, UnwritableRuntimeFolderWorksAloneAndSaysSo)
{
    const QString log = FTemp.filePath(QStringLiteral("link.log"));
    platform::setLogFilePath(log);
    // A folder below a plain file can never be made, whoever runs the test.
    testsupport::writeFile(FTemp.filePath(QStringLiteral("file")), "x");
    const QString bad = FTemp.filePath(QStringLiteral("file/rt"));
    TInstanceLink alone(bad, QStringLiteral("alone"));
    platform::setLogFilePath(QString());

    EXPECT_FALSE(alone.isLinked());
    EXPECT_TRUE(QString::fromUtf8(testsupport::readFile(log)).contains(QStringLiteral("works alone")));
    TRecorder r(alone);
    alone.setTitle(QStringLiteral("ZOP - alone.zop"));
    const QList<TInstanceInfo> list = alone.instances();
    ASSERT_EQ(list.size(), 1);
    EXPECT_TRUE(list[0].isSelf);
    EXPECT_EQ(list[0].title, QStringLiteral("ZOP - alone.zop"));
    EXPECT_EQ(alone.broadcastLookup(), 0);
    ASSERT_TRUE(waitFor([&] { return r.lookups.size() == 2; })); // setTitle and the broadcast
    EXPECT_TRUE(alone.bringToFront(QStringLiteral("alone")));
    EXPECT_FALSE(alone.bringToFront(QStringLiteral("other")));

    // Linked instances elsewhere do not see it.
    TInstanceLink a(FFolder, QStringLiteral("a"));
    EXPECT_EQ(ids(a.instances()), QStringList{"a"});

    // The folder is there but the entry cannot be written: alone as well, and no trace left.
    QDir(FFolder).mkdir(QStringLiteral("blocked.instance"));
    TInstanceLink blocked(FFolder, QStringLiteral("blocked"));
    EXPECT_FALSE(blocked.isLinked());
    EXPECT_FALSE(QFileInfo::exists(FFolder + QStringLiteral("/blocked.sock")));
    EXPECT_EQ(ids(a.instances()), QStringList{"a"});
}

TEST_F(InstanceLinkTest, DefaultInstanceLivesInTheUserRuntimeFolder)
{
    TInstanceLink link;
    ASSERT_TRUE(link.isLinked());
    EXPECT_EQ(link.runtimeFolder(), TInstanceLink::defaultRuntimeFolder());
    EXPECT_TRUE(link.runtimeFolder().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    EXPECT_TRUE(link.instanceId().startsWith(QString::number(QCoreApplication::applicationPid()) + u'-'));
    TInstanceLink second;
    EXPECT_NE(second.instanceId(), link.instanceId());
    EXPECT_EQ(link.instances().size(), 2);
}

TEST_F(InstanceLinkTest, LongRuntimeFolderStillLinks)
{
    // Too long for a socket address inside the folder itself.
    const QString deep = FFolder + u'/' + QString(120, u'd');
    TInstanceLink a(deep, QStringLiteral("a"));
    TInstanceLink b(deep, QStringLiteral("b"));
    ASSERT_TRUE(a.isLinked() && b.isLinked());
    TRecorder rb(b);
    a.setTitle(QStringLiteral("ZOP - a.zop"));
    ASSERT_TRUE(waitFor([&] { return rb.lookups.contains(QStringLiteral("a")); }));
    EXPECT_EQ(titleOf(b.instances(), QStringLiteral("a")), QStringLiteral("ZOP - a.zop"));
}

TEST_F(InstanceLinkTest, ManyInstancesAtOnce)
{
    constexpr int Count = 24;
    std::vector<std::unique_ptr<TInstanceLink>> links;
    std::vector<std::unique_ptr<TRecorder>> recorders;
    for (int i = 0; i < Count; ++i) {
        links.push_back(std::make_unique<TInstanceLink>(FFolder, QStringLiteral("i%1").arg(i, 2, 10, QChar(u'0'))));
        recorders.push_back(std::make_unique<TRecorder>(*links.back()));
    }
    // Everybody changes its title at the same moment: every one hears every one.
    for (int i = 0; i < Count; ++i)
        links[i]->setTitle(QStringLiteral("ZOP - file %1.zop").arg(i));
    ASSERT_TRUE(waitFor(
        [&] {
            for (const auto &r : recorders)
                if (r->lookups.size() < Count)
                    return false;
            return true;
        },
        15000));
    settle();
    for (const auto &r : recorders)
        EXPECT_EQ(r->lookups.size(), Count);

    const QList<TInstanceInfo> all = links[7]->instances();
    ASSERT_EQ(all.size(), Count);
    for (int i = 0; i < Count; ++i)
        EXPECT_EQ(all[i].title, QStringLiteral("ZOP - file %1.zop").arg(i));

    for (int i = 0; i < Count; i += 2) {
        links[i].reset();
        recorders[i].reset();
    }
    EXPECT_EQ(links[1]->instances().size(), Count / 2);
    EXPECT_EQ(links[1]->broadcastLookup(), Count / 2 - 1);
}

// --- The two-process tests. The test executable runs itself as the other instance. ---

class InstanceLinkProcessTest : public InstanceLinkTest
{
protected:
    void TearDown() override
    {
        if (FChild.state() != QProcess::NotRunning) {
            FChild.kill();
            FChild.waitForFinished(5000);
        }
    }

    void startChild(const QString &mode)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildFolderEnv), FFolder);
        env.insert(QString::fromLatin1(ChildModeEnv), mode);
        // The child's own temporary folders land in ours, also when it is killed.
        env.insert(QStringLiteral("TMPDIR"), FTemp.path());
        FChild.setProcessEnvironment(env);
        FChild.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FChild.setStandardOutputFile(QProcess::nullDevice());
        FChild.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=InstanceLinkChild.Serve")});
        ASSERT_TRUE(FChild.waitForStarted(5000));
    }

    QProcess FChild;
};

TEST_F(InstanceLinkProcessTest, SecondProcessIsListedReachedAndDroppedWhenKilled)
{
    TInstanceLink parent(FFolder, QStringLiteral("parent"));
    parent.setTitle(QStringLiteral("ZOP - parent.zop"));
    TRecorder r(parent);
    startChild(QStringLiteral("serve"));

    ASSERT_TRUE(waitFor([&] { return r.lookups.contains(QStringLiteral("child")); }, 15000));
    QList<TInstanceInfo> list = parent.instances();
    ASSERT_EQ(ids(list), (QStringList{"parent", "child"}));
    EXPECT_EQ(list[1].title, QStringLiteral("ZOP - child.zop"));
    EXPECT_EQ(list[1].pid, FChild.processId());

    // The child answers a lookup by naming in its own title what it lists for us.
    parent.setTitle(QStringLiteral("ZOP - parent 2.zop"));
    ASSERT_TRUE(waitFor([&] {
        return titleOf(parent.instances(), QStringLiteral("child")) == QStringLiteral("ZOP - child sees parent 2.zop");
    }));

    EXPECT_TRUE(parent.bringToFront(QStringLiteral("child")));
    ASSERT_TRUE(waitFor([&] {
        return titleOf(parent.instances(), QStringLiteral("child")) == QStringLiteral("ZOP - child in front.zop");
    }));

    const QString childSocket = parent.otherInstances().first().socketName;
    FChild.kill();
    ASSERT_TRUE(FChild.waitForFinished(5000));
    ASSERT_TRUE(QFileInfo::exists(entry(QStringLiteral("child"))));
    EXPECT_EQ(ids(parent.instances()), QStringList{"parent"});
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("child"))));
    EXPECT_FALSE(QFileInfo::exists(childSocket));
    EXPECT_FALSE(parent.bringToFront(QStringLiteral("child")));
}

TEST_F(InstanceLinkProcessTest, SecondProcessLeavesOnApplicationQuit)
{
    TInstanceLink parent(FFolder, QStringLiteral("parent"));
    TRecorder r(parent);
    startChild(QStringLiteral("quit"));
    // The child is listed before it names its title; that title's lookup must have come in
    // first, or it would be taken for the one the quit sends.
    ASSERT_TRUE(waitFor([&] { return r.lookups.contains(QStringLiteral("child")); }, 15000));
    ASSERT_EQ(ids(parent.otherInstances()), QStringList{"child"});
    const int before = static_cast<int>(r.lookups.count(QStringLiteral("child")));

    // The child quits its application on this request, then stays alive for a while.
    EXPECT_TRUE(parent.bringToFront(QStringLiteral("child")));
    ASSERT_TRUE(waitFor([&] { return r.lookups.count(QStringLiteral("child")) > before; }, 15000));
    EXPECT_FALSE(QFileInfo::exists(entry(QStringLiteral("child"))));
    EXPECT_EQ(FChild.state(), QProcess::Running);
    EXPECT_TRUE(parent.otherInstances().isEmpty());
}

// The other instance of the two-process tests; does nothing in a normal run.
TEST(InstanceLinkChild, Serve)
{
    const QString folder = qEnvironmentVariable(ChildFolderEnv);
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only as the helper process of InstanceLinkProcessTest";
    const bool quitMode = qEnvironmentVariable(ChildModeEnv) == QStringLiteral("quit");

    TInstanceLink link(folder, QStringLiteral("child"));
    ASSERT_TRUE(link.isLinked());
    QObject::connect(&link, &TInstanceLink::lookupReceived, &link, [&link](const QString &sender) {
        if (sender != QStringLiteral("parent"))
            return;
        const QString title = titleOf(link.instances(), sender);
        link.setTitle(QStringLiteral("ZOP - child sees ") + title.mid(6));
    });
    QObject::connect(&link, &TInstanceLink::bringToFrontRequested, &link, [&link, quitMode](const QString &) {
        if (quitMode)
            QCoreApplication::quit();
        else
            link.setTitle(QStringLiteral("ZOP - child in front.zop"));
    });
    link.setTitle(QStringLiteral("ZOP - child.zop"));

    // Bounded in time whatever the parent does.
    QTimer::singleShot(20000, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    if (quitMode) {
        // Still running, so the parent sees that the quit itself removed the entry; long enough
        // for a slow machine, the parent kills us when it has seen it.
        QThread::msleep(20000);
    }
}

} // namespace
