#pragma once

#include <QDialog>

#include <array>
#include <functional>

#include "setup/SetupTypes.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class TEditTableColumnDialog;
class TListGrid;

// "Edit Table "Tasks"": the task table's columns in order with their types and value lists,
// and which column stands for each meaning of the chart (dragged onto the labels).
class TSetupTableDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TSetupTableDialog(QWidget *parent = nullptr);

    void Fill(const TTableSetup &setup);
    const TTableSetup &Setup() const { return FSetup; }
    bool WasActive() const { return FWasActive; }
    void ClearWasActive() { FWasActive = false; }

    int SelectedRow() const;
    void SelectRow(int row);
    // "new Column": a text column with a unique caption, selected and opened in the editor.
    void NewColumnClick();
    void AddColumn(); // without opening the editor
    void DeleteColumnClick();
    // Swaps the selected column with its neighbour above (-1) or below (+1).
    void MoveSelected(int step);
    // The column editor for the selected column; true when it was confirmed.
    bool EditColumnClick();

    // Whether the column in `row` may be dropped onto the label of `target`.
    bool CanDrop(TConnection target, int row) const;
    // Drops the column in `row` onto the label of `target`. `from`: the label it was dragged
    // from, which takes the target's former column when that suits it (cnNone: from the list).
    bool Drop(TConnection target, int row, TConnection from = cnNone);
    void DeleteConnection(TConnection connection);
    // The label's menu: "Delete Connection" and one item per column that suits it.
    QMenu *ConnectionMenu(TConnection connection);

    // Colours the shapes behind the labels; false when a required connection is missing.
    bool Recolour();
    bool ValidConfiguration() const { return FValidConfiguration; }
    // Refuses a setup that cannot be applied with a message; else confirms and closes.
    void OkClick();

    QLabel *ConnectionLabel(TConnection connection) const;
    QFrame *ConnectionShape(TConnection connection) const;

    // Runs the applying of every shown setup dialog; false when nothing was applied.
    std::function<bool()> OnConfirm;
    std::function<void(const QString &)> OnMessage;
    // "Edit resources..." in the editor of the position column.
    std::function<void()> OnEditResources;

    TListGrid *ListView1 = nullptr;
    QPushButton *ButtonNew = nullptr;
    QPushButton *ButtonDelete = nullptr;
    QPushButton *ButtonEdit = nullptr;
    QToolButton *UpDownUp = nullptr;
    QToolButton *UpDownDown = nullptr;
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;
    TEditTableColumnDialog *EditTableColumnDialog = nullptr;
    // The list's menu: "new Column" and "Edit Column".
    QMenu *ListMenu = nullptr;
    QAction *ListMenuNew = nullptr;
    QAction *ListMenuEdit = nullptr;

    static constexpr std::uint32_t SetColour = 0x978762;
    static constexpr std::uint32_t SelectedColour = 0xE0CA92;
    static constexpr std::uint32_t MissingColour = 0x7362D6;
    static constexpr std::uint32_t BarColour = 0xE8C59F; // the bar picture behind the text places

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildConnections(QWidget *panel);
    void TranslateHeaders();
    void ListChanged();
    bool IsNameTaken(const QString &name, int except) const;
    int FieldIndex(TConnection connection) const;
    void StartDrag(QWidget *source, int row, TConnection from);
    bool LabelDropEvent(TConnection target, QEvent *event);

    TTableSetup FSetup;
    bool FWasActive = false;
    bool FValidConfiguration = false;
    std::array<QLabel *, 15> FLabels{};
    std::array<QFrame *, 15> FShapes{};
    // A press that may become a drag: where, and from which label (cnNone: the list).
    QPoint FPressPoint;
    QObject *FPressSource = nullptr;
};
