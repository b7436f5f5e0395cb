// Pages: creation, lookup and validation through the page table, killing, selection and highlight,
// selector buttons, blow-up and resizing.
#include "PlotkitInternal.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace plotkit
{

bool IsLivePage(const PgDesc* page)
{
    TopDesc* top = Lib().top;
    if (page == nullptr || top == nullptr)
        return false;
    for (int n = 1; n <= PK_MAX_PAGES; ++n)
        if (top->pages[n] && GlobalLock(top->pages[n]) == page)
            return true;
    return false;
}

bool IsLiveGraph(const GrDesc* graph)
{
    TopDesc* top = Lib().top;
    if (graph == nullptr || top == nullptr)
        return false;
    if (IsTempGraph(graph))
        return true;
    // Compared by address only: a dead descriptor is never read.
    for (int n = 1; n <= PK_MAX_PAGES; ++n)
    {
        auto* page = top->pages[n] ? static_cast<PgDesc*>(GlobalLock(top->pages[n])) : nullptr;
        for (int slot = 0; page && slot < PK_GRAPHS_PER_PAGE; ++slot)
            if (page->graphs[slot] && GlobalLock(page->graphs[slot]) == graph)
                return true;
    }
    return false;
}

bool CheckGraph(const GrDesc* graph)
{
    if (IsLiveGraph(graph))
        return true;
    if (graph != nullptr) // a null descriptor only does nothing
        ErrHdlr(65, 0, nullptr);
    return false;
}

void ApplyPageMapping(HDC dc, int mapMode, int clientWidth, int clientHeight, int extentX, int extentY)
{
    SetMapMode(dc, mapMode);
    if (mapMode == MM_ISOTROPIC || mapMode == MM_ANISOTROPIC)
    {
        SetWindowExtEx(dc, extentX, extentY, nullptr);
        SetViewportExtEx(dc, clientWidth, clientHeight, nullptr);
    }
}

} // namespace plotkit

using namespace plotkit;

