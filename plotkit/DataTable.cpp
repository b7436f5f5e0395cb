// The data table window: the points of one curve or group's data set in rows (point number, X and
// one column a Y member), edited in place, copied as text and shown in the object's number format.
// One table is open at a time; it finds its object again by graph and number at every use, so a
// deleted object or graph closes it instead of leaving it with a stale record.
#include "PlotkitInternal.h"
#include "res/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace plotkit
{
namespace
{

constexpr int kFormatMax = 25;       // column width and precision cap
constexpr int kEditTextMax = 25;     // characters read from the edit control
constexpr size_t kCopyLineMax = 151; // a copied line is cut here
constexpr int kRowNumberChars = 8;
constexpr int kScrollLimit = 32000;
constexpr int kEditId = 1;

// Table messages posted by the edit control.
enum
{
    kMsgCommit = WM_USER + 1,
    kMsgCancel,
    kMsgMove,
    kMsgTab,
};

struct TableState
{
    HWND window = nullptr;
    GrDesc* graph = nullptr;
    int number = 0;
    int charWidth = 8;
    int rowHeight = 16;
    int firstRow = 1; // 1-based
    int rows = 1;     // scroll rows
    int firstColumn = 1;
    int columns = 1;
    int columnWidth = 88;
    HWND edit = nullptr;
    int editColumn = 0; // 0 X, k member k
    int editRow = 0;    // point index
    WNDPROC editProc = nullptr;
    bool creating = false;
};

TableState& Table()
{
    static TableState state;
    return state;
}

// The table's object and data set now; null when either has gone.
ObjDesc* TableObject()
{
    TableState& t = Table();
    if (t.graph == nullptr || !IsLiveGraph(t.graph))
        return nullptr;
    ObjDesc* o = ObjectAt(t.graph, t.number);
    return o && (o->type == PK_TYPE_CURVE || o->type == PK_TYPE_GROUP) ? o : nullptr;
}

DataSetDesc* TableSet(ObjDesc* o)
{
    const PlotDataOps* ops = o ? FindPlotDataOps(o->type) : nullptr;
    DataSetLink* link = ops && ops->link ? ops->link(o) : nullptr;
    if (link == nullptr)
        return nullptr;
    DataSetDesc* set = DataSetAt(link->number);
    return set && set == link->set ? set : nullptr;
}

int Members(const DataSetDesc* set)
{
    return set ? std::max<int>(set->yPerX, 1) : 0;
}

void Format(ObjDesc* o, int* width, int* precision)
{
    *width = 9;
    *precision = 6;
    GetDataFormat(o, width, precision);
    *width = std::clamp(*width, 1, kFormatMax);
    *precision = std::clamp(*precision, 1, kFormatMax);
}

// A value as the table shows it: the shortest form, cut to the column width.
std::string Cell(float value, int width, int precision)
{
    std::string text = ftoa(value, precision, 4);
    if (static_cast<int>(text.size()) > width)
        text.resize(static_cast<size_t>(width));
    return text;
}

float ValueAt(const DataSetDesc* set, int column, int point)
{
    return column == 0 ? set->x[point] : set->y[point * set->yPerX + column - 1];
}

int RowNumberWidth()
{
    return kRowNumberChars * Table().charWidth;
}

int VisibleRows(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return std::max(1, static_cast<int>((r.bottom - r.top) / Table().rowHeight) - 1);
}

// Scroll positions: halved above 32000 rows.
int ScrollScale(int rows)
{
    return rows > kScrollLimit ? 2 : 1;
}

void SetScrollBars(HWND window)
{
    TableState& t = Table();
    const int scale = ScrollScale(t.rows);
    SetScrollRange(window, SB_VERT, 1, std::max(1, t.rows / scale), FALSE);
    SetScrollPos(window, SB_VERT, std::max(1, t.firstRow / scale), TRUE);
    SetScrollRange(window, SB_HORZ, 1, t.columns, FALSE);
    SetScrollPos(window, SB_HORZ, t.firstColumn, TRUE);
}

void Measure(HWND window)
{
    TableState& t = Table();
    ObjDesc* o = TableObject();
    DataSetDesc* set = TableSet(o);
    RECT r{};
    GetClientRect(window, &r);
    const int points = set ? set->count : 0;
    t.rows = std::max(1, points - static_cast<int>(r.bottom / t.rowHeight) + 2);
    const int members = Members(set);
    t.columns = members < 2
                    ? 1
                    : std::max(1, members - static_cast<int>((r.right - RowNumberWidth()) / t.columnWidth) + 2);
    t.firstRow = 1;
    t.firstColumn = 1;
    SetScrollBars(window);
}

void DestroyEdit()
{
    TableState& t = Table();
    if (t.edit == nullptr)
        return;
    HWND edit = t.edit;
    t.edit = nullptr;
    if (t.editProc)
        SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(t.editProc));
    DestroyWindow(edit);
}

// The cell rectangle of a point and column, relative to the view; false when it is not shown.
bool CellRect(int column, int point, RECT* cell)
{
    TableState& t = Table();
    const int row = point - (t.firstRow - 1);
    int slot = 0;
    if (column > 0)
    {
        slot = column - t.firstColumn + 1;
        if (slot < 1)
            return false;
    }
    if (row < 0)
        return false;
    cell->left = RowNumberWidth() + slot * t.columnWidth;
    cell->top = (row + 1) * t.rowHeight;
    cell->right = cell->left + t.columnWidth;
    cell->bottom = cell->top + t.rowHeight;
    return true;
}

void OpenEdit(HWND window, int column, int point)
{
    TableState& t = Table();
    DestroyEdit();
    ObjDesc* o = TableObject();
    DataSetDesc* set = TableSet(o);
    if (set == nullptr || point < 0 || point >= set->count || column < 0 || column > Members(set))
        return;
    RECT cell{};
    if (!CellRect(column, point, &cell))
        return;
    int width = 0, precision = 0;
    Format(o, &width, &precision);
    t.editColumn = column;
    t.editRow = point;
    t.edit = CreateWindowEx(0, "edit", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_RIGHT, cell.left + 1,
                            cell.top + 1, t.columnWidth - 1, t.rowHeight - 1, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), Module(), nullptr);
    if (t.edit == nullptr)
        return;
    t.editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(t.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
    SetWindowText(t.edit, Cell(ValueAt(set, column, point), width, precision).c_str());
    SendMessage(t.edit, EM_LIMITTEXT, kEditTextMax, 0);
    SendMessage(t.edit, EM_SETSEL, 0, -1);
    SetFocus(t.edit);
}

// Every other curve or group of the page's graphs drawing the same data set computes again.
void RecomputeSharers(DataSetDesc* set, ObjDesc* self)
{
    TableState& t = Table();
    PgDesc* page = t.graph->page;
    if (page == nullptr || set->curves <= 1)
        return;
    for (HGLOBAL handle : page->graphs)
    {
        auto* g = handle ? static_cast<GrDesc*>(GlobalLock(handle)) : nullptr;
        if (g == nullptr || !IsLiveGraph(g))
            continue;
        for (int n = 1; n <= g->capacity; ++n)
        {
            ObjDesc* o = ObjectAt(g, n);
            if (o == nullptr || o == self || (o->type != PK_TYPE_CURVE && o->type != PK_TYPE_GROUP))
                continue;
            if (TableSet(o) != set)
                continue;
            if (const PlotDataOps* ops = FindPlotDataOps(o->type); ops && ops->dropComputed)
                ops->dropComputed(o);
            InvalidateRect(g->window, nullptr, TRUE);
        }
    }
}

void Commit(HWND window)
{
    TableState& t = Table();
    ObjDesc* o = TableObject();
    DataSetDesc* set = TableSet(o);
    if (t.edit == nullptr || set == nullptr || t.editRow >= set->count || t.editColumn > Members(set))
        return;
    char text[kEditTextMax + 2] = {};
    GetWindowText(t.edit, text, sizeof text);
    // Only a number is stored; anything else, or a value far outside the axis range, is dropped.
    if (FirstDig(text) == nullptr)
        return;
    const double value = std::atof(text);
    const auto* ranged = reinterpret_cast<RangedObjDesc*>(o);
    const double from = t.editColumn == 0 ? ranged->xMin : ranged->yMin;
    const double to = t.editColumn == 0 ? ranged->xMax : ranged->yMax;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e38 || std::fabs(value - from) > 1000.0 * std::fabs(to - from))
        return;
    if (t.editColumn == 0)
        set->x[t.editRow] = static_cast<float>(value);
    else
        set->y[t.editRow * set->yPerX + t.editColumn - 1] = static_cast<float>(value);
    if (const PlotDataOps* ops = FindPlotDataOps(o->type); ops && ops->dropComputed)
        ops->dropComputed(o);
    if (const PlotObjectType* kind = FindObjectType(o->type); kind && kind->recompute)
        kind->recompute(t.graph, o);
    RecomputeSharers(set, o);
    InvalidateRect(window, nullptr, TRUE);
    InvalidateRect(t.graph->window, nullptr, TRUE);
}

