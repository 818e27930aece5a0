#pragma once

#include <QFileInfo>
#include <QString>

#include <memory>

#include "planner/CoreTestSupport.h"
#include "planner/UserInput.h"

namespace windowtest {

// A new document (the two basic tables, no rows) saved as a file; its canonical name, empty
// on failure.
inline QString WriteEmptyDocument(const QString &path)
{
    TScriptedWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
    std::unique_ptr<TStringTreeGrid> absent(TBaseTreeGrid::Create<TStringTreeGrid>(nullptr));
    bool saved = false;
    {
        TPlannerCore core(tasks.get(), absent.get(), window, &undo);
        core.ActionNewExecute();
        saved = core.SaveTo(path);
    }
    return saved ? QFileInfo(path).canonicalFilePath() : QString();
}

} // namespace windowtest
