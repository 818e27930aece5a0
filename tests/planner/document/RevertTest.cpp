// Going back to an earlier generation of a document.

#include "planner/CoreTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <stdexcept>

#include "document/DocumentRevert.h"
#include "sync/DirWatchThread.h"

namespace {

const QString RevertQuestion = QStringLiteral("Revert to last stored file?");

class RevertTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        document = dir.filePath(QStringLiteral("plan.zop"));
    }
    void AddComment(const QString &text, const QString &start)
    {
        core->SetData_(AddTask(QStringLiteral("Position 1"), start, QStringLiteral("1")), cnTextCenterMiddle, text);
    }
    QString Comments() const
    {
        QStringList texts;
        core->ForEach(tbTable, feAll, [&](TNodeData *node) { texts.append(core->GetData_(node, cnTextCenterMiddle)); });
        texts.sort();
        return texts.join(QLatin1Char(','));
    }
    // What the document file holds, read by a fresh opening.
    QString CommentsOnDisk()
    {
        core->ActionNewExecute();
        documentFile->Open(document);
        return Comments();
    }
    QStringList Revertible() const
    {
        QStringList names;
        for (const auto &entry : sync->DirWatchThread()->RevertibleGenerations())
            names.append(entry.Name);
        names.sort();
        return names;
    }

    QTemporaryDir dir;
    QString document;
};

TEST_F(RevertTest, RevertingAndRevertingTheRevert)
{
    AddComment(QStringLiteral("first"), QStringLiteral("02.03.2026"));
    ASSERT_TRUE(documentFile->Save(document)); // generation 0 closed holding "first"
    AddComment(QStringLiteral("second"), QStringLiteral("03.03.2026"));
    ASSERT_TRUE(documentFile->Save(document)); // generation 1 closed holding both
    AddComment(QStringLiteral("unsaved"), QStringLiteral("04.03.2026"));
    EXPECT_EQ(Revertible(), (QStringList{QStringLiteral("0"), QStringLiteral("1")}));

    // Cancelled: nothing happens.
    window.answers = {mrCancel};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("0")), TDocumentRevert::rvCancelled);
    EXPECT_EQ(Comments(), QStringLiteral("first,second,unsaved"));

    window.questions.clear();
    window.answers = {mrOk};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("0")), TDocumentRevert::rvReverted);
    EXPECT_EQ(window.questions, QStringList{RevertQuestion});
    EXPECT_EQ(Comments(), QStringLiteral("first"));
    EXPECT_EQ(sync->DirWatchThread()->Filename(), document);
    EXPECT_FALSE(sync->DirWatchThread()->Changed());
    EXPECT_FALSE(core->IsUpdating());
    // The state before the revert became a generation of its own, and the reverted state the
    // document and the newest working copy.
    EXPECT_EQ(Revertible(), (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                         QStringLiteral("3")}));
    EXPECT_TRUE(TDocumentFile::FilesAreIdentical(sync->DirWatchThread()->GetWorkingFileName(), document));
    EXPECT_EQ(CommentsOnDisk(), QStringLiteral("first"));

    // The revert is reverted: nothing was lost.
    window.answers = {mrOk};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("2")), TDocumentRevert::rvReverted);
    EXPECT_EQ(Comments(), QStringLiteral("first,second,unsaved"));
    EXPECT_EQ(CommentsOnDisk(), QStringLiteral("first,second,unsaved"));
}