void ScrollRows(HWND window, int first)
{
    TableState& t = Table();
    first = std::clamp(first, 1, t.rows);
    if (first == t.firstRow)
        return;
    const int by = t.firstRow - first;
    t.firstRow = first;
    RECT body{};
    GetClientRect(window, &body);
    body.top = t.rowHeight;
    ScrollWindow(window, 0, by * t.rowHeight, &body, &body);
    SetScrollPos(window, SB_VERT, std::max(1, first / ScrollScale(t.rows)), TRUE);
    if (t.edit)
    {
        RECT cell{};
        if (CellRect(t.editColumn, t.editRow, &cell))
            MoveWindow(t.edit, cell.left + 1, cell.top + 1, t.columnWidth - 1, t.rowHeight - 1, TRUE);
        else
            DestroyEdit();
    }
    InvalidateRect(window, nullptr, TRUE);
}

void ScrollColumns(HWND window, int first)
{
    TableState& t = Table();
    first = std::clamp(first, 1, t.columns);
    if (first == t.firstColumn)
        return;
    t.firstColumn = first;
    DestroyEdit();
    SetScrollPos(window, SB_HORZ, first, TRUE);
    RECT members{};
    GetClientRect(window, &members);
    members.left = RowNumberWidth() + t.columnWidth;
    InvalidateRect(window, &members, TRUE);
}

