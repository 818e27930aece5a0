#pragma once

#include "treegrid/CustomStringTreeGrid.h"

// The string tree the planner lays on its forms; its option object is a TStringTreeOptions.
class TStringTreeGrid : public TCustomStringTreeGrid
{
    Q_OBJECT

public:
    explicit TStringTreeGrid(QWidget *parent = nullptr);
    ~TStringTreeGrid() override;

    TStringTreeOptions &TreeOptions() const { return static_cast<TStringTreeOptions &>(TBaseTreeGrid::TreeOptions()); }
};
