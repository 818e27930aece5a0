#pragma once

// A pair of calls around a piece of work (a reload, rows rebuilt, an update, a walk): the
// closing call runs on every way out, also when an exception passes, so that nothing the
// opening call began stays on for good (a held editor field, an update bracket, undo
// recording suspended, the busy cursor, held views).

#include <exception>
#include <functional>
#include <utility>

#include "Log.h"

class TBracket
{
public:
    TBracket(const std::function<void()> &open, std::function<void()> close) : FClose(std::move(close))
    {
        if (open)
            open();
    }
    ~TBracket()
    {
        // Already unwinding, or in a destructor: a failing close is said, not thrown.
        try {
            Close();
        } catch (const std::exception &e) {
            Log(QStringLiteral("Closing a bracket failed: ") + QString::fromLocal8Bit(e.what()));
        } catch (...) {
            Log(QStringLiteral("Closing a bracket failed"));
        }
    }
    // Closes it now, once.
    void Close()
    {
        if (auto close = std::exchange(FClose, nullptr))
            close();
    }

    TBracket(const TBracket &) = delete;
    TBracket &operator=(const TBracket &) = delete;

private:
    std::function<void()> FClose;
};
