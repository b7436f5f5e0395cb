// Data sets: numbered pairs of float arrays owned by the caller (X values and, per X, one or more Y
// values), their queries, sorting, bad-point marks, compression and pasting, the binding of curves
// and groups to them, the nearest-point search and the data cursor object.
#include "PlotkitInternal.h"

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

TopDesc* Top()
{
    return Lib().top;
}

std::map<int, PlotDataOps>& DataOps()
{
    static std::map<int, PlotDataOps> ops;
    return ops;
}

DataSetLink* LinkOf(ObjDesc* object)
{
    const PlotDataOps* ops = object ? FindPlotDataOps(object->type) : nullptr;
    return ops && ops->link ? ops->link(object) : nullptr;
}

bool SameName(const DataSetDesc* set, const char* name)
{
    return name == nullptr || std::strncmp(set->name, name, 20) == 0;
}

// The number of floats a global block holds (0 for a bad handle).
SIZE_T FloatsIn(HGLOBAL block)
{
    return GlobalSize(block) / sizeof(float);
}

bool PointerInUse(const float* p, int except)
{
    for (int n = 1; n <= PK_MAX_DATASETS; ++n)
        if (const DataSetDesc* other = n == except ? nullptr : DataSetAt(n); other)
            if (other->x == p || other->y == p)
                return true;
    return false;
}

// Swaps points a and b with all their Y values.
void SwapPoints(DataSetDesc* s, int a, int b)
{
    std::swap(s->x[a], s->x[b]);
    for (int g = 0; g < s->yPerX; ++g)
        std::swap(s->y[a * s->yPerX + g], s->y[b * s->yPerX + g]);
}

// Comb sort on one key; the gap shrinks by 1.3 and skips 9 and 10 (taken as 11).
void CombSort(DataSetDesc* s, const float* key, int stride, bool ascending)
{
    const int n = s->count;
    int gap = n;
    bool swapped = true;
    while (gap > 1 || swapped)
    {
        gap = static_cast<int>(gap / 1.3);
        if (gap < 1)
            gap = 1;
        if (gap == 9 || gap == 10)
            gap = 11;
        swapped = false;
        for (int j = 0; j + gap < n; ++j)
        {
            const float a = key[j * stride];
            const float b = key[(j + gap) * stride];
            if (ascending ? b < a : b > a)
            {
                SwapPoints(s, j, j + gap);
                swapped = true;
            }
        }
    }
}

// The numbers of a pasted text: columns from the first line that has any, rows counted at each line
// end after a number and at the end of the text (a last line needs no line end).
void CountTable(const char* text, int& rows, int& columns)
{
    rows = 0;
    columns = 0;
    int inLine = 0;
    bool inNumber = false;
    bool lineHasNumber = false;
    for (const char* c = text;; ++c)
    {
        const bool end = *c == '\0';
        if (end || *c == '\n' || *c == '\r')
        {
            if (lineHasNumber)
            {
                ++rows;
                if (columns == 0)
                    columns = inLine;
            }
            if (end)
                break;
            inLine = 0;
            lineHasNumber = false;
            inNumber = false;
            continue;
        }
        const bool starts =
            (*c >= '0' && *c <= '9') || *c == '+' || *c == '-' || (*c == '.' && c[1] >= '0' && c[1] <= '9');
        if (starts || (inNumber && (*c == 'e' || *c == 'E' || *c == '.')))
        {
            if (!inNumber)
            {
                ++inLine;
                lineHasNumber = true;
            }
            inNumber = true;
        }
        else
            inNumber = false;
    }
}

// Reads the next number from c (advanced past it); false at the end of the text.
bool NextNumber(const char*& c, float& value)
{
    int used = 0;
    const double v = ReadNumber(c, &used);
    if (used == 0)
        return false;
    c += used;
    value =
        std::isfinite(v) && std::fabs(v) <= 3.4e38 ? static_cast<float>(v) : (v < 0 ? -INFINITY : INFINITY);
    return true;
}

// ---- Data cursor (type 27) ----

struct DataCursorDesc
{
    PosObjDesc pos; // corners in world values
    INT sizePoints;
    float xSpan, ySpan; // of its axes when last placed
    float centreX, centreY;
};

