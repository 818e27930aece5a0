#pragma once

// A planner core on two real tree-grids with a window that records what the core shows and
// answers its questions from a script.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <random>
#include <vector>

#include "CommaText.h"
#include "DateFormat.h"
#include "window/FormMain.h"
#include "Helper.h"
#include "core/PlannerCore.h"
#include "core/PlannerWindow.h"
#include "core/UndoRedo.h"
#include "document/DocumentFile.h"
#include "sync/DocumentSync.h"
#include "treegrid/StringTreeGrid.h"
#include "common/TestSupport.h"

class TScriptedWindow : public IPlannerWindow
{
public:
    void InvalidateRow(TNodeData &) override { ++rowsInvalidated; }
    void InvalidateChart() override { ++chartInvalidated; }
    void SetStatusText(int panel, const QString &text) override { status[panel] = text; }
    int Ask(const QString &text, TMsgDlgType, TMsgDlgButtons) override
    {
        questions.append(text);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return mrCancel;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void SetBusyCursor(bool value) override { busy = value; }
    void ActiveTableChanged() override { ++pageChanges; }
    void FlashSelectedBars() override { ++flashes; }
    int TimeChartWidthInDays() const override { return 60; }
    void CenterNode(TNodeData &node) override { centred.push_back(&node); }
    void SeteditorVisible(bool visible) override
    {
        editorVisible = visible;
        ++editorVisibilityRequests;
    }
    void UpdateEditor() override { ++editorUpdates; }
    void SetSharingNotice(const QString &text) override { notice = text; }

    std::deque<int> answers;
    QStringList questions;
    QString status[4];
    QString notice;
    int rowsInvalidated = 0;
    int chartInvalidated = 0;
    int pageChanges = 0;
    int flashes = 0;
    bool busy = false;
    std::vector<TNodeData *> centred;
    bool editorVisible = false;
    int editorVisibilityRequests = 0;
    int editorUpdates = 0;
};

// A second document of its own, as another window or instance has it: a core on its own
// grids with its synchronisation and document file, a new empty document to begin with.
struct TOtherDocument
{
    TOtherDocument() { core.ActionNewExecute(); }

    // Made in this order and destroyed in the reverse: the core goes before its grids.
    TScriptedWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TStringTreeGrid> absent{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TPlannerCore> corePtr{std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo)};
    TPlannerCore &core = *corePtr;
    std::unique_ptr<TDocumentSync> sync{std::make_unique<TDocumentSync>(core)};
    std::unique_ptr<TDocumentFile> file{std::make_unique<TDocumentFile>(core, *sync)};
};

// The first item of each comma-text entry: the names of a pick list or of position rows.
inline QStringList FirstItems(const QStringList &entries)
{
    QStringList items;
    for (const QString &entry : entries)
        items.append(ParseCommaText(entry).value(0));
    return items;
}

// A task row with the given cells (position name, start text, length text), journalled.
inline TNodeData *AddTaskRow(TPlannerCore &core, const QString &position, const QString &start, const QString &length)
{
    TNodeData *node = core.AddNode(core.GetFreeID(), tbTable, true);
    core.SetData_(node, cnPosition, position);
    core.SetData_(node, cnStart, start);
    core.SetData_(node, cnLength, length);
    return node;
}

// An absent-day row of `days` days from `start`, counted in working days or not, journalled.
inline TNodeData *AddAbsenceRow(TPlannerCore &core, const QString &position, TDateTime start, int days, bool workDays)
{
    TNodeData *node = core.AddNode(core.GetFreeID(), tbExclude, true);
    core.SetData_(node, cnLengthWithWeekend, BoolName(workDays));
    core.SetData_(node, cnPosition, position);
    core.SetData_(node, cnStart, core.FormatDateTime(start));
    core.SetData_(node, cnLength, QString::number(days));
    return node;
}

// A working week with about three days in four worked, at the default hours.
inline tWeekInfo RandomWorkingDays(std::mt19937 &random)
{
    tWeekInfo week = DefaultWeekInfo();
    for (int d = 0; d < 7; ++d)
        week[d].active = random() % 4 != 0;
    return week;
}

class CoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        tasks.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        absent.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        sync = std::make_unique<TDocumentSync>(*core);
        documentFile = std::make_unique<TDocumentFile>(*core, *sync);
        core->ActionNewExecute();
        core->ClearDelayedFlags();
    }
    void TearDown() override
    {
        documentFile.reset();
        sync.reset();
        core.reset();
        ResetDateFormats();
    }

    TNodeData *AddTask(const QString &position, const QString &start, const QString &length)
    {
        return AddTaskRow(*core, position, start, length);
    }
    TNodeData *AddAbsence(const QString &position, TDateTime start, int days, bool workDays = false)
    {
        return AddAbsenceRow(*core, position, start, days, workDays);
    }
    int Count(TWhichTable table, TForEachNode selector)
    {
        int n = 0;
        core->ForEach(table, selector, [&n](TNodeData *) { ++n; });
        return n;
    }
    // The names of the position rows shown, in their order.
    QStringList VisibleNames() const { return FirstItems(core->FGlobalPositionFilter); }

    TScriptedWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks;
    std::unique_ptr<TStringTreeGrid> absent;
    std::unique_ptr<TPlannerCore> core; // destroyed before the grids
    // The core's synchronisation and document file: destroyed before the core.
    std::unique_ptr<TDocumentSync> sync;
    std::unique_ptr<TDocumentFile> documentFile;
};

// A core test with a small document file in a folder of its own.
class DocumentFolderTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        document = temp.path() + QStringLiteral("/plan.zop");
        ASSERT_TRUE(testsupport::writeFile(document, "<document />"));
    }
    QTemporaryDir temp;
    QString document;
};

// The real main window with its questions answered by a script instead of a modal box; a
// question beyond the script gets the unscripted answer.
class TScriptedMainForm : public TMainForm
{
public:
    explicit TScriptedMainForm(int unscripted = mrCancel) : FUnscripted(unscripted) {}
    int Ask(const QString &text, TMsgDlgType, TMsgDlgButtons) override
    {
        questions.append(text);
        return answers.empty() ? FUnscripted : answers.takeFirst();
    }
    QStringList questions;
    QList<int> answers;

private:
    int FUnscripted;
};
