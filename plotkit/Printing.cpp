// Printing: the process's printer selection, print jobs with a stop dialog and an abort procedure,
// printing a graph, a page or a page into a caller's DC, the print options and their dialog, and
// the temporary graph copies through which graphs with real-time objects are printed.
#include "PlotkitInternal.h"
#include "Printing.h"
#include "res/resource.h"

#include "win32/print.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

// The printer selection (one per process).
struct PrinterSelection
{
    PRINTDLG pd{};
    std::string device, driver, port;
    bool known = false;
    bool isDefault = false;
    bool cancelled = false;
    HWND stopDialog = nullptr;
};

PrinterSelection& Printer()
{
    static PrinterSelection selection;
    return selection;
}

std::string DevNamesPart(HGLOBAL names, WORD DEVNAMES::*offset)
{
    if (names == nullptr)
        return {};
    const auto* dn = static_cast<const DEVNAMES*>(GlobalLock(names));
    const SIZE_T size = GlobalSize(names);
    std::string text;
    if (dn && dn->*offset < size)
    {
        const char* base = reinterpret_cast<const char*>(dn);
        text.assign(base + dn->*offset, strnlen(base + dn->*offset, size - dn->*offset));
    }
    GlobalUnlock(names);
    return text;
}

bool DevNamesDefault(HGLOBAL names)
{
    if (names == nullptr)
        return false;
    const auto* dn = static_cast<const DEVNAMES*>(GlobalLock(names));
    const bool isDefault = dn && (dn->wDefault & DN_DEFAULTPRN);
    GlobalUnlock(names);
    return isDefault;
}

// Takes the names of the kept DEVNAMES.
void TakeNames(PrinterSelection& p)
{
    p.device = DevNamesPart(p.pd.hDevNames, &DEVNAMES::wDeviceOffset).substr(0, 119);
    p.driver = DevNamesPart(p.pd.hDevNames, &DEVNAMES::wDriverOffset);
    p.port = DevNamesPart(p.pd.hDevNames, &DEVNAMES::wOutputOffset);
}

void FreeSelection(PRINTDLG& pd)
{
    GlobalFree(pd.hDevMode);
    GlobalFree(pd.hDevNames);
    pd.hDevMode = nullptr;
    pd.hDevNames = nullptr;
}

// While the selection is the default printer, follows a change of the desktop's default.
void FollowDefault(PrinterSelection& p)
{
    if (!p.isDefault)
        return;
    PRINTDLG scratch{};
    scratch.lStructSize = sizeof(scratch);
    scratch.Flags = PD_RETURNDEFAULT;
    if (!PrintDlg(&scratch))
        return;
    const std::string device = DevNamesPart(scratch.hDevNames, &DEVNAMES::wDeviceOffset);
    if (device.empty() || p.device.empty() || device != p.device)
    {
        FreeSelection(p.pd);
        p.pd.hDevMode = scratch.hDevMode;
        p.pd.hDevNames = scratch.hDevNames;
        TakeNames(p);
        p.known = !p.device.empty() && !p.driver.empty() && !p.port.empty();
        return;
    }
    FreeSelection(scratch);
}

// A job on the selected printer: stop dialog shown, owner disabled, document and first page started.
struct Job
{
    HDC dc = nullptr;
    HWND owner = nullptr;
};

void CloseStopDialog()
{
    PrinterSelection& p = Printer();
    if (p.stopDialog)
    {
        HWND dialog = p.stopDialog;
        p.stopDialog = nullptr;
        DestroyWindow(dialog);
    }
}

