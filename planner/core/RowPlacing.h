#pragma once

// Rows placed (TPlannerCore::MoveRowTo, MoveRowBefore, AddNode at a place) while one lives take
// their places together when it goes, in one pass: an undo run, many rows read from another
// instance's journal. They nest.

class TPlannerCore;
class TRowPlacer;

class TRowPlacing
{
public:
    explicit TRowPlacing(TPlannerCore &core);
    ~TRowPlacing();
    TRowPlacing(const TRowPlacing &) = delete;
    TRowPlacing &operator=(const TRowPlacing &) = delete;

private:
    TRowPlacer &FPlacer;
};
