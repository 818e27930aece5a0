// The property editor on a real core: lines per column type, what several selected rows show,
// writing into one or many rows, dates, links, autofill and where the editor is shown.

#include "planner/CoreTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <QTimer>
#include <QUrl>
#include <QCalendarWidget>
#include <QTemporaryDir>

#include "AutocompletingEdit.h"
#include "PopupDateTime.h"
#include "editor/EditorCalendarButton.h"
#include "editor/EditorForm.h"
#include "editor/LinkTarget.h"
#include "editor/EditorNamePanel.h"
#include "editor/PropertyEditor.h"
#include "table/Autofill.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"
#include "common/TestSupport.h"

class EditorTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        panel = std::make_unique<QWidget>();
        panel->resize(320, 400);
        editor = std::make_unique<TPropertyEditor>(*core, *sync, panel.get(), panel.get());
        editor->OnOpenUrl = [this](const QUrl &url) {
            opened.append(url);
            return true;
        };
        editor->PageControl1Change();
    }
    void TearDown() override
    {
        editor.reset();
        panel.reset();
        CoreTest::TearDown();
    }
    // What the table events do on a selection change: the editor follows.
    void Select(const std::vector<TNodeData *> &rows)
    {
        TBaseTreeGrid *grid = core->GetTable(core->GetActiveTable());
        grid->ClearSelection();
        for (TNodeData *node : rows)
            grid->SetSelected(node->VNode, true);
        editor->SeteditorVisible(!rows.empty());
        editor->UpdateEditor();
    }
    template <typename T>
    T *Field(const char *prefix, TConnection cn, TWhichTable table = tbTable)
    {
        return qobject_cast<T *>(editor->Control(QString::fromLatin1(prefix), core->GetConnection(table, cn)));
    }
    static bool Tinted(const QWidget *widget)
    {
        return widget->palette().color(QPalette::Base) == ToQColor(TPropertyEditor::DifferColor);
    }
    void Type(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<TPropertyEditor> editor;
    QList<QUrl> opened;
};

TEST_F(EditorTest, OneLinePerVisibleColumnWithItsControls)
{
    // Position, Start, End, Length, State, Comment.
    ASSERT_EQ(editor->LineCount(), 6);
    EXPECT_EQ(editor->ScrollBox()->widget()->minimumHeight(), 7 * editor->Pitch());
    auto *position = Field<QComboBox>("__edit", cnPosition);
    ASSERT_NE(position, nullptr);
    EXPECT_FALSE(position->isEditable());
    EXPECT_EQ(position->count(), 3);
    EXPECT_EQ(position->itemText(0), QStringLiteral("Position 1"));
    auto *state = Field<QComboBox>("__edit", cnColor);
    ASSERT_NE(state, nullptr);
    EXPECT_FALSE(state->isEditable());
    EXPECT_FALSE(state->itemIcon(1).isNull()); // the colour swatch
    auto *start = Field<QLineEdit>("__date", cnStart);
    ASSERT_NE(start, nullptr);
    EXPECT_NE(Field<QWidget>("__button", cnStart), nullptr);
    auto *end = Field<QLineEdit>("__date", cnEnd);
    ASSERT_NE(end, nullptr);
    EXPECT_TRUE(end->isReadOnly());
    EXPECT_EQ(end->toolTip(), QStringLiteral("Enddate cannot be edited"));
    EXPECT_EQ(Field<QWidget>("__button", cnEnd), nullptr);
    EXPECT_NE(Field<TAutocompletingEdit>("__edit", cnTextCenterMiddle), nullptr);
    EXPECT_EQ(start->property("Tag").toInt(), core->GetConnection(tbTable, cnStart));

    // Captions: the length's unit; markers by connection.
    auto *length = editor->NamePanel()->findChild<QLabel *>(QStringLiteral("__label3"));
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->text(), QStringLiteral("Length    (days)"));
    core->SetMinUnit(muMinute);
    editor->PageControl1Change();
    length = editor->NamePanel()->findChild<QLabel *>(QStringLiteral("__label3"));
    EXPECT_EQ(length->text(), QStringLiteral("Length    (h,min)"));
    panel->show();
    QApplication::processEvents();
    const QImage picture = editor->NamePanel()->grab().toImage();
    const QRect marker = static_cast<TEditorNamePanel *>(editor->NamePanel())->MarkerRect(0);
    EXPECT_EQ(picture.pixelColor(marker.left() + 3, marker.center().y()), QColor(146, 202, 224));

    // A hidden column has no line.
    TBaseTreeGrid *grid = core->GetTable(tbTable);
    TTreeGridColumn *comment = grid->Header()->Columns()->Items(core->GetConnection(tbTable, cnTextCenterMiddle));
    comment->SetOptions(comment->Options() - TTGColumnOptions{coVisible});
    editor->PageControl1Change();
    EXPECT_EQ(editor->LineCount(), 5);
    EXPECT_EQ(Field<QWidget>("__edit", cnTextCenterMiddle), nullptr);
}

