#include "planner/CoreTestSupport.h"
#include "planner/window/WindowTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>

#include "window/FormMain.h"
#include "InstanceLink.h"
#include "common/TestSupport.h"

TEST(OtherInstanceTest, OpeningADocumentShownElsewhereActivatesThatInstance)
{
    const QString folder = QDir(testsupport::testRoot()).filePath(QStringLiteral("instances"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    const QString path = QDir(folder).filePath(QStringLiteral("Shared Plan.zop"));
    ASSERT_FALSE(windowtest::WriteEmptyDocument(path).isEmpty());

    // Another instance shows the file under another spelling of its name.
    TInstanceLink other(TInstanceLink::defaultRuntimeFolder(), QStringLiteral("other-instance"));
    other.setTitle(QStringLiteral("ZOP - ") + folder + QStringLiteral("/sub/../Shared Plan.zop"));
    QSignalSpy asked(&other, &TInstanceLink::bringToFrontRequested);

    TScriptedMainForm form(mrOk);
    const QString titleBefore = form.windowTitle();
    form.Open(path);
    EXPECT_TRUE(userinput::WaitUntil([&] { return asked.count() == 1; }));
    // Nothing else happened here: no question, still the new document.
    EXPECT_TRUE(form.questions.isEmpty());
    EXPECT_EQ(form.windowTitle(), titleBefore);

    // A name that differs in letter case is another file: this instance opens it itself.
    other.setTitle(QStringLiteral("ZOP - ") + path.toUpper());
    form.Open(path);
    QCoreApplication::processEvents();
    EXPECT_EQ(asked.count(), 1);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ZOP - ") + path);

    // An instance whose title is only the prefix names no file and is never matched.
    form.ActionNewExecute();
    other.setTitle(QStringLiteral("ZOP - "));
    form.Open(path);
    QCoreApplication::processEvents();
    EXPECT_EQ(asked.count(), 1);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ZOP - ") + path);
}
