#pragma once

// A planner core on two real tree-grids with a window that records what the core shows and
// answers its questions from a script.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>

#include "DateFormat.h"
#include "Helper.h"
#include "PlannerCore.h"
#include "PlannerWindow.h"
#include "UndoRedo.h"
#include "treegrid/StringTreeGrid.h"

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

    std::deque<int> answers;
    QStringList questions;
    QString status[4];
    int rowsInvalidated = 0;
    int chartInvalidated = 0;
    int pageChanges = 0;
    int flashes = 0;
    bool busy = false;
};

class CoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
        tasks.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        absent.reset(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        core->ActionNewExecute();
        core->ClearDelayedFlags();
    }
    void TearDown() override
    {
        core.reset();
        ResetDateFormats();
    }

    // A task row with the given cells (position name, start text, length text), journalled.
    TNodeData *AddTask(const QString &position, const QString &start, const QString &length)
    {
        TNodeData *node = core->AddNode(core->GetFreeID(), tbTable, true);
        core->SetData_(node, cnPosition, position);
        core->SetData_(node, cnStart, start);
        core->SetData_(node, cnLength, length);
        return node;
    }
    int Count(TWhichTable table, TForEachNode selector)
    {
        int n = 0;
        core->ForEach(table, selector, [&n](TNodeData *) { ++n; });
        return n;
    }

    TScriptedWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks;
    std::unique_ptr<TStringTreeGrid> absent;
    std::unique_ptr<TPlannerCore> core; // declared last: destroyed before the grids
};