TEST_F(EditorTest, TwoTasksShowWhatTheyShareAndTakeWhatIsTyped)
{
    TNodeData *a = AddTask("Position 1", "04.03.2024", "2");
    TNodeData *b = AddTask("Position 2", "04.03.2024", "3");
    core->SetDataIndex_(b, cnColor, 1);
    Select({a, b});
    auto *start = Field<QLineEdit>("__date", cnStart);
    auto *state = Field<QComboBox>("__edit", cnColor);
    EXPECT_EQ(start->text(), QStringLiteral("04.03.2024"));
    EXPECT_FALSE(Tinted(start));
    EXPECT_EQ(state->currentIndex(), -1);
    EXPECT_TRUE(Tinted(state));

    // A tinted field left empty writes nothing.
    const std::size_t entries = undo.UndoList().size();
    auto *comment = Field<QLineEdit>("__edit", cnTextCenterMiddle);
    core->SetData_(a, cnTextCenterMiddle, "first");
    editor->UpdateEditor();
    ASSERT_TRUE(Tinted(comment));
    Type(comment, QString());
    EXPECT_EQ(core->GetData_(a, cnTextCenterMiddle), QStringLiteral("first"));
    EXPECT_EQ(undo.UndoList().size(), entries + 1);

    // Choosing a colour writes it into both, as one undo step, and the field turns white.
    state->setCurrentIndex(2);
    emit state->activated(2);
    EXPECT_EQ(core->GetData_(a, cnColor), QStringLiteral("State 3"));
    EXPECT_EQ(core->GetData_(b, cnColor), QStringLiteral("State 3"));
    EXPECT_FALSE(Tinted(state));
    ASSERT_EQ(undo.UndoList().size(), entries + 3);
    EXPECT_EQ(undo.UndoList()[entries + 1]->FGroupIndex, undo.UndoList()[entries + 2]->FGroupIndex);
    EXPECT_NE(undo.UndoList()[entries + 1]->FGroupIndex, -1);
    core->Undo();
    EXPECT_EQ(core->GetData_(a, cnColor), QStringLiteral("State 1"));
    EXPECT_EQ(core->GetData_(b, cnColor), QStringLiteral("State 2"));

    // Emptying the white start field empties both starts.
    Type(start, QString());
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(core->GetData_(a, cnStart), QString());
    EXPECT_EQ(core->GetData_(b, cnStart), QString());

    // Typing into the tinted comment field writes into both.
    Type(comment, QStringLiteral("both"));
    EXPECT_EQ(core->GetData_(a, cnTextCenterMiddle), QStringLiteral("both"));
    EXPECT_EQ(core->GetData_(b, cnTextCenterMiddle), QStringLiteral("both"));
    EXPECT_FALSE(Tinted(comment));
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
}

TEST_F(EditorTest, OneTaskTakesEmptyTextsAndDatesOnlyWhenTheyAreDates)
{
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    core->SetData_(task, cnTextCenterMiddle, "note");
    Select({task});
    auto *comment = Field<QLineEdit>("__edit", cnTextCenterMiddle);
    EXPECT_EQ(comment->text(), QStringLiteral("note"));
    Type(comment, QString());
    EXPECT_EQ(core->GetData_(task, cnTextCenterMiddle), QString());

    // Half a date is not written while typing; a typo stays in the field and writes nothing.
    auto *start = Field<QLineEdit>("__date", cnStart);
    const std::size_t entries = undo.UndoList().size();
    Type(start, QStringLiteral("31.02.2024"));
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("04.03.2024"));
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("04.03.2024"));
    EXPECT_EQ(start->text(), QStringLiteral("31.02.2024"));
    EXPECT_EQ(undo.UndoList().size(), entries);
    // A readable date is written in the model's form and the end follows.
    Type(start, QStringLiteral("2024-03-11"));
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("11.03.2024"));
    EXPECT_EQ(start->text(), QStringLiteral("11.03.2024"));
    EXPECT_EQ(Field<QLineEdit>("__date", cnEnd)->text(), QStringLiteral("12.03.2024"));

    // The calendar opens on the field's day and writes the picked one.
    QDate shown;
    QTimer::singleShot(0, [&] {
        TDateTimePopup *popup = editor->DateTimePopup();
        ASSERT_NE(popup, nullptr);
        shown = popup->Calendar()->selectedDate();
        emit popup->Calendar()->clicked(QDate(2024, 3, 18));
    });
    editor->CanvasPanelClick(core->GetConnection(tbTable, cnStart));
    EXPECT_EQ(shown, QDate(2024, 3, 11));
    EXPECT_EQ(core->GetData_(task, cnStart), QStringLiteral("18.03.2024"));
    EXPECT_FALSE(static_cast<TEditorCalendarButton *>(Field<QWidget>("__button", cnStart))->Pressed());
}