void VerticalScroll(HWND window, int code, int position)
{
    TableState& t = Table();
    const int page = VisibleRows(window);
    switch (code)
    {
    case SB_LINEUP:
        ScrollRows(window, t.firstRow - 1);
        break;
    case SB_LINEDOWN:
        ScrollRows(window, t.firstRow + 1);
        break;
    case SB_PAGEUP:
        ScrollRows(window, t.firstRow - page);
        break;
    case SB_PAGEDOWN:
        ScrollRows(window, t.firstRow + page);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        ScrollRows(window, position * ScrollScale(t.rows));
        break;
    case SB_TOP:
        ScrollRows(window, 1);
        break;
    case SB_BOTTOM:
        ScrollRows(window, t.rows);
        break;
    }
}

void HorizontalScroll(HWND window, int code, int position)
{
    TableState& t = Table();
    switch (code)
    {
    case SB_LINELEFT:
        ScrollColumns(window, t.firstColumn - 1);
        break;
    case SB_LINERIGHT:
        ScrollColumns(window, t.firstColumn + 1);
        break;
    case SB_PAGELEFT:
        ScrollColumns(window, t.firstColumn - 2);
        break;
    case SB_PAGERIGHT:
        ScrollColumns(window, t.firstColumn + 2);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        ScrollColumns(window, position);
        break;
    case SB_LEFT:
        ScrollColumns(window, 1);
        break;
    case SB_RIGHT:
        ScrollColumns(window, t.columns);
        break;
    }
}

