#include "StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstdio>

TStartupProbe::TStartupProbe(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool TStartupProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint)
        return false;
    if (watched->objectName() == QLatin1String("TimeChart"))
        FChartPainted = true;
    // A grid paints into its viewport; only the table on the shown page paints.
    const QObject *parent = watched->parent();
    if (parent && parent->objectName().startsWith(QLatin1String("StringTreeGrid")))
        FTablePainted = true;
    if (FChartPainted && FTablePainted) {
        QCoreApplication::instance()->removeEventFilter(this);
        std::fputs("painted\n", stdout);
        std::fflush(stdout);
    }
    return false;
}
