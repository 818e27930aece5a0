#include "treegrid/TreeGridOptions.h"

#include "treegrid/BaseTreeGrid.h"

void TCustomTreeGridOptions::SetPaintOptions(TTGPaintOptions value)
{
    if (FPaintOptions == value)
        return;
    const TTGPaintOptions old = FPaintOptions;
    // The worker reads these options while it walks; it must be out of the tree first.
    if (FOwner)
        FOwner->InterruptValidation();
    FPaintOptions = value;
    if (FOwner)
        FOwner->PaintOptionsChanged(old, value);
}

void TCustomTreeGridOptions::SetAnimationOptions(TTGAnimationOptions value)
{
    FAnimationOptions = value;
}

void TCustomTreeGridOptions::SetAutoOptions(TTGAutoOptions value)
{
    if (FAutoOptions == value)
        return;
    const TTGAutoOptions old = FAutoOptions;
    FAutoOptions = value;
    if (FOwner)
        FOwner->AutoOptionsChanged(old, value);
}

void TCustomTreeGridOptions::SetSelectionOptions(TTGSelectionOptions value)
{
    if (FSelectionOptions == value)
        return;
    const TTGSelectionOptions old = FSelectionOptions;
    FSelectionOptions = value;
    if (FOwner)
        FOwner->SelectionOptionsChanged(old, value);
}

void TCustomTreeGridOptions::SetMiscOptions(TTGMiscOptions value)
{
    if (FMiscOptions == value)
        return;
    const TTGMiscOptions old = FMiscOptions;
    if (FOwner && old.contains(toVariableNodeHeight) != value.contains(toVariableNodeHeight))
        FOwner->InterruptValidation();
    FMiscOptions = value;
    if (FOwner)
        FOwner->MiscOptionsChanged(old, value);
}

void TCustomTreeGridOptions::AssignTo(TCustomTreeGridOptions &target) const
{
    if (&target == this)
        return;
    target.SetPaintOptions(FPaintOptions);
    target.SetAnimationOptions(FAnimationOptions);
    target.SetAutoOptions(FAutoOptions);
    target.SetSelectionOptions(FSelectionOptions);
    target.SetMiscOptions(FMiscOptions);
}

void TCustomStringTreeOptions::SetStringOptions(TTGStringOptions value)
{
    if (FStringOptions == value)
        return;
    const TTGStringOptions old = FStringOptions;
    FStringOptions = value;
    if (Owner())
        Owner()->StringOptionsChanged(old, value);
}

void TCustomStringTreeOptions::AssignTo(TCustomTreeGridOptions &target) const
{
    TCustomTreeGridOptions::AssignTo(target);
    if (auto *strings = dynamic_cast<TCustomStringTreeOptions *>(&target); strings && strings != this)
        strings->SetStringOptions(FStringOptions);
}