bool AxisRange(GrDesc* graph, int xAxis, int yAxis, float& x0, float& x1, float& y0, float& y1)
{
    const ObjDesc* xo = ObjectAt(graph, xAxis);
    const ObjDesc* yo = ObjectAt(graph, yAxis);
    if (xo == nullptr || yo == nullptr || xo->type != PK_TYPE_AXIS || yo->type != PK_TYPE_AXIS)
        return false;
    const auto* xa = reinterpret_cast<const AxisDesc*>(xo);
    const auto* ya = reinterpret_cast<const AxisDesc*>(yo);
    x0 = xa->xMin;
    x1 = xa->xMax;
    y0 = ya->yMin;
    y1 = ya->yMax;
    return true;
}

// Logical pen growth: half the pen width in pixels.
void SetCursorExtent(GrDesc* graph, DataCursorDesc* c)
{
    ObjDesc& o = c->pos.head;
    int l = 0, t = 0, r = 0, b = 0;
    WorldToLog(graph, o.xAxis, o.yAxis, c->pos.x1, c->pos.y1, &l, &t);
    WorldToLog(graph, o.xAxis, o.yAxis, c->pos.x2, c->pos.y2, &r, &b);
    RECT e = Ordered(RECT{l, t, r, b});
    const int half = std::max<int>(o.line.pixelWidth, 1) / 2;
    e.left -= half * graph->unitsPerPixelX;
    e.right += half * graph->unitsPerPixelX;
    e.top -= half * graph->unitsPerPixelY;
    e.bottom += half * graph->unitsPerPixelY;
    o.extent = e;
}

// Places the cursor's corners for its kind: lines over the axes' full range, a cross or box of its
// size around its centre.
void PlaceCursor(GrDesc* graph, HDC dc, DataCursorDesc* c)
{
    ObjDesc& o = c->pos.head;
    float x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!AxisRange(graph, o.xAxis, o.yAxis, x0, x1, y0, y1))
        return;
    c->xSpan = x1 - x0;
    c->ySpan = y1 - y0;
    switch (o.subKind)
    {
    case 0:
        c->pos.y1 = y0;
        c->pos.y2 = y1;
        break;
    case 1:
        c->pos.x1 = x0;
        c->pos.x2 = x1;
        break;
    default:
    {
        const int half = PointsToLogSize(graph, dc, c->sizePoints) / 2;
        float ax = 0, ay = 0, bx = 0, by = 0, zx = 0, zy = 0;
        LogToWorld(graph, o.xAxis, o.yAxis, graph->plot.left, graph->plot.bottom, &zx, &zy);
        LogToWorld(graph, o.xAxis, o.yAxis, graph->plot.left - half, graph->plot.bottom + half, &ax, &ay);
        LogToWorld(graph, o.xAxis, o.yAxis, graph->plot.left + half, graph->plot.bottom - half, &bx, &by);
        c->pos.x1 = c->centreX + (ax - zx);
        c->pos.y1 = c->centreY + (ay - zy);
        c->pos.x2 = c->centreX + (bx - zx);
        c->pos.y2 = c->centreY + (by - zy);
        break;
    }
    }
    SetCursorExtent(graph, c);
}

void DrawDataCursor(GrDesc* graph, HDC dc)
{
    auto* c = reinterpret_cast<DataCursorDesc*>(graph->currentObject);
    if (c == nullptr)
        return;
    ObjDesc& o = c->pos.head;
    float x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (AxisRange(graph, o.xAxis, o.yAxis, x0, x1, y0, y1) && (x1 - x0 != c->xSpan || y1 - y0 != c->ySpan))
        PlaceCursor(graph, dc, c);
    LOGPEN lp{static_cast<UINT>(o.line.style), POINT{o.line.widthX, o.line.widthY}, o.line.color};
    HPEN pen = CreatePenIndirect(&lp);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    int l = 0, t = 0, r = 0, b = 0;
    WorldToLog(graph, o.xAxis, o.yAxis, c->pos.x1, c->pos.y1, &l, &t);
    WorldToLog(graph, o.xAxis, o.yAxis, c->pos.x2, c->pos.y2, &r, &b);
    const RECT e = Ordered(RECT{l, t, r, b});
    const RECT& p = graph->plot;
    switch (o.subKind)
    {
    case 0:
        MoveToEx(dc, e.left, p.top, nullptr);
        LineTo(dc, e.left, p.bottom);
        break;
    case 1:
        MoveToEx(dc, p.left, e.top, nullptr);
        LineTo(dc, p.right, e.top);
        break;
    case 2:
    {
        const int mx = (e.left + e.right) / 2;
        const int my = (e.top + e.bottom) / 2;
        MoveToEx(dc, e.left, my, nullptr);
        LineTo(dc, e.right, my);
        MoveToEx(dc, mx, e.top, nullptr);
        LineTo(dc, mx, e.bottom);
        break;
    }
    default:
    {
        const int grow = o.line.pixelWidth <= 1 ? 1 : 0;
        Rectangle(dc, e.left, e.top, e.right + grow * graph->unitsPerPixelX,
                  e.bottom + grow * graph->unitsPerPixelY);
        break;
    }
    }
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

const bool cursorTypeRegistered = []
{
    PlotObjectType t{};
    t.type = PK_TYPE_DATACURSOR;
    t.size = sizeof(DataCursorDesc);
    t.draw = DrawDataCursor;
    t.hitPass = 1;
    RegisterOwnObjectType(t);
    return true;
}();

} // namespace

