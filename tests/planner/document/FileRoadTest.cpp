// The roads of opening and saving through the working folder.

#include "planner/CoreTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

#include "sync/DirWatchThread.h"
#include "window/FormMain.h"
#include "sync/PreparedFile.h"
#include "common/TestSupport.h"
#include "AtomicFile.h"
#include "SystemInfo.h"
#include "planner/UserInput.h"

namespace {

class FileRoadTest : public CoreTest
{
protected:
    QString Path(const QString &name) const { return dir.filePath(name); }

    // The numbers of the document's generation folders, ascending.
    QVector<int> Generations(const QString &document) const
    {
        const QString folder = QFileInfo(document).absolutePath() + QStringLiteral("/.zop/")
                               + QFileInfo(document).fileName();
        QVector<int> numbers;
        for (const QString &name : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool ok = false;
            const int n = name.toInt(&ok);
            if (ok)
                numbers.append(n);
        }
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }

    // Every file of the recycle bin, by content.
    static QList<QByteArray> TrashContents()
    {
        QList<QByteArray> out;
        const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                              + QStringLiteral("/Trash/files");
        QDirIterator it(trash, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            out.append(testsupport::readFile(it.next()));
        return out;
    }

    QString Comment(TWhichTable table = tbTable) const
    {
        QString text;
        core->ForEach(table, feAll, [&](TNodeData *node) { text += core->GetData_(node, cnTextCenterMiddle); });
        return text;
    }

    // The one message of a save of the document that `failingSave` makes fail (answered with
    // OK): the document, its generations and its folder stay as they were, the edits unsaved;
    // then the same save goes through without a word.
    QString SaveThatFails(const QString &document, const std::function<bool()> &failingSave)
    {
        const QByteArray saved = testsupport::readFile(document);
        const QVector<int> generations = Generations(document);
        window.questions.clear();
        window.answers = {mrOk};
        EXPECT_FALSE(failingSave());
        EXPECT_EQ(window.questions.size(), 1);
        const QString question = window.questions.value(0);
        EXPECT_EQ(testsupport::readFile(document), saved);
        EXPECT_EQ(Generations(document), generations); // the working folder was not touched
        EXPECT_TRUE(sync->DirWatchThread()->Changed());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(document).fileName()});

        window.questions.clear();
        EXPECT_TRUE(documentFile->Save(document));
        EXPECT_TRUE(window.questions.isEmpty());
        return question;
    }

    QTemporaryDir dir;
};

TEST_F(FileRoadTest, SavingMakesGenerationsWithIdenticalCopies)
{
    const QString document = Path(QStringLiteral("plan.zop"));
    core->SetData_(AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2")),
                   cnTextCenterMiddle, QStringLiteral("first"));
    ASSERT_TRUE(documentFile->Save(document));
    EXPECT_TRUE(window.questions.isEmpty());
    TDirWatchThread *journal = sync->DirWatchThread();
    EXPECT_EQ(journal->Filename(), document);
    EXPECT_FALSE(journal->Changed());
    // The lock copy closed generation 0; generation 1 holds the working copy.
    EXPECT_EQ(Generations(document), (QVector<int>{0, 1}));
    EXPECT_TRUE(QFileInfo::exists(journal->GetLockedFileName(QStringLiteral("0"))));
    EXPECT_EQ(journal->WorkingDir(), QStringLiteral("1"));
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(journal->GetWorkingFileName(), document));
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(journal->GetLockedFileName(QStringLiteral("0")), document));
    const QByteArray first = testsupport::readFile(document);
    EXPECT_FALSE(first.startsWith("<?xml")); // compressed unless asked otherwise

    core->SetData_(AddTask(QStringLiteral("Position 2"), QStringLiteral("03.03.2026"), QStringLiteral("1")),
                   cnTextCenterMiddle, QStringLiteral("second"));
    ASSERT_TRUE(documentFile->Save(document));
    EXPECT_EQ(Generations(document), (QVector<int>{0, 1, 2}));
    EXPECT_TRUE(QFileInfo::exists(sync->DirWatchThread()->GetLockedFileName(QStringLiteral("1"))));
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), document));
    EXPECT_NE(testsupport::readFile(document), first);
    // The replaced version is in the recycle bin, and no temporary file stayed behind.
    EXPECT_TRUE(TrashContents().contains(first));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral(".zop"), QStringLiteral("plan.zop")}));

    // Opening the saved document asks nothing and starts no generation.
    core->ActionNewExecute();
    documentFile->Open(document);
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(Comment(), QStringLiteral("firstsecond"));
    EXPECT_EQ(Generations(document), (QVector<int>{0, 1, 2}));
    EXPECT_FALSE(sync->DirWatchThread()->HasUnwrittenEvents());
}

