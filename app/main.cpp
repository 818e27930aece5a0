#include "Allocator.h"
#include "StartupProbe.h"
#include "dialogs/SplashForm.h"
#include "window/FormMain.h"
#include "window/PlannerApplication.h"

int main(int argc, char **argv)
{
    platform::tuneAllocator();
    // The application object sets the title and takes the date formats from the user's locale.
    TPlannerApplication app(argc, argv);
    TSplashForm splash;
    splash.CenterOn(nullptr);
    splash.show();
    TPlannerApplication::processEvents();

    TMainForm mainForm;
    mainForm.LoadIni();
    mainForm.show();
    splash.CenterOn(&mainForm);
    splash.raise();
    splash.StartTimer();
    mainForm.OpenCommandLine(TPlannerApplication::arguments().mid(1));
    if (qEnvironmentVariableIsSet("VELMORA_REPORT_PAINT"))
        new TStartupProbe(&app);
    return TPlannerApplication::exec();
}
