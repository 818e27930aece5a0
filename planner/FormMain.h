#pragma once

#include <QMainWindow>

// The main window. It owns the document; for now it only shows its title.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;
};
