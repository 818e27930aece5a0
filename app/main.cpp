#include "window/FormMain.h"
#include "window/PlannerApplication.h"

int main(int argc, char **argv)
{
    // The application object sets the title and takes the date formats from the user's locale.
    TPlannerApplication app(argc, argv);
    TMainForm mainForm;
    mainForm.show();
    mainForm.OpenCommandLine(TPlannerApplication::arguments().mid(1));
    return TPlannerApplication::exec();
}
