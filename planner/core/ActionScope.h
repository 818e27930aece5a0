#pragma once

// One user action on the document, for the lifetime of the scope: its changes form one undo
// group (a new one, or the group of the action it runs inside, or the group given), and the
// views follow once, when it ends (TViewRefresh), however many rows it changes. Every command
// that may change more than one row runs inside one.

#include <QString>

#include "core/ViewRefresh.h"

class TPlannerCore;

// A bracket of rows only (TPlannerCore::BeginRowUpdate) for its lifetime, closed on every way
// out: undo, redo, cut, paste, a rubber band.
class TRowUpdateScope
{
public:
    TRowUpdateScope(TPlannerCore &core, const QString &text);
    ~TRowUpdateScope();

    TRowUpdateScope(const TRowUpdateScope &) = delete;
    TRowUpdateScope &operator=(const TRowUpdateScope &) = delete;

private:
    TPlannerCore &FCore;
};

class TActionScope
{
public:
    explicit TActionScope(TPlannerCore &core);
    // The changes join `group` (-1: none), a gesture's group kept between its events.
    TActionScope(TPlannerCore &core, int group);
    ~TActionScope();
    int Group() const;

    TActionScope(const TActionScope &) = delete;
    TActionScope &operator=(const TActionScope &) = delete;

private:
    TPlannerCore &FCore;
    int FOuter;
    TViewRefresh::THeld FHeld;
};
