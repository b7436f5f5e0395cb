// kelterm's start: the window system on Qt, then the application object's run.
//
//     kelterm [--simulated]
//
// --simulated also lists the simulated instrument (connector SOFT0).
#include "ports/PortList.h"
#include "shell/TerminalApp.h"
#include "win32/uiscript.h"
#include "win32qt/QtBackend.h"

#include <cstdio>
#include <cstring>

CTerminalApp theApp;

int main(int argc, char** argv)
{
    int simulated = 0;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--simulated") == 0)
            simulated = 1;
    CPortList::SetBuildWithSimulated(simulated);
    if (!kel::qt::StartUi(argc, argv))
    {
        std::fprintf(stderr, "kelterm: the window system cannot be started (is a display available?)\n");
        return 1;
    }
    // A scripted user when KEL_UI_SCRIPT names one (end-to-end tests).
    kel::ui::StartScriptFromEnvironment();
    const int code = AfxWinMain(argc, argv);
    kel::qt::StopUi();
    kel::qt::EndQt();
    return code;
}
