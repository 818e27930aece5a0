#include "treegrid/StringTreeGrid.h"

TStringTreeGrid::TStringTreeGrid(QWidget *parent)
    : TCustomStringTreeGrid(parent)
{
    auto options = std::make_unique<TStringTreeOptions>(this);
    static_cast<TCustomStringTreeOptions &>(*FOptions).AssignTo(*options);
    FOptions = std::move(options);
}

TStringTreeGrid::~TStringTreeGrid()
{
    DestroyTree();
}