bool StartJob(HWND owner, Job& job)
{
    PrinterSelection& p = Printer();
    FollowDefault(p);
    if (p.pd.hDevNames == nullptr)
        SetupDefPrinter();
    if (p.pd.hDevNames == nullptr && !WGPrinterSetup(owner))
        return false;
    p.cancelled = false;
    p.stopDialog = CreateDialogParam(Module(), "PRINTDLGBOX", owner, PrintStopDlgProc, 0);
    if (owner)
        EnableWindow(owner, FALSE);
    auto fail = [&]
    {
        CloseStopDialog();
        if (owner)
            EnableWindow(owner, TRUE);
        return false;
    };
    HDC dc = CreatePrinterDC(1);
    if (dc == nullptr)
    {
        ErrHdlr(19, 0, nullptr);
        return fail();
    }
    SetAbortProc(dc, PrintAbortProc);
    DOCINFO info{sizeof(DOCINFO), "HX", nullptr, nullptr, 0};
    const int started = StartDoc(dc, &info);
    if (started <= 0)
    {
        if (started == SP_OUTOFMEMORY)
            ErrHdlr(21, 0, nullptr);
        else if (started == SP_OUTOFDISK)
            ErrHdlr(20, 0, nullptr);
        else if (started == SP_ERROR)
            ErrHdlr(19, 0, nullptr);
        DeleteDC(dc);
        return fail();
    }
    if (StartPage(dc) <= 0)
    {
        AbortDoc(dc);
        DeleteDC(dc);
        ErrHdlr(19, 0, nullptr);
        return fail();
    }
    TopDesc* top = Lib().top;
    if (top && top->printBorder)
    {
        DevDesc& dev = Lib().dev;
        SetMapMode(dc, MM_TEXT);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, 0, 0, dev.printerWidth - 3, dev.printerHeight - 3);
        SelectObject(dc, oldBrush);
        dev.printerWidth -= 6;
        dev.printerHeight -= 6;
    }
    job.dc = dc;
    job.owner = owner;
    return true;
}

// Ends the job (also a cancelled one); true when it was not cancelled.
bool EndJob(Job& job)
{
    PrinterSelection& p = Printer();
    // EndPage runs the abort procedure once more; a job cancelled there is still ended here.
    EndPage(job.dc);
    EndDoc(job.dc);
    CleanGDI(job.dc);
    DeleteDC(job.dc);
    job.dc = nullptr;
    const bool cancelled = p.cancelled;
    p.cancelled = false;
    CloseStopDialog();
    if (job.owner)
        EnableWindow(job.owner, TRUE);
    return !cancelled;
}

bool HasRealTimeObjects(const GrDesc* graph)
{
    if (graph->realTimeCount > 0)
        return true;
    for (int n = 1; n <= graph->capacity; ++n)
        if (const ObjDesc* o = ObjectAt(graph, n); o && o->type >= 100)
            return true;
    return false;
}

bool IsCopiedType(int type)
{
    return type >= 103 && type <= 110;
}

// Temporary graph copies: the copy's descriptor, and which table entries it owns.
struct TempGraph
{
    std::vector<bool> owned;    // the copy's own record (freed with the copy)
    std::vector<bool> released; // a record given its own buffers by its type (released first)
};

std::map<const GrDesc*, TempGraph>& TempGraphs()
{
    static std::map<const GrDesc*, TempGraph> temps;
    return temps;
}

// Draws one graph (or its temporary copy) for the printer job.
void PrintOneGraph(GrDesc* graph, HDC dc)
{
    if (!HasRealTimeObjects(graph))
    {
        graph->printCopy = dc;
        MapGraph(graph, dc);
        ObjectInterpreter(graph, dc);
        graph->printCopy = nullptr;
        return;
    }
    HGLOBAL pairs = nullptr;
    HGLOBAL temp = HXCopyGraph(graph, &pairs);
    if (temp == nullptr)
        return;
    auto* copy = static_cast<GrDesc*>(GlobalLock(temp));
    copy->printCopy = dc;
    copy->buildDc = dc;
    MapGraph(copy, dc);
    ObjectInterpreter(copy, dc);
    HXDestroyTempGraph(temp, pairs);
}

constexpr int kStyleIds[3] = {IDC_PRINT_MAXSIZE, IDC_PRINT_PROPORTIONATE, IDC_PRINT_EXACT};

// The last left and top values typed into the options dialog.
float typedLeft = 0, typedTop = 0;
bool optionsOpen = false;

void ShowOffsets(HWND dialog, float left, float top)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", left * 100.0);
    SetDlgItemText(dialog, IDC_PRINT_LEFT, text);
    std::snprintf(text, sizeof(text), "%.1f", top * 100.0);
    SetDlgItemText(dialog, IDC_PRINT_TOP, text);
}

float ReadPercent(HWND dialog, int id)
{
    char text[9] = "";
    GetDlgItemText(dialog, id, text, sizeof(text));
    return static_cast<float>(std::atof(text) / 100.0);
}

bool ReportNoTop()
{
    if (Lib().top)
        return false;
    MessageBox(nullptr, LoadText(6).c_str(), LoadText(IDS_CAPTION_INFORMATION).c_str(), MB_ICONINFORMATION);
    Lib().lastError = 6;
    return true;
}

} // namespace

void ResetPrinterSelection()
{
    PrinterSelection& p = Printer();
    CloseStopDialog();
    FreeSelection(p.pd);
    p = PrinterSelection{};
}

