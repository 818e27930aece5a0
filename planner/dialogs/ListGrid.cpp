#include "dialogs/ListGrid.h"

#include "treegrid/TreeGridColumn.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridHeader.h"

TListGrid::TListGrid(QWidget *parent) : TStringTreeGrid(parent) {}

void TListGrid::AfterConstruction()
{
    TStringTreeGrid::AfterConstruction();
    TStringTreeOptions &options = TreeOptions();
    options.SetPaintOptions(options.PaintOptions() - TTGPaintOptions{toShowButtons, toShowRoot, toShowTreeLines});
    options.SetSelectionOptions(options.SelectionOptions() + TTGSelectionOptions{toFullRowSelect});
    options.SetMiscOptions(options.MiscOptions() + TTGMiscOptions{toCheckSupport, toReportMode});
    OnInitNode = [this](TBaseTreeGrid *, PGridNode, PGridNode node, TGridNodeInitStates &) {
        if (FCheckBoxes)
            SetCheckType(node, TCheckType::ctCheckBox);
    };
    OnGetText = [this](TBaseTreeGrid *, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
        text = OnRowText ? OnRowText(int(node->Index), std::max(column, 0)) : QString();
    };
    OnChange = [this](TBaseTreeGrid *, PGridNode) {
        const int row = CurrentRow();
        if (row == FLastRow)
            return;
        FLastRow = row;
        if (OnCurrentRowChanged)
            OnCurrentRowChanged(row);
    };
    OnChecked = [this](TBaseTreeGrid *, PGridNode node) {
        if (!FSettingChecks && OnCheckClicked)
            OnCheckClicked(int(node->Index));
    };
    OnDblClick = [this](TBaseTreeGrid *) {
        const int row = CurrentRow();
        if (row >= 0 && OnRowDoubleClicked)
            OnRowDoubleClicked(row);
    };
}

void TListGrid::SetColumns(const QStringList &captions, const QList<int> &widths)
{
    TTreeGridHeader *header = Header();
    header->Columns()->Clear();
    for (int i = 0; i < captions.size(); ++i) {
        TTreeGridColumn *column = header->Columns()->Add();
        column->SetText(captions[i]);
        column->SetWidth(widths.value(i, 100));
    }
    TTGHeaderOptions options = header->Options();
    if (captions.isEmpty())
        options -= TTGHeaderOptions{hoVisible};
    else
        options += TTGHeaderOptions{hoVisible};
    header->SetOptions(options);
}

void TListGrid::SetColumnCaption(int column, const QString &caption)
{
    if (TTreeGridColumn *item = Header()->Columns()->Items(column))
        item->SetText(caption);
}

void TListGrid::SetColumnVisible(int column, bool visible)
{
    if (TTreeGridColumn *item = Header()->Columns()->Items(column)) {
        TTGColumnOptions options = item->Options();
        if (visible)
            options += TTGColumnOptions{coVisible};
        else
            options -= TTGColumnOptions{coVisible};
        item->SetOptions(options);
    }
}

void TListGrid::SetColumnWidth(int column, int width)
{
    if (TTreeGridColumn *item = Header()->Columns()->Items(column))
        item->SetWidth(width);
}

void TListGrid::SetRowCount(int count)
{
    const int row = CurrentRow();
    // Nodes are made afresh so that every row runs through its initialisation again.
    FSettingChecks = true;
    Clear();
    SetRootNodeCount(std::uint32_t(std::max(count, 0)));
    FSettingChecks = false;
    FLastRow = -2;
    SetCurrentRow(row < count ? row : -1);
}

PGridNode TListGrid::RowNode(int row) const
{
    if (row < 0 || row >= RowCount())
        return nullptr;
    auto *self = const_cast<TListGrid *>(this);
    PGridNode node = self->GetFirstChild(RootNode());
    for (int i = 0; node && i < row; ++i)
        node = self->GetNextSibling(node);
    return node;
}

int TListGrid::CurrentRow() const
{
    auto *self = const_cast<TListGrid *>(this);
    PGridNode node = self->GetFirstSelected();
    if (!node)
        node = FocusedNode();
    return node && Selected(node) ? int(node->Index) : -1;
}

void TListGrid::SetCurrentRow(int row)
{
    PGridNode node = RowNode(row);
    ClearSelection();
    if (node) {
        SetFocusedNode(node);
        SetSelected(node, true);
        ScrollIntoView(node, false);
    } else {
        SetFocusedNode(nullptr);
    }
    if (CurrentRow() != FLastRow) {
        FLastRow = CurrentRow();
        if (OnCurrentRowChanged)
            OnCurrentRowChanged(FLastRow);
    }
}

bool TListGrid::Checked(int row) const
{
    PGridNode node = RowNode(row);
    if (!node)
        return false;
    if (!node->States.contains(vsInitialized))
        const_cast<TListGrid *>(this)->InitNode(node);
    return node->CheckState == csCheckedNormal || node->CheckState == csCheckedPressed;
}

void TListGrid::SetChecked(int row, bool checked)
{
    PGridNode node = RowNode(row);
    if (!node)
        return;
    if (!node->States.contains(vsInitialized))
        InitNode(node);
    FSettingChecks = true;
    SetCheckState(node, checked ? csCheckedNormal : csUncheckedNormal);
    FSettingChecks = false;
}

void TListGrid::Refresh()
{
    Invalidate();
}
