// Check state of TBaseTreeGrid: check boxes, tri-state boxes, radio buttons and buttons.

#include "treegrid/BaseTreeGrid.h"

#include <functional>
#include <vector>

namespace {

bool isBox(TCheckType type)
{
    return type == TCheckType::ctCheckBox || type == TCheckType::ctTriStateCheckBox;
}

bool isChecked(TCheckState state)
{
    return state == csCheckedNormal || state == csCheckedPressed;
}

bool isUnchecked(TCheckState state)
{
    return state == csUncheckedNormal || state == csUncheckedPressed;
}

bool isMixed(TCheckState state)
{
    return state == csMixedNormal || state == csMixedPressed;
}

} // namespace

TCheckState TBaseTreeGrid::CheckState(PGridNode node) const
{
    return node ? node->CheckState : csUncheckedNormal;
}

void TBaseTreeGrid::SetCheckState(PGridNode node, TCheckState value)
{
    if (!node || node == FRoot || IsRemoved(node) || node->CheckState == value || node->States.contains(vsDisabled))
        return;
    if (DoChecking(node, value))
        DoCheckClick(node, value);
}

TCheckType TBaseTreeGrid::CheckType(PGridNode node) const
{
    return node ? node->CheckType : TCheckType::ctNone;
}

void TBaseTreeGrid::SetCheckType(PGridNode node, TCheckType value)
{
    if (!node || node == FRoot || node->CheckType == value || FOptions->MiscOptions().contains(toReadOnly))
        return;
    node->CheckType = value;
    node->CheckState = csUncheckedNormal;
    // A new box below a settled tri-state parent takes the parent's state.
    if (FOptions->AutoOptions().contains(toAutoTristateTracking) && isBox(value)) {
        const PGridNode parent = node->Parent;
        if (parent && parent != FRoot && parent->CheckType == TCheckType::ctTriStateCheckBox
            && (parent->CheckState == csUncheckedNormal || parent->CheckState == csCheckedNormal))
            SetCheckState(node, parent->CheckState);
    }
    InvalidateNode(node);
}

bool TBaseTreeGrid::DoChecking(PGridNode node, TCheckState &newCheckState)
{
    if (FOptions->MiscOptions().contains(toReadOnly))
        return false;
    bool allowed = true;
    Raise(OnChecking, node, newCheckState, allowed);
    // A node the handler removed has no state to change.
    return allowed && !IsRemoved(node);
}

void TBaseTreeGrid::DoCheckClick(PGridNode node, TCheckState newCheckState)
{
    if (ChangeCheckState(node, newCheckState) && !IsRemoved(node))
        DoChecked(node);
}

void TBaseTreeGrid::DoChecked(PGridNode node)
{
    Raise(OnChecked, node);
}

TCheckState TBaseTreeGrid::DetermineNextCheckState(TCheckType checkType, TCheckState checkState) const
{
    switch (checkType) {
    case TCheckType::ctTriStateCheckBox:
    case TCheckType::ctCheckBox:
        return isChecked(checkState) ? csUncheckedNormal : csCheckedNormal;
    case TCheckType::ctRadioButton:
        return csCheckedNormal;
    case TCheckType::ctButton:
        return csUncheckedNormal;
    case TCheckType::ctNone:
        break;
    }
    return csMixedNormal;
}

void TBaseTreeGrid::UpdateColumnCheckState(TTreeGridColumn *column)
{
    if (column)
        column->SetCheckState(DetermineNextCheckState(column->CheckType(), column->CheckState()));
}

namespace {

// One level of nested check changes: the tree is in check propagation while any runs.
class TCheckPropagation
{
public:
    TCheckPropagation(std::uint32_t &count, const std::function<void(bool)> &changed)
        : FCount(count)
        , FChanged(changed)
    {
        if (FCount++ == 0)
            FChanged(true);
    }
    ~TCheckPropagation()
    {
        if (--FCount == 0)
            FChanged(false);
    }
    TCheckPropagation(const TCheckPropagation &) = delete;
    TCheckPropagation &operator=(const TCheckPropagation &) = delete;

private:
    std::uint32_t &FCount;
    std::function<void(bool)> FChanged;
};

} // namespace