TEST_F(FileRoadTest, TheWorkingCopyQuestionAndItsThreeAnswers)
{
    const QString document = Path(QStringLiteral("plan.zop"));
    core->SetData_(AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2")),
                   cnTextCenterMiddle, QStringLiteral("document"));
    ASSERT_TRUE(documentFile->Save(document));
    const QString question = QStringLiteral("The file does not match the working copy.\nOpen the latest Working copy instead?");

    // Another state lands in the newest working copy, as a crash between the writes of a
    // save would leave it.
    auto divergeWorkingCopy = [&](const QString &text) {
        core->ForEach(tbTable, feAll, [&](TNodeData *node) { core->SetData_(node, cnTextCenterMiddle, text); });
        ASSERT_TRUE(documentFile->SaveTo(sync->DirWatchThread()->GetWorkingFileName()));
        ASSERT_FALSE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), document));
        // The crash took the edits' unwritten events along.
        sync->DirWatchThread()->DropUnwrittenEvents();
        core->ActionNewExecute();
    };

    // Cancel: an empty document, and the opening reports the file as not loaded.
    divergeWorkingCopy(QStringLiteral("working"));
    const QVector<int> before = Generations(document);
    window.answers = {mrCancel, mrOk};
    EXPECT_THROW(documentFile->Open(document), EPlannerError);
    ASSERT_EQ(window.questions.size(), 2);
    EXPECT_EQ(window.questions[0], question);
    EXPECT_EQ(Count(tbTable, feAll), 0);
    EXPECT_EQ(Generations(document), before);

    // Yes: the working copy's state, saved at once as the document and a new generation.
    window.questions.clear();
    window.answers = {mrYes};
    documentFile->Open(document);
    EXPECT_EQ(window.questions, QStringList{question});
    EXPECT_EQ(Comment(), QStringLiteral("working"));
    EXPECT_EQ(Generations(document).size(), before.size() + 1);
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), document));
    EXPECT_FALSE(sync->DirWatchThread()->Changed());

    // No: the file's state, saved the same way.
    divergeWorkingCopy(QStringLiteral("other"));
    window.questions.clear();
    window.answers = {mrNo};
    documentFile->Open(document);
    EXPECT_EQ(window.questions, QStringList{question});
    EXPECT_EQ(Comment(), QStringLiteral("working"));
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), document));

    // Now they agree: no question.
    window.questions.clear();
    core->ActionNewExecute();
    documentFile->Open(document);
    EXPECT_TRUE(window.questions.isEmpty());
}