DataSetDesc* DataSetAt(int number)
{
    TopDesc* top = Top();
    if (top == nullptr || number < 1 || number > PK_MAX_DATASETS)
        return nullptr;
    return static_cast<DataSetDesc*>(top->dataSets[number]);
}

bool IsGoodPoint(const DataSetDesc* set, int p)
{
    if (set == nullptr || p < 0 || p >= set->count)
        return false;
    if (set->badMap == nullptr || set->yPerX >= 2)
        return true;
    return (set->badMap[p / 32] & (1u << (p % 32))) == 0;
}

bool CheckDataSetSize(int number, long limit)
{
    const DataSetDesc* set = DataSetAt(number);
    if (set == nullptr)
        return false;
    if (static_cast<long>(set->count) * set->yPerX > limit)
    {
        ErrHdlr(57, 2, set->name);
        return false;
    }
    return true;
}

void RegisterPlotDataOps(int type, const PlotDataOps& ops)
{
    DataOps()[type] = ops;
}

const PlotDataOps* FindPlotDataOps(int type)
{
    auto it = DataOps().find(type);
    return it == DataOps().end() ? nullptr : &it->second;
}

int AttachDataSet(GrDesc* graph, ObjDesc* object, int number)
{
    DataSetLink* link = LinkOf(object);
    if (link == nullptr)
        return 0;
    ReleaseDataSet(graph, object);
    DataSetDesc* set = DataSetAt(number);
    if (set == nullptr)
        return ErrHdlr(55, 0, nullptr);
    ++set->curves;
    link->number = static_cast<SHORT>(number);
    link->set = set;
    link->count = set->count;
    return set->count;
}

void ReleaseDataSet(GrDesc* graph, ObjDesc* object)
{
    const PlotDataOps* ops = FindPlotDataOps(object->type);
    DataSetLink* link = LinkOf(object);
    if (link == nullptr)
        return;
    if (link->number != 0)
    {
        if (DataSetDesc* set = DataSetAt(link->number); set && set == link->set && set->curves > 0)
            --set->curves;
        if (ops->erase && graph && graph->finished)
            ops->erase(graph, object);
    }
    if (ops->dropComputed)
        ops->dropComputed(object);
    link->number = 0;
    link->set = nullptr;
    link->count = 0;
}

} // namespace plotkit

using namespace plotkit;

