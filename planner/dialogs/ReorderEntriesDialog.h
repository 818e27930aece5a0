#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class TCanvasPanel;

// "Einträge zuordnen": the chart's meanings on the left, columns on the right, and a line
// between the chosen two. No command opens it.
class TReorderEntriesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TReorderEntriesDialog(QWidget *parent = nullptr);

    // The middle of a list's selected item in the panel's coordinates; -1 with none.
    int SelectedMiddle(QListWidget *list) const;
    void PaintBox1Paint();

    QListWidget *connection = nullptr;
    QListWidget *selectedconnection = nullptr;
    TCanvasPanel *PaintBox1 = nullptr;
    QPushButton *ButtonCancel = nullptr; // "Abbrechen"

protected:
    void showEvent(QShowEvent *event) override;
};
