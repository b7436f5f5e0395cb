// Library start-up: load and unload, the host's start call InitTop, the end calls, the hooks and the
// version calls.
#include "PlotkitInternal.h"

#include <cstring>

namespace plotkit
{

Library& Lib()
{
    static Library library;
    return library;
}

HINSTANCE Module()
{
    Library& lib = Lib();
    if (lib.module == nullptr)
    {
        lib.module = GetModuleHandle(PLOTKIT_MODULE_NAME);
        lib.dev.libraryModule = lib.module;
    }
    return lib.module;
}

std::string LoadText(UINT id)
{
    std::string_view text;
    if (!kel::rc::FindString(Module(), id, &text))
        return {};
    return std::string(text);
}

void SetScreenMetrics(DevDesc& dev, int width, int height, int dpiX, int dpiY)
{
    dev.screenWidth = width;
    dev.screenHeight = height;
    dev.screenDpiX = dpiX;
    dev.screenDpiY = dpiY;
    if (height >= 600)
    {
        dev.screenDpiX = width * 96 / 640;
        dev.screenDpiY = height * 96 / 480;
    }
}

namespace
{

void DestroyPageWindows()
{
    for (int n = 1; n < PK_MAX_PAGES; ++n)
        if (PgDesc* page = GetPgDescPtr(n); page && page->window)
            DestroyWindow(page->window);
}

} // namespace

void AttachLibrary()
{
    Library& lib = Lib();
    ++lib.attachCount;
    RegisterSelectorClass();
    RegisterDataTableClass();
    if (!lib.exitProcess)
        lib.exitProcess = [](int code)
        {
            // The host's page windows get their WM_DESTROY before the end.
            DestroyPageWindows();
            FatalExit(code);
        };
    HDC screen = GetDC(nullptr);
    const int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    SetScreenMetrics(lib.dev, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), dpiX, dpiY);
}

void DetachLibrary()
{
    Library& lib = Lib();
    if (lib.attachCount > 0)
        --lib.attachCount;
    if (lib.attachCount == 0)
        FreeFaceList();
}

} // namespace plotkit

using namespace plotkit;

namespace
{

// The default text font of a new top block: black, swiss family (Arial), 10 points, plain, in a
// face of the installed faces.
void SetDefaultTextFont(TopDesc* top)
{
    top->defaultFont = FontDesc{};
    BuildFaceList();
    WGSetTextParams(0, 32, 10, 0);
}

} // namespace

ATOM WINAPI InitTop(TopDesc* top, WNDPROC pageProc, WNDPROC graphProc, UINT graphClassStyle)
{
    Library& lib = Lib();
    const DWORD version = GetVersion();
    if ((version & 0x80000000u) == 0)
        lib.windowsClass = 2;
    else
        lib.windowsClass = (version & 0xFF) < 4 ? 1 : 3;
    if (top == nullptr)
        return 0;
    lib.top = top;
    if (top->realType != PK_REAL_TYPE)
    {
        ErrHdlr(69, 2, "FLOAT");
        return 0;
    }

    top->lineWidthScaling = 1;
    top->errorBoxesOn = 1;
    top->initialised = 1;
    if (top->clipRegion == nullptr)
        top->clipRegion = CreateRectRgn(0, 0, 30000, 30000);
    SetDefaultTextFont(top);
    if (!top->printBorder && !top->printGraphBackground && !top->printPlotBackground && !top->printStyle &&
        !top->maintainAspect)
        top->maintainAspect = 1;

    WNDCLASS page{};
    page.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    page.cbWndExtra = PK_PAGE_EXTRA;
    page.hInstance = top->hostInstance;
    page.lpfnWndProc = pageProc;
    page.hCursor = LoadCursor(nullptr, IDC_ARROW);
    page.hIcon = LoadIcon(top->hostInstance, "PgWin");
    page.lpszClassName = "PgWin";
    if (!RegisterClass(&page))
    {
        ErrHdlr(64, 2, "PgWin");
        return 0;
    }

    WNDCLASS graph{};
    graph.style = graphClassStyle;
    graph.cbWndExtra = PK_GRAPH_EXTRA;
    graph.hInstance = top->hostInstance;
    graph.lpfnWndProc = graphProc;
    top->graphCursor = top->hostInstance ? LoadCursor(top->hostInstance, "chartcur") : nullptr;
    graph.hCursor = top->graphCursor ? top->graphCursor : LoadCursor(nullptr, IDC_ARROW);
    graph.lpszClassName = "GrWin";
    const ATOM atom = RegisterClass(&graph);
    if (!atom)
        ErrHdlr(64, 2, "GrWin");
    return atom;
}

TopDesc* WINAPI InitDll(TopDesc* top)
{
    Lib().top = top;
    return top;
}

void WINAPI Cleanup(TopDesc* top, BOOL freeArrays)
{
    Library& lib = Lib();
    lib.top = top;
    if (top == nullptr || !top->initialised)
        return;
    FreeAllDataSets(freeArrays);
    if (top->graphCursor)
    {
        DestroyCursor(top->graphCursor);
        top->graphCursor = nullptr;
    }
    top->initialised = 0;
    if (top->clipRegion)
    {
        DeleteObject(top->clipRegion);
        top->clipRegion = nullptr;
    }
}

void WINAPI ExitApplication()
{
    DestroyPageWindows();
    ExitProcess(1);
}

DevDesc* WINAPI GetDevDesc()
{
    Module();
    return &Lib().dev;
}

RemoteRecalcProc WINAPI SetRemoteRecalc(RemoteRecalcProc proc)
{
    Lib().remoteRecalc = proc;
    return proc;
}

HWND WINAPI SetFormPage(HWND window)
{
    Lib().formPage = window;
    return window;
}

int WINAPI WGGetVersion(int* minor)
{
    if (minor)
        *minor = 53;
    return 2;
}

const char* WINAPI WGGetDate()
{
    return "Mar  1 2005";
}