namespace
{

int Round(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

void SetPageExtents(PgDesc* page)
{
    const DevDesc& dev = Lib().dev;
    const int w = page->clientWidth;
    const int h = page->clientHeight;
    if (page->mapMode == MM_ISOTROPIC)
    {
        const double factor =
            13000.0 / (w > h ? std::max(1, dev.screenWidth) : std::max(1, dev.screenHeight));
        page->extentX = static_cast<int>(w * factor);
        page->extentY = static_cast<int>(h * factor);
    }
    else if (w >= h)
    {
        page->extentX = 13000;
        page->extentY = w > 0 ? static_cast<int>(13000.0 * h / w) : 0;
    }
    else
    {
        page->extentY = 13000;
        page->extentX = static_cast<int>(13000.0 * w / h);
    }
}

// Pages are counted from their allocation to their end.
void FreePage(TopDesc* top, int number)
{
    HGLOBAL h = top->pages[number];
    top->pages[number] = nullptr;
    GlobalFree(h);
    --top->pageCount;
}

// Creates the page window; false when it cannot be made.
bool CreatePageWindow(TopDesc* top, PgDesc* page, HWND parent, const char* title, const char* menuName,
                      DWORD style, int placement, int x, int y, int width, int height)
{
    Library& lib = Lib();
    if (parent == nullptr && placement == 0)
        placement = 1;
    HMENU menu = nullptr;
    if (style & WS_CHILD)
    {
        if (placement == 1)
            placement = 0;
        if (parent)
            menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(page->number));
        else
            style = (style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP;
    }
    else if (menuName && *menuName)
        menu = LoadMenu(top->hostInstance, menuName);

    if (lib.formPage)
    {
        page->window = lib.formPage;
    }
    else
    {
        style = style ? (style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN) : 0x82CF0000u;
        int px = 0, py = 0, pw = lib.dev.screenWidth, ph = lib.dev.screenHeight;
        if (placement == 0 && parent)
        {
            RECT client{};
            GetClientRect(parent, &client);
            pw = client.right;
            ph = client.bottom;
            if (!(style & WS_CHILD))
            {
                RECT outer{};
                GetWindowRect(parent, &outer);
                px = outer.left + GetSystemMetrics(SM_CXFRAME);
                py = outer.bottom - GetSystemMetrics(SM_CYFRAME) - ph;
            }
        }
        else if (placement == 2)
        {
            const int unset = static_cast<int>(0x80000000u);
            px = x == unset ? 0 : x;
            py = y == unset ? 0 : y;
            pw = width == unset ? lib.dev.screenWidth : width;
            ph = height == unset ? lib.dev.screenHeight : height;
        }
        page->window =
            CreateWindowEx(0, "PgWin", title, style, px, py, pw, ph, parent, menu, top->hostInstance, page);
        if (page->window == nullptr)
            return false;
    }
    SetWindowLongPtr(page->window, PK_PAGE_WORD_DESC, reinterpret_cast<LONG_PTR>(page));
    SetWindowLongPtr(page->window, PK_PAGE_WORD_TOP, reinterpret_cast<LONG_PTR>(top));
    return true;
}

PgDesc* InitPageGuarded(const char* name, HWND parent, const char* title, const char* menuName,
                        int background, int kind, DWORD style, int placement, int x, int y, int width,
                        int height, LPARAM userValue, int* made)
{
    Library& lib = Lib();
    TopDesc* top = lib.top;
    if (top == nullptr)
        return nullptr;
    const char* wanted = name ? name : "";
    // Page names are unique among all pages, not only those below the first free number.
    for (int n = 1; n <= PK_MAX_PAGES; ++n)
    {
        auto* other = top->pages[n] ? static_cast<PgDesc*>(GlobalLock(top->pages[n])) : nullptr;
        if (other && std::strncmp(other->name, wanted, sizeof(other->name) - 1) == 0)
            return nullptr;
    }
    int number = 0;
    for (int n = 1; n < PK_MAX_PAGES && number == 0; ++n)
        if (top->pages[n] == nullptr)
            number = n;
    if (number == 0)
    {
        ErrHdlr(51, 0, nullptr);
        return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GPTR, sizeof(PgDesc));
    if (block == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return nullptr;
    }
    top->pages[number] = block;
    ++top->pageCount;
    *made = number;
    auto* page = static_cast<PgDesc*>(GlobalLock(block));
    page->number = static_cast<SHORT>(number);
    page->background = WGGetRGBColor(background);
    page->scaleX = page->scaleY = 1.0f;
    page->majorTick = 4;
    page->minorTick = 2;
    page->check = kPageCheck;
    page->top = top;
    page->userValue = userValue;
    page->parent = parent;
    std::strncpy(page->name, wanted, sizeof(page->name) - 1);
    page->mapMode = kind >= 8 && kind <= 11 ? MM_ANISOTROPIC : MM_ISOTROPIC;
    page->keepAspect = (kind == 9 || kind == 11) ? 1 : 0;
    page->keepTextSize = (kind == 10 || kind == 11) ? 1 : 0;

    std::string caption = title ? title : "CHART #" + std::to_string(number);
    if (!CreatePageWindow(top, page, parent, caption.c_str(), menuName, style, placement, x, y, width,
                          height))
    {
        FreePage(top, number);
        ErrHdlr(50, 2, wanted);
        return nullptr;
    }
    ShowWindow(page->window, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    RECT client{};
    GetClientRect(page->window, &client);
    if (client.bottom == 0)
    {
        if (lib.formPage)
        {
            lib.formPage = nullptr;
            page->mapMode = MM_ISOTROPIC;
            return page;
        }
        if (width < 1 || height < 1)
        {
            DestroyWindow(page->window);
            FreePage(top, number);
            return nullptr;
        }
        client.right = width;
        client.bottom = height;
    }
    page->clientWidth = page->createdWidth = client.right;
    page->clientHeight = page->createdHeight = client.bottom;
    SetPageExtents(page);
    SendMessage(page->window, WM_PAINT, 0, 0);
    return page;
}

} // namespace

PgDesc* WINAPI InitPage(const char* name, HWND parent, const char* title, const char* menu, int background,
                        int kind, DWORD style, int placement, int x, int y, int width, int height,
                        LPARAM userValue)
{
    // A fault in the host's code run while the page is made (its window procedures build the
    // graphs) is reported and the page taken down again; the host lives on.
    int made = 0;
    std::string fault;
    try
    {
        return InitPageGuarded(name, parent, title, menu, background, kind, style, placement, x, y, width,
                               height, userValue, &made);
    }
    catch (const std::exception& e)
    {
        fault = e.what();
    }
    catch (...)
    {
        fault = "unknown";
    }
    if (PgDesc* page = GetPgDescPtr(made))
    {
        HWND window = page->window;
        KillGraphPage(made);
        if (window && window != Lib().formPage)
            DestroyWindow(window);
    }
    ErrHdlr(70, 2, fault.c_str());
    return nullptr;
}

PgDesc* WINAPI GetPgDescPtr(int number)
{
    TopDesc* top = Lib().top;
    if (top == nullptr || number < 1 || number > PK_MAX_PAGES || top->pages[number] == nullptr)
        return nullptr;
    return static_cast<PgDesc*>(GlobalLock(top->pages[number]));
}

PgDesc* WINAPI WGGetPageDesc(HWND window)
{
    if (window == nullptr)
        return nullptr;
    auto* page = reinterpret_cast<PgDesc*>(GetWindowLongPtr(window, PK_PAGE_WORD_DESC));
    if (IsLivePage(page) && page->window == window)
        return page;
    for (int n = 1; n <= PK_MAX_PAGES; ++n)
        if (PgDesc* p = GetPgDescPtr(n); p && p->window == window)
            return p;
    return nullptr;
}

HWND WINAPI WGGetPageWindow(PgDesc* page)
{
    return page ? page->window : nullptr;
}

BOOL WINAPI WGIsPageDescValid(const PgDesc* page)
{
    return IsLivePage(page) && page->check == kPageCheck;
}

BOOL WINAPI WGIsDescValid(const void* address)
{
    if (address == nullptr)
        return FALSE;
    if (address == Lib().top)
        return TRUE;
    if (IsLivePage(static_cast<const PgDesc*>(address)) || IsLiveGraph(static_cast<const GrDesc*>(address)))
        return TRUE;
    for (int n = 1; n < PK_MAX_PAGES; ++n)
    {
        PgDesc* page = GetPgDescPtr(n);
        for (int slot = 0; page && slot < PK_GRAPHS_PER_PAGE; ++slot)
        {
            GrDesc* graph = GetGrDescNum(page, slot);
            for (int i = 1; graph && i <= graph->capacity; ++i)
                if (ObjectAt(graph, i) == address)
                    return TRUE;
        }
    }
    return FALSE;
}

int WINAPI KillGraphPage(int number)
{
    TopDesc* top = Lib().top;
    PgDesc* page = GetPgDescPtr(number);
    if (page == nullptr)
        return top ? top->pageCount : 0;
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        if (GrDesc* graph = GetGrDescNum(page, slot))
            WGDeleteGraph(graph);
    page->number = 0;
    FreePage(top, number);
    return top->pageCount;
}

BOOL WINAPI WGClosePage(PgDesc* page)
{
    if (!WGIsPageDescValid(page))
        return FALSE;
    return DestroyWindow(page->window);
}

void WINAPI HighlightGraph(PgDesc* page, int handle)
{
    if (!IsLivePage(page) || handle == 0)
        return;
    GrDesc* graph = GetGrDescNum(page, (handle - 60) % 16);
    if (graph == nullptr || graph->window == nullptr)
        return;
    RECT r{};
    GetWindowRect(graph->window, &r);
    POINT corners[2] = {{r.left - 4, r.top - 4}, {r.right + 4, r.bottom + 4}};
    ScreenToClient(page->window, &corners[0]);
    ScreenToClient(page->window, &corners[1]);
    HDC dc = GetDC(page->window);
    const int rop = SetROP2(dc, R2_NOT);
    HPEN pen = CreatePen(PS_INSIDEFRAME, 4, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    SetROP2(dc, rop);
    ReleaseDC(page->window, dc);
}

void WINAPI WGToggleHigh(PgDesc* page, BOOL on)
{
    if (!IsLivePage(page) || (page->highlightOn != 0) == (on != 0))
        return;
    page->highlightOn = on ? 1 : 0;
    HighlightGraph(page, page->selectedGraph);
}

namespace
{

void UpdateSelectorStates(PgDesc* page)
{
    if (!page->selectorsShown)
        return;
    auto button = [page](int handle) { return handle ? page->selectors[(handle - 60) % 16] : nullptr; };
    if (HWND b = button(page->selectedGraph))
        SendMessage(b, WM_USER + 3, 1, 0);
    if (page->previousGraph != page->selectedGraph)
        if (HWND b = button(page->previousGraph))
            SendMessage(b, WM_USER + 3, 0, 0);
    page->previousGraph = page->selectedGraph;
}

} // namespace

HWND WINAPI WGSelectGraph(GrDesc* graph)
{
    if (!CheckGraph(graph))
        return nullptr;
    PgDesc* page = graph->page;
    if (page->selectedGraph != graph->handle)
    {
        if (page->highlightOn)
        {
            HighlightGraph(page, page->selectedGraph);
            HighlightGraph(page, graph->handle);
        }
        page->previousGraph = page->selectedGraph;
        page->selectedGraph = graph->handle;
        UpdateSelectorStates(page);
    }
    return SetFocus(graph->window);
}

GrDesc* WINAPI WGGetSelectedGraph(PgDesc* page)
{
    if (!IsLivePage(page) || page->selectedGraph == 0)
        return nullptr;
    return GetGrDescNum(page, (page->selectedGraph - 60) % 16);
}

void WINAPI ShowGraphSelectors(PgDesc* page, HDC dc, int mode)
{
    if (!IsLivePage(page))
        return;
    if (mode == 0)
    {
        for (HWND& button : page->selectors)
        {
            if (button)
                DestroyWindow(button);
            button = nullptr;
        }
        return;
    }
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    SelectObject(dc, oldFont);
    const int rowHeight = std::max(1, static_cast<int>((tm.tmHeight + tm.tmExternalLeading) * 4 / 3));
    const int buttonWidth = 3 * tm.tmAveCharWidth;
    const int rows = std::max(1, page->clientHeight / rowHeight);
    for (int i = 0; i < PK_GRAPHS_PER_PAGE; ++i)
    {
        const int x = page->clientWidth - (i / rows + 1) * buttonWidth;
        const int y = (i % rows) * rowHeight;
        if (mode == 1 && page->graphs[i] && page->selectors[i] == nullptr)
        {
            const std::string label = std::to_string(i + 1);
            page->selectors[i] =
                CreateWindowEx(0, "CusButton", label.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y,
                               buttonWidth, rowHeight, page->window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(900 + i)), Module(), nullptr);
        }
        else if (page->selectors[i])
            MoveWindow(page->selectors[i], x, y, buttonWidth, rowHeight, TRUE);
        if (page->selectors[i])
            SetWindowPos(page->selectors[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    if (mode == 1)
    {
        page->previousGraph = 0;
        UpdateSelectorStates(page);
    }
    if (GrDesc* selected = WGGetSelectedGraph(page); selected && GetActiveWindow() == page->window)
        SetFocus(selected->window);
}

void WINAPI WGToggleSelectors(PgDesc* page, BOOL on)
{
    if (!IsLivePage(page) || (page->selectorsShown != 0) == (on != 0))
        return;
    page->selectorsMade = on ? 0 : 1;
    page->selectorsShown = on ? 1 : 0;
    HDC dc = GetDC(page->window);
    ShowGraphSelectors(page, dc, on ? 1 : 0);
    ReleaseDC(page->window, dc);
    HMENU menu = GetMenu(page->window);
    if (menu && !(GetWindowLong(page->window, GWL_STYLE) & WS_CHILD))
        CheckMenuItem(GetSubMenu(menu, 3), 60, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void WINAPI WGBlowupGraph(GrDesc* graph, BOOL on)
{
    if (!CheckGraph(graph))
        return;
    PgDesc* page = graph->page;
    if (page->selectedGraph == 0)
        return;
    if (page->selectedGraph != graph->handle)
    {
        page->previousGraph = page->selectedGraph;
        page->selectedGraph = graph->handle;
    }
    page->blownUp = on ? 1 : 0;
    if (on)
    {
        page->savedPos[0] = graph->normX;
        page->savedPos[1] = graph->normY;
        page->savedPos[2] = graph->normWidth;
        page->savedPos[3] = graph->normHeight;
        page->savedMapMode = page->mapMode;
        page->mapMode = graph->mapMode = MM_ANISOTROPIC;
        graph->normX = graph->normY = 0;
        graph->normWidth = graph->normHeight = 1;
    }
    else
    {
        graph->normX = page->savedPos[0];
        graph->normY = page->savedPos[1];
        graph->normWidth = page->savedPos[2];
        graph->normHeight = page->savedPos[3];
        page->mapMode = graph->mapMode = page->savedMapMode;
    }
    HDC pageDc = GetDC(page->window);
    if (page->selectorsShown)
        ShowGraphSelectors(page, pageDc, on ? 0 : 1);
    ApplyPageMapping(pageDc, page->mapMode, page->clientWidth, page->clientHeight, page->extentX,
                     page->extentY);
    graph->logX = Round(page->extentX * graph->normX);
    graph->logY = Round(page->extentY * graph->normY);
    graph->logWidth = Round(page->extentX * graph->normWidth);
    graph->logHeight = Round(page->extentY * graph->normHeight);
    POINT p[2] = {{graph->logX, graph->logY},
                  {graph->logX + graph->logWidth, graph->logY + graph->logHeight}};
    LPtoDP(pageDc, p, 2);
    graph->devX = p[0].x;
    graph->devY = p[0].y;
    graph->devWidth = p[1].x - p[0].x;
    graph->devHeight = p[1].y - p[0].y;
    ReleaseDC(page->window, pageDc);
    HDC dc = GetMappedDC(graph);
    RescaleObjects(graph, dc);
    ReleaseDC(graph->window, dc);
    MoveWindow(graph->window, graph->devX, graph->devY, graph->devWidth, graph->devHeight, TRUE);
    if (on)
        SetWindowPos(graph->window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    InvalidateRect(page->window, nullptr, TRUE);
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        if (GrDesc* g = GetGrDescNum(page, slot))
            InvalidateRect(g->window, nullptr, TRUE);
}

void WINAPI ResizePage(HWND window, int width, int height)
{
    if (window == nullptr || IsIconic(window) || width <= 0 || height <= 0)
        return;
    PgDesc* page = WGGetPageDesc(window);
    if (page == nullptr)
        return;
    if ((GetWindowLong(window, GWL_STYLE) & WS_CHILD) && GetParent(window) && IsIconic(GetParent(window)))
        return;
    if (page->keepAspect == 1 && page->createdWidth > 0)
    {
        const int wanted = page->createdHeight * width / page->createdWidth;
        if (std::abs(wanted - height) > 2)
        {
            RECT outer{};
            GetWindowRect(window, &outer);
            const int frameX = (outer.right - outer.left) - page->clientWidth;
            const int frameY = (outer.bottom - outer.top) - page->clientHeight;
            int newHeight = wanted + frameY;
            int newWidth = width + frameX;
            const int screen = Lib().dev.screenHeight;
            if (screen > 0 && newHeight > screen)
            {
                newHeight = screen;
                newWidth = (newHeight - frameY) * page->createdWidth / page->createdHeight + frameX;
            }
            page->keepAspect = 2;
            POINT origin{std::max(0, static_cast<int>(outer.left)), std::max(0, static_cast<int>(outer.top))};
            if (HWND parent = GetParent(window); parent && (GetWindowLong(window, GWL_STYLE) & WS_CHILD))
                ScreenToClient(parent, &origin);
            MoveWindow(window, origin.x, origin.y, newWidth, newHeight, TRUE);
            return;
        }
    }
    else if (page->keepAspect == 2)
        page->keepAspect = 1;

    page->scaleX = page->createdWidth ? static_cast<float>(width) / page->createdWidth : 1.0f;
    page->scaleY = page->createdHeight ? static_cast<float>(height) / page->createdHeight : 1.0f;
    if (page->mapMode == MM_ANISOTROPIC)
    {
        for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        {
            GrDesc* graph = GetGrDescNum(page, slot);
            if (graph == nullptr)
                continue;
            graph->devWidth = Round(width * graph->normWidth);
            graph->devHeight = Round(height * graph->normHeight);
            graph->devX = Round(width * graph->normX);
            graph->devY = Round(height * graph->normY);
            graph->layoutChanged = 1;
            HDC dc = GetMappedDC(graph);
            RescaleObjects(graph, dc);
            ReleaseDC(graph->window, dc);
            MoveWindow(graph->window, graph->devX, graph->devY, graph->devWidth, graph->devHeight, TRUE);
        }
    }
    else
    {
        page->extentX = page->clientWidth
                            ? static_cast<int>(static_cast<double>(width) * page->extentX / page->clientWidth)
                            : page->extentX;
        page->extentY =
            page->clientHeight
                ? static_cast<int>(static_cast<double>(height) * page->extentY / page->clientHeight)
                : page->extentY;
        // Every used slot, also past a slot freed by a deleted graph.
        for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
        {
            GrDesc* graph = GetGrDescNum(page, slot);
            if (graph == nullptr || page->extentX == 0 || page->extentY == 0)
                continue;
            graph->normX = static_cast<float>(graph->logX) / page->extentX;
            graph->normY = static_cast<float>(graph->logY) / page->extentY;
            graph->normWidth = static_cast<float>(graph->logWidth) / page->extentX;
            graph->normHeight = static_cast<float>(graph->logHeight) / page->extentY;
        }
    }
    page->clientWidth = width;
    page->clientHeight = height;
}

void WINAPI WGUpdatePage(PgDesc* page)
{
    if (!IsLivePage(page) || page->built)
        return;
    page->built = 1;
    for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
    {
        GrDesc* graph = GetGrDescNum(page, slot);
        if (graph == nullptr)
            break;
        HDC dc = GetDC(graph->window);
        MapGraph(graph, dc);
        FinishGraph(graph, dc);
        ReleaseDC(graph->window, dc);
    }
    if (page->selectorsShown)
    {
        HDC dc = GetDC(page->window);
        ShowGraphSelectors(page, dc, 1);
        ReleaseDC(page->window, dc);
        page->selectorsMade = 1;
    }
    InvalidateRect(page->window, nullptr, TRUE);
    SendMessage(page->window, WM_PAINT, 0, 0);
}
