#include "planner/CoreTestSupport.h"

#include <algorithm>

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "MemIniFile.h"
#include "WorkbookReader.h"
#include "WorkbookWriter.h"
#include "planner/UserInput.h"
#include "dialogs/ArchivDialog.h"
#include "dialogs/DateField.h"

namespace {

class ExchangeWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TScriptedMainForm>();
        document = dir.filePath(QStringLiteral("plan.zop"));
        form->File().OnChooseSaveFileName = [this](const QString &) { return document; };
        form->OnShowWorkbook = [this](const QString &file) {
            shown.append(file);
            return showable;
        };
    }
    void TearDown() override
    {
        form.reset();
        ResetDateFormats();
    }
    TNodeData *AddTask(const QString &start, const QString &length, const QString &comment)
    {
        TPlannerCore &core = form->Core();
        TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
        core.SetData_(node, cnPosition, QStringLiteral("Position 1"));
        core.SetData_(node, cnStart, start);
        core.SetData_(node, cnLength, length);
        core.SetData(node, 5, comment);
        return node;
    }
    void ShowForm()
    {
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    // A workbook with the task sheet alone: the table's captions (or `captions`), then `rows`.
    bool WriteTaskSheet(const QString &book, const QList<QStringList> &rows, QStringList captions = {})
    {
        TPlannerCore &core = form->Core();
        for (int column = captions.size(); column < core.GetTableColCount(tbTable); ++column)
            captions.append(core.GetColumnCaption(tbTable, column));
        platform::TWorkbookWriter writer(book);
        writer.AddSheet(QStringLiteral("ZOP Table"));
        writer.AppendRow(captions);
        for (const QStringList &row : rows)
            writer.AppendRow(row);
        return writer.Commit();
    }
    QStringList Comments()
    {
        QStringList comments;
        form->Core().ForEach(tbTable, feAll, [&](TNodeData *node) { comments.append(node->StringList.value(5)); });
        return comments;
    }
    // Runs the archive command; `act` works the modal dialog, which is closed afterwards in
    // any case so that a failing test cannot hang.
    void RunArchiveCommand(const std::function<void(TArchivDialog &)> &act)
    {
        QTimer::singleShot(0, form.get(), [this, act] {
            TArchivDialog *dialog = form->ArchivDialog();
            act(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        form->Auftrgearchivieren1->trigger();
    }

    QTemporaryDir dir;
    QString document;
    std::unique_ptr<TScriptedMainForm> form;
    QStringList shown;
    bool showable = true;
};

} // namespace

// The File menu's export writes the workbook and shows it; its import brings the rows back,
// undone in one step.
TEST_F(ExchangeWindowTest, ExportAndImportThroughTheFileMenu)
{
    auto *file = form->menuBar()->findChild<QMenu *>(QStringLiteral("File1"));
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->actions().contains(form->Exportieren1));
    EXPECT_TRUE(file->actions().contains(form->ExcelImport1));
    AddTask(QStringLiteral("04.03.2024"), QStringLiteral("2"), QStringLiteral("=A1"));
    AddTask(QStringLiteral("05.03.2024"), QStringLiteral("1"), QString::fromUtf8("Größe"));

    const QString book = dir.filePath(QStringLiteral("out.xlsx"));
    QString proposed;
    form->OnChooseExportFile = [&](const QString &name) {
        proposed = name;
        return book;
    };
    form->Exportieren1->trigger();
    EXPECT_TRUE(proposed.endsWith(QStringLiteral(" export.xlsx")));
    EXPECT_EQ(shown, QStringList{book});
    EXPECT_TRUE(form->questions.isEmpty());
    ASSERT_TRUE(QFileInfo::exists(book));

    // No program to show it: the user hears where it is.
    showable = false;
    form->Exportieren1->trigger();
    ASSERT_EQ(form->questions.size(), 1);
    EXPECT_TRUE(form->questions[0].contains(book));
    // A cancelled file dialog does nothing.
    form->OnChooseExportFile = [](const QString &) { return QString(); };
    form->Exportieren1->trigger();
    EXPECT_EQ(form->questions.size(), 1);

    form->questions.clear();
    form->OnChooseImportFile = [&] { return book; };
    form->answers = {mrYes};
    form->ExcelImport1->trigger();
    EXPECT_EQ(form->questions.size(), 1);
    EXPECT_EQ(Comments(), QStringList({QStringLiteral(" =A1"), QString::fromUtf8("Größe")}));
    form->ActionUndo->trigger();
    EXPECT_EQ(Comments().size(), 2);
    EXPECT_TRUE(Comments().contains(QStringLiteral("=A1")));
}

// A workbook with the task sheet only, imported through the File menu: the missing sheet is
// named, the tasks of the other are added, and Ctrl+Z takes them back in one step.
TEST_F(ExchangeWindowTest, AWorkbookWithOneOfTheSheetsBringsThatOne)
{
    ASSERT_NO_FATAL_FAILURE(ShowForm());
    AddTask(QStringLiteral("04.03.2024"), QStringLiteral("2"), QStringLiteral("kept"));
    TPlannerCore &core = form->Core();
    const QString book = dir.filePath(QStringLiteral("tasks only.xlsx"));
    ASSERT_TRUE(WriteTaskSheet(book, {{QStringLiteral("Position 1"), QStringLiteral("11.03.2024"), QString(),
                                       QStringLiteral("1"), QString(), QStringLiteral("imported one")},
                                      {QStringLiteral("Position 2"), QStringLiteral("12.03.2024"), QString(),
                                       QStringLiteral("3"), QString(), QStringLiteral("imported two")}}));
    const int absentBefore = core.TotalCount(tbExclude);
    form->OnChooseImportFile = [&] { return book; };
    form->answers = {mrOk, mrNo};
    auto *file = form->menuBar()->findChild<QMenu *>(QStringLiteral("File1"));
    ASSERT_TRUE(file);
    userinput::ClickMenuItem(*form, file, form->ExcelImport1);
    ASSERT_EQ(form->questions.size(), 2);
    EXPECT_EQ(form->questions[0], QStringLiteral("Sheet ZOP Table (Absent days) not found."));
    EXPECT_TRUE(form->questions[1].startsWith(QStringLiteral("Clear table before import?")));
    EXPECT_EQ(Comments(), (QStringList{QStringLiteral("kept"), QStringLiteral("imported one"), QStringLiteral("imported two")}));
    EXPECT_EQ(core.TotalCount(tbExclude), absentBefore);

    QTest::keyClick(form->StringTreeGrid1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Comments(), QStringList{QStringLiteral("kept")});
}

// A column renamed "=Comment": Excel Export and Excel Import through the File menu bring its
// rows back, the caption stands in the workbook as it is, and a workbook written with a blank
// before the caption (as exports did before) imports too.
TEST_F(ExchangeWindowTest, ACaptionStartingWithEqualsKeepsTheWorkbookImportable)
{
    ASSERT_NO_FATAL_FAILURE(ShowForm());
    TPlannerCore &core = form->Core();
    core.SetColumnCaption(tbTable, 5, QStringLiteral("=Comment"));
    AddTask(QStringLiteral("04.03.2024"), QStringLiteral("2"), QStringLiteral("first"));
    auto *file = form->menuBar()->findChild<QMenu *>(QStringLiteral("File1"));
    ASSERT_TRUE(file);

    const QString book = dir.filePath(QStringLiteral("equals.xlsx"));
    form->OnChooseExportFile = [&](const QString &) { return book; };
    userinput::ClickMenuItem(*form, file, form->Exportieren1);
    ASSERT_TRUE(QFileInfo::exists(book));
    platform::TWorkbookReader reader;
    ASSERT_TRUE(reader.Open(book));
    platform::TSheetData sheet;
    ASSERT_TRUE(reader.ReadSheet(0, 10, sheet));
    const auto caption = std::find_if(sheet.Cells.begin(), sheet.Cells.end(),
                                      [](const platform::TSheetCell &cell) { return cell.Row == 0 && cell.Column == 5; });
    ASSERT_NE(caption, sheet.Cells.end());
    EXPECT_EQ(caption->Text, QStringLiteral("=Comment"));

    form->questions.clear();
    form->OnChooseImportFile = [&] { return book; };
    form->answers = {mrNo};
    userinput::ClickMenuItem(*form, file, form->ExcelImport1);
    ASSERT_EQ(form->questions.size(), 1) << form->questions.join(u'\n').toStdString();
    EXPECT_TRUE(form->questions[0].startsWith(QStringLiteral("Clear table before import?")));
    EXPECT_EQ(Comments(), (QStringList{QStringLiteral("first"), QStringLiteral("first")}));

    // A workbook of an earlier export, with the blank before the caption.
    QStringList captions;
    for (int column = 0; column < 5; ++column)
        captions.append(core.GetColumnCaption(tbTable, column));
    captions.append(QStringLiteral(" =Comment"));
    const QString older = dir.filePath(QStringLiteral("older.xlsx"));
    ASSERT_TRUE(WriteTaskSheet(older, {{QStringLiteral("Position 1"), QStringLiteral("11.03.2024"), QString(),
                                        QStringLiteral("1"), QString(), QStringLiteral("older")}},
                               captions));
    form->questions.clear();
    form->OnChooseImportFile = [&] { return older; };
    form->answers = {mrOk, mrNo};
    userinput::ClickMenuItem(*form, file, form->ExcelImport1);
    ASSERT_EQ(form->questions.size(), 2) << form->questions.join(u'\n').toStdString();
    EXPECT_EQ(form->questions[0], QStringLiteral("Sheet ZOP Table (Absent days) not found."));
    EXPECT_EQ(Comments(), (QStringList{QStringLiteral("first"), QStringLiteral("first"), QStringLiteral("older")}));
}

// The archive menu opens the dialog with the document's range and now as the date; OK saves
// the document, asks for the archive file and moves the finished tasks there.
TEST_F(ExchangeWindowTest, ArchiveThroughTheMenu)
{
    ASSERT_TRUE(form->menuBar()->findChild<QMenu *>(QStringLiteral("Archiv1")));
    AddTask(QStringLiteral("04.03.2024"), QStringLiteral("2"), QStringLiteral("done"));
    AddTask(QStringLiteral("05.03.2024"), QStringLiteral("1"), QStringLiteral("done too"));
    AddTask(QString(), QString(), QStringLiteral("no start"));
    form->Core().BeginUpdate(QString());
    form->Core().EndUpdate();
    const QString archive = dir.filePath(QStringLiteral("tasks.ini"));
    QString proposed;
    form->OnChooseArchiveFile = [&](const QString &name) {
        proposed = name;
        return archive;
    };

    bool closed = false;
    RunArchiveCommand([&](TArchivDialog &dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("ArchivDialog"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Archiv Table"));
        EXPECT_EQ(dialog.DateTimePicker1->date(), QDate::currentDate());
        EXPECT_EQ(dialog.DateTimePickerFrom->date(), DateTimeToQDate(form->Core().MinDate()));
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("2 von 3"));
        EXPECT_TRUE(dialog.Button1->isEnabled());
        // No task ends before 2000: OK is off.
        dialog.DateTimePicker1->setDate(QDate(2000, 1, 1));
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("0 von 3"));
        EXPECT_FALSE(dialog.Button1->isEnabled());
        dialog.DateTimePicker1->setDate(QDate(2024, 3, 5));
        EXPECT_TRUE(dialog.Button1->isEnabled());
        dialog.Button1->click();
        closed = !dialog.isVisible();
    });
    EXPECT_TRUE(closed);
    EXPECT_TRUE(form->questions.isEmpty()) << form->questions.join(u'\n').toStdString();
    EXPECT_EQ(proposed, dir.filePath(QStringLiteral("plan archive.ini")));
    EXPECT_TRUE(QFileInfo::exists(document)); // saved first
    EXPECT_EQ(Comments(), QStringList{QStringLiteral("no start")});
    TMemIniFile ini(archive);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Archiv"), QStringLiteral("count"), QString()), QStringLiteral("2"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("ArchivItem1"), QStringLiteral("Comment"), QString()), QStringLiteral("done too"));
}