bool IsTempGraph(const GrDesc* graph)
{
    return graph && TempGraphs().count(graph) != 0;
}

} // namespace plotkit

using namespace plotkit;

void WINAPI SetupDefPrinter()
{
    PrinterSelection& p = Printer();
    if (p.known)
        return;
    PRINTDLG pd{};
    pd.lStructSize = sizeof(pd);
    pd.Flags = PD_RETURNDEFAULT;
    if (!PrintDlg(&pd))
        return;
    FreeSelection(p.pd);
    p.pd.lStructSize = sizeof(p.pd);
    p.pd.hDevMode = pd.hDevMode;
    p.pd.hDevNames = pd.hDevNames;
    TakeNames(p);
    if (!p.device.empty() && !p.driver.empty() && !p.port.empty())
    {
        p.isDefault = true;
        p.known = true;
        Lib().dev.defaultPrinterFound = 1;
    }
}

int WINAPI WGPrinterSetup(HWND owner)
{
    PrinterSelection& p = Printer();
    if (!p.known)
        SetupDefPrinter();
    FollowDefault(p);
    PRINTDLG pd = p.pd;
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = owner;
    pd.Flags = PD_PRINTSETUP;
    pd.hDC = nullptr;
    if (!PrintDlg(&pd))
        return 0;
    p.pd.hDevMode = pd.hDevMode;
    p.pd.hDevNames = pd.hDevNames;
    p.isDefault = DevNamesDefault(pd.hDevNames);
    TakeNames(p);
    p.known = !p.device.empty();
    return 1;
}

HDC WINAPI CreatePrinterDC(int kind)
{
    PrinterSelection& p = Printer();
    if (p.driver.empty())
        return nullptr;
    // The driver name goes without its extension.
    const std::string driver = p.driver.substr(0, p.driver.find('.'));
    const DEVMODE* mode = p.pd.hDevMode ? static_cast<const DEVMODE*>(GlobalLock(p.pd.hDevMode)) : nullptr;
    HDC dc = kind ? CreateDC(driver.c_str(), p.device.c_str(), p.port.c_str(), mode)
                  : CreateIC(driver.c_str(), p.device.c_str(), p.port.c_str(), mode);
    if (p.pd.hDevMode)
        GlobalUnlock(p.pd.hDevMode);
    if (dc == nullptr)
        return nullptr;
    SetStretchBltMode(dc, COLORONCOLOR);
    DevDesc& dev = Lib().dev;
    dev.printerWidth = GetDeviceCaps(dc, HORZRES);
    dev.printerHeight = GetDeviceCaps(dc, VERTRES);
    dev.printerDpiX = GetDeviceCaps(dc, LOGPIXELSX);
    dev.printerDpiY = GetDeviceCaps(dc, LOGPIXELSY);
    POINT scaling{};
    if (Escape(dc, GETSCALINGFACTOR, 0, nullptr, &scaling) > 0 && scaling.x != 0)
    {
        dev.printerScaleX = static_cast<SHORT>(std::ldexp(1.0, scaling.x) + 0.1);
        dev.printerScaleY = static_cast<SHORT>(std::ldexp(1.0, scaling.y) + 0.1);
    }
    else
    {
        dev.printerScaleX = 1;
        dev.printerScaleY = 1;
    }
    return dc;
}