int WINAPI DefineAnyDataSet(const char* name, HGLOBAL xHandle, HGLOBAL yHandle, int count, int yPerX,
                            float* x, float* y)
{
    TopDesc* top = Top();
    if (top == nullptr)
    {
        ErrHdlr(6, 0, nullptr);
        return 0;
    }
    if (count < 0 || yPerX < 1 || yPerX > 255)
    {
        ErrHdlr(58, 2, name ? name : "");
        return 0;
    }
    for (int n = 1; n <= PK_MAX_DATASETS; ++n)
    {
        const DataSetDesc* s = DataSetAt(n);
        if (s == nullptr || s->count != count || !SameName(s, name))
            continue;
        if ((xHandle != nullptr && s->xHandle == xHandle && s->yHandle == yHandle) ||
            (x != nullptr && s->x == x && s->y == y))
            return n;
    }
    if (xHandle != nullptr || yHandle != nullptr)
    {
        // Neither block may be read past its end: the count is what both hold.
        const SIZE_T xFloats = FloatsIn(xHandle);
        const SIZE_T yPoints = FloatsIn(yHandle) / static_cast<SIZE_T>(yPerX);
        const SIZE_T fits = std::min(xFloats, yPoints);
        if (fits < static_cast<SIZE_T>(count))
        {
            if (ErrHdlr(58, 2, name ? name : "") == 1)
                return 0;
            count = static_cast<int>(fits);
        }
    }
    int number = 0;
    for (int n = 1; n <= PK_MAX_DATASETS && number == 0; ++n)
        if (top->dataSets[n] == nullptr)
            number = n;
    if (number == 0)
    {
        ErrHdlr(59, 0, nullptr);
        return 0;
    }
    auto* set = static_cast<DataSetDesc*>(std::calloc(1, sizeof(DataSetDesc)));
    if (set == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    set->count = count;
    set->yPerX = static_cast<BYTE>(yPerX);
    set->xHandle = xHandle;
    set->yHandle = yHandle;
    set->x = x ? x : static_cast<float*>(GlobalLock(xHandle));
    set->y = y ? y : static_cast<float*>(GlobalLock(yHandle));
    if (name != nullptr && name[0] != '\0')
        std::snprintf(set->name, sizeof(set->name), "%.20s", name);
    else
    {
        const std::string text = "Data Set # " + std::to_string(number);
        std::snprintf(set->name, sizeof(set->name), "%s", text.c_str());
    }
    top->dataSets[number] = set;
    return number;
}

int WINAPI WGDefineDataSet(const char* name, HGLOBAL xHandle, HGLOBAL yHandle, int count)
{
    return DefineAnyDataSet(name, xHandle, yHandle, count, 1, nullptr, nullptr);
}

int WINAPI WGDefineDataSetPtr(const char* name, float* x, float* y, int count)
{
    return DefineAnyDataSet(name, nullptr, nullptr, count, 1, x, y);
}

int WINAPI WGDefineGroupDataSet(const char* name, HGLOBAL xHandle, HGLOBAL yHandle, int count, int yPerX)
{
    return DefineAnyDataSet(name, xHandle, yHandle, count, yPerX, nullptr, nullptr);
}

int WINAPI WGDefineGroupDataSetPtr(const char* name, float* x, float* y, int count, int yPerX)
{
    return DefineAnyDataSet(name, nullptr, nullptr, count, yPerX, x, y);
}

void WINAPI WGFreeDataSet(int number, BOOL freeArrays)
{
    DataSetDesc* set = DataSetAt(number);
    if (set == nullptr)
        return;
    if (freeArrays)
    {
        if (set->xHandle && GlobalSize(set->xHandle) && !PointerInUse(set->x, number))
            GlobalFree(set->xHandle);
        if (set->yHandle && set->yHandle != set->xHandle && GlobalSize(set->yHandle) &&
            !PointerInUse(set->y, number))
            GlobalFree(set->yHandle);
    }
    std::free(set->badMap);
    std::free(set);
    Top()->dataSets[number] = nullptr;
}

void WINAPI FreeAllDataSets(BOOL freeArrays)
{
    if (Top() == nullptr)
        return;
    for (int n = 1; n <= PK_MAX_DATASETS; ++n)
        WGFreeDataSet(n, freeArrays);
}

BOOL WINAPI WGGetDataSetArrays(int number, HGLOBAL* xHandle, HGLOBAL* yHandle, int* count, int* yPerX)
{
    if (number == 0)
        return FALSE;
    const DataSetDesc* set = DataSetAt(number);
    if (set == nullptr)
    {
        ErrHdlr(55, 0, nullptr);
        return FALSE;
    }
    if (xHandle)
        *xHandle = set->xHandle;
    if (yHandle)
        *yHandle = set->yHandle;
    if (count)
        *count = set->count;
    if (yPerX)
        *yPerX = set->yPerX;
    return TRUE;
}

BOOL WINAPI WGGetDataSetArraysPtr(int number, float** x, float** y, int* count, int* yPerX)
{
    if (number == 0)
        return FALSE;
    const DataSetDesc* set = DataSetAt(number);
    if (set == nullptr)
    {
        ErrHdlr(55, 0, nullptr);
        return FALSE;
    }
    if (x)
        *x = set->x;
    if (y)
        *y = set->y;
    if (count)
        *count = set->count;
    if (yPerX)
        *yPerX = set->yPerX;
    return TRUE;
}

namespace
{

DataSetDesc* UsableSet(int number)
{
    DataSetDesc* set = DataSetAt(number);
    if (set == nullptr && number != 0)
        ErrHdlr(55, 0, nullptr);
    return set;
}

} // namespace

BOOL WINAPI WGSortDataX(int number, BOOL ascending)
{
    DataSetDesc* set = UsableSet(number);
    if (set == nullptr || set->x == nullptr || set->y == nullptr)
        return FALSE;
    CombSort(set, set->x, 1, ascending != FALSE);
    return TRUE;
}

BOOL WINAPI WGSortDataY(int number, BOOL ascending)
{
    DataSetDesc* set = UsableSet(number);
    if (set == nullptr || set->yPerX >= 2 || set->x == nullptr || set->y == nullptr)
        return FALSE;
    CombSort(set, set->y, 1, ascending != FALSE);
    return TRUE;
}

BOOL WINAPI WGGetMinMaxX(int number, float* minimum, float* maximum)
{
    const DataSetDesc* set = UsableSet(number);
    if (set == nullptr)
        return FALSE;
    float lo = 1e21f, hi = -1e21f;
    for (int p = 0; p < set->count && set->x; ++p)
        if (IsGoodPoint(set, p))
        {
            lo = std::min(lo, set->x[p]);
            hi = std::max(hi, set->x[p]);
        }
    if (minimum)
        *minimum = lo;
    if (maximum)
        *maximum = hi;
    return TRUE;
}

BOOL WINAPI WGGetMinMaxY(int number, float* minimum, float* maximum)
{
    const DataSetDesc* set = UsableSet(number);
    if (set == nullptr)
        return FALSE;
    float lo = 1e31f, hi = -1e31f;
    for (int p = 0; p < set->count && set->y; ++p)
        if (IsGoodPoint(set, p))
            for (int g = 0; g < set->yPerX; ++g)
            {
                lo = std::min(lo, set->y[p * set->yPerX + g]);
                hi = std::max(hi, set->y[p * set->yPerX + g]);
            }
    if (minimum)
        *minimum = lo;
    if (maximum)
        *maximum = hi;
    return TRUE;
}

BOOL WINAPI WGMarkDataPoint(int number, int point, BOOL bad)
{
    DataSetDesc* set = UsableSet(number);
    if (set == nullptr || point < 0 || point >= set->count)
        return FALSE;
    if (set->badMap == nullptr)
    {
        set->badMap =
            static_cast<DWORD*>(std::calloc(static_cast<size_t>(set->count) / 32 + 1, sizeof(DWORD)));
        if (set->badMap == nullptr)
            return FALSE;
    }
    const DWORD bit = 1u << (point % 32);
    if (bad)
        set->badMap[point / 32] |= bit;
    else
        set->badMap[point / 32] &= ~bit;
    return TRUE;
}

BOOL WINAPI WGIsDataPointGood(int number, int point)
{
    const DataSetDesc* set = UsableSet(number);
    return IsGoodPoint(set, point) ? TRUE : FALSE;
}

int WINAPI WGCompressData(int number, int method, int factor, int start, int end, const char* name)
{
    DataSetDesc* set = UsableSet(number);
    if (set == nullptr || factor <= 0)
        return factor == 0 ? number : 0;
    if (factor == 1)
        method = 0;
    // The whole set (start = end) and an end beyond it both run to the last point, inclusive.
    if (start == end || end > set->count)
        end = set->count;
    if (start < 0 || start >= end)
        return 0;
    const int per = set->yPerX;
    const int out = (end - start - 1) / factor + 1;
    HGLOBAL xBlock = GlobalAlloc(GHND, static_cast<SIZE_T>(out) * sizeof(float));
    HGLOBAL yBlock = GlobalAlloc(GHND, static_cast<SIZE_T>(out) * per * sizeof(float));
    if (xBlock == nullptr || yBlock == nullptr)
    {
        GlobalFree(xBlock);
        GlobalFree(yBlock);
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    auto* nx = static_cast<float*>(GlobalLock(xBlock));
    auto* ny = static_cast<float*>(GlobalLock(yBlock));
    std::vector<double> sums(static_cast<size_t>(per));
    int written = 0;
    int p = start;
    while (written < out)
    {
        while (p < end && !IsGoodPoint(set, p))
            ++p;
        if (p >= end)
            break;
        const int size = std::min(factor, end - p);
        double sumX = 0;
        int taken = 0;
        for (int g = 0; g < per; ++g)
            ny[written * per + g] = set->y[p * per + g];
        nx[written] = set->x[p];
        std::fill(sums.begin(), sums.end(), 0.0);
        for (; taken < size && p < end; ++p)
        {
            if (!IsGoodPoint(set, p))
                continue;
            sumX += set->x[p];
            for (int g = 0; g < per; ++g)
            {
                const float v = set->y[p * per + g];
                float& slot = ny[written * per + g];
                sums[static_cast<size_t>(g)] += v;
                if (method == 2)
                    slot = std::max(slot, v);
                else if (method == 3)
                    slot = std::min(slot, v);
            }
            ++taken;
        }
        if (method == 1)
        {
            nx[written] = static_cast<float>(sumX / taken);
            for (int g = 0; g < per; ++g)
                ny[written * per + g] = static_cast<float>(sums[static_cast<size_t>(g)] / taken);
        }
        ++written;
    }
    const int result = WGDefineGroupDataSet(name, xBlock, yBlock, out, per);
    if (result == 0)
    {
        GlobalFree(xBlock);
        GlobalFree(yBlock);
    }
    return result;
}

int WINAPI WGPasteDataSet(const char* name)
{
    if (!OpenClipboard(nullptr))
    {
        ErrHdlr(2, 0, nullptr);
        return 0;
    }
    HANDLE data = GetClipboardData(CF_TEXT);
    const auto* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    const SIZE_T size = data ? GlobalSize(data) : 0;
    // The clipboard's text, cut at its end whether or not it ends in a zero.
    std::string copy = text ? std::string(text, strnlen(text, size)) : std::string();
    if (data)
        GlobalUnlock(data);
    CloseClipboard();

    int rows = 0, columns = 0;
    CountTable(copy.c_str(), rows, columns);
    if (rows < 1 || columns < 2 || columns > 256)
    {
        ErrHdlr(5, 0, nullptr);
        return 0;
    }
    const int per = columns - 1;
    HGLOBAL xBlock = GlobalAlloc(GHND, static_cast<SIZE_T>(rows) * sizeof(float));
    HGLOBAL yBlock = GlobalAlloc(GHND, static_cast<SIZE_T>(rows) * per * sizeof(float));
    if (xBlock == nullptr || yBlock == nullptr)
    {
        GlobalFree(xBlock);
        GlobalFree(yBlock);
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    auto* x = static_cast<float*>(GlobalLock(xBlock));
    auto* y = static_cast<float*>(GlobalLock(yBlock));
    const char* c = copy.c_str();
    for (int r = 0; r < rows; ++r)
    {
        if (!NextNumber(c, x[r]))
            break;
        for (int g = 0; g < per; ++g)
            if (!NextNumber(c, y[r * per + g]))
                break;
    }
    const int number = WGDefineGroupDataSet(name, xBlock, yBlock, rows, per);
    if (number == 0)
    {
        GlobalFree(xBlock);
        GlobalFree(yBlock);
    }
    return number;
}

int WINAPI WGReconnectDataSet(GrDesc* graph, int number, int dataSet)
{
    ObjDesc* object = FindObject(graph, number);
    if (object == nullptr)
        return 0;
    if (LinkOf(object) == nullptr)
        return ReportIllFunc(object);
    if (dataSet == 0)
        return 0;
    return AttachDataSet(graph, object, dataSet);
}

int WINAPI WGGetDataSet(GrDesc* graph, int number)
{
    if (!CheckGraph(graph))
        return 0;
    const DataSetLink* link = LinkOf(ObjectAt(graph, number));
    return link ? link->number : 0;
}

BOOL WINAPI WGGetNearestPoint(GrDesc* graph, float x, float y, int mode, float* outX, float* outY,
                              int* dataSet, int* index)
{
    if (!CheckGraph(graph))
        return FALSE;
    bool found = false;
    double best = 0;
    int bestSet = 0, bestPoint = 0;
    for (int n = 1; n <= graph->capacity; ++n)
    {
        ObjDesc* o = ObjectAt(graph, n);
        const DataSetLink* link = o && o->type == PK_TYPE_CURVE ? LinkOf(o) : nullptr;
        const DataSetDesc* set = link ? DataSetAt(link->number) : nullptr;
        if (set == nullptr || set->x == nullptr || set->y == nullptr)
            continue;
        for (int p = 0; p < set->count; ++p)
        {
            if (!IsGoodPoint(set, p))
                continue;
            const double dx = set->x[p] - x;
            const double dy = set->y[p * set->yPerX] - y;
            double d = 0;
            if (mode == 0)
                d = std::fabs(dx);
            else if (mode == 1)
                d = std::fabs(dy);
            else if (mode == 2)
                d = dx * dx + dy * dy;
            else if (dx == 0 && dy == 0)
                d = 0;
            else
                continue;
            if (!found || d < best)
            {
                found = true;
                best = d;
                bestSet = link->number;
                bestPoint = p;
            }
            if (mode > 2)
                break;
        }
    }
    if (!found)
        return FALSE;
    const DataSetDesc* set = DataSetAt(bestSet);
    if (outX)
        *outX = set->x[bestPoint];
    if (outY)
        *outY = set->y[bestPoint * set->yPerX];
    if (dataSet)
        *dataSet = bestSet;
    if (index)
        *index = bestPoint;
    return TRUE;
}

int WINAPI WGSetDataCursor(GrDesc* graph, HDC dc, int kind, int xAxis, int yAxis, int size, int colorIndex,
                           int penStyle, int penWidth)
{
    if (!CheckGraph(graph))
        return 0;
    if (xAxis == 0)
        xAxis = graph->defaultXAxis;
    if (yAxis == 0)
        yAxis = graph->defaultYAxis;
    float x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!AxisRange(graph, xAxis, yAxis, x0, x1, y0, y1))
    {
        ErrHdlr(54, 0, nullptr);
        return 0;
    }
    auto* c = reinterpret_cast<DataCursorDesc*>(
        NewObjDesc(graph, PK_TYPE_DATACURSOR, kind < 0 || kind > 3 ? 0 : kind));
    if (c == nullptr)
        return 0;
    ObjDesc& o = c->pos.head;
    o.xAxis = static_cast<SHORT>(xAxis);
    o.yAxis = static_cast<SHORT>(yAxis);
    o.visible = 0;
    SetLine(graph, dc, &o.line, penStyle, colorIndex, 0, penWidth);
    c->sizePoints = size;
    c->centreX = x0;
    c->centreY = y0;
    c->pos.x1 = c->pos.x2 = x0;
    c->pos.y1 = c->pos.y2 = y0;
    PlaceCursor(graph, dc, c);
    return CommitObjDesc(graph);
}

void WINAPI WGMoveDataCursor(GrDesc* graph, int number, float x, float y, BOOL show)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return;
    if (o->type != PK_TYPE_DATACURSOR)
    {
        ReportIllFunc(o);
        return;
    }
    auto* c = reinterpret_cast<DataCursorDesc*>(o);
    if (!show)
    {
        if (o->visible)
            InvalidateObject(graph, o);
        o->visible = 0;
        return;
    }
    const bool wasVisible = o->visible != 0;
    o->visible = 1;
    float x1 = c->pos.x1, y1 = c->pos.y1, x2 = c->pos.x2, y2 = c->pos.y2;
    switch (o->subKind)
    {
    case 0:
        x1 = x2 = x;
        break;
    case 1:
        y1 = y2 = y;
        break;
    default:
        x1 += x - c->centreX;
        x2 += x - c->centreX;
        y1 += y - c->centreY;
        y2 += y - c->centreY;
        break;
    }
    const bool moved = x1 != c->pos.x1 || y1 != c->pos.y1 || x2 != c->pos.x2 || y2 != c->pos.y2;
    c->centreX = x;
    c->centreY = y;
    if (moved)
    {
        WGChangeObjectCoord(graph, number, x1, y1, x2, y2, TRUE);
        SetCursorExtent(graph, c);
    }
    else if (!wasVisible)
        InvalidateObject(graph, o);
}

void WINAPI DestroyCalcData(ObjDesc* object)
{
    const PlotDataOps* ops = object ? FindPlotDataOps(object->type) : nullptr;
    if (ops && ops->dropComputed)
        ops->dropComputed(object);
}
