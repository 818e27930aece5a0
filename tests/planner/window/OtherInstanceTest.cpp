#include "planner/CoreTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSignalSpy>

#include "window/FormMain.h"
#include "InstanceLink.h"
#include "common/TestSupport.h"

namespace {

bool WaitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(OtherInstanceTest, OpeningADocumentShownElsewhereActivatesThatInstance)
{
    const QString path = QDir(testsupport::testRoot()).filePath(QStringLiteral("Shared Plan.zop"));
    ASSERT_TRUE(testsupport::writeFile(path, "<document/>"));

    // Another instance shows the file under another spelling of its name.
    TInstanceLink other(TInstanceLink::defaultRuntimeFolder(), QStringLiteral("other-instance"));
    other.setTitle(QStringLiteral("ZOP - ") + path.toUpper());
    QSignalSpy asked(&other, &TInstanceLink::bringToFrontRequested);

    TScriptedMainForm form(mrOk);
    const QString titleBefore = form.windowTitle();
    form.Open(path);
    EXPECT_TRUE(WaitFor([&] { return asked.count() == 1; }));
    // Nothing else happened here: no question, still the new document.
    EXPECT_TRUE(form.questions.isEmpty());
    EXPECT_EQ(form.windowTitle(), titleBefore);

    // An instance whose title is only the prefix names no file and is never matched.
    other.setTitle(QStringLiteral("ZOP - "));
    form.Open(path);
    QCoreApplication::processEvents();
    EXPECT_EQ(asked.count(), 1);
    // This instance went on to open it itself.
    EXPECT_TRUE(!form.questions.isEmpty() || form.windowTitle() != titleBefore);
}