bool TBaseTreeGrid::ChangeCheckState(PGridNode node, TCheckState value)
{
    if (!node || node == FRoot || IsRemoved(node) || node->States.contains(vsChecking))
        return false;
    // Every handler told on the way (the node's and its children's initialisation, the
    // children's and the parent's checks) may remove the node: its change ends there.
    node->States.include(vsChecking);
    if (!node->States.contains(vsInitialized))
        InitNode(node);
    const TCheckPropagation propagation(FCheckPropagationCount, [this](bool entering) {
        if (entering)
            DoStateChange({tsCheckPropagation});
        else
            DoStateChange({}, {tsCheckPropagation});
    });
    if (IsRemoved(node))
        return false;

    const bool tracking = FOptions->AutoOptions().contains(toAutoTristateTracking);
    if (tracking && node->CheckType == TCheckType::ctTriStateCheckBox && node->ChildCount > 0
        && (isChecked(value) || isUnchecked(value))) {
        int unchecked = 0;
        int checked = 0;
        int mixed = 0;
        std::vector<PGridNode> children;
        for (PGridNode child = node->FirstChild; child; child = child->NextSibling)
            children.push_back(child);
        for (PGridNode child : children) {
            // The check type is given when a node is initialised.
            if (!IsRemoved(child) && !child->States.contains(vsInitialized))
                InitNode(child);
            if (IsRemoved(node))
                return false;
            if (IsRemoved(child) || !isBox(child->CheckType))
                continue;
            SetCheckState(child, value);
            if (IsRemoved(node))
                return false;
            if (IsRemoved(child))
                continue;
            if (isChecked(child->CheckState))
                ++checked;
            else if (isMixed(child->CheckState))
                ++mixed;
            else
                ++unchecked;
        }
        // When no child took a state of its own (all refused, or none is a box), the requested
        // value stands.
        if (mixed > 0)
            value = csMixedNormal;
        else if (checked > 0)
            value = unchecked > 0 ? csMixedNormal : csCheckedNormal;
    }

    if (node->CheckType == TCheckType::ctRadioButton && isChecked(value)) {
        // Siblings change directly, without events: a radio group has one checked member.
        for (PGridNode sibling = node->Parent->FirstChild; sibling; sibling = sibling->NextSibling) {
            if (sibling != node && sibling->CheckType == TCheckType::ctRadioButton)
                sibling->CheckState = csUncheckedNormal;
        }
        Invalidate();
    }

    node->CheckState = value;

    bool result = true;
    const PGridNode parent = node->Parent;
    if (tracking && isBox(node->CheckType) && parent && parent != FRoot
        && !parent->States.contains(vsChecking) && !parent->States.contains(vsDisabled)
        && parent->CheckType == TCheckType::ctTriStateCheckBox)
        result = CheckParentCheckState(node, value);
    if (IsRemoved(node))
        return false;

    InvalidateNode(node);
    node->States.exclude(vsChecking);
    return result;
}

bool TBaseTreeGrid::CheckParentCheckState(PGridNode node, TCheckState newCheckState)
{
    const PGridNode parent = node->Parent;
    int count = 0;
    int checked = 0;
    bool mixed = false;
    for (PGridNode run = parent->FirstChild; run; run = run->NextSibling) {
        if (!isBox(run->CheckType))
            continue;
        const TCheckState state = run == node ? newCheckState : run->CheckState;
        ++count;
        if (isChecked(state))
            ++checked;
        if (isMixed(state))
            mixed = true;
    }
    TCheckState parentState;
    if (checked == 0 && !mixed)
        parentState = csUncheckedNormal;
    else if (checked < count)
        parentState = csMixedNormal;
    else
        parentState = csCheckedNormal;

    // The parent is asked even when its state stays: its handler may refuse the child's change.
    const bool allowed = DoChecking(parent, parentState);
    // The parent's own change carries the state on to the grandparent, once.
    if (allowed)
        DoCheckClick(parent, parentState);
    return allowed && !IsRemoved(node);
}
