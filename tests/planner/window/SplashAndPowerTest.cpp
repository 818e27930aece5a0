// The splash window at start, and the scan stopping while the computer sleeps.

#include "planner/CoreTestSupport.h"
#include "planner/window/WindowTestSupport.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include "Version.h"
#include "dialogs/SplashForm.h"
#include "sync/DirWatchThread.h"
#include "window/PowerWatch.h"

namespace {

TEST(SplashTest, ShowsTheVersionAndHidesItselfAfterTwoSeconds)
{
    TSplashForm splash;
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash.LabelStatus->text(), QStringLiteral("ZOP wird initialisiert..."));
    EXPECT_EQ(splash.LabelMultiuser->text(), QStringLiteral("Multiuser"));
    EXPECT_EQ(splash.LabelVersion->text(), QStringLiteral("Version ") + platform::versionString());
    // The shape behind the version is 5 pixels wider than it and lies inside the window.
    EXPECT_EQ(splash.ShapeRect().width(), splash.LabelVersion->width() + 5);
    EXPECT_TRUE(splash.rect().contains(splash.ShapeRect()));
    EXPECT_TRUE(splash.ShapeRect().contains(splash.LabelVersion->geometry().adjusted(0, 0, -1, 0)));

    // Centred over the main window.
    TScriptedMainForm form;
    form.setGeometry(100, 80, 800, 600);
    form.show();
    splash.CenterOn(&form);
    EXPECT_LE((splash.frameGeometry().center() - form.frameGeometry().center()).manhattanLength(), 2);

    splash.show();
    EXPECT_EQ(splash.Timer1->interval(), 2000);
    EXPECT_FALSE(splash.Timer1->isActive());
    splash.Timer1->setInterval(10); // the test need not wait two seconds
    splash.StartTimer();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splash.isVisible(); }, 2000));

    // The picture is drawn: the window is not one colour.
    const QImage picture = splash.grab().toImage();
    EXPECT_NE(picture.pixel(5, 5), picture.pixel(splash.width() / 2, splash.height() / 2));
}

TEST(PowerTest, SleepStopsTheScanAndWakingStartsItAgain)
{
    QTemporaryDir dir;
    const QString document = windowtest::WriteEmptyDocument(dir.filePath(QStringLiteral("plan.zop")));
    ASSERT_FALSE(document.isEmpty());
    TScriptedMainForm form;
    form.Open(document);
    TPlannerCore &core = form.Core();
    const QString presence = form.Sync().DirWatchThread()->GetUserFileName();
    // The idle step runs the scans, which keep the presence file.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(presence); }, 5000));

    form.PowerWatch().PrepareForSleep(true);
    EXPECT_TRUE(form.PowerWatch().Sleeping());
    EXPECT_FALSE(form.Sync().ScanRunning());
    EXPECT_FALSE(core.IdleTimer().isActive());
    QFile::remove(presence);
    // Asleep, no scan touches the shared folder.
    QTest::qWait(1100);
    EXPECT_FALSE(form.Sync().ScanRunning());
    EXPECT_FALSE(QFileInfo::exists(presence));

    form.PowerWatch().PrepareForSleep(false);
    EXPECT_FALSE(form.PowerWatch().Sleeping());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(presence); }, 5000));
}

} // namespace
