// The File menu's users and revert lists, the Window menu of running instances, the title and
// the status of the shared folder.

#include "planner/CoreTestSupport.h"
#include "planner/window/WindowTestSupport.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "DateFormat.h"
#include "Helper.h"
#include "InstanceLink.h"
#include "sync/DirWatchThread.h"
#include "window/DocumentMenus.h"
#include "window/InstanceMenu.h"
#include "window/WindowCaption.h"

namespace {

QStringList Captions(const QMenu *menu)
{
    QStringList captions;
    for (const QAction *action : menu->actions())
        captions.append(action->text());
    return captions;
}

class WindowMenusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        document = dir.filePath(QStringLiteral("plan.zop"));
        document = windowtest::WriteEmptyDocument(document);
        ASSERT_FALSE(document.isEmpty());
    }
    QTemporaryDir dir;
    QString document;
};

TEST_F(WindowMenusTest, UsersPresentWithinTheLastMinute)
{
    TScriptedMainForm form;
    form.Open(document);
    TDirWatchThread *journal = form.Sync().DirWatchThread();
    const QString folder = journal->GetTmpDirectory();
    const QDateTime now = QDateTime::currentDateTime();
    const auto presence = [&](const QString &user, int secondsAgo) {
        const QString path = folder + user + QStringLiteral(".user");
        ASSERT_TRUE(testsupport::writeFile(path, QByteArray()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(now.addSecs(-secondsAgo), QFileDevice::FileModificationTime));
    };
    presence(UserIdentity(), 0);
    presence(QStringLiteral("hostb.anna"), 59);
    presence(QStringLiteral("hostc.ben"), 61);
    presence(QStringLiteral("hostd.future"), -30); // a clock ahead of ours
    form.DocumentMenus().DateiClick(now);
    QStringList users = Captions(form.Benutzer1);
    users.sort();
    EXPECT_EQ(users, (QStringList{QStringLiteral("hostb.anna"), QStringLiteral("hostd.future"), UserIdentity()}));
    EXPECT_TRUE(form.Benutzer1->isEnabled());
    for (const QAction *item : form.Benutzer1->actions())
        EXPECT_EQ(item->isChecked(), item->text() == UserIdentity()) << item->text().toStdString();

    // A new document has no shared folder: nobody is listed.
    form.ActionNewExecute();
    form.DocumentMenus().DateiClick(now);
    EXPECT_TRUE(form.Benutzer1->actions().isEmpty());
    EXPECT_FALSE(form.Benutzer1->isEnabled());
    EXPECT_FALSE(form.Revert1->isEnabled());
}

TEST_F(WindowMenusTest, TheRevertMenuListsTheGenerationsNewestFirstAndReverts)
{
    TScriptedMainForm form(mrOk);
    form.Open(document);
    form.ActionAddNodeExecute();
    ASSERT_TRUE(form.File().Save(document));
    form.ActionAddNodeExecute();
    ASSERT_TRUE(form.File().Save(document));
    // A backup generation, written last.
    TDirWatchThread *journal = form.Sync().DirWatchThread();
    QDir(journal->GetTmpDirectory()).mkdir(QStringLiteral("5~"));
    ASSERT_TRUE(QFile::copy(journal->GetLockedFileName(QStringLiteral("0")), journal->GetLockedFileName(QStringLiteral("5~"))));
    QFile backup(journal->GetLockedFileName(QStringLiteral("5~")));
    ASSERT_TRUE(backup.open(QIODevice::ReadWrite));
    ASSERT_TRUE(backup.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    backup.close();

    // Opening the File menu fills the list.
    QMetaObject::invokeMethod(form.Datei1, "aboutToShow");
    const QStringList captions = Captions(form.Revert1);
    ASSERT_EQ(captions.size(), 3);
    EXPECT_TRUE(captions[0].startsWith(QStringLiteral("-5~-    "))) << captions[0].toStdString();
    EXPECT_TRUE(captions[0].endsWith(QStringLiteral(" *")));
    EXPECT_TRUE(captions[1].startsWith(QStringLiteral("-1-    ")));
    EXPECT_TRUE(captions[2].startsWith(QStringLiteral("-0-    ")));
    EXPECT_FALSE(captions[2].endsWith(QStringLiteral(" *")));
    const QVector<TRevertFile> files = form.DocumentMenus().RevertFiles();
    EXPECT_EQ(TDocumentMenus::RevertCaption(files[2]),
              QStringLiteral("-0-    ") + DateTimeToStr(files[2].date));
    EXPECT_TRUE(form.Revert1->isEnabled());

    // Choosing generation 0 brings back the document with one row.
    EXPECT_EQ(form.Core().GetTableRowCount(tbTable), 2);
    form.questions.clear();
    form.Revert1->actions()[2]->trigger();
    EXPECT_EQ(form.questions, QStringList{QStringLiteral("Revert to last stored file?")});
    EXPECT_EQ(form.Core().GetTableRowCount(tbTable), 1);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ZOP - ") + document);
}

TEST_F(WindowMenusTest, TheWindowMenuListsTheRunningInstances)
{
    TScriptedMainForm form;
    TInstanceLink other(TInstanceLink::defaultRuntimeFolder(), QStringLiteral("window-menu-other"));
    other.setTitle(QStringLiteral("ZOP - /plans/other.zop"));
    TInstanceLink nameless(TInstanceLink::defaultRuntimeFolder(), QStringLiteral("window-menu-nameless"));
    nameless.setTitle(QStringLiteral("ZOP - "));
    TInstanceLink foreign(TInstanceLink::defaultRuntimeFolder(), QStringLiteral("window-menu-foreign"));
    foreign.setTitle(QStringLiteral("Some other program"));
    form.Open(document);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ZOP - ") + document);
    ASSERT_TRUE(userinput::WaitUntil([&] {
        for (const QString &caption : Captions(form.Fenster1))
            if (caption.endsWith(document))
                return true;
        return false;
    }));
    const QStringList captions = Captions(form.Fenster1);
    // Numbered from the newest, this window checked; titles that name no document are left out.
    ASSERT_EQ(captions.size(), form.InstanceMenu().WindowList().size());
    for (const QString &caption : captions) {
        EXPECT_FALSE(caption.endsWith(QStringLiteral(" ")));
        EXPECT_FALSE(caption.contains(QStringLiteral("Some other program")));
    }
    int own = 0;
    for (const QAction *item : form.Fenster1->actions())
        if (item->isChecked()) {
            ++own;
            EXPECT_TRUE(item->text().endsWith(document));
        }
    EXPECT_EQ(own, 1);
    const QList<TInstanceMenu::TEntry> &list = form.InstanceMenu().WindowList();
    for (int i = 0; i < list.size(); ++i)
        EXPECT_EQ(captions[list.size() - 1 - i], QStringLiteral("%1 %2").arg(list.size() - i).arg(list[i].FileName));

    // Choosing the other instance asks it to come to the front.
    QSignalSpy asked(&other, &TInstanceLink::bringToFrontRequested);
    for (QAction *item : form.Fenster1->actions())
        if (item->text().endsWith(QStringLiteral("/plans/other.zop")))
            item->trigger();
    EXPECT_TRUE(userinput::WaitUntil([&] { return asked.count() == 1; }));
    EXPECT_EQ(TInstanceMenu::FileOfTitle(QStringLiteral("ZOP - ")), QString());
    EXPECT_EQ(TInstanceMenu::FileOfTitle(QStringLiteral("ZOP - a")), QStringLiteral("a"));
}

TEST(SyncStatusTextTest, TheStateOfTheSharedFolderInOrder)
{
    TSyncStatus status;
    EXPECT_EQ(SyncStatusText(status), QString());
    status.Named = true;
    status.Generation = QStringLiteral("12");
    EXPECT_EQ(SyncStatusText(status), QStringLiteral("  [version 12]  online"));
    status.Locked = true;
    status.Conflicts = 2;
    status.Pending = 5;
    status.Online = false;
    EXPECT_EQ(SyncStatusText(status), QStringLiteral(" *LOCKED* (2 CONFLICTS) (5 PENDING)  [version 12]  Warning: OFFLINE"));
    status.Named = false;
    EXPECT_EQ(SyncStatusText(status), QStringLiteral(" *LOCKED* (2 CONFLICTS) (5 PENDING)  Warning: OFFLINE"));
}

TEST_F(WindowMenusTest, TheStatusBarShowsPendingEventsAndTheGeneration)
{
    TScriptedMainForm form;
    form.Open(document);
    form.ActionAddNodeExecute();
    const TSyncStatus status = form.Caption().CurrentStatus();
    EXPECT_TRUE(status.Named);
    EXPECT_EQ(status.Generation, QStringLiteral("0"));
    EXPECT_GE(status.Pending, 1);
    EXPECT_FALSE(status.Locked);
    form.Caption().UpdateCaption();
    const QLabel *panel = form.findChild<QLabel *>(QStringLiteral("StatusPanel3"));
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->text().contains(QStringLiteral("PENDING)  [version 0]  online"))) << panel->text().toStdString();
}

} // namespace