TEST_F(FileRoadTest, ASaveThatDiedHalfWayIsUndoneAtTheNextOpening)
{
    const QString document = Path(QStringLiteral("plan.zop"));
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    core->SetData_(task, cnTextCenterMiddle, QStringLiteral("before"));
    const QString id = task->ID.Value();
    ASSERT_TRUE(documentFile->Save(document));
    // The next save claimed its generation, wrote its lock copy, then the program died: its
    // unwritten edit was never shared.
    core->SetData_(task, cnTextCenterMiddle, QStringLiteral("after"));
    TDirWatchThread *journal = sync->DirWatchThread();
    const QString tmp = journal->GetTmpDirectory();
    ASSERT_TRUE(documentFile->SaveTo(journal->GetLockedFileName()));
    ASSERT_TRUE(QDir().mkpath(tmp + QStringLiteral("2")));
    // Leftovers of killed writes.
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral(".plan.zop.previous-abc123"))));
    ASSERT_TRUE(testsupport::writeFile(tmp + QStringLiteral("1/.plan.zop.abc123.tmp"), "half"));
    {
        QFile old(tmp + QStringLiteral("1/.plan.zop.abc123.tmp"));
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        old.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime);
    }
    sync->DirWatchThread()->DropUnwrittenEvents();
    core->ActionNewExecute();

    // The document is what the last finished save wrote: it opens without a question, and
    // once the save is taken for dead the generation opens again.
    TDocumentSync::SetStuckSaveGrace(0);
    documentFile->Open(document);
    EXPECT_TRUE(window.questions.isEmpty()) << window.questions.join("|").toStdString();
    EXPECT_EQ(Comment(), QStringLiteral("before"));
    EXPECT_EQ(sync->DirWatchThread()->WorkingDir(), QStringLiteral("1"));
    sync->UpdatePending();
    TDocumentSync::SetStuckSaveGrace(30000);
    EXPECT_FALSE(sync->DirWatchThread()->isLocked());
    EXPECT_FALSE(QFileInfo::exists(tmp + QStringLiteral("2")));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral(".plan.zop.previous-abc123"))));
    EXPECT_FALSE(QFileInfo::exists(tmp + QStringLiteral("1/.plan.zop.abc123.tmp")));
    // The next save goes on from there.
    ASSERT_NE(core->FindNode(id), nullptr);
    core->SetData_(core->FindNode(id), cnTextCenterMiddle, QStringLiteral("again"));
    ASSERT_TRUE(documentFile->Save(document));
    EXPECT_EQ(sync->DirWatchThread()->WorkingDir(), QStringLiteral("2"));
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), document));
}

TEST_F(FileRoadTest, ADamagedWorkingCopyOpensTheDocumentFile)
{
    const QString document = Path(QStringLiteral("plan.zop"));
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    core->SetData_(task, cnTextCenterMiddle, QStringLiteral("in the file"));
    ASSERT_TRUE(documentFile->Save(document));
    const QString working = sync->DirWatchThread()->GetWorkingFileName();
    ASSERT_TRUE(testsupport::writeFile(working, "zip\0broken"));
    core->ActionNewExecute();

    // A working copy that cannot be read is not offered.
    documentFile->Open(document);
    EXPECT_TRUE(window.questions.isEmpty()) << window.questions.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Comment(), QStringLiteral("in the file"));
    // Saved at once: the new generation agrees with the document.
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), document));
    EXPECT_EQ(sync->DirWatchThread()->WorkingDir(), QStringLiteral("2"));
}

