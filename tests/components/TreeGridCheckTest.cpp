#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "treegrid/BaseTreeGrid.h"
#include "treegrid/TreeGridHeader.h"

namespace {

class TCheckTestTree : public TBaseTreeGrid
{
public:
    ~TCheckTestTree() override { DestroyTree(); }
};

// A tri-state box with two tri-state boxes below it, each with three check boxes, plus a
// radio group of four beside them.
struct TCheckFixture {
    TCheckTestTree tree;
    PGridNode root = nullptr;
    std::vector<PGridNode> groups;
    std::vector<std::vector<PGridNode>> boxes;
    std::vector<PGridNode> radios;
    std::map<PGridNode, int> checking;
    std::map<PGridNode, int> checked;

    TCheckFixture()
    {
        tree.AfterConstruction();
        root = tree.AddChild(nullptr);
        tree.SetCheckType(root, TCheckType::ctTriStateCheckBox);
        for (int g = 0; g < 2; ++g) {
            PGridNode group = tree.AddChild(root);
            tree.SetCheckType(group, TCheckType::ctTriStateCheckBox);
            groups.push_back(group);
            boxes.emplace_back();
            for (int b = 0; b < 3; ++b) {
                PGridNode box = tree.AddChild(group);
                tree.SetCheckType(box, TCheckType::ctCheckBox);
                boxes.back().push_back(box);
            }
        }
        PGridNode radioParent = tree.AddChild(nullptr);
        for (int r = 0; r < 4; ++r) {
            PGridNode radio = tree.AddChild(radioParent);
            tree.SetCheckType(radio, TCheckType::ctRadioButton);
            radios.push_back(radio);
        }
        tree.OnChecking = [this](TBaseTreeGrid *, PGridNode node, TCheckState &, bool &) { ++checking[node]; };
        tree.OnChecked = [this](TBaseTreeGrid *, PGridNode node) { ++checked[node]; };
    }
    TCheckState state(PGridNode node) const { return tree.CheckState(node); }
    void resetCounts()
    {
        checking.clear();
        checked.clear();
    }
};

} // namespace

TEST(TreeGridCheckTest, TriStateParentsFollowTheirChildren)
{
    TCheckFixture f;
    // Checking the top box checks everything below it.
    f.tree.SetCheckState(f.root, csCheckedNormal);
    EXPECT_EQ(f.state(f.root), csCheckedNormal);
    for (int g = 0; g < 2; ++g) {
        EXPECT_EQ(f.state(f.groups[g]), csCheckedNormal);
        for (PGridNode box : f.boxes[g])
            EXPECT_EQ(f.state(box), csCheckedNormal);
    }
    EXPECT_FALSE(f.tree.TreeStates().contains(tsCheckPropagation));

    // Unchecking one box makes its group and the top mixed.
    f.resetCounts();
    f.tree.SetCheckState(f.boxes[0][1], csUncheckedNormal);
    EXPECT_EQ(f.state(f.groups[0]), csMixedNormal);
    EXPECT_EQ(f.state(f.groups[1]), csCheckedNormal);
    EXPECT_EQ(f.state(f.root), csMixedNormal);
    // Every node that changed hears about it exactly once.
    EXPECT_EQ(f.checked[f.boxes[0][1]], 1);
    EXPECT_EQ(f.checked[f.groups[0]], 1);
    EXPECT_EQ(f.checked[f.root], 1);
    EXPECT_EQ(f.checking[f.root], 1);
    EXPECT_EQ(f.checked.count(f.groups[1]), 0u);

    // A parent whose state stays is still asked, and its own parent too.
    f.resetCounts();
    f.tree.SetCheckState(f.boxes[0][0], csUncheckedNormal);
    EXPECT_EQ(f.state(f.groups[0]), csMixedNormal);
    EXPECT_EQ(f.checking[f.groups[0]], 1);
    EXPECT_EQ(f.checking[f.root], 1);
    EXPECT_EQ(f.checked[f.boxes[0][0]], 1);
    EXPECT_EQ(f.checking.count(f.groups[1]), 0u);

    // Unchecking the rest of the group makes it unchecked; the top stays mixed.
    f.tree.SetCheckState(f.boxes[0][2], csUncheckedNormal);
    EXPECT_EQ(f.state(f.groups[0]), csUncheckedNormal);
    EXPECT_EQ(f.state(f.root), csMixedNormal);
    // Unchecking the other group leaves everything unchecked.
    f.tree.SetCheckState(f.groups[1], csUncheckedNormal);
    for (PGridNode box : f.boxes[1])
        EXPECT_EQ(f.state(box), csUncheckedNormal);
    EXPECT_EQ(f.state(f.root), csUncheckedNormal);

    // Checking all boxes one by one ends checked all the way up.
    for (int g = 0; g < 2; ++g)
        for (PGridNode box : f.boxes[g])
            f.tree.SetCheckState(box, csCheckedNormal);
    EXPECT_EQ(f.state(f.groups[0]), csCheckedNormal);
    EXPECT_EQ(f.state(f.root), csCheckedNormal);
}

