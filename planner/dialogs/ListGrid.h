#pragma once

// A flat list on the tree-grid control, as the setup dialogs use it: one node per row, texts
// asked from the owner per row and column, an optional check box per row, one selected row.

#include <QStringList>

#include <functional>

#include "treegrid/StringTreeGrid.h"

class TListGrid : public TStringTreeGrid
{
    Q_OBJECT

public:
    explicit TListGrid(QWidget *parent = nullptr);
    void AfterConstruction() override;

    // The header's columns with their captions and widths (an empty list: no header).
    void SetColumns(const QStringList &captions, const QList<int> &widths);
    void SetColumnCaption(int column, const QString &caption);
    void SetColumnVisible(int column, bool visible);
    void SetColumnWidth(int column, int width);
    void SetCheckBoxes(bool on) { FCheckBoxes = on; }

    int RowCount() const { return int(RootNodeCount()); }
    // Check marks of rows past the old count start unchecked; the selection is kept when the
    // row still exists.
    void SetRowCount(int count);
    int CurrentRow() const;
    // -1 clears the selection.
    void SetCurrentRow(int row);
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    // The owner's texts changed: paint again.
    void Refresh();
    PGridNode RowNode(int row) const;

    std::function<QString(int row, int column)> OnRowText;
    // The selection moved (also when set from code); -1 for none.
    std::function<void(int row)> OnCurrentRowChanged;
    // The user changed a check mark.
    std::function<void(int row)> OnCheckClicked;
    std::function<void(int row)> OnRowDoubleClicked;

private:
    bool FCheckBoxes = false;
    bool FSettingChecks = false;
    int FLastRow = -2;
};
