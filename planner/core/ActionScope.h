#pragma once

// One user action on the document, for the lifetime of the scope: its changes form one undo
// group (a new one, or the group of the action it runs inside, or the group given), and the
// views follow once, when it ends (TViewRefresh), however many rows it changes. Every command
// that may change more than one row runs inside one.

#include "core/ViewRefresh.h"

class TPlannerCore;

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