TEST(TreeGridCheckTest, RefusedChildrenLeaveTheParentMixed)
{
    TCheckFixture f;
    f.tree.OnChecking = [&](TBaseTreeGrid *, PGridNode node, TCheckState &, bool &allowed) {
        if (node == f.boxes[0][2])
            allowed = false;
    };
    f.tree.SetCheckState(f.groups[0], csCheckedNormal);
    EXPECT_EQ(f.state(f.boxes[0][0]), csCheckedNormal);
    EXPECT_EQ(f.state(f.boxes[0][2]), csUncheckedNormal);
    EXPECT_EQ(f.state(f.groups[0]), csMixedNormal);
    EXPECT_EQ(f.state(f.root), csMixedNormal);

    // When every box refuses, the group keeps the state it was asked for.
    f.tree.OnChecking = [&](TBaseTreeGrid *, PGridNode node, TCheckState &, bool &allowed) {
        if (node->Parent == f.groups[1])
            allowed = false;
    };
    f.tree.SetCheckState(f.groups[1], csCheckedNormal);
    for (PGridNode box : f.boxes[1])
        EXPECT_EQ(f.state(box), csUncheckedNormal);
    EXPECT_EQ(f.state(f.groups[1]), csCheckedNormal);

    // A parent that refuses, even without a change of its own, makes the child's change report
    // failure: the child's state is set, but it hears no OnChecked.
    f.tree.OnChecking = [&](TBaseTreeGrid *, PGridNode node, TCheckState &, bool &allowed) {
        if (node == f.groups[0])
            allowed = false;
    };
    f.checked.clear();
    ASSERT_EQ(f.state(f.groups[0]), csMixedNormal);
    f.tree.SetCheckState(f.boxes[0][1], csUncheckedNormal);
    EXPECT_EQ(f.state(f.boxes[0][1]), csUncheckedNormal);
    EXPECT_EQ(f.state(f.groups[0]), csMixedNormal);
    EXPECT_EQ(f.checked.count(f.boxes[0][1]), 0u);
    f.tree.OnChecking = nullptr;

    // A handler may change the new state.
    f.tree.OnChecking = [&](TBaseTreeGrid *, PGridNode, TCheckState &newState, bool &) {
        if (newState == csUncheckedNormal)
            newState = csMixedNormal;
    };
    f.tree.SetCheckState(f.boxes[0][0], csUncheckedNormal);
    EXPECT_EQ(f.state(f.boxes[0][0]), csMixedNormal);
}

TEST(TreeGridCheckTest, RadioButtonsUncheckTheirSiblingsSilently)
{
    TCheckFixture f;
    f.tree.SetCheckState(f.radios[1], csCheckedNormal);
    EXPECT_EQ(f.state(f.radios[1]), csCheckedNormal);
    f.resetCounts();
    f.tree.SetCheckState(f.radios[3], csCheckedNormal);
    EXPECT_EQ(f.state(f.radios[3]), csCheckedNormal);
    EXPECT_EQ(f.state(f.radios[1]), csUncheckedNormal);
    EXPECT_EQ(f.checked.size(), 1u) << "only the clicked radio button fires events";
    EXPECT_EQ(f.checking.size(), 1u);
    int checkedCount = 0;
    for (PGridNode radio : f.radios)
        checkedCount += f.state(radio) == csCheckedNormal;
    EXPECT_EQ(checkedCount, 1);
}