TEST_F(EditorTest, CheckBoxesAndTheAllResourcesEntryOfAbsentDays)
{
    core->SetActiveTable(tbExclude);
    editor->PageControl1Change();
    TNodeData *a = core->AddNode(core->GetFreeID(), tbExclude, true);
    TNodeData *b = core->AddNode(core->GetFreeID(), tbExclude, true);
    core->SetData_(a, cnLengthWithWeekend, "Ja");
    core->SetData_(b, cnLengthWithWeekend, "Nein");
    auto *position = Field<QComboBox>("__edit", cnPosition, tbExclude);
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(position->itemText(position->count() - 1), QStringLiteral("*"));
    auto *length = editor->NamePanel()->findChild<QLabel *>(
        QStringLiteral("__label") + QString::number(core->GetConnection(tbExclude, cnLength)));
    EXPECT_TRUE(length->text().endsWith(QStringLiteral("(days)")));

    auto *workdays = Field<QCheckBox>("__edit", cnLengthWithWeekend, tbExclude);
    ASSERT_NE(workdays, nullptr);
    Select({a});
    EXPECT_TRUE(workdays->isChecked());
    Select({b});
    EXPECT_FALSE(workdays->isChecked());
    core->SetData_(b, cnLengthWithWeekend, "ja"); // only "Ja" is yes
    editor->UpdateEditor();
    EXPECT_FALSE(workdays->isChecked());
    workdays->click();
    EXPECT_EQ(core->GetData_(b, cnLengthWithWeekend), QStringLiteral("Ja"));
    workdays->click();
    EXPECT_EQ(core->GetData_(b, cnLengthWithWeekend), QStringLiteral("Nein"));
    // Rows that differ: a click is meant for all of them.
    core->SetData_(a, cnLengthWithWeekend, "Ja");
    Select({a, b});
    EXPECT_TRUE(Tinted(workdays));
    workdays->click();
    EXPECT_EQ(core->GetData_(a, cnLengthWithWeekend), core->GetData_(b, cnLengthWithWeekend));
    // The position drop-down writes "*".
    position->setCurrentIndex(position->count() - 1);
    emit position->activated(position->count() - 1);
    EXPECT_EQ(core->GetData_(a, cnPosition), QStringLiteral("*"));
    EXPECT_EQ(core->GetData_(b, cnPosition), QStringLiteral("*"));
}

TEST_F(EditorTest, ShownHalfASecondAfterTheSelectionAsksAndInEitherPlace)
{
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    core->SetData_(task, cnTextCenterMiddle, "kept");
    EXPECT_FALSE(panel->isVisible());
    Select({task});
    // Not yet: the timer restarts on every request.
    EXPECT_TRUE(editor->ChangeEditorVisibleTimer().isActive());
    EXPECT_EQ(editor->ChangeEditorVisibleTimer().interval(), 500);
    EXPECT_TRUE(editor->EditorVisible());
    EXPECT_FALSE(panel->isVisibleTo(nullptr) && !panel->isHidden());
    editor->ChangeEditorVisibleTimerTimer();
    EXPECT_FALSE(panel->isHidden());
    // Nothing selected: hidden half a second later.
    Select({});
    EXPECT_FALSE(panel->isHidden());
    editor->ChangeEditorVisibleTimerTimer();
    EXPECT_TRUE(panel->isHidden());

    // Window and panel keep what the editor shows and whether it is shown.
    Select({task});
    editor->ChangeEditorVisibleTimerTimer();
    editor->EditorAsFormClick(true);
    TEditorForm *form = editor->EditorForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZOP Editor"));
    EXPECT_EQ(form->StatusText(), QStringLiteral("1 items selected"));
    EXPECT_TRUE(form->isAncestorOf(editor->ScrollBox()));
    EXPECT_EQ(Field<QLineEdit>("__edit", cnTextCenterMiddle)->text(), QStringLiteral("kept"));
    // The stored size, no taller than its lines need.
    EXPECT_EQ(editor->GetEditorSize().width(), 300);
    EXPECT_LE(editor->GetEditorSize().height(), 300);
    editor->EditorAsFormClick(false);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(panel->isAncestorOf(editor->ScrollBox()));
    EXPECT_EQ(Field<QLineEdit>("__edit", cnTextCenterMiddle)->text(), QStringLiteral("kept"));
    form->close();
}

