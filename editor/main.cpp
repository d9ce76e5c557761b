// Entry point of the Tessel editor.
#include "editor/TesselApp.h"

int main(int argc, char** argv)
{
    CTesselApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitCode();
    return app.Run();
}