void Key(HWND window, WPARAM key)
{
    switch (key)
    {
    case VK_PRIOR:
        VerticalScroll(window, SB_PAGEUP, 0);
        break;
    case VK_NEXT:
        VerticalScroll(window, SB_PAGEDOWN, 0);
        break;
    case VK_END:
        VerticalScroll(window, SB_BOTTOM, 0);
        break;
    case VK_HOME:
        VerticalScroll(window, SB_TOP, 0);
        break;
    case VK_UP:
        VerticalScroll(window, SB_LINEUP, 0);
        break;
    case VK_DOWN:
        VerticalScroll(window, SB_LINEDOWN, 0);
        break;
    case VK_LEFT:
        HorizontalScroll(window, SB_LINELEFT, 0);
        break;
    case VK_RIGHT:
        HorizontalScroll(window, SB_LINERIGHT, 0);
        break;
    }
}

// Moves the edit cell one step; the view follows a row that leaves it.
void MoveEdit(HWND window, WPARAM key)
{
    TableState& t = Table();
    DataSetDesc* set = TableSet(TableObject());
    if (set == nullptr || t.edit == nullptr)
        return;
    int row = t.editRow;
    int column = t.editColumn;
    if (key == VK_UP)
        row = std::max(0, row - 1);
    else if (key == VK_DOWN)
        row = std::min(set->count - 1, row + 1);
    else if (key == VK_LEFT)
        column = std::max(0, column - 1);
    else if (key == VK_RIGHT)
        column = std::min(Members(set), column + 1);
    if (row < t.firstRow - 1)
        ScrollRows(window, t.firstRow - 1);
    else if (row >= t.firstRow - 1 + VisibleRows(window))
        ScrollRows(window, t.firstRow + 1);
    if (column > 0 && column < t.firstColumn)
        ScrollColumns(window, column);
    OpenEdit(window, column, row);
}

