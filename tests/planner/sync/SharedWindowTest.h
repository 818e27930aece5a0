#pragma once

// The fixture of the tests in which the real main window of this process (user B) works on a
// document that a driver process (user A) shares: B's window opens A's document, B clicks
// rows and types into the editor's fields, A's edits and saves reach B through the real
// synchronisation.

#include "planner/sync/SyncDriverTest.h"

#include <QApplication>
#include <QEventLoop>
#include <QJsonObject>
#include <QLineEdit>
#include <QTimer>

#include <functional>
#include <memory>

#include "planner/CoreTestSupport.h"
#include "planner/UserInput.h"
#include "editor/PropertyEditor.h"
#include "sync/DirWatchThread.h"
#include "table/PlannerTables.h"
#include "table/SelectionTracker.h"

class SharedWindowTest : public SyncDriverTest
{
protected:
    void SetUp() override
    {
        SyncDriverTest::SetUp();
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }

    // A makes the document with `rows` tasks; B's window opens it and shows them all.
    void Share(int rows)
    {
        a = &Driver(QStringLiteral("hosta"));
        ASSERT_EQ(a->Command({"create", document}), "");
        for (int i = 0; i < rows; ++i)
            ids.append(a->Command({"add", "Comment", QStringLiteral("task %1").arg(i)}));
        ASSERT_EQ(a->Command({"save"}), "");
        ASSERT_NO_FATAL_FAILURE(Open());
    }
    // B's window, active, opens A's document and shows its rows.
    void Open()
    {
        form = std::make_unique<TScriptedMainForm>(mrYes);
        form->resize(1200, 800);
        form->show();
        QApplication::setActiveWindow(form.get());
        // Clicks go to the window once it has the keys.
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->Open(document);
        core = &form->Core();
        ASSERT_EQ(form->Sync().DirWatchThread()->WorkingDir(), a->Json("state").value("generation").toString());
        for (const QString &id : ids)
            ASSERT_NE(core->FindNode(id), nullptr) << id.toStdString();
    }
    int Column(const char *caption, TWhichTable table = tbTable) const
    {
        return core->IndexOfColumnHack(table, QString::fromLatin1(caption));
    }
    QString Cell(const QString &id, const char *caption) const
    {
        TNodeData *row = core->FindNode(id);
        return row ? core->GetData(row, Column(caption, row->NodeTable)) : QStringLiteral("<no row>");
    }
    // B clicks a task in the table and the editor shows it.
    void Select(const QString &id, const char *caption = "Comment")
    {
        userinput::ClickCell(form->StringTreeGrid1, core->FindNode(id)->VNode, Column(caption));
        ASSERT_TRUE(userinput::WaitUntil([this] { return form->EditorPanel->isVisible(); }));
    }
    QLineEdit *Field(const char *prefix, const char *caption) const
    {
        return qobject_cast<QLineEdit *>(form->Editor().Control(QString::fromLatin1(prefix), Column(caption)));
    }
    // B clicks into an editor field; the caret goes to its end.
    QLineEdit *ClickInto(const char *prefix, const char *caption)
    {
        QLineEdit *field = Field(prefix, caption);
        EXPECT_NE(field, nullptr);
        if (!field)
            return nullptr;
        QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
        QTest::keyClick(field, Qt::Key_End);
        EXPECT_EQ(QApplication::focusWidget(), field);
        return field;
    }
    // Runs B's event loop as the program does, waiting for events between them, so that the
    // window's idle processing (the synchronisation step) takes its turns; until `done`.
    static bool Idle(const std::function<bool()> &done, int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired()) {
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    }
    // B's window has answered what the last step asked for later: the selection, and the
    // editor shown or hidden half a second after it; however slowly its timers come.
    bool Settled()
    {
        return Idle([this] {
            return !form->Tables().Selection().Pending() && !form->Editor().ChangeEditorVisibleTimer().isActive();
        }, 10000);
    }
    // A saves; B follows into the new generation.
    void SaveInA()
    {
        ASSERT_EQ(a->Command({"save"}), "");
        ASSERT_NO_FATAL_FAILURE(FollowA());
    }
    // B follows A into A's generation.
    void FollowA()
    {
        const QString generation = a->Json("state").value("generation").toString();
        ASSERT_TRUE(Idle([&] { return form->Sync().DirWatchThread()->WorkingDir() == generation; }, 10000))
            << "A in " << generation.toStdString() << ", B in "
            << form->Sync().DirWatchThread()->WorkingDir().toStdString() << "\n" << a->Output().toStdString();
    }
    // The field with the focus now, as a text field.
    static QLineEdit *Focused() { return qobject_cast<QLineEdit *>(QApplication::focusWidget()); }
    // A sees the cell B wrote, after B's next scan.
    bool SeenInA(const QString &id, const char *caption, const QString &text)
    {
        QString seen;
        const bool arrived = Idle([&] {
            seen = a->Json("dump").value(id).toObject().value(QString::fromLatin1(caption)).toString();
            return seen == text;
        }, 8000);
        EXPECT_TRUE(arrived) << "A shows \"" << seen.toStdString() << "\"\n" << a->Output().toStdString();
        return arrived;
    }
    // B confirms the date typed into the start field of `row`: it is written, and A has it.
    void ConfirmDate(QLineEdit *date, const QString &row, const QString &written)
    {
        QTest::keyClick(date, Qt::Key_Return);
        EXPECT_EQ(Cell(row, "Start"), written);
        EXPECT_TRUE(SeenInA(row, "Start", written));
    }
    // The row of B's field is gone: the task table has the keys, and keys meant for the gone
    // row change nothing, not even the other row.
    void ExpectTheKeysGoToTheTable(const QString &other, const QString &otherComment)
    {
        EXPECT_EQ(QApplication::focusWidget(), form->StringTreeGrid1);
        EXPECT_TRUE(form->Editor().SelectedRows().empty());
        QTest::keyClicks(QApplication::focusWidget(), "zz");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        EXPECT_EQ(Cell(other, "Comment"), otherComment);
    }

    TSyncDriverProcess *a = nullptr;
    QStringList ids;
    std::unique_ptr<TScriptedMainForm> form;
    TPlannerCore *core = nullptr;
};