BOOL CALLBACK PrintAbortProc(HDC, int)
{
    PrinterSelection& p = Printer();
    MSG msg;
    while (!p.cancelled && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (p.stopDialog && IsDialogMessage(p.stopDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return p.cancelled ? FALSE : TRUE;
}

INT_PTR CALLBACK PrintStopDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message)
    {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
    {
        PrinterSelection& p = Printer();
        p.cancelled = true;
        if (p.stopDialog == dialog)
            p.stopDialog = nullptr;
        DestroyWindow(dialog);
        return TRUE;
    }
    }
    return FALSE;
}

BOOL WINAPI WGPrintGraph(GrDesc* graph)
{
    if (!CheckGraph(graph))
        return FALSE;
    HWND pageWindow = graph->page ? graph->page->window : nullptr;
    if (pageWindow)
        EnableWindow(pageWindow, FALSE);
    Job job;
    if (!StartJob(graph->window, job))
    {
        if (pageWindow)
            EnableWindow(pageWindow, TRUE);
        EnableWindow(graph->window, TRUE);
        return FALSE;
    }
    const bool realTime = HasRealTimeObjects(graph);
    PrintOneGraph(graph, job.dc);
    const bool printed = EndJob(job);
    RestoreSize(graph);
    if (pageWindow)
        EnableWindow(pageWindow, TRUE);
    if (realTime)
        InvalidateRect(graph->window, nullptr, FALSE);
    return printed ? TRUE : FALSE;
}

BOOL WINAPI WGPrintPage(PgDesc* page)
{
    if (!IsLivePage(page))
        return FALSE;
    Job job;
    if (!StartJob(page->window, job))
        return FALSE;
    TopDesc* top = page->top ? page->top : Lib().top;
    const SHORT style = top ? top->printStyle : 0;
    if (top && style == 0)
        top->printStyle = 1;
    GrDesc* only = page->blownUp && page->selectedGraph ? GetGrDescPtr(page->selectedGraph) : nullptr;
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
    {
        GrDesc* graph = GetGrDescNum(page, slot);
        if (graph == nullptr || (only && graph != only) || graph->building)
            continue;
        if (Printer().cancelled)
            break;
        PrintOneGraph(graph, job.dc);
        RestoreSize(graph);
    }
    if (top)
        top->printStyle = style;
    const bool printed = EndJob(job);
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        if (GrDesc* graph = GetGrDescNum(page, slot); graph && HasRealTimeObjects(graph))
            InvalidateRect(graph->window, nullptr, FALSE);
    return printed ? TRUE : FALSE;
}

BOOL WINAPI WGPrintPageDC(PgDesc* page, HDC dc, float left, float top, float right, float bottom)
{
    if (!IsLivePage(page) || dc == nullptr)
        return FALSE;
    if (right != 0 && right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    const int horz = GetDeviceCaps(dc, HORZRES), vert = GetDeviceCaps(dc, VERTRES);
    const int clientW = std::max(1, page->clientWidth), clientH = std::max(1, page->clientHeight);
    const int height = static_cast<int>(vert * (bottom - top));
    const int width = right != 0 ? static_cast<int>(horz * (right - left))
                                 : static_cast<int>(static_cast<long long>(height) * clientW / clientH);
    const int originX = static_cast<int>(left * horz), originY = static_cast<int>(top * vert);

    const int mapMode = GetMapMode(dc);
    SIZE windowExt{}, viewportExt{};
    POINT windowOrg{}, viewportOrg{};
    GetWindowExtEx(dc, &windowExt);
    GetViewportExtEx(dc, &viewportExt);
    GetWindowOrgEx(dc, &windowOrg);
    GetViewportOrgEx(dc, &viewportOrg);
    EnableWindow(page->window, FALSE);

    TopDesc* topBlock = page->top ? page->top : Lib().top;
    HRGN clip = topBlock ? topBlock->clipRegion : nullptr;
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
    {
        if (topBlock && topBlock->abortFlag)
            break;
        GrDesc* graph = GetGrDescNum(page, slot);
        if (graph == nullptr || graph->building)
            continue;
        graph->printCopy = dc;
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowOrgEx(dc, 0, 0, nullptr);
        SetViewportOrgEx(dc, originX + graph->devX * width / clientW,
                         originY + graph->devY * height / clientH, nullptr);
        SetWindowExtEx(dc, graph->logWidth, graph->logHeight, nullptr);
        SetViewportExtEx(dc, std::max(1, graph->devWidth * width / clientW),
                         std::max(1, graph->devHeight * height / clientH), nullptr);
        SelectClipRgn(dc, clip);
        IntersectClipRect(dc, 0, 0, graph->logWidth, graph->logHeight);

        const bool windowBg = topBlock && topBlock->printGraphBackground;
        const bool plotBg = topBlock && topBlock->printPlotBackground;
        const RECT all{0, 0, graph->logWidth, graph->logHeight};
        if (windowBg)
        {
            if (graph->raise)
                RaisedRect(graph, dc, &all, graph->background, 1);
            else
            {
                HBRUSH brush = CreateSolidBrush(graph->background);
                FillRect(dc, &all, brush);
                DeleteObject(brush);
            }
        }
        const RECT& plot = graph->plot;
        if ((windowBg || plotBg) && plot.right > plot.left && plot.bottom > plot.top)
        {
            int w = plot.right - plot.left, h = plot.bottom - plot.top;
            WGExactPixel(dc, &w, &h);
            POINT px{1, 1};
            DPtoLP(dc, &px, 1);
            POINT p0{0, 0};
            DPtoLP(dc, &p0, 1);
            const RECT area{plot.left, plot.top, plot.left + w + std::abs(px.x - p0.x),
                            plot.top + h + std::abs(px.y - p0.y)};
            HBRUSH brush = CreateSolidBrush(plotBg || !windowBg ? graph->plotBackground : RGB(255, 255, 255));
            FillRect(dc, &area, brush);
            DeleteObject(brush);
        }
        const SHORT cursor = graph->cursor;
        for (int n = 1; n <= graph->capacity; ++n)
        {
            ObjDesc* o = ObjectAt(graph, n);
            if (o == nullptr)
                continue;
            if (o->visible)
            {
                graph->cursor = static_cast<SHORT>(n - 1);
                graph->currentObject = o;
                if (o->draw)
                    o->draw(graph, dc);
            }
            else if (o->type == PK_TYPE_WINDOW_CONTROL)
                if (const PlotObjectType* kind = FindObjectType(o->type); kind && kind->hidden)
                    kind->hidden(graph, o);
        }
        graph->cursor = cursor;
        DrawGraphBorder(graph, dc);
        graph->printCopy = nullptr;
        RestoreSize(graph);
    }
    CleanGDI(dc);
    EnableWindow(page->window, TRUE);
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        if (GrDesc* graph = GetGrDescNum(page, slot); graph && HasRealTimeObjects(graph))
            InvalidateRect(graph->window, nullptr, FALSE);
    SetMapMode(dc, mapMode);
    SetWindowExtEx(dc, windowExt.cx, windowExt.cy, nullptr);
    SetViewportExtEx(dc, viewportExt.cx, viewportExt.cy, nullptr);
    SetWindowOrgEx(dc, windowOrg.x, windowOrg.y, nullptr);
    SetViewportOrgEx(dc, viewportOrg.x, viewportOrg.y, nullptr);
    SelectClipRgn(dc, clip);
    return TRUE;
}

void WINAPI WGSetPrintOptions(BOOL graphBackground, BOOL plotBackground, BOOL border, BOOL maintainAspect,
                              int style, float left, float top)
{
    if (ReportNoTop())
        return;
    TopDesc* t = Lib().top;
    t->printGraphBackground = graphBackground;
    t->printPlotBackground = plotBackground;
    t->printBorder = border;
    t->maintainAspect = maintainAspect;
    t->printStyle = static_cast<SHORT>(style);
    t->printLeftOffset = left;
    t->printTopOffset = top;
}

int WINAPI WGPrintOptionsDlg()
{
    if (ReportNoTop())
        return 0;
    if (optionsOpen)
        return 2;
    optionsOpen = true;
    const INT_PTR result = DialogBoxParam(Module(), "PRINTERPARAM", Lib().formPage, PrintParamDlgProc, 0);
    optionsOpen = false;
    return result == 1 ? 1 : 0;
}

INT_PTR CALLBACK PrintParamDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    TopDesc* t = Lib().top;
    switch (message)
    {
    case WM_INITDIALOG:
    {
        SetFocus(GetDlgItem(dialog, IDOK));
        const int style = t ? std::clamp<int>(t->printStyle, 0, 2) : 0;
        CheckRadioButton(dialog, IDC_PRINT_MAXSIZE, IDC_PRINT_EXACT, kStyleIds[style]);
        CheckDlgButton(dialog, IDC_PRINT_BORDER, t && t->printBorder ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_PRINT_GRAPHBG, t && t->printGraphBackground ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_PRINT_PLOTBG, t && t->printPlotBackground ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_PRINT_ASPECT, t && t->maintainAspect ? BST_CHECKED : BST_UNCHECKED);
        typedLeft = t ? t->printLeftOffset : 0;
        typedTop = t ? t->printTopOffset : 0;
        if (style == 2)
            ShowOffsets(dialog, typedLeft, typedTop);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
    {
        const int id = LOWORD(wParam);
        switch (id)
        {
        case IDC_PRINT_BORDER:
        case IDC_PRINT_GRAPHBG:
        case IDC_PRINT_PLOTBG:
        case IDC_PRINT_ASPECT:
            CheckDlgButton(dialog, id, IsDlgButtonChecked(dialog, id) ? BST_UNCHECKED : BST_CHECKED);
            return TRUE;
        case IDC_PRINT_MAXSIZE:
        case IDC_PRINT_PROPORTIONATE:
            CheckRadioButton(dialog, IDC_PRINT_MAXSIZE, IDC_PRINT_EXACT, id);
            return TRUE;
        case IDC_PRINT_EXACT:
            CheckRadioButton(dialog, IDC_PRINT_MAXSIZE, IDC_PRINT_EXACT, id);
            if (t)
                ShowOffsets(dialog, t->printLeftOffset, t->printTopOffset);
            return TRUE;
        case IDC_PRINT_LEFT:
        case IDC_PRINT_TOP:
            if (HIWORD(wParam) == EN_CHANGE)
                (id == IDC_PRINT_LEFT ? typedLeft : typedTop) = ReadPercent(dialog, id);
            return TRUE;
        case IDOK:
        {
            int style = 0;
            for (int s = 0; s < 3; ++s)
                if (IsDlgButtonChecked(dialog, kStyleIds[s]))
                    style = s;
            WGSetPrintOptions(IsDlgButtonChecked(dialog, IDC_PRINT_GRAPHBG),
                              IsDlgButtonChecked(dialog, IDC_PRINT_PLOTBG),
                              IsDlgButtonChecked(dialog, IDC_PRINT_BORDER),
                              IsDlgButtonChecked(dialog, IDC_PRINT_ASPECT), style, typedLeft, typedTop);
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 2);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

HGLOBAL WINAPI HXCopyGraph(GrDesc* graph, HGLOBAL* pairList)
{
    if (pairList)
        *pairList = nullptr;
    if (!CheckGraph(graph))
        return nullptr;
    HGLOBAL block = WGCopyMem(GlobalHandle(graph));
    if (block == nullptr)
        return nullptr;
    auto* copy = static_cast<GrDesc*>(GlobalLock(block));
    const int capacity = graph->capacity;
    HGLOBAL table = GlobalAlloc(GHND, std::max(1, capacity) * sizeof(HGLOBAL));
    // The pair list grows with the data sets copied; it starts empty.
    HGLOBAL pairs = GlobalAlloc(GHND, sizeof(DataSetPairList));
    if (table == nullptr || pairs == nullptr)
    {
        GlobalFree(table);
        GlobalFree(pairs);
        GlobalFree(block);
        ErrHdlr(53, 2, " - HXCopyGraph");
        return nullptr;
    }
    copy->objectTable = table;
    copy->objects = static_cast<HGLOBAL*>(GlobalLock(table));
    copy->editCopy = nullptr;
    copy->currentObject = nullptr;
    TempGraph& temp = TempGraphs()[copy];
    temp.owned.assign(capacity, false);
    temp.released.assign(capacity, false);
    for (int n = 0; n < capacity; ++n)
    {
        HGLOBAL entry = graph->objects[n];
        copy->objects[n] = entry;
        if (entry == nullptr)
            continue;
        auto* object = static_cast<ObjDesc*>(GlobalLock(entry));
        if (!IsCopiedType(object->type))
            continue;
        HGLOBAL own = WGCopyMem(entry);
        const PlotObjectType* kind = FindObjectType(object->type);
        if (own && kind && kind->copy && !kind->copy(copy, object, static_cast<ObjDesc*>(GlobalLock(own))))
        {
            GlobalFree(own);
            own = nullptr;
        }
        copy->objects[n] = own; // a record that cannot be copied is left out of the print
        temp.owned[n] = own != nullptr;
        temp.released[n] = own != nullptr && kind && kind->copy;
    }
    if (pairList)
        *pairList = pairs;
    else
        GlobalFree(pairs);
    return block;
}

void WINAPI HXDestroyTempGraph(HGLOBAL tempGraph, HGLOBAL pairList)
{
    if (pairList)
        GlobalFree(pairList);
    if (tempGraph == nullptr)
        return;
    auto* copy = static_cast<GrDesc*>(GlobalLock(tempGraph));
    auto it = TempGraphs().find(copy);
    if (it == TempGraphs().end())
        return; // not a copy made here: nothing of it is freed
    for (size_t n = 0; n < it->second.owned.size(); ++n)
    {
        if (!it->second.owned[n])
            continue;
        HGLOBAL entry = copy->objects[n];
        auto* object = static_cast<ObjDesc*>(GlobalLock(entry));
        if (const PlotObjectType* kind = FindObjectType(object->type);
            kind && kind->release && it->second.released[n])
            kind->release(copy, object);
        GlobalFree(entry);
    }
    TempGraphs().erase(it);
    GlobalFree(copy->objectTable);
    GlobalFree(tempGraph);
}
