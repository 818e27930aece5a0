#pragma once

#include <QDialog>

#include "DateTime.h"

class QDateEdit;
class QPushButton;

// "Goto Date": picks the date the chart scrolls to.
class TGotoDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TGotoDialog(QWidget *parent = nullptr);

    TDateTime Date() const;
    void SetDate(TDateTime date);

    QDateEdit *DateTimePicker1 = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Cancel
};