void Paint(HWND window)
{
    TableState& t = Table();
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    ObjDesc* o = TableObject();
    DataSetDesc* set = TableSet(o);
    RECT client{};
    GetClientRect(window, &client);
    if (set)
    {
        int width = 0, precision = 0;
        Format(o, &width, &precision);
        const int members = Members(set);
        const int rowNumber = RowNumberWidth();
        const bool curve = o->type == PK_TYPE_CURVE;
        // Header row.
        RECT header{0, 0, client.right, t.rowHeight};
        HBRUSH back = CreateSolidBrush(WGGetRGBColor(1));
        FillRect(dc, &header, back);
        DeleteObject(back);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, WGGetRGBColor(15));
        RECT r{0, 0, rowNumber, t.rowHeight};
        DrawText(dc, "#", 1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
        r = {rowNumber, 0, rowNumber + t.columnWidth, t.rowHeight};
        DrawText(dc, "X", 1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
        int lastColumn = 0;
        for (int m = t.firstColumn; m <= members; ++m)
        {
            const int left = rowNumber + (m - t.firstColumn + 1) * t.columnWidth;
            if (left >= client.right)
                break;
            lastColumn = m;
            char name[16];
            if (curve || members == 1)
                std::snprintf(name, sizeof name, "Y");
            else
                std::snprintf(name, sizeof name, "Y%d", m);
            r = {left, 0, left + t.columnWidth, t.rowHeight};
            DrawText(dc, name, -1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
        }
        SetTextColor(dc, RGB(0, 0, 0));
        // Rows.
        const int lastPoint = std::min(set->count, t.firstRow - 1 + VisibleRows(window) + 1);
        int y = t.rowHeight;
        for (int p = t.firstRow - 1; p < lastPoint; ++p, y += t.rowHeight)
        {
            MoveToEx(dc, 0, y, nullptr);
            LineTo(dc, client.right, y);
            char number[24];
            std::snprintf(number, sizeof number, "%5ld", static_cast<long>(p));
            r = {0, y, rowNumber - t.charWidth / 2, y + t.rowHeight};
            DrawText(dc, number, -1, &r, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
            for (int column = 0; column <= lastColumn; ++column)
            {
                if (column > 0 && column < t.firstColumn)
                    continue;
                RECT cell{};
                if (!CellRect(column, p, &cell))
                    continue;
                cell.right -= t.charWidth / 2;
                const std::string text = Cell(ValueAt(set, column, p), width, precision);
                DrawText(dc, text.c_str(), -1, &cell, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
            }
        }
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, client.right, y);
        // Column edges.
        for (int x = rowNumber; x < client.right; x += t.columnWidth)
        {
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x, y);
        }
    }
    EndPaint(window, &ps);
}

std::string CopyText(ObjDesc* o, const DataSetDesc* set)
{
    int width = 0, precision = 0;
    Format(o, &width, &precision);
    std::string text;
    char field[64];
    for (int p = 0; p < set->count; ++p)
    {
        std::string line;
        for (int column = 0; column <= Members(set); ++column)
        {
            if (column > 0)
                line += '\t';
            std::snprintf(field, sizeof field, "%*s", width, Cell(ValueAt(set, column, p), width, precision).c_str());
            line += field;
        }
        if (line.size() > kCopyLineMax)
            line.resize(kCopyLineMax);
        text += line;
        text += "\r\n";
    }
    return text;
}

void Copy(HWND window)
{
    ObjDesc* o = TableObject();
    DataSetDesc* set = TableSet(o);
    if (set == nullptr)
        return;
    // The block is sized from the text itself: lines differ in length when values do.
    const std::string text = CopyText(o, set);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (block == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return;
    }
    auto* bytes = static_cast<char*>(GlobalLock(block));
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    if (!OpenClipboard(window))
    {
        GlobalFree(block);
        ErrHdlr(2, 0, nullptr);
        return;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_TEXT, block) == nullptr)
        GlobalFree(block);
    CloseClipboard();
}

// Places the new table beside the graph window where the screen has most room.
void Place(HWND window, HWND graphWindow)
{
    TableState& t = Table();
    DataSetDesc* set = TableSet(TableObject());
    RECT g{};
    GetWindowRect(graphWindow, &g);
    const DevDesc* dev = GetDevDesc();
    const int screenW = dev && dev->screenWidth > 0 ? dev->screenWidth : GetSystemMetrics(SM_CXSCREEN);
    const int screenH = dev && dev->screenHeight > 0 ? dev->screenHeight : GetSystemMetrics(SM_CYSCREEN);
    const int fx = GetSystemMetrics(SM_CXFRAME);
    const int fy = GetSystemMetrics(SM_CYFRAME);
    int width = (Members(set) + 1) * t.columnWidth + RowNumberWidth() + GetSystemMetrics(SM_CXVSCROLL) + t.charWidth;
    const int height = std::max<int>(g.bottom - g.top, 260);
    const int left = g.left, right = screenW - g.right, below = screenH - g.bottom, above = g.top - 4 * fy;
    enum Side { kLeft, kRight, kBelow, kAbove } side = kLeft;
    int best = left;
    if (right > best)
        side = kRight, best = right;
    if (below > best)
        side = kBelow, best = below;
    if (above > best)
        side = kAbove;
    auto fallbackY = [&] { return above < below ? g.bottom + fy : std::max<int>(g.top - height, fy); };
    auto belowX = [&] { return g.left < right ? g.left : std::max<int>(g.right - width, fx); };
    int x = 0, y = 0;
    switch (side)
    {
    case kBelow:
        x = belowX();
        y = g.bottom + fy;
        if (y + height > screenH - fy)
            y = screenH - fy - height;
        break;
    case kLeft:
        x = g.left - width;
        if (x < 0)
        {
            x = fx;
            y = fallbackY();
        }
        else
            y = g.top;
        break;
    case kRight:
        x = g.right + fx;
        if (x + width <= screenW)
            y = g.top;
        else
        {
            x = std::max(screenW - width - fx, fx);
            y = fallbackY();
        }
        break;
    case kAbove:
        x = belowX();
        y = g.top - height;
        if (y < 0)
            y = 2 * fy;
        break;
    }
    width = std::min(width, screenW - x - fx);
    MoveWindow(window, x, y, width, height, FALSE);
}

void Create(HWND window)
{
    TableState& t = Table();
    t.window = window;
    HDC dc = GetDC(window);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    ReleaseDC(window, dc);
    t.charWidth = std::max<int>(tm.tmAveCharWidth, 1);
    t.rowHeight = tm.tmHeight + tm.tmExternalLeading + 2;
    ObjDesc* o = TableObject();
    int width = 0, precision = 0;
    Format(o, &width, &precision);
    t.columnWidth = (width + 2) * t.charWidth;
    t.edit = nullptr;
    t.firstRow = t.firstColumn = 1;
    if (DataSetDesc* set = TableSet(o))
        SetWindowText(window, set->name);
    SetWindowLongPtr(t.graph->window, PK_GRAPH_WORD_TABLE, reinterpret_cast<LONG_PTR>(window));
}

void Destroyed()
{
    TableState& t = Table();
    DestroyEdit();
    if (t.graph && IsLiveGraph(t.graph) && t.graph->window &&
        GetWindowLongPtr(t.graph->window, PK_GRAPH_WORD_TABLE) == reinterpret_cast<LONG_PTR>(t.window))
        SetWindowLongPtr(t.graph->window, PK_GRAPH_WORD_TABLE, 0);
    t = TableState{};
}

} // namespace

