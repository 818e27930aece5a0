// A warning that waits for the event loop is shown only while its reason stands, and none
// outlives the main window: the real window on a document of a read-only disk, its real message
// boxes answered as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "planner/CoreTestSupport.h"
#include "planner/UserInput.h"
#include "common/TestSupport.h"
#include "core/MessageQueue.h"

namespace {

// Answers every message box that opens: Yes where it asks, OK elsewhere; keeps their texts.
class TBoxAnswerer : public QObject
{
public:
    TBoxAnswerer()
    {
        QObject::connect(&FPoll, &QTimer::timeout, this, [this] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<TMessageForm *>(window);
                if (!box || !box->isVisible())
                    continue;
                texts.append(box->Message()->text());
                (box->Button(mbYes) ? box->Button(mbYes) : box->Button(mbOK))->click();
            }
        });
        FPoll.start(10);
    }
    int Count(const QString &start) const
    {
        int count = 0;
        for (const QString &text : texts)
            count += text.startsWith(start) ? 1 : 0;
        return count;
    }
    QStringList texts;

private:
    QTimer FPoll;
};

bool AnyBoxOpen()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (qobject_cast<TMessageForm *>(window) && window->isVisible())
            return true;
    return false;
}

// Every event posted so far, and what those post, handled.
void Settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

const QString NotShared = QStringLiteral("Changes made here are not shared with other users");

} // namespace

TEST(SharingMessageTest, AWarningWhoseTroubleIsGoneIsDroppedAndNoBoxOutlivesTheWindow)
{
    testsupport::TSmallFileSystem disk(4 * 1024 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString onDisk = disk.Path() + QStringLiteral("/plan.zop");
    {
        TOtherDocument writer;
        AddTaskRow(writer.core, QStringLiteral("Position 1"), QStringLiteral("02.03.2026"), QStringLiteral("2"));
        ASSERT_TRUE(writer.file->Save(onDisk));
    }
    ASSERT_TRUE(disk.SetReadOnly(true));

    TBoxAnswerer boxes;
    auto *form = new TMainForm;
    form->setAttribute(Qt::WA_DeleteOnClose);
    const QPointer<TMainForm> guard(form);
    QString saveAs = dir.filePath(QStringLiteral("copy.zop"));
    form->File().OnChooseSaveFileName = [&saveAs](const QString &) { return saveAs; };
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QMenu *edit = form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);

    // A new entry on the read-only disk: told once that it is not shared.
    form->Open(onDisk);
    userinput::ClickMenuItem(*form, edit, form->ActionAddNode);
    ASSERT_TRUE(userinput::IdleUntil([&] { return boxes.Count(NotShared) == 1; })) << boxes.texts.join("|").toStdString();

    // Ctrl+S, Yes, saved on a writable disk: nothing is said about the disk left behind.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(userinput::IdleUntil([&] { return form->windowTitle().endsWith(saveAs); })) << boxes.texts.join("|").toStdString();
    Settle();
    EXPECT_TRUE(userinput::IdleUntil([&] { return form->Core().Messages().Waiting() == 0 && !AnyBoxOpen(); }));
    EXPECT_EQ(boxes.Count(NotShared), 1) << boxes.texts.join("|").toStdString();

    // The close road: an entry on the read-only disk again and the window closed at once, Yes
    // to saving, Yes to another disk. The window goes, and no box comes after it.
    saveAs = dir.filePath(QStringLiteral("closing.zop"));
    form->Open(onDisk);
    userinput::ClickMenuItem(*form, edit, form->ActionAddNode);
    // A warning that some part of the window gives while the closing saves still waits for
    // the event loop when the window goes.
    form->File().OnChooseSaveFileName = [&](const QString &) {
        form->Core().Messages().Post(QStringLiteral("said while closing"), mtWarning);
        return saveAs;
    };
    const int asked = boxes.texts.size();
    form->close();
    const QStringList whileClosing = boxes.texts.mid(asked);
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    EXPECT_TRUE(QFileInfo::exists(saveAs));
    EXPECT_EQ(whileClosing.filter(QStringLiteral("Do you want to save changes to ")).size(), 1)
        << whileClosing.join("|").toStdString();
    EXPECT_EQ(whileClosing.filter(QStringLiteral("Do you want to save the document on another disk?")).size(), 1);
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Settle();
    EXPECT_TRUE(guard.isNull());
    EXPECT_FALSE(AnyBoxOpen());
    EXPECT_EQ(boxes.texts.mid(asked).join("|").toStdString(), whileClosing.join("|").toStdString());
    ASSERT_TRUE(disk.SetReadOnly(false));
}
