// kelmon's start: the window system on Qt, then the application object's run.
//
//     kelmon [document.kel]
//
// The simulated instrument (connector SOFT0) is always offered beside the serial ports.
#include "app/KelApp.h"
#include "displays/DisplayKinds.h"
#include "win32/uiscript.h"
#include "win32qt/QtBackend.h"

#include <cstdio>

CKelApp theApp;

int main(int argc, char** argv)
{
    if (!kel::qt::StartUi(argc, argv))
    {
        std::fprintf(stderr, "kelmon: the window system cannot be started (is a display available?)\n");
        return 1;
    }
    // Documents name their displays by class: keep every kind in the program.
    DisplayKinds(nullptr);
    // A scripted user when KEL_UI_SCRIPT names one (end-to-end tests).
    kel::ui::StartScriptFromEnvironment();
    const int code = AfxWinMain(argc, argv);
    kel::qt::StopUi();
    kel::qt::EndQt();
    return code;
}
