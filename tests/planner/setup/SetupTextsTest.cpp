// Tabs already stored in a document's setup texts (a resource's name, a pick-list value, an
// absence reason, a group, a holiday, a column caption) go on the OK of the dialog that shows
// them, whether or not the user edited them; the rows carrying such a value keep it, cleaned.

#include "planner/window/WindowTestSupport.h"

#include <QMap>
#include <QPushButton>

#include "CommaText.h"
#include "dialogs/EditTableColumnDialog.h"
#include "dialogs/DefineHolidayDialog.h"
#include "dialogs/ListGrid.h"
#include "dialogs/OrganizePositionsDialog.h"
#include "dialogs/SetupAbsentDaysDialog.h"
#include "dialogs/SetupDialogs.h"
#include "dialogs/SetupPositionsDialog.h"
#include "dialogs/SetupTableDialog.h"

using namespace userinput;

namespace {

constexpr int CommentColumn = 5;

class SetupTextsTest : public windowtest::MainWindowTest
{
protected:
    // A document whose texts carry a leading tab, with a task and an absent day using them.
    QString WriteTabbedDocument(const QString &name)
    {
        TOtherDocument document;
        TPlannerCore &c = document.core;
        const QString tabbed = QStringLiteral("\tR01-Anna");
        QStringList &positions = c.ColumnStrings(tbTable, c.GetConnection(tbTable, cnPosition));
        positions[0] = CommaTextOf({tabbed});
        c.ColumnStrings(tbTable, c.GetConnection(tbTable, cnColor))[0] = CommaTextOf({QStringLiteral("\tRunning")});
        c.ColumnStrings(tbExclude, c.GetConnection(tbExclude, cnColor))[0] = CommaTextOf({QStringLiteral("\tHoliday")});
        c.SetColumnCaption(tbTable, CommentColumn, QStringLiteral("\tComment"));
        c.AddPositionGroup(QStringLiteral("\tTeam"), CommaTextOf({positions[0]}));
        c.AddHoliday(QStringLiteral("\tNeujahr"), 1, 1, true, false);
        TNodeData *task = AddTaskRow(c, tabbed, QStringLiteral("02.03.2026"), QStringLiteral("2"));
        c.SetData_(task, cnColor, QStringLiteral("\tRunning"));
        TNodeData *absence = AddAbsenceRow(c, tabbed, EncodeDate(2026, 3, 9), 1, true);
        c.SetData_(absence, cnColor, QStringLiteral("\tHoliday"));
        const QString path = dir.filePath(name);
        return document.file->SaveTo(path) ? path : QString();
    }
    // Every text of the document that carried a tab, by what it is.
    QMap<QString, QString> Texts() const
    {
        const auto first = [](const QStringList &entries) { return ParseCommaText(entries.value(0)).value(0); };
        const auto cell = [this](TWhichTable table, TConnection cn) {
            TNodeData *row = nullptr;
            core->ForEach(table, feAll, [&row](TNodeData *node) { row = row ? row : node; });
            return row ? core->GetData_(row, cn) : QStringLiteral("no row");
        };
        return {
            {QStringLiteral("resource"), first(core->GetColumnStrings(tbTable, core->GetConnection(tbTable, cnPosition)))},
            {QStringLiteral("task's resource"), cell(tbTable, cnPosition)},
            {QStringLiteral("absence's resource"), cell(tbExclude, cnPosition)},
            {QStringLiteral("group member"), ParseCommaText(ParseCommaText(core->FPositionGroup.value(1)).value(0)).value(0)},
            {QStringLiteral("state"), first(core->GetColumnStrings(tbTable, core->GetConnection(tbTable, cnColor)))},
            {QStringLiteral("task's state"), cell(tbTable, cnColor)},
            {QStringLiteral("column"), core->GetColumnCaption(tbTable, CommentColumn)},
            {QStringLiteral("reason"), first(core->GetColumnStrings(tbExclude, core->GetConnection(tbExclude, cnColor)))},
            {QStringLiteral("absence's reason"), cell(tbExclude, cnColor)},
            {QStringLiteral("group"), core->GroupTabCaptions().value(1)},
            {QStringLiteral("holiday"), core->GetHolidayData(0) ? core->GetHolidayData(0)->name : QString()},
        };
    }

