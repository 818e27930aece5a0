#pragma once

#include "treegrid/TreeGridTypes.h"

// The option object of a tree. Each setter stores the new set and lets the owning tree react
// (repaint, clear the selection, recount hidden nodes...); the tree owns this object.
class TCustomTreeGridOptions
{
    friend class TBaseTreeGrid; // lifts toReadOnly for destruction and loading without reactions

public:
    explicit TCustomTreeGridOptions(TBaseTreeGrid *owner) : FOwner(owner) {}
    virtual ~TCustomTreeGridOptions() = default;
    TCustomTreeGridOptions(const TCustomTreeGridOptions &) = delete;
    TCustomTreeGridOptions &operator=(const TCustomTreeGridOptions &) = delete;

    TBaseTreeGrid *Owner() const { return FOwner; }

    TTGPaintOptions PaintOptions() const { return FPaintOptions; }
    TTGAnimationOptions AnimationOptions() const { return FAnimationOptions; }
    TTGAutoOptions AutoOptions() const { return FAutoOptions; }
    TTGSelectionOptions SelectionOptions() const { return FSelectionOptions; }
    TTGMiscOptions MiscOptions() const { return FMiscOptions; }
    TTGExportMode ExportMode() const { return FExportMode; }

    void SetPaintOptions(TTGPaintOptions value);
    void SetAnimationOptions(TTGAnimationOptions value);
    void SetAutoOptions(TTGAutoOptions value);
    void SetSelectionOptions(TTGSelectionOptions value);
    void SetMiscOptions(TTGMiscOptions value);
    void SetExportMode(TTGExportMode value) { FExportMode = value; }

    // Copies the five option sets (not the export mode) through the setters.
    virtual void AssignTo(TCustomTreeGridOptions &target) const;

private:
    TBaseTreeGrid *FOwner; // the tree that owns this object
    TTGPaintOptions FPaintOptions = DefaultPaintOptions;
    TTGAnimationOptions FAnimationOptions = DefaultAnimationOptions;
    TTGAutoOptions FAutoOptions = DefaultAutoOptions;
    TTGSelectionOptions FSelectionOptions = DefaultSelectionOptions;
    TTGMiscOptions FMiscOptions = DefaultMiscOptions;
    TTGExportMode FExportMode = emAll;
};

class TCustomStringTreeOptions : public TCustomTreeGridOptions
{
public:
    using TCustomTreeGridOptions::TCustomTreeGridOptions;

    TTGStringOptions StringOptions() const { return FStringOptions; }
    void SetStringOptions(TTGStringOptions value);

    void AssignTo(TCustomTreeGridOptions &target) const override;

private:
    TTGStringOptions FStringOptions = DefaultStringOptions;
};

// The published option class of TStringTreeGrid.
class TStringTreeOptions : public TCustomStringTreeOptions
{
public:
    using TCustomStringTreeOptions::TCustomStringTreeOptions;
};
