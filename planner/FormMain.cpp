#include "FormMain.h"

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("ZOP - "));
    resize(1024, 700);
}

TMainForm::~TMainForm() = default;
