#pragma once

#include <QDialog>

#include <memory>
#include <vector>

#include "core/DocumentTypes.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TColumnStatistics;
class TPlannerCore;
class TStringTreeGrid;

// "Statistics": the sum and the mean of the checked numeric columns of the active table over
// all, the filtered or the selected rows (TColumnStatistics).
class TStatisticsDialog : public QDialog
{
    Q_OBJECT

public:
    TStatisticsDialog(TPlannerCore &core, QWidget *parent = nullptr);
    ~TStatisticsDialog() override;

    // Lists the active table's columns, only the numeric ones can be checked; checks made
    // before stay while the columns do.
    void FillColumns();
    // Counts the chosen rows and writes the result of the checked columns into the memo.
    void DoStatistics();
    // The chosen set of rows: feGroupAll, feGroupFiltered or feSelected.
    TForEachNode ChosenSet() const;
    // The checked columns in column order.
    std::vector<int> CheckedColumns() const;
    // Checks or unchecks a column as a click in the tree does.
    void SetColumnChecked(int column, bool checked);

    QRadioButton *RadioButton1 = nullptr; // "all Tasks"
    QRadioButton *RadioButton2 = nullptr; // "filtered Tasks"
    QRadioButton *RadioButton3 = nullptr; // "selected Tasks"
    QLineEdit *Edit1 = nullptr;           // the number of rows
    TStringTreeGrid *StringTreeGrid1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *Button1 = nullptr; // "Close"

protected:
    void showEvent(QShowEvent *event) override;

private:
    TPlannerCore &FCore;
    std::unique_ptr<TColumnStatistics> FStatistics;
    TWhichTable FTable = tbTable;
    QStringList FCaptions;
    std::vector<bool> FChecked;
};