TEST_F(RevertTest, AFailingSaveStopsTheRevertAndLosesNothing)
{
    AddComment(QStringLiteral("first"), QStringLiteral("02.03.2026"));
    ASSERT_TRUE(documentFile->Save(document));
    AddComment(QStringLiteral("unsaved"), QStringLiteral("03.03.2026"));
    const QByteArray onDisk = testsupport::readFile(document);
    const QStringList before = Revertible();

    // Saving the present state fails.
    sync->OnSaveStep = [](const QString &step) {
        if (step == QStringLiteral("claimed"))
            throw std::runtime_error("No space left on device");
    };
    window.answers = {mrOk, mrOk};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("0")), TDocumentRevert::rvSaveFailed);
    ASSERT_EQ(window.questions.size(), 2);
    EXPECT_TRUE(window.questions[1].contains(QStringLiteral("No space left on device")));
    EXPECT_EQ(Comments(), QStringLiteral("first,unsaved"));
    EXPECT_TRUE(sync->DirWatchThread()->Changed());
    EXPECT_FALSE(core->IsUpdating());
    EXPECT_EQ(testsupport::readFile(document), onDisk);
    EXPECT_EQ(Revertible(), before);

    // Saving the reverted state fails: the document is what was saved a moment before.
    int saves = 0;
    sync->OnSaveStep = [&saves](const QString &step) {
        if (step == QStringLiteral("claimed") && ++saves == 2)
            throw std::runtime_error("Disk quota exceeded");
    };
    window.questions.clear();
    window.answers = {mrOk, mrOk};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("0")), TDocumentRevert::rvSaveRevertedFailed);
    ASSERT_EQ(window.questions.size(), 2);
    EXPECT_TRUE(window.questions[1].contains(QStringLiteral("Disk quota exceeded")));
    EXPECT_EQ(Comments(), QStringLiteral("first,unsaved"));
    EXPECT_FALSE(core->IsUpdating());
    sync->OnSaveStep = nullptr;
    EXPECT_EQ(CommentsOnDisk(), QStringLiteral("first,unsaved"));
}

TEST_F(RevertTest, AGenerationThatCannotBeReadChangesNothing)
{
    AddComment(QStringLiteral("first"), QStringLiteral("02.03.2026"));
    ASSERT_TRUE(documentFile->Save(document));
    AddComment(QStringLiteral("unsaved"), QStringLiteral("03.03.2026"));
    const QStringList before = Revertible();
    window.answers = {mrOk, mrOk};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("7")), TDocumentRevert::rvLoadFailed);
    EXPECT_EQ(window.questions, (QStringList{RevertQuestion, QStringLiteral("Load failed")}));
    EXPECT_EQ(Comments(), QStringLiteral("first,unsaved"));
    EXPECT_EQ(Revertible(), before);

    // A damaged lock copy: the present state was saved, the document opens as it is.
    ASSERT_TRUE(testsupport::writeFile(sync->DirWatchThread()->GetLockedFileName(QStringLiteral("0")), "garbage"));
    window.questions.clear();
    window.answers = {mrOk, mrOk};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("0")), TDocumentRevert::rvLoadFailed);
    EXPECT_EQ(window.questions.last(), QStringLiteral("Load failed"));
    EXPECT_EQ(Comments(), QStringLiteral("first,unsaved"));
    EXPECT_EQ(CommentsOnDisk(), QStringLiteral("first,unsaved"));
}

} // namespace

namespace {

TEST_F(RevertTest, TheUsersSettingsAreWrittenBeforeSavesButNotWhileLoading)
{
    int written = 0;
    sync->OnSaveFileIni = [&] { ++written; };
    AddComment(QStringLiteral("first"), QStringLiteral("02.03.2026"));
    ASSERT_TRUE(documentFile->Save(document));
    EXPECT_EQ(written, 1);

    // An opening that saves the loaded state at once (the working copy differed) leaves the
    // settings alone: the window still shows those of the document before.
    ASSERT_TRUE(testsupport::writeFile(sync->DirWatchThread()->GetWorkingFileName(), testsupport::readFile(document)));
    AddComment(QStringLiteral("second"), QStringLiteral("03.03.2026"));
    ASSERT_TRUE(documentFile->SaveTo(sync->DirWatchThread()->GetWorkingFileName()));
    core->ActionNewExecute();
    window.answers = {mrYes};
    documentFile->Open(document);
    EXPECT_EQ(Comments(), QStringLiteral("first,second"));
    EXPECT_EQ(written, 1);

    // A revert writes them once, with the state it leaves.
    window.answers = {mrOk};
    EXPECT_EQ(TDocumentRevert::RevertToFile(*documentFile, QStringLiteral("0")), TDocumentRevert::rvReverted);
    EXPECT_EQ(written, 2);
}

} // namespace
