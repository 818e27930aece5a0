// What the main window tells after a command: a saved document is on the recent-files list
// (and still there at the next start), an exported workbook that no program opens is found
// where the message says, and after printing the status bar shows the table's counts again.

#include "planner/window/WindowTestSupport.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>

#include "DialogPrintPreview.h"
#include "common/TestSupport.h"
#include "dialogs/PrintListDialog.h"
#include "editor/PropertyEditor.h"
#include "planner/print/PrintTestSupport.h"
#include "window/RecentFiles.h"
#include "window/SettingsKeeper.h"

using namespace userinput;

namespace {

// Stands for the desktop's launcher, which reports success for every file it is handed, as
// xdg-open does whether or not a program then opens it.
class TLauncher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl &url) { opened.append(url); }
};

class WindowAnswersTest : public windowtest::MainWindowTest
{
protected:
    void BeforeShow() override { ASSERT_TRUE(dir.isValid()); }
    QMenu *FileMenu() { return form->menuBar()->findChild<QMenu *>(QStringLiteral("File1")); }
    static QString Canonical(const QString &path) { return QFileInfo(path).canonicalFilePath(); }

    QTemporaryDir dir;
};

} // namespace

// A new document saved with Save (which asks for a name) and with Save As goes on top of the
// recent files each time, a failed save adds nothing; the list is kept for the next start.
TEST_F(WindowAnswersTest, SavedDocumentsAreRecentFiles)
{
    const QString ini = dir.filePath(QStringLiteral("velmora.ini"));
    form->Settings().SetIniFileName(ini);
    QString chosen = dir.filePath(QStringLiteral("fresh.zop"));
    form->File().OnChooseSaveFileName = [&chosen](const QString &) { return chosen; };
    ClickMenuItem(*form, FileMenu(), form->ActionSave);
    const QString fresh = Canonical(chosen);
    EXPECT_TRUE(form->LastFiles1->isEnabled());
    chosen = dir.filePath(QStringLiteral("second.zop"));
    ClickMenuItem(*form, FileMenu(), form->ActionSaveAs);
    const QStringList both{Canonical(chosen), fresh};
    EXPECT_EQ(form->RecentFiles().Files(), both);
    // A file stands where the folder would be.
    ASSERT_TRUE(testsupport::writeFile(dir.filePath(QStringLiteral("blocker")), "x"));
    chosen = dir.filePath(QStringLiteral("blocker/third.zop"));
    ClickMenuItem(*form, FileMenu(), form->ActionSaveAs);
    EXPECT_EQ(form->RecentFiles().Files(), both);

    form->answers = {mrNo}; // the edits the failed save left are given up
    ClickMenuItem(*form, FileMenu(), form->ActionClose);
    TScriptedMainForm next;
    next.Settings().SetIniFileName(ini);
    next.LoadIni();
    EXPECT_EQ(next.RecentFiles().Files(), both);
}

// Excel Export hands the workbook to the desktop's program for workbooks; without one it says
// where the workbook was written, though the desktop's launcher would start.
TEST_F(WindowAnswersTest, AnExportIsShownByItsProgramOrSaysWhereItIs)
{
    const testsupport::TIsolatedDesktop desktop(dir.filePath(QStringLiteral("desktop")));
    TLauncher launcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &launcher, "Open");
    const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });
    const QString book = dir.filePath(QStringLiteral("plan export.xlsx"));
    form->OnChooseExportFile = [&book](const QString &) { return book; };
    ClickMenuItem(*form, FileMenu(), form->Exportieren1);
    EXPECT_TRUE(launcher.opened.isEmpty());
    EXPECT_EQ(form->questions,
              QStringList{QStringLiteral("The workbook was written to %1, but no program to show it was found.").arg(book)});

    // An entry whose program is not installed names none: the user is told again.
    ASSERT_TRUE(QDir().mkpath(desktop.ApplicationsFolder()));
    ASSERT_TRUE(testsupport::writeFile(desktop.ApplicationsFolder() + QStringLiteral("/gone.desktop"),
                                       "[Desktop Entry]\nTryExec=no-such-sheets-program\nExec=no-such-sheets-program %f\n"
                                       "MimeType=application/vnd.openxmlformats-officedocument.spreadsheetml.sheet;\n"));
    ClickMenuItem(*form, FileMenu(), form->Exportieren1);
    EXPECT_TRUE(launcher.opened.isEmpty());
    EXPECT_EQ(form->questions.size(), 2);

    ASSERT_TRUE(testsupport::writeFile(desktop.ApplicationsFolder() + QStringLiteral("/sheets.desktop"),
                                       "[Desktop Entry]\nExec=sheets %f\n"
                                       "MimeType=application/vnd.openxmlformats-officedocument.spreadsheetml.sheet;\n"));
    ClickMenuItem(*form, FileMenu(), form->Exportieren1);
    EXPECT_EQ(launcher.opened, QList<QUrl>{QUrl::fromLocalFile(book)});
    EXPECT_EQ(form->questions.size(), 2);
}

// Printed from the preview, the table's counts come back to the status bar at once.
TEST_F(WindowAnswersTest, AfterPrintingTheStatusBarShowsTheCounts)
{
    printtest::UsePdf(*form->PrintPreview().Printer(), dir.filePath(QStringLiteral("print.pdf")));
    AddTask(QStringLiteral("Position 1"), QStringLiteral("04.03.2026"), QStringLiteral("2"));
    auto *counts = form->statusBar()->findChild<QLabel *>(QStringLiteral("StatusPanel0"));
    ASSERT_TRUE(WaitUntil([&] { return counts->text() == QStringLiteral("Table total: 1"); }));
    TPrintListDialog *dialog = form->PrintListDialog();
    QStringList shown;
    QObject::connect(form->statusBar(), &QStatusBar::messageChanged, form.get(),
                     [&shown](const QString &message) { shown.append(message); });
    QString printed;
    WhenShown(form.get(), [dialog] { return static_cast<QWidget *>(dialog); }, [&](QWidget *) {
        WhenShown(form.get(), [this] { return static_cast<QWidget *>(form->PrintPreview().Form()); }, [&](QWidget *preview) {
            QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
            // The job is out: its last page is no longer told while the dialog closes.
            printed = form->statusBar()->currentMessage();
        });
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
    });
    form->ActionPrintUpdate();
    ClickMenuItem(*form, FileMenu(), form->ActionPrintList);
    EXPECT_EQ(shown, QStringList({QStringLiteral("Drucke Seite 1 von 1"), QString()}));
    EXPECT_TRUE(printed.isEmpty()) << printed.toStdString();
    EXPECT_TRUE(form->statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(counts->isVisible());
}

#include "WindowAnswersTest.moc"