bool DataTableOpen()
{
    return Table().window != nullptr;
}

bool GetDataFormat(ObjDesc* object, int* width, int* precision)
{
    const PlotPropertyOps* ops = object ? FindPropertyOps(object->type) : nullptr;
    PropertyValue v{};
    if (ops == nullptr || ops->property == nullptr || ops->property(nullptr, object, kPropDataFormat, 0, false, v) != 1)
        return false;
    *width = v.value;
    *precision = v.size;
    return true;
}

bool SetDataFormat(ObjDesc* object, int width, int precision)
{
    const PlotPropertyOps* ops = object ? FindPropertyOps(object->type) : nullptr;
    PropertyValue v{};
    v.value = width;
    v.size = precision;
    return ops && ops->property && ops->property(nullptr, object, kPropDataFormat, 0, true, v) == 1;
}

void RegisterDataTableClass()
{
    WNDCLASS wc{};
    wc.lpfnWndProc = DataTableProc;
    wc.hInstance = Module();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = "DATAMENU";
    wc.style = CS_GLOBALCLASS;
    wc.lpszClassName = "DataTab";
    RegisterClass(&wc); // fails harmlessly when a previous load registered it
}

} // namespace plotkit

using namespace plotkit;

void WINAPI WGShowData(GrDesc* graph, int number)
{
    TableState& t = Table();
    if (t.window != nullptr || t.creating || !CheckGraph(graph))
        return;
    ObjDesc* o = ObjectAt(graph, number);
    if (o == nullptr || (o->type != PK_TYPE_CURVE && o->type != PK_TYPE_GROUP) || TableSet(o) == nullptr)
        return;
    t.graph = graph;
    t.number = number;
    t.creating = true;
    HWND window = CreateWindowEx(0, "DataTab", "",
                                 WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                     WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VSCROLL | WS_HSCROLL,
                                 10, 10, 100, 250, graph->window, nullptr, Module(), nullptr);
    t.creating = false;
    if (window == nullptr)
    {
        t = TableState{};
        ErrHdlr(50, 2, "DataTab");
        return;
    }
    Place(window, graph->window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

LRESULT CALLBACK DataTableProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TableState& t = Table();
    if (message == WM_CREATE)
    {
        Create(window);
        return 0;
    }
    if (t.window != window)
        return DefWindowProc(window, message, wParam, lParam);
    if (message != WM_DESTROY && message != WM_NCDESTROY && TableObject() == nullptr)
    {
        // Its object has gone: the table closes.
        DestroyWindow(window);
        return 0;
    }
    switch (message)
    {
    case WM_SIZE:
        DestroyEdit();
        Measure(window);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_VSCROLL:
        VerticalScroll(window, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return 0;
    case WM_HSCROLL:
        HorizontalScroll(window, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return 0;
    case WM_KEYDOWN:
        Key(window, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    {
        DestroyEdit();
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        if (x < RowNumberWidth() || y < t.rowHeight)
            return 0;
        const int slot = (x - RowNumberWidth()) / t.columnWidth;
        const int row = (y - t.rowHeight) / t.rowHeight;
        const int column = slot == 0 ? 0 : t.firstColumn + slot - 1;
        OpenEdit(window, column, t.firstRow - 1 + row);
        return 0;
    }
    case kMsgCommit:
        Commit(window);
        DestroyEdit();
        return 0;
    case kMsgCancel:
    {
        RECT cell{};
        const bool shown = CellRect(t.editColumn, t.editRow, &cell);
        DestroyEdit();
        if (shown)
            InvalidateRect(window, &cell, TRUE);
        return 0;
    }
    case kMsgMove:
        MoveEdit(window, wParam);
        return 0;
    case kMsgTab:
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_DATA_COPY)
            Copy(window);
        else if (LOWORD(wParam) == IDM_DATA_FORMAT)
        {
            DestroyEdit();
            if (DisplayDialogBoxParam(FormatDlgProc, "FORMAT", window, 0) == 1)
            {
                int width = 0, precision = 0;
                Format(TableObject(), &width, &precision);
                t.columnWidth = (width + 2) * t.charWidth;
                Measure(window);
                InvalidateRect(window, nullptr, TRUE);
            }
        }
        return 0;
    case WM_DESTROY:
        Destroyed();
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TableState& t = Table();
    WNDPROC own = t.editProc;
    HWND table = GetParent(window);
    if (message == WM_KEYDOWN && table && window == t.edit)
    {
        switch (wParam)
        {
        case VK_RETURN:
            SendMessage(table, kMsgCommit, 0, 0);
            return 0;
        case VK_ESCAPE:
            SendMessage(table, kMsgCancel, 0, 0);
            return 0;
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
            SendMessage(table, kMsgMove, wParam, 0);
            return 0;
        case VK_TAB:
            SendMessage(table, kMsgTab, 0, 0);
            return 0;
        default:
            SendMessage(table, WM_KEYDOWN, wParam, lParam);
            if (t.edit != window)
                return 0; // the table closed the edit control
            break;
        }
    }
    if (message == WM_GETDLGCODE)
        return DLGC_WANTALLKEYS;
    return own ? CallWindowProc(own, window, message, wParam, lParam) : DefWindowProc(window, message, wParam, lParam);
}

INT_PTR CALLBACK FormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
    case WM_INITDIALOG:
    {
        ObjDesc* o = TableObject();
        if (o == nullptr)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        int width = 0, precision = 0;
        Format(o, &width, &precision);
        SendDlgItemMessage(dialog, IDC_FORMAT_WIDTH, EM_LIMITTEXT, 3, 0);
        SendDlgItemMessage(dialog, IDC_FORMAT_PRECISION, EM_LIMITTEXT, 3, 0);
        SetDlgItemInt(dialog, IDC_FORMAT_WIDTH, static_cast<UINT>(width), FALSE);
        SetDlgItemInt(dialog, IDC_FORMAT_PRECISION, static_cast<UINT>(precision), FALSE);
        WGSetOKCursor(dialog);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
        {
            ObjDesc* o = TableObject();
            int width = 0, precision = 0;
            Format(o, &width, &precision);
            BOOL ok = FALSE;
            const UINT w = GetDlgItemInt(dialog, IDC_FORMAT_WIDTH, &ok, FALSE);
            if (ok)
                width = std::clamp(static_cast<int>(w), 1, kFormatMax);
            const UINT p = GetDlgItemInt(dialog, IDC_FORMAT_PRECISION, &ok, FALSE);
            if (ok)
                precision = std::clamp(static_cast<int>(p), 1, kFormatMax);
            if (o)
                SetDataFormat(o, width, precision);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