TEST(TreeGridCheckTest, DisabledReadOnlyAndTypeChanges)
{
    TCheckFixture f;
    PGridNode extra = f.tree.AddChild(f.groups[0]);
    // A new box below a settled tri-state parent takes the parent's state.
    f.tree.SetCheckState(f.groups[1], csCheckedNormal);
    PGridNode late = f.tree.AddChild(f.groups[1]);
    f.tree.SetCheckType(late, TCheckType::ctCheckBox);
    EXPECT_EQ(f.state(late), csCheckedNormal);

    // Disabled nodes refuse check changes.
    f.tree.OnInitNode = [&](TBaseTreeGrid *, PGridNode, PGridNode node, TGridNodeInitStates &states) {
        if (node == extra)
            states += ivsDisabled;
    };
    f.tree.ReinitNode(extra, false);
    f.tree.SetCheckType(extra, TCheckType::ctCheckBox);
    f.tree.SetCheckState(extra, csCheckedNormal);
    EXPECT_EQ(f.state(extra), csUncheckedNormal);

    // Read-only trees refuse checks and check type changes.
    f.tree.TreeOptions().SetMiscOptions(f.tree.TreeOptions().MiscOptions() + toReadOnly);
    f.tree.SetCheckState(f.boxes[0][0], csCheckedNormal);
    EXPECT_EQ(f.state(f.boxes[0][0]), csUncheckedNormal);
    f.tree.SetCheckType(f.boxes[0][0], TCheckType::ctRadioButton);
    EXPECT_EQ(f.tree.CheckType(f.boxes[0][0]), TCheckType::ctCheckBox);
    f.tree.TreeOptions().SetMiscOptions(f.tree.TreeOptions().MiscOptions() - toReadOnly);

    // Changing the type resets the state.
    f.tree.SetCheckState(f.boxes[0][0], csCheckedNormal);
    f.tree.SetCheckType(f.boxes[0][0], TCheckType::ctButton);
    EXPECT_EQ(f.state(f.boxes[0][0]), csUncheckedNormal);

    // Without tri-state tracking nothing propagates.
    f.tree.TreeOptions().SetAutoOptions(f.tree.TreeOptions().AutoOptions() - toAutoTristateTracking);
    f.tree.SetCheckState(f.groups[0], csUncheckedNormal);
    f.tree.SetCheckState(f.boxes[1][0], csUncheckedNormal);
    EXPECT_EQ(f.state(f.groups[1]), csCheckedNormal);
}

TEST(TreeGridCheckTest, PropagationStateIsSetWhileChangesRun)
{
    TCheckFixture f;
    std::vector<bool> during;
    f.tree.OnChecked = [&](TBaseTreeGrid *tree, PGridNode) {
        during.push_back(tree->TreeStates().contains(tsCheckPropagation));
    };
    f.tree.SetCheckState(f.boxes[0][0], csCheckedNormal);
    ASSERT_GE(during.size(), 2u);
    // The box's parents are told inside the propagation; the box itself after it.
    EXPECT_TRUE(during.front());
    EXPECT_FALSE(during.back());
    EXPECT_FALSE(f.tree.TreeStates().contains(tsCheckPropagation));
}

TEST(TreeGridCheckTest, NextCheckStates)
{
    TCheckTestTree tree;
    EXPECT_EQ(tree.DetermineNextCheckState(TCheckType::ctCheckBox, csMixedNormal), csCheckedNormal);
    EXPECT_EQ(tree.DetermineNextCheckState(TCheckType::ctCheckBox, csCheckedNormal), csUncheckedNormal);
    EXPECT_EQ(tree.DetermineNextCheckState(TCheckType::ctCheckBox, csUncheckedPressed), csCheckedNormal);
    EXPECT_EQ(tree.DetermineNextCheckState(TCheckType::ctTriStateCheckBox, csCheckedPressed), csUncheckedNormal);
    EXPECT_EQ(tree.DetermineNextCheckState(TCheckType::ctRadioButton, csCheckedNormal), csCheckedNormal);
    EXPECT_EQ(tree.DetermineNextCheckState(TCheckType::ctButton, csCheckedNormal), csUncheckedNormal);
    EXPECT_EQ(tree.DetermineNextCheckState(TCheckType::ctNone, csUncheckedNormal), csMixedNormal);

    tree.AfterConstruction();
    TTreeGridColumn *column = tree.Header()->Columns()->Add();
    column->SetCheckBox(true);
    tree.UpdateColumnCheckState(column);
    EXPECT_EQ(column->CheckState(), csCheckedNormal);
    tree.UpdateColumnCheckState(column);
    EXPECT_EQ(column->CheckState(), csUncheckedNormal);
}