    QTemporaryDir dir;
};

struct TRoad
{
    const char *name;
    QAction *TMainForm::*item;
    // The dialog, and what the user does in it before OK.
    std::function<QDialog *(TSetupDialogs &)> dialog;
    std::function<void(TSetupDialogs &)> act;
    // The texts the dialog shows.
    QStringList shows;
};

} // namespace

TEST_F(SetupTextsTest, EverySetupDialogCleansTheTextsItShowsOnOK)
{
    const QStringList resources{QStringLiteral("resource"), QStringLiteral("task's resource"),
                                QStringLiteral("absence's resource"), QStringLiteral("group member")};
    const QStringList table{QStringLiteral("state"), QStringLiteral("task's state"), QStringLiteral("column")};
    const std::vector<TRoad> roads = {
        {"Edit resources", &TMainForm::Arbeitspltzebearbeiten1,
         [](TSetupDialogs &d) { return static_cast<QDialog *>(d.SetupPositionsDialog); }, nullptr, resources},
        {"Edit Table \"Tasks\"", &TMainForm::Tabellebearbeiten1,
         [](TSetupDialogs &d) { return static_cast<QDialog *>(d.SetupTableDialog); }, nullptr, table},
        {"Edit Table \"Tasks\", Edit Column of the state", &TMainForm::Tabellebearbeiten1,
         [](TSetupDialogs &d) { return static_cast<QDialog *>(d.SetupTableDialog); },
         [](TSetupDialogs &d) {
             TSetupTableDialog *tableDialog = d.SetupTableDialog;
             TEditTableColumnDialog *editor = tableDialog->EditTableColumnDialog;
             bool edited = false;
             WhenShown(tableDialog, [editor] { return static_cast<QWidget *>(editor); }, [&](QWidget *) {
                 QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
             }, &edited);
             TListGrid *list = tableDialog->ListView1;
             const int state = tableDialog->Setup().Connections[cnColor];
             ClickCell(list, list->RowNode(state), 0);
             QTest::mouseClick(tableDialog->ButtonEdit, Qt::LeftButton);
             EXPECT_TRUE(WaitUntil([&] { return edited && !editor->isVisible(); }));
         },
         table},
        {"Edit Table \"Days absent\"", &TMainForm::Fehltagebearbeiten1,
         [](TSetupDialogs &d) { return static_cast<QDialog *>(d.SetupAbsentDaysDialog); }, nullptr,
         {QStringLiteral("reason"), QStringLiteral("absence's reason")}},
        {"Group resources", &TMainForm::ositionengruppieren1,
         [](TSetupDialogs &d) { return static_cast<QDialog *>(d.OrganizePositionsDialog); }, nullptr,
         {QStringLiteral("group")}},
        {"Edit Holiday", &TMainForm::EditHoliday1,
         [](TSetupDialogs &d) { return static_cast<QDialog *>(d.DefineHolidayDialog); }, nullptr,
         {QStringLiteral("holiday")}},
    };
    int n = 0;
    for (const TRoad &road : roads) {
        SCOPED_TRACE(road.name);
        const QString file = WriteTabbedDocument(QStringLiteral("plan%1.zop").arg(++n));
        ASSERT_FALSE(file.isEmpty());
        form->Open(file);
        const QMap<QString, QString> before = Texts();
        for (const QString &text : before)
            ASSERT_TRUE(text.startsWith(QLatin1Char('\t'))) << text.toStdString();
        TSetupDialogs &dialogs = form->SetupDialogs();
        QDialog *dialog = road.dialog(dialogs);
        ASSERT_TRUE(WorkDialog(form->Format1, form.get()->*road.item, [dialog] { return dialog; }, [&](QWidget *) {
            if (road.act)
                road.act(dialogs);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("ButtonOK"), Qt::FindDirectChildrenOnly), Qt::LeftButton);
        }));
        const QMap<QString, QString> after = Texts();
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const QString expected = road.shows.contains(it.key()) ? it.value().mid(1) : it.value();
            EXPECT_EQ(after.value(it.key()), expected) << it.key().toStdString();
        }
    }
    EXPECT_TRUE(form->questions.isEmpty()) << form->questions.join(QLatin1Char('\n')).toStdString();
}
