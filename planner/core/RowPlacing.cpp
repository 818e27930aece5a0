#include "core/RowPlacing.h"

#include "core/PlannerCore.h"
#include "core/RowPlacer.h"

TRowPlacing::TRowPlacing(TPlannerCore &core) : FPlacer(*core.FRowPlacer)
{
    FPlacer.Begin();
}

TRowPlacing::~TRowPlacing()
{
    FPlacer.End();
}
