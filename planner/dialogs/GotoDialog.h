#pragma once

#include <QDialog>

#include "DateTime.h"

class QPushButton;
class TDateField;

// "Goto Date": picks the date the chart scrolls to. OK with a text that names no date keeps
// the dialog open with the text marked.
class TGotoDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TGotoDialog(QWidget *parent = nullptr);

    TDateTime Date() const;
    void SetDate(TDateTime date);

    TDateField *DateTimePicker1 = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Cancel

protected:
    void showEvent(QShowEvent *event) override;

private:
    void OkClick();
};