TEST_F(FileRoadTest, PlainStaysPlainAndTheHistoryIsTrimmed)
{
    const QString document = Path(QStringLiteral("plain.zop"));
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    core->FSaveFileCompressed = false;
    core->FMaxHistoryFiles = 3; // raised to the minimum of 10
    ASSERT_TRUE(documentFile->Save(document));
    EXPECT_EQ(core->FMaxHistoryFiles, 10);
    core->ActionNewExecute();
    core->FSaveFileCompressed = true;
    documentFile->Open(document);
    EXPECT_FALSE(core->FSaveFileCompressed);
    EXPECT_EQ(core->FMaxHistoryFiles, 3); // as the file holds it; every save raises it again
    for (int i = 0; i < 11; ++i)
        ASSERT_TRUE(documentFile->Save(document));
    EXPECT_TRUE(testsupport::readFile(document).startsWith("<?xml"));
    // Thirteen generations were made (0 to 12); the ten newest stay.
    EXPECT_EQ(Generations(document), (QVector<int>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(FileRoadTest, AFailedSaveIsVisibleAndKeepsTheOldDocument)
{
    const QString document = Path(QStringLiteral("full.zop"));
    core->FSaveFileCompressed = false;
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    ASSERT_TRUE(documentFile->Save(document));
    const qint64 size = QFileInfo(document).size();
    for (int i = 0; i < 50; ++i)
        AddTask(QStringLiteral("Position 2"), QStringLiteral("03.03.2026"), QStringLiteral("1"));
    ASSERT_TRUE(sync->DirWatchThread()->Changed());

    // A disk that takes no more than the old document's size.
    const QString question = SaveThatFails(document, [&] {
        rlimit previous{};
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = previous;
        tight.rlim_cur = rlim_t(size + 64);
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool result = documentFile->Save(document);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, oldHandler);
        return result;
    });
    EXPECT_TRUE(question.startsWith(QStringLiteral("File could not be saved, the file is too large for the disk of the "
                                                   "folder \"%1\".\nPlease save the document on another disk.\n\nCannot write \"")
                                        .arg(dir.path())))
        << question.toStdString();
    EXPECT_TRUE(question.endsWith(QStringLiteral("File too large"))) << question.toStdString();
    EXPECT_EQ(Count(tbTable, feAll), 51);
}

TEST_F(FileRoadTest, AUsedUpQuotaIsToldAsSuchAndNothingIsWritten)
{
    const QString document = Path(QStringLiteral("quota.zop"));
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    ASSERT_TRUE(documentFile->Save(document));
    AddTask(QStringLiteral("Position 2"), QStringLiteral("03.03.2026"), QStringLiteral("1"));

    // The quota runs out while the document is written.
    const QString question = SaveThatFails(document, [&] {
        platform::setWriteFault([&](const QString &file) { return file == document ? EDQUOT : 0; });
        const bool result = documentFile->Save(document);
        platform::setWriteFault({});
        return result;
    });
    EXPECT_TRUE(question.startsWith(QStringLiteral("File could not be saved, the disk quota of the user %1 is used up "
                                                   "in the folder \"%2\".\nPlease make room within your quota, then "
                                                   "save again.")
                                        .arg(platform::loginName(), dir.path())))
        << question.toStdString();
    EXPECT_TRUE(question.endsWith(platform::systemErrorText(EDQUOT))) << question.toStdString();
    EXPECT_EQ(Count(tbTable, feAll), 2);
}

TEST_F(FileRoadTest, AWriteProtectedDocumentSaysSoInTheStatusBarWhenOpened)
{
    const QString document = Path(QStringLiteral("kept.zop"));
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    ASSERT_TRUE(documentFile->Save(document));
    EXPECT_TRUE(window.notice.isEmpty());
    ASSERT_TRUE(QFile::setPermissions(document, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ASSERT_TRUE(documentFile->Load(document));
    EXPECT_EQ(window.notice, QStringLiteral("kept.zop is write-protected: changes can be saved only under another name"));
    // Saved under another name, the line goes.
    documentFile->OnChooseSaveFileName = [&](const QString &) { return Path(QStringLiteral("copy.zop")); };
    window.answers = {mrYes};
    EXPECT_TRUE(documentFile->Save(document));
    EXPECT_TRUE(window.notice.isEmpty());
    ASSERT_TRUE(documentFile->Load(document));
    EXPECT_FALSE(window.notice.isEmpty());
    documentFile->Load(Path(QStringLiteral("copy.zop")));
    EXPECT_TRUE(window.notice.isEmpty());
}

TEST_F(FileRoadTest, SaveAsIntoAPlaceThatCannotTakeIt)
{
    const QString document = Path(QStringLiteral("here.zop"));
    ASSERT_TRUE(documentFile->Save(document));
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    // A folder that cannot exist: its parent is a file.
    testsupport::writeFile(Path(QStringLiteral("blocker")), "x");
    documentFile->OnChooseSaveFileName = [&](const QString &) { return Path(QStringLiteral("blocker/there.zop")); };
    window.answers = {mrOk};
    EXPECT_FALSE(documentFile->ActionSaveAsExecute());
    EXPECT_EQ(window.questions.size(), 1);
    EXPECT_EQ(sync->DirWatchThread()->Filename(), document); // still the old name
    EXPECT_TRUE(sync->DirWatchThread()->Changed());

    if (geteuid() != 0) {
        const QString locked = Path(QStringLiteral("locked"));
        QDir().mkpath(locked);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        documentFile->OnChooseSaveFileName = [&](const QString &) { return locked + QStringLiteral("/there.zop"); };
        window.answers = {mrOk};
        EXPECT_FALSE(documentFile->ActionSaveAsExecute());
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(QFileInfo::exists(locked + QStringLiteral("/.zop")));
    }
}

TEST_F(FileRoadTest, SaveAsAndTheUnnamedDocument)
{
    const QStringList cwdBefore = QDir::current().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    // Without a dialog, or cancelled: nothing saved, nothing written anywhere.
    EXPECT_FALSE(documentFile->Save());
    documentFile->OnChooseSaveFileName = [](const QString &proposed) {
        EXPECT_EQ(proposed, QStringLiteral("New Table.zop"));
        return QString();
    };
    EXPECT_FALSE(documentFile->ActionSaveExecute());
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_TRUE(sync->DirWatchThread()->Filename().isEmpty());
    EXPECT_EQ(QDir::current().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), cwdBefore);

    // A name without the extension gets it: only ".zop" files open again.
    documentFile->OnChooseSaveFileName = [&](const QString &) { return Path(QStringLiteral("plan")); };
    EXPECT_TRUE(documentFile->ActionSaveExecute());
    const QString document = Path(QStringLiteral("plan.zop"));
    EXPECT_EQ(sync->DirWatchThread()->Filename(), document);
    EXPECT_TRUE(QFileInfo::exists(document));
    const QByteArray saved = testsupport::readFile(document);

    // An existing file is overwritten only after OK.
    core->ActionNewExecute();
    documentFile->OnChooseSaveFileName = [&](const QString &) { return document; };
    window.answers = {mrCancel};
    EXPECT_FALSE(documentFile->ActionSaveAsExecute());
    EXPECT_EQ(window.questions, QStringList{QStringLiteral("File %1 already exists.\nOverwrite this file?").arg(document)});
    EXPECT_EQ(testsupport::readFile(document), saved);
    window.answers = {mrOk};
    EXPECT_TRUE(documentFile->ActionSaveAsExecute());
    EXPECT_NE(testsupport::readFile(document), saved);
}

TEST_F(FileRoadTest, OpeningWithUnsavedChangesStopsWhenTheSaveDoesNot)
{
    const QString other = Path(QStringLiteral("other.zop"));
    ASSERT_TRUE(documentFile->SaveTo(other));
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    core->SetData_(task, cnTextCenterMiddle, QStringLiteral("unsaved"));
    ASSERT_TRUE(sync->DirWatchThread()->HasUnwrittenEvents());

    // Yes, and the save dialog is cancelled: the opening stops, nothing is dropped.
    documentFile->OnChooseSaveFileName = [](const QString &) { return QString(); };
    window.answers = {mrYes};
    documentFile->Open(other);
    EXPECT_EQ(window.questions, QStringList{QStringLiteral("Do you want to save changes?")});
    EXPECT_EQ(Comment(), QStringLiteral("unsaved"));

    // Yes, and the save goes through: then the other document opens.
    const QString mine = Path(QStringLiteral("mine.zop"));
    documentFile->OnChooseSaveFileName = [&](const QString &) { return mine; };
    window.questions.clear();
    window.answers = {mrYes};
    documentFile->Open(other);
    EXPECT_EQ(window.questions.size(), 1);
    EXPECT_EQ(Comment(), QString());
    EXPECT_EQ(sync->DirWatchThread()->Filename(), other);
    core->ActionNewExecute();
    documentFile->Open(mine);
    EXPECT_EQ(Comment(), QStringLiteral("unsaved"));
}

TEST_F(FileRoadTest, EveryFailedSaveOrOpenNamesItsTrueReason)
{
    testsupport::TSmallFileSystem disk(2 * 1024 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString folder = disk.Path();
    const QString here = Path(QStringLiteral("here.zop"));
    AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    ASSERT_TRUE(documentFile->Save(here));
    // Every byte of the disk taken, to the last page.
    const auto fillUp = [&] {
        ASSERT_TRUE(disk.FillUp(0));
        QFile rest(folder + QStringLiteral("/.rest"));
        ASSERT_TRUE(rest.open(QIODevice::WriteOnly));
        while (rest.write(QByteArray(512, 'r')) == 512 && rest.flush()) {
        }
    };
    const auto release = [&] {
        disk.Release();
        QFile::remove(folder + QStringLiteral("/.rest"));
    };
    const QString user = platform::loginName();
    struct TCase
    {
        const char *name;
        QString target;
        std::function<void()> before;
        std::function<void()> after;
        QString reason;
        QString advice;
    };
    const std::vector<TCase> cases{
        {"read-only disk", folder + QStringLiteral("/plan.zop"), [&] { ASSERT_TRUE(disk.SetReadOnly(true)); },
         [&] { ASSERT_TRUE(disk.SetReadOnly(false)); },
         QStringLiteral("the disk of the folder \"%1\" is read-only").arg(folder),
         QStringLiteral("Please save the document on another disk.")},
        {"full disk", folder + QStringLiteral("/plan.zop"), fillUp, release,
         QStringLiteral("the disk of the folder \"%1\" is full").arg(folder),
         QStringLiteral("Please make room on the disk, then save again.")},
        {"used-up quota", folder + QStringLiteral("/plan.zop"),
         [&] { platform::setWriteFault([&](const QString &file) { return file.startsWith(folder) ? EDQUOT : 0; }); },
         [] { platform::setWriteFault({}); },
         QStringLiteral("the disk quota of the user %2 is used up in the folder \"%1\"").arg(folder, user),
         QStringLiteral("Please make room within your quota, then save again.")},
        {"file in place of the folder", folder + QStringLiteral("/blocker/plan.zop"),
         [&] { ASSERT_TRUE(testsupport::writeFile(folder + QStringLiteral("/blocker"), "x")); },
         [&] { QFile::remove(folder + QStringLiteral("/blocker")); },
         QStringLiteral("\"%1/blocker\" is a file, not a folder").arg(folder),
         QStringLiteral("Please save the document in another folder.")},
    };
    // The save road: Save As onto the disk.
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        documentFile->OnChooseSaveFileName = [&](const QString &) { return c.target; };
        window.questions.clear();
        window.answers = {mrOk};
        EXPECT_FALSE(documentFile->ActionSaveAsExecute());
        c.after();
        ASSERT_EQ(window.questions.size(), 1);
        EXPECT_TRUE(window.questions[0].startsWith(
            QStringLiteral("File could not be saved, %1.\n%2\n\n").arg(c.reason, c.advice)))
            << window.questions[0].toStdString();
        EXPECT_EQ(sync->DirWatchThread()->Filename(), here);
    }

    // The road of opening: a document on the disk, then the disk runs full; the first edit
    // cannot be journalled, and the reason is the disk, not a lock file.
    documentFile->OnChooseSaveFileName = {};
    const QString onDisk = folder + QStringLiteral("/plan.zop");
    ASSERT_TRUE(documentFile->Save(onDisk));
    core->ActionNewExecute();
    fillUp();
    window.questions.clear();
    window.answers = {mrOk};
    documentFile->Open(onDisk);
    AddTask(QStringLiteral("Position 2"), QStringLiteral("03.03.2026"), QStringLiteral("1"));
    EXPECT_TRUE(userinput::IdleUntil([&] {
        sync->UpdatePending();
        return window.questions.size() == 1;
    })) << window.notice.toStdString();
    release();
    const QString problem = QStringLiteral("the disk of the folder \"%1/.zop/plan.zop\" is full").arg(folder);
    EXPECT_EQ(window.questions.value(0),
              QStringLiteral("Changes made here are not shared with other users:\n") + problem);
    EXPECT_TRUE(window.notice.endsWith(problem)) << window.notice.toStdString();
}

TEST_F(FileRoadTest, ADocumentReachedThroughALinkIsTheFileItNames)
{
    // Named as the system names it: the temporary folder's own path may pass links.
    const QDir root(QFileInfo(dir.path()).canonicalFilePath());
    ASSERT_TRUE(root.mkpath(QStringLiteral("real")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("doc")));
    const QString real = root.filePath(QStringLiteral("real/plan.zop"));
    const QString link = root.filePath(QStringLiteral("doc/plan.zop"));
    TNodeData *task = AddTask(QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
    core->SetData_(task, cnTextCenterMiddle, QStringLiteral("first"));
    const QString id = task->ID.Value();
    ASSERT_TRUE(documentFile->Save(real));
    ASSERT_EQ(::symlink("../real/plan.zop", QFile::encodeName(link).constData()), 0);
    core->ActionNewExecute();

    // Opened through the link, it is the real file's document: its journal lies beside it.
    documentFile->Open(link);
    EXPECT_TRUE(window.questions.isEmpty()) << window.questions.join("|").toStdString();
    EXPECT_EQ(sync->DirWatchThread()->Filename(), real);
    EXPECT_EQ(Comment(), QStringLiteral("first"));
    core->SetData_(core->FindNode(id), cnTextCenterMiddle, QStringLiteral("second"));
    ASSERT_TRUE(sync->ForceStorePending());
    EXPECT_TRUE(sync->DirWatchThread()->DiffFile().startsWith(root.filePath(QStringLiteral("real/.zop/plan.zop/"))))
        << sync->DirWatchThread()->DiffFile().toStdString();

    // Saved under the link's name too: the file it names gets the edit, the link stays.
    const QByteArray before = testsupport::readFile(real);
    ASSERT_TRUE(documentFile->Save(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFile::symLinkTarget(link), real);
    EXPECT_EQ(sync->DirWatchThread()->Filename(), real);
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), real));
    TOtherDocument reader;
    ASSERT_TRUE(reader.file->LoadFrom(real));
    EXPECT_EQ(reader.core.GetData_(reader.core.FindNode(id), cnTextCenterMiddle), QStringLiteral("second"));
    EXPECT_EQ(root.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("doc"), QStringLiteral("real")}));
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("doc"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System),
              QStringList{QStringLiteral("plan.zop")});
    // The previous version went to the recycle bin, not the link.
    EXPECT_TRUE(TrashContents().contains(before));
}

