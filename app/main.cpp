#include <QApplication>

#include "FormMain.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    TMainForm mainForm;
    mainForm.show();
    return QApplication::exec();
}
