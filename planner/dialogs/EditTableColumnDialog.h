#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

#include "core/DocumentTypes.h"
#include "dialogs/DialogMemo.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Edit Column": a column's name, type and, for pick lists, its values one per line.
class TEditTableColumnDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TEditTableColumnDialog(QWidget *parent = nullptr);

    // `typeLocked`: the column carries a meaning that needs its type. The position column's
    // values are the positions, edited in their own dialog ("Edit resources...").
    void Fill(const QString &caption, TColumnType type, const QStringList &values, bool typeLocked, bool positionColumn);
    QString Caption() const;
    TColumnType Type() const;
    // The non-empty lines of the value list.
    QStringList Values() const;
    // Shows or hides the value list as the chosen type needs.
    void ComboBox1Change();

    std::function<void()> OnEditResources;
    // Tells the user why OK was refused.
    std::function<void(const QString &)> OnMessage;
    // OK: a blank name is refused with a message and the dialog stays open.
    void OkClick();

    QLineEdit *Edit1 = nullptr;      // name
    QComboBox *ComboBox1 = nullptr;  // type
    TDialogMemo *Memo1 = nullptr; // values
    QLabel *Label3 = nullptr;        // "Format"
    QLineEdit *Edit2 = nullptr;      // the values as one text, never shown
    QPushButton *Button3 = nullptr;  // "Edit resources..."
    QPushButton *ButtonOK = nullptr;
    QPushButton *ButtonCancel = nullptr;

private:
    bool FPositionColumn = false;
};
