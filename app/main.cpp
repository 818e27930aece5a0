#include "FormMain.h"
#include "PlannerApplication.h"

int main(int argc, char **argv)
{
    TPlannerApplication app(argc, argv);
    TMainForm mainForm;
    mainForm.show();
    return TPlannerApplication::exec();
}
