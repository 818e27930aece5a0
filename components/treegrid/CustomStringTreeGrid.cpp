#include "treegrid/CustomStringTreeGrid.h"

TCustomStringTreeGrid::TCustomStringTreeGrid(QWidget *parent)
    : TBaseTreeGrid(parent)
    , FDefaultText(QStringLiteral("Node"))
{
    // Replaced before any node exists, so nothing refers to the base options yet.
    auto options = std::make_unique<TCustomStringTreeOptions>(this);
    FOptions->AssignTo(*options);
    FOptions = std::move(options);
    FInternalDataOffset = AllocateInternalDataArea(4);
}

TCustomStringTreeGrid::~TCustomStringTreeGrid()
{
    DestroyTree();
}

void TCustomStringTreeGrid::SetDefaultText(const QString &value)
{
    if (FDefaultText == value)
        return;
    FDefaultText = value;
    if (!FLoading)
        Invalidate();
}