TEST_F(EditorTest, ControlsGoLaterNeverInsideTheirOwnSignal)
{
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    Select({task});
    QPointer<QLineEdit> comment = Field<QLineEdit>("__edit", cnTextCenterMiddle);
    ASSERT_TRUE(comment);
    // A rebuild asked for from inside the field's own change signal.
    QObject::connect(comment, &QLineEdit::textEdited, editor.get(), [this] { editor->PageControl1Change(); });
    Type(comment, QStringLiteral("x"));
    EXPECT_TRUE(comment); // still alive: freed later
    EXPECT_EQ(core->GetData_(task, cnTextCenterMiddle), QStringLiteral("x"));
    EXPECT_NE(Field<QLineEdit>("__edit", cnTextCenterMiddle), comment.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(comment);
}

TEST_F(EditorTest, LinksOpenOnlyWhatIsSafe)
{
    const int column = core->GetConnection(tbTable, cnTextCenterMiddle);
    core->SetColumnType(tbTable, column, ctLink);
    editor->PageControl1Change();
    TNodeData *task = AddTask("Position 1", "04.03.2024", "2");
    Select({task});
    ASSERT_NE(editor->Control(QStringLiteral("__button"), column), nullptr);
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("notes.txt"));
    const QString program = dir.filePath(QStringLiteral("run.sh"));
    ASSERT_TRUE(testsupport::writeFile(document, "text"));
    ASSERT_TRUE(testsupport::writeFile(program, "#!/bin/sh\n"));

    core->SetData(task, column, "https://example.com/plan");
    editor->UpdateEditor();
    editor->LinkPanelClick(column);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/plan"))});
    EXPECT_TRUE(window.questions.isEmpty());

    // A file only after the user agreed.
    core->SetData(task, column, document);
    editor->UpdateEditor();
    window.answers = {mrNo, mrYes};
    editor->LinkPanelClick(column);
    EXPECT_EQ(opened.size(), 1);
    editor->LinkPanelClick(column);
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(opened.last(), QUrl::fromLocalFile(document));

    // Programs, other schemes and missing files are refused.
    for (const QString &refused : {program, QStringLiteral("smb://server/share"), dir.filePath(QStringLiteral("gone.pdf"))}) {
        core->SetData(task, column, refused);
        editor->UpdateEditor();
        window.answers = {mrOk};
        editor->LinkPanelClick(column);
    }
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(window.questions.size(), 5);

    EXPECT_EQ(ClassifyLink(QStringLiteral("mailto:office@example.com"), QString()).kind, lkMail);
    EXPECT_EQ(ClassifyLink(QStringLiteral("www.example.com"), QString()).kind, lkWeb);
    EXPECT_EQ(ClassifyLink(QStringLiteral("notes.txt"), dir.path()).kind, lkFile);
    EXPECT_EQ(ClassifyLink(QStringLiteral("javascript:alert(1)"), QString()).kind, lkRefused);
    EXPECT_EQ(ClassifyLink(QStringLiteral("  "), QString()).kind, lkNone);
}

