#include "window/PlannerApplication.h"

#include <exception>

#include "DateFormat.h"
#include "Log.h"

TPlannerApplication::TPlannerApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Velmora"));
    ResetDateFormats();
}

TPlannerApplication::~TPlannerApplication() = default;

bool TPlannerApplication::notify(QObject *receiver, QEvent *event)
{
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); });
}

bool TPlannerApplication::DeliverGuarded(const std::function<bool()> &deliver)
{
    try {
        return deliver();
    } catch (const std::exception &error) {
        ApplicationEvents1Exception(QString::fromUtf8(error.what()));
    } catch (...) {
        ApplicationEvents1Exception(QStringLiteral("unknown exception"));
    }
    return false;
}

void TPlannerApplication::ApplicationEvents1Exception(const QString &message)
{
    Log(QStringLiteral("Exception: ") + message);
}
