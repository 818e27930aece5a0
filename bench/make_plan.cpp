// Writes a generated plan as a document: make_plan FILE [TASKS] [RESOURCES]
// (defaults 5000 tasks on 200 resources, starting three weeks before today).

#include <QApplication>

#include <cstdio>

#include "BenchPlan.h"
#include "BenchSupport.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: make_plan FILE [TASKS] [RESOURCES]\n");
        return 2;
    }
    const int tasks = args.size() > 2 ? args[2].toInt() : 5000;
    const int resources = args.size() > 3 ? args[3].toInt() : 200;
    if (tasks < 0 || resources < 1) {
        std::fprintf(stderr, "make_plan: TASKS must be 0 or more, RESOURCES 1 or more\n");
        return 2;
    }
    UsePlannerDateFormats();
    TBenchCore plan;
    FillPlan(*plan.core, tasks, resources, Date() - 21);
    if (!plan.file->SaveTo(args[1])) {
        std::fprintf(stderr, "make_plan: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    std::printf("%s: %d tasks on %d resources\n", qPrintable(args[1]), tasks, resources);
    return 0;
}
