// Every road by which a document goes (File > New, Open..., a recent file, a dropped file, the
// command line, Exit) asks before it drops a change that only a save keeps: a colour chosen on
// a colour panel of a named document, or rows of a document never saved. Cancel keeps the
// document, No lets it go, Yes saves it first. (Revert saves the document before it goes.)

#include "planner/window/WindowTestSupport.h"

#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QPushButton>
#include <QDropEvent>
#include <QFileDialog>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "chart/ChartCommands.h"
#include "planner/chart/PaletteTestSupport.h"
#include "sync/DirWatchThread.h"
#include "window/RecentFiles.h"

using namespace userinput;

namespace {

class DocumentRoadsTest : public windowtest::MainWindowTest
{
protected:
    void BeforeShow() override { ASSERT_TRUE(dir.isValid()); }
    // A new window in place of one that closed.
    void NewWindow()
    {
        form = std::make_unique<TScriptedMainForm>();
        ASSERT_NO_FATAL_FAILURE(windowtest::ShowActive(*form));
        core = &form->Core();
    }
    QString Document() const { return form->Sync().DirWatchThread()->Filename(); }
    bool Black(const QVector<TColor> &palette) const { return palette.value(1) == TColor(0x000000); }
    // The colour on the absence panel of a file as it is saved.
    bool BlackOnDisk(const QString &file) const
    {
        TOtherDocument saved;
        return saved.file->LoadFrom(file) && Black(saved.core.FHolidayColors);
    }
    int RowsOnDisk(const QString &file) const
    {
        TOtherDocument saved;
        return saved.file->LoadFrom(file) ? saved.core.GetTableRowCount(tbTable) : -1;
    }
    QString NewFile(const QString &stem)
    {
        return windowtest::WriteEmptyDocument(dir.filePath(stem + QString::number(++FFiles) + QStringLiteral(".zop")));
    }

    QTemporaryDir dir;

private:
    int FFiles = 0;
};

// What a road leaves in place of the document.
enum TLeaves { lvNewDocument, lvOther, lvClosed };

struct TRoad
{
    const char *name;
    // Takes the window's document away (to `other` where the road opens a file).
    std::function<void(TScriptedMainForm &, const QString &other)> go;
    TLeaves leaves;
};

void ChooseInOpenDialog(TScriptedMainForm &form, const QString &file)
{
    WhenShown(&form, [] { return qobject_cast<QFileDialog *>(QApplication::activeModalWidget()); }, [file](QWidget *w) {
        auto *dialog = static_cast<QFileDialog *>(w);
        dialog->selectFile(file);
        QAbstractButton *open = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open);
        ASSERT_TRUE(open);
        QTest::mouseClick(open, Qt::LeftButton);
    });
    ClickMenuItem(form, form.Datei1, form.ActionOpen);
}

void Drop(TScriptedMainForm &form, const QString &file)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at = form.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
}

void ChooseRecent(TScriptedMainForm &form, const QString &file)
{
    TRecentFiles &recent = form.RecentFiles();
    recent.AddToLastFiles(file);
    ClickMenuItem(form, form.Datei1, recent.Action(1), form.LastFiles1);
}

} // namespace

TEST_F(DocumentRoadsTest, EveryRoadThatEndsADocumentAsksBeforeAChangeIsLost)
{
    const std::vector<TRoad> roads = {
        {"File > New", [](TScriptedMainForm &f, const QString &) { ClickMenuItem(f, f.Datei1, f.ActionNew); },
         lvNewDocument},
        {"File > Open...", [](TScriptedMainForm &f, const QString &other) { ChooseInOpenDialog(f, other); }, lvOther},
        {"a recent file", [](TScriptedMainForm &f, const QString &other) { ChooseRecent(f, other); }, lvOther},
        {"a dropped file", [](TScriptedMainForm &f, const QString &other) { Drop(f, other); }, lvOther},
        {"the command line", [](TScriptedMainForm &f, const QString &other) { f.OpenCommandLine({other}); }, lvOther},
        {"File > Exit", [](TScriptedMainForm &f, const QString &) { ClickMenuItem(f, f.Datei1, f.ActionClose); },
         lvClosed},
    };
    enum TCase { ChosenColour, UnsavedRows };
    int saved = 0;
    for (const TRoad &road : roads) {
        for (const TCase change : {ChosenColour, UnsavedRows}) {
            for (const int answer : {mrCancel, mrNo, mrYes}) {
                SCOPED_TRACE(std::string(road.name) + (change == ChosenColour ? ", a colour" : ", new rows") + ", "
                             + (answer == mrCancel ? "Cancel" : answer == mrNo ? "No" : "Yes"));
                if (!form->isVisible()) {
                    ASSERT_NO_FATAL_FAILURE(NewWindow());
                }
                // A document with the change, from a window at rest.
                form->ActionNewExecute();
                QString mine;
                QString question = QStringLiteral("Do you want to save changes?");
                if (change == ChosenColour) {
                    mine = NewFile(QStringLiteral("mine"));
                    form->Open(mine);
                    palettetest::PickOnPanel(form.get(), form->ChartCommands->HolidayColorPanel, 1,
                                             palettetest::BlackCell);
                    ASSERT_TRUE(Black(core->FHolidayColors));
                    question = QStringLiteral("Do you want to save changes to %1?").arg(mine);
                } else {
                    ClickMenuItem(*form, form->menuBar()->findChild<QMenu *>(QStringLiteral("Edit1")), form->ActionAddNode);
                    ASSERT_EQ(core->GetTableRowCount(tbTable), 1);
                    mine = dir.filePath(QStringLiteral("saved%1.zop").arg(++saved));
                    form->File().OnChooseSaveFileName = [mine](const QString &) { return mine; };
                }
                const QString other = NewFile(QStringLiteral("other"));
                form->questions.clear();
                form->answers = {answer};

                road.go(*form, other);

                EXPECT_EQ(form->questions, QStringList{question});
                if (answer == mrCancel) {
                    // Nothing changed.
                    ASSERT_TRUE(form->isVisible());
                    EXPECT_EQ(Document(), change == ChosenColour ? mine : QString());
                    if (change == ChosenColour)
                        EXPECT_TRUE(Black(core->FHolidayColors));
                    else
                        EXPECT_EQ(core->GetTableRowCount(tbTable), 1);
                    EXPECT_TRUE(form->Sync().HasUnsavedChanges());
                } else {
                    switch (road.leaves) {
                    case lvNewDocument:
                        EXPECT_EQ(Document(), QString());
                        EXPECT_EQ(core->GetTableRowCount(tbTable), 0);
                        EXPECT_FALSE(Black(core->FHolidayColors));
                        break;
                    case lvOther:
                        EXPECT_EQ(Document(), other);
                        break;
                    case lvClosed:
                        EXPECT_FALSE(form->isVisible());
                        break;
                    }
                }
                // Only Yes saved the change.
                if (change == ChosenColour)
                    EXPECT_EQ(BlackOnDisk(mine), answer == mrYes);
                else
                    EXPECT_EQ(RowsOnDisk(mine), answer == mrYes ? 1 : -1);
            }
        }
    }
}