TEST(PreparedFileTest, UncommittedFilesLeaveNothingBehind)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.zop"));
    testsupport::writeFile(target, "old");
    {
        TPreparedFile file(target);
        ASSERT_TRUE(file.Prepare("new"));
        EXPECT_EQ(testsupport::readFile(target), "old");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.zop")});
    EXPECT_EQ(testsupport::readFile(target), "old");

    // The trash function sees the previous version while the new one already stands.
    TPreparedFile file(target);
    ASSERT_TRUE(file.Prepare("new"));
    QByteArray seen;
    QByteArray standing;
    ASSERT_TRUE(file.Commit([&](const QString &previous) {
        seen = testsupport::readFile(previous);
        standing = testsupport::readFile(target);
        return false; // a recycle bin that fails loses nothing that is still needed
    }));
    EXPECT_EQ(seen, "old");
    EXPECT_EQ(standing, "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("a.zop")});
    // A folder in the way is refused before anything is written.
    TPreparedFile blocked(dir.path());
    EXPECT_FALSE(blocked.Prepare("x"));
    EXPECT_FALSE(blocked.ErrorString().isEmpty());
}

} // namespace

namespace {

TEST(FileRoadWindowTest, SaveCommandsAndTheCompressedOption)
{
    QTemporaryDir dir;
    auto form = std::make_unique<TScriptedMainForm>();
    const QString document = dir.filePath(QStringLiteral("window.zop"));
    form->File().OnChooseSaveFileName = [&](const QString &) { return document; };
    form->Dateikomprimiertspeichern1->setChecked(false);
    EXPECT_FALSE(form->Core().FSaveFileCompressed);
    form->ActionAddNode->trigger();
    form->ActionSave->trigger(); // no name yet: Save As
    EXPECT_TRUE(form->questions.isEmpty());
    EXPECT_TRUE(testsupport::readFile(document).startsWith("<?xml"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP - ") + document);

    form->ActionNew->trigger();
    EXPECT_TRUE(form->Dateikomprimiertspeichern1->isChecked());
    EXPECT_TRUE(form->Core().FSaveFileCompressed);
    form->Open(document);
    EXPECT_FALSE(form->Dateikomprimiertspeichern1->isChecked()); // the file was plain
    EXPECT_EQ(form->Core().GetTableRowCount(tbTable), 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP - ") + document);

    // Save As to an existing file asks first.
    const QString other = dir.filePath(QStringLiteral("other.zop"));
    testsupport::writeFile(other, "keep");
    form->File().OnChooseSaveFileName = [&](const QString &) { return other; };
    form->answers = {mrCancel};
    form->ActionSaveAs->trigger();
    EXPECT_EQ(form->questions.size(), 1);
    EXPECT_EQ(testsupport::readFile(other), "keep");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP - ") + document);
}

TEST(FileRoadWindowTest, SaveOfAWriteProtectedDocumentOffersSaveAs)
{
    QTemporaryDir dir;
    auto form = std::make_unique<TScriptedMainForm>();
    const QString document = dir.filePath(QStringLiteral("protected.zop"));
    const QString other = dir.filePath(QStringLiteral("other.zop"));
    form->File().OnChooseSaveFileName = [&](const QString &) { return document; };
    form->ActionAddNode->trigger();
    form->ActionSave->trigger();
    ASSERT_TRUE(QFileInfo::exists(document));
    const QByteArray saved = testsupport::readFile(document);
    // Protected by its user; root, who runs the tests, is refused as well.
    ASSERT_TRUE(QFile::setPermissions(document, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    form->ActionAddNode->trigger();

    // No: nothing is written, the document stays as it is.
    form->answers = {mrNo};
    form->ActionSave->trigger();
    EXPECT_EQ(form->questions.value(0),
              document + QStringLiteral(" is write-protected.\nDo you want to save the document under another name?"));
    EXPECT_EQ(testsupport::readFile(document), saved);
    EXPECT_TRUE(form->Sync().DirWatchThread()->Changed()); // still something to save

    // Yes: Save As, and the window names the new file.
    form->File().OnChooseSaveFileName = [&](const QString &) { return other; };
    form->answers = {mrYes};
    form->ActionSave->trigger();
    EXPECT_EQ(form->questions.size(), 2);
    EXPECT_EQ(testsupport::readFile(document), saved);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP - ") + other);
    TOtherDocument reader;
    ASSERT_TRUE(reader.file->LoadFrom(other));
    EXPECT_EQ(reader.core.GetTableRowCount(tbTable), 2);
}

} // namespace
