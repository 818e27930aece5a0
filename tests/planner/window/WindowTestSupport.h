#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QString>

#include <functional>
#include <memory>

#include "planner/CoreTestSupport.h"

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

// Runs the event loop until `done` or five seconds passed.
inline bool WaitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace windowtest
