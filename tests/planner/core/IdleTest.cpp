// Idle processing: the idle timer, the storage error shown once per outage, and the main
// window's glue (group tabs, idle moments of the event loop, the actions after idle work).

#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTabBar>

#include "sync/DirWatchThread.h"
#include "window/FormMain.h"

namespace {

// Runs a real event loop, which waits (and so has idle moments) between its polls.
bool WaitFor(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    poll.start(20);
    loop.exec();
    return done();
}

} // namespace

TEST_F(CoreTest, IdleMomentsStartTheIdleTimer)
{
    EXPECT_FALSE(core->IdleTimer().isActive());
    EXPECT_EQ(core->IdleTimer().interval(), 100);
    EXPECT_EQ(core->BackupTimer().interval(), 600000);
    EXPECT_FALSE(core->BackupTimer().isActive());
    int processed = 0;
    core->OnIdleProcessed = [&] { ++processed; };
    core->ApplicationEvents1Idle();
    EXPECT_TRUE(core->IdleTimer().isActive());
    core->IdleTimerTimer();
    EXPECT_FALSE(core->IdleTimer().isActive());
    EXPECT_EQ(processed, 1);
}

TEST_F(CoreTest, StorageErrorOncePerOutage)
{
    bool reachable = false;
    core->OnFolderReachable = [&] { return reachable; };
    window.answers = {mrOk, mrOk};
    for (int i = 0; i < 3; ++i) {
        core->ApplicationEvents1Idle();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(window.questions, QStringList{"File storage error"});
    EXPECT_TRUE(core->FOfflineErrorSignalled);
    reachable = true;
    core->ApplicationEvents1Idle();
    EXPECT_FALSE(core->FOfflineErrorSignalled);
    reachable = false;
    core->ApplicationEvents1Idle();
    core->ApplicationEvents1Idle();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.questions.size(), 2);
    core->IdleTimer().stop();
}

TEST(MainFormIdleTest, GroupTabsAndIdleWorkFollowTheCore)
{
    auto *form = new TScriptedMainForm(mrOk);
    TPlannerCore &core = form->Core();
    ASSERT_NE(form->TabControl1, nullptr);
    EXPECT_EQ(form->TabControl1->objectName(), QStringLiteral("TabControl1"));
    EXPECT_EQ(form->TabControl1->count(), 1);
    core.AddPositionGroup("Second", QString());
    ASSERT_EQ(form->TabControl1->count(), 2);
    EXPECT_EQ(form->TabControl1->tabText(1), QStringLiteral("Second"));
    form->TabControl1->setCurrentIndex(1);
    EXPECT_EQ(core.GroupTabIndex(), 1);
    core.ResetPositionGroups();
    EXPECT_EQ(form->TabControl1->count(), 1);

    // The event loop's idle moments run the deferred work and set the actions.
    core.UpdateBounds(true);
    form->Sync().DirWatchThread()->SetChanged(true);
    EXPECT_TRUE(WaitFor([&] { return !core.DelayedUpdateBounds(); }));
    EXPECT_TRUE(WaitFor([&] { return form->ActionSave->isEnabled(); }));
    EXPECT_TRUE(form->ActionSaveAs->isEnabled());
    form->Sync().DirWatchThread()->SetChanged(false);
    EXPECT_TRUE(WaitFor([&] { return !form->ActionSave->isEnabled(); }));
    delete form;
    // No idle moment reaches the destroyed window.
    QCoreApplication::processEvents();
}