// Archiving every task asks first; Cancel keeps the dialog open. A refused file keeps the rows
// and the dialog open, with the reason.
TEST_F(ExchangeWindowTest, ArchiveQuestionsAndRefusals)
{
    AddTask(QStringLiteral("04.03.2024"), QStringLiteral("2"), QStringLiteral("only"));
    form->Core().BeginUpdate(QString());
    form->Core().EndUpdate();
    const QString notArchive = dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(testsupport::writeFile(notArchive, "my notes"));
    form->OnChooseArchiveFile = [&](const QString &) { return notArchive; };

    RunArchiveCommand([&](TArchivDialog &dialog) {
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("1 von 1"));
        form->answers = {mrCancel};
        dialog.Button1->click();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(form->questions.size(), 1);
        EXPECT_EQ(form->questions[0], QString::fromUtf8("Alle 1 Einträge archivieren?"));

        form->answers = {mrOk, mrOk};
        dialog.Button1->click();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(form->questions.size(), 3);
        EXPECT_TRUE(form->questions[2].startsWith(
            QStringLiteral("File could not be saved. The selected tasks were not archieved.\n")));
        EXPECT_TRUE(form->questions[2].contains(QStringLiteral("not an archive file")));

        // No file chosen.
        form->OnChooseArchiveFile = [](const QString &) { return QString(); };
        form->answers = {mrOk, mrOk};
        dialog.Button1->click();
        EXPECT_EQ(form->questions.value(4), QStringLiteral("File could not be saved. The selected tasks were not archieved."));
    });
    EXPECT_EQ(Comments(), QStringList{QStringLiteral("only")});
    EXPECT_EQ(testsupport::readFile(notArchive), QByteArray("my notes"));
}