TEST_F(EditorTest, AutofillFromTheFileBesideTheDocument)
{
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("plan.zop"));
    ASSERT_TRUE(testsupport::writeFile(document, "<document />"));
    sync->NewDirWatchThread(document);
    const int customer = core->GetConnection(tbTable, cnTextCenterMiddle);
    const int state = core->GetConnection(tbTable, cnColor);
    core->SetColumnCaption(tbTable, customer, QStringLiteral("Customer"));
    const QString file = dir.filePath(QStringLiteral("plan.autofill"));
    ASSERT_TRUE(testsupport::writeFile(file, "customer;State\r\nMiller;State 2\r\nSmith;State 3\r\n"));
    editor->PageControl1Change();
    auto *label = editor->NamePanel()->findChild<QLabel *>(QStringLiteral("__label") + QString::number(customer));
    EXPECT_EQ(label->text(), QStringLiteral("Customer    *"));
    auto *fill = qobject_cast<QToolButton *>(editor->Control(QStringLiteral("__autofill"), customer));
    ASSERT_NE(fill, nullptr);
    EXPECT_EQ(fill->text(), QStringLiteral("A"));
    EXPECT_NE(editor->Control(QStringLiteral("__autofill"), state), nullptr);
    EXPECT_EQ(editor->Control(QStringLiteral("__autofill"), core->GetConnection(tbTable, cnStart)), nullptr);

    TNodeData *a = AddTask("Position 1", "04.03.2024", "2");
    TNodeData *b = AddTask("Position 2", "05.03.2024", "2");
    core->SetData(b, customer, "Jones");
    Select({a, b});
    auto *field = Field<TAutocompletingEdit>("__edit", cnTextCenterMiddle);
    // Entering the field fills its completion from the table and the file.
    panel->show();
    field->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(field->Items().contains(QStringLiteral("Miller")));
    EXPECT_TRUE(field->Items().contains(QStringLiteral("Jones")));

    Type(field, QStringLiteral("smi"));
    const std::size_t entries = undo.UndoList().size();
    fill->click();
    for (TNodeData *node : {a, b}) {
        EXPECT_EQ(core->GetData(node, customer), QStringLiteral("Smith"));
        EXPECT_EQ(core->GetData(node, state), QStringLiteral("State 3"));
    }
    EXPECT_EQ(field->text(), QStringLiteral("Smith"));
    core->Undo();
    EXPECT_EQ(undo.UndoList().size(), entries);
    EXPECT_EQ(core->GetData(a, state), QStringLiteral("State 1"));

    // The file is read again when the task page comes back.
    ASSERT_TRUE(testsupport::writeFile(file, "Customer;State\r\nMiller;State 2\r\nMiller;State 3\r\n"));
    core->SetActiveTable(tbExclude);
    editor->PageControl1Change();
    core->SetActiveTable(tbTable);
    editor->PageControl1Change();
    EXPECT_EQ(editor->Control(QStringLiteral("__autofill"), customer), nullptr);
    EXPECT_NE(editor->Control(QStringLiteral("__autofill"), state), nullptr);
}

// The user's road in the main window: a new entry shows the docked editor at once with the
// focus in its first field; a selection made in the table fills it; the View menu moves it
// into its own window.
TEST(EditorWindowTest, NewEntryAndSelectionsInTheMainWindow)
{
    SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
    {
        TScriptedMainForm form;
        form.show();
        QApplication::setActiveWindow(&form);
        QApplication::processEvents();
        TPlannerCore &core = form.Core();
        TPropertyEditor &editor = form.Editor();
        EXPECT_TRUE(form.EditorPanel->isHidden());
        form.ActionAddNode->trigger();
        QApplication::processEvents();
        EXPECT_FALSE(form.EditorPanel->isHidden());
        const int position = core.GetConnection(tbTable, cnPosition);
        QWidget *first = editor.Control(QStringLiteral("__edit"), position);
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(first->hasFocus());

        // Typing into the docked editor writes the selected row.
        TNodeData *row = nullptr;
        core.ForEach(tbTable, feAll, [&row](TNodeData *node) { row = node; });
        ASSERT_NE(row, nullptr);
        auto *comment = qobject_cast<QLineEdit *>(editor.Control(QStringLiteral("__edit"), core.GetConnection(tbTable, cnTextCenterMiddle)));
        ASSERT_NE(comment, nullptr);
        QTest::keyClicks(comment, QStringLiteral("typed"));
        EXPECT_EQ(core.GetData_(row, cnTextCenterMiddle), QStringLiteral("typed"));

        // A second row selected in the table: the fields show what both share.
        TNodeData *other = core.AddNode(core.GetFreeID(), tbTable, true);
        core.SetData_(other, cnPosition, core.GetData_(row, cnPosition));
        form.StringTreeGrid1->SetSelected(other->VNode, true);
        QApplication::processEvents();
        EXPECT_EQ(qobject_cast<QComboBox *>(editor.Control(QStringLiteral("__edit"), position))->currentText(),
                  core.GetData_(row, cnPosition));
        comment = qobject_cast<QLineEdit *>(editor.Control(QStringLiteral("__edit"), core.GetConnection(tbTable, cnTextCenterMiddle)));
        EXPECT_EQ(comment->text(), QString());

        auto *asWindow = form.findChild<QAction *>(QStringLiteral("EditorAsForm"));
        ASSERT_NE(asWindow, nullptr);
        asWindow->trigger();
        ASSERT_NE(editor.EditorForm(), nullptr);
        EXPECT_TRUE(editor.EditorForm()->isVisible());
        EXPECT_EQ(editor.EditorForm()->StatusText(), QStringLiteral("2 items selected"));
        EXPECT_TRUE(form.EditorPanel->isHidden());
        asWindow->trigger();
        EXPECT_FALSE(editor.EditorForm()->isVisible());
        EXPECT_FALSE(form.EditorPanel->isHidden());
    }
    ResetDateFormats();
}
