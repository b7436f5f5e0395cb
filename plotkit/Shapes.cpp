// Graphic primitives: lines, arrows, rectangles, ellipses, arcs, pie sectors, polygons and bitmaps,
// each an object of a graph placed in normalised coordinates (fixed to the graph) or in the world
// coordinates of a pair of axes (moving with them).
#include "PictureFiles.h"
#include "PlotkitInternal.h"
#include "Shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

// ---- Records (after the common head, the recompute flag first: the axis-change propagation sets
// it through PosObjDesc) ------------------------------------------------------------------------

struct LineObj
{
    PosObjDesc pos;
    INT x1, y1, x2, y2; // the drawn end points (logical)
};

struct ArrowObj
{
    PosObjDesc pos;
    INT x1, y1, x2, y2;
    SHORT headLengthPoints, headWidthPoints;
    INT headLength, headWidth; // logical units
    INT fill;
    INT atStart, atEnd;
};

struct BoxObj // RECT and ELLIPSE (the ellipse has no frame style)
{
    PosObjDesc pos;
    COLORREF fill;
    BYTE filled;
    BYTE frameStyle;
};

struct ArcObj
{
    ObjDesc head;
    INT recompute;
    POINT points[4]; // bounding-box corners, start radial point, end radial point
    float world[8];
};

struct PieObj
{
    ArcObj arc;
    COLORREF fill;
    INT filled;
};

struct PolygonObj
{
    ObjDesc head;
    INT recompute;
    INT count;
    POINT* points;
    float* xs;
    float* ys;
    COLORREF fill;
    BYTE filled;
};

struct BitmapObj
{
    PosObjDesc pos;
    INT stretch;
    char path[MAX_PATH];
    INT zero;
};

template <typename T> T* Current(GrDesc* graph)
{
    return reinterpret_cast<T*>(graph->currentObject);
}

bool Recording(const GrDesc* graph)
{
    return graph->metafileDc != nullptr;
}

LONG Round(double v)
{
    return static_cast<LONG>(std::floor(v + 0.5));
}

POINT Norm(const GrDesc* graph, float x, float y)
{
    return POINT{Round(static_cast<double>(x) * graph->logWidth),
                 Round(static_cast<double>(y) * graph->logHeight)};
}

// The checking creators on a finished graph: nothing is made, but the number is counted, so a host
// that runs its building code again gets the same numbers. True when the caller is done.
bool SkipOnFinished(GrDesc* graph, int* result)
{
    if (!CheckGraph(graph))
    {
        *result = 0;
        return true;
    }
    if (graph->building)
        return false;
    *result = ++graph->cursor;
    return true;
}

bool AxesDefined(GrDesc* graph, int xAxis, int yAxis)
{
    if (xAxis > graph->capacity || yAxis > graph->capacity || xAxis < 0 || yAxis < 0)
    {
        ErrHdlr(54, 0, nullptr);
        return false;
    }
    return true;
}

POINT World(GrDesc* graph, int xAxis, int yAxis, float x, float y)
{
    int lx = 0, ly = 0;
    WorldToLog(graph, xAxis, yAxis, x, y, &lx, &ly);
    return POINT{lx, ly};
}

// Lines grow by half their pen, arrows also by half their head.
void SetLineExtent(GrDesc* graph, ObjDesc* o, int x1, int y1, int x2, int y2, int headWidth)
{
    RECT r = Ordered(RECT{x1, y1, x2, y2});
    if (o->line.pixelWidth > 0 || headWidth > 0)
    {
        const int grow = (std::max<int>(0, o->line.pixelWidth) * graph->unitsPerPixelX + headWidth) / 2;
        r.left -= grow;
        r.right += grow;
        r.top -= grow;
        r.bottom += grow;
    }
    o->extent = r;
}

// Converts the arrow's head from points and re-derives its extent.
void ArrowGeometry(GrDesc* graph, HDC dc, ArrowObj* a)
{
    a->headLength = PointsToLogSize(graph, dc, a->headLengthPoints);
    a->headWidth = PointsToLogSize(graph, dc, a->headWidthPoints);
    SetLineExtent(graph, &a->pos.head, a->x1, a->y1, a->x2, a->y2, a->headWidth);
}

// Whether an object was placed on axes (world values); a "Norm" object keeps its logical place.
bool OnAxes(const ObjDesc& h)
{
    return h.xAxis != 0 || h.yAxis != 0;
}

// Derives the drawn end points of a line or an arrow from its world values.
void RecomputeEnds(GrDesc* graph, PosObjDesc* p, INT* ends)
{
    const ObjDesc& h = p->head;
    if (!OnAxes(h))
        return;
    const POINT a = World(graph, h.xAxis, h.yAxis, p->x1, p->y1);
    const POINT b = World(graph, h.xAxis, h.yAxis, p->x2, p->y2);
    ends[0] = a.x;
    ends[1] = a.y;
    ends[2] = b.x;
    ends[3] = b.y;
}

// GDI objects a draw procedure makes and selects. Whatever the device (screen, printer or a
// metafile being recorded), the pen and brush that were selected before are put back and what the
// procedure made is deleted once it has drawn: nothing is left behind in the DC, and nothing the
// caller selected is deleted.
class ShapeGdi
{
public:
    explicit ShapeGdi(HDC dc) : m_dc(dc) {}
    ~ShapeGdi()
    {
        if (m_oldPen)
            SelectObject(m_dc, m_oldPen);
        if (m_oldBrush)
            SelectObject(m_dc, m_oldBrush);
        for (HGDIOBJ made : m_made)
            if (made)
                DeleteObject(made);
    }
    ShapeGdi(const ShapeGdi&) = delete;
    ShapeGdi& operator=(const ShapeGdi&) = delete;

    // The object's pen (none: the null pen); false when it cannot be made.
    bool Pen(const LineDesc& line, bool none)
    {
        if (none)
        {
            Select(GetStockObject(NULL_PEN), false, m_oldPen);
            return true;
        }
        LOGPEN lp{static_cast<UINT>(line.style), POINT{line.widthX, 0}, line.color};
        HPEN pen = CreatePenIndirect(&lp);
        if (pen == nullptr)
        {
            ErrHdlr(18, 0, nullptr);
            return false;
        }
        Select(pen, true, m_oldPen);
        return true;
    }
    // A solid brush of the colour, or the null brush.
    void Brush(bool filled, COLORREF color)
    {
        HBRUSH brush = filled ? CreateSolidBrush(color) : nullptr;
        if (filled && brush == nullptr)
            ErrHdlr(17, 0, nullptr);
        if (brush)
            Select(brush, true, m_oldBrush);
        else
            Select(GetStockObject(NULL_BRUSH), false, m_oldBrush);
    }

private:
    void Select(HGDIOBJ object, bool made, HGDIOBJ& first)
    {
        HGDIOBJ old = SelectObject(m_dc, object);
        if (first == nullptr)
            first = old;
        if (made)
            m_made.push_back(object);
    }

    HDC m_dc;
    HGDIOBJ m_oldPen = nullptr, m_oldBrush = nullptr;
    std::vector<HGDIOBJ> m_made;
};

void Modes(const ObjDesc* o, HDC dc, bool transparent)
{
    SetROP2(dc, o->flash ? R2_NOTCOPYPEN : R2_COPYPEN);
    if (transparent)
        SetBkMode(dc, TRANSPARENT);
}

// ---- Draw procedures ----------------------------------------------------------------------------

void DrawLine(GrDesc* graph, HDC dc)
{
    auto* l = Current<LineObj>(graph);
    if (l->pos.recompute)
    {
        RecomputeEnds(graph, &l->pos, &l->x1);
        SetLineExtent(graph, &l->pos.head, l->x1, l->y1, l->x2, l->y2, 0);
        l->pos.recompute = 0;
    }
    Modes(&l->pos.head, dc, true);
    ShapeGdi gdi(dc);
    if (!gdi.Pen(l->pos.head.line, false))
        return;
    MoveToEx(dc, l->x1, l->y1, nullptr);
    LineTo(dc, l->x2, l->y2);
}

void DrawHead(ShapeGdi& gdi, HDC dc, const ArrowObj* a, double px, double py, double ux, double uy)
{
    const double nx = -uy, ny = ux;
    const double bx = px + a->headLength * ux, by = py + a->headLength * uy;
    POINT tri[3] = {{Round(px), Round(py)},
                    {Round(bx - a->headWidth / 2.0 * nx), Round(by - a->headWidth / 2.0 * ny)},
                    {Round(bx + a->headWidth / 2.0 * nx), Round(by + a->headWidth / 2.0 * ny)}};
    gdi.Brush(a->fill != 0, a->pos.head.line.color);
    Polygon(dc, tri, 3);
}

void DrawArrow(GrDesc* graph, HDC dc)
{
    auto* a = Current<ArrowObj>(graph);
    if (a->pos.recompute)
    {
        RecomputeEnds(graph, &a->pos, &a->x1);
        ArrowGeometry(graph, dc, a);
        a->pos.recompute = 0;
    }
    Modes(&a->pos.head, dc, true);
    ShapeGdi gdi(dc);
    if (!gdi.Pen(a->pos.head.line, false))
        return;
    double sx = a->x1, sy = a->y1, ex = a->x2, ey = a->y2;
    const double dx = ex - sx, dy = ey - sy, length = std::hypot(dx, dy);
    if (length > 0)
    {
        const double ux = dx / length, uy = dy / length;
        if (a->atStart)
        {
            DrawHead(gdi, dc, a, a->x1, a->y1, ux, uy);
            sx += a->headLength * ux;
            sy += a->headLength * uy;
        }
        if (a->atEnd)
        {
            DrawHead(gdi, dc, a, a->x2, a->y2, -ux, -uy);
            ex -= a->headLength * ux;
            ey -= a->headLength * uy;
        }
    }
    int x1 = Round(sx), y1 = Round(sy), x2 = Round(ex), y2 = Round(ey);
    if (!Recording(graph))
    {
        WGExactPixel(dc, &x1, &y1);
        WGExactPixel(dc, &x2, &y2);
    }
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void RecomputeBox(GrDesc* graph, PosObjDesc* p)
{
    if (!p->recompute)
        return;
    p->recompute = 0;
    if (!OnAxes(p->head))
        return;
    const POINT a = World(graph, p->head.xAxis, p->head.yAxis, p->x1, p->y1);
    const POINT b = World(graph, p->head.xAxis, p->head.yAxis, p->x2, p->y2);
    p->head.extent = Ordered(RECT{a.x, a.y, b.x, b.y});
}

void DrawRect(GrDesc* graph, HDC dc)
{
    auto* r = Current<BoxObj>(graph);
    RecomputeBox(graph, &r->pos);
    const ObjDesc& h = r->pos.head;
    if (r->frameStyle > 5)
        return;
    Modes(&h, dc, false);
    ShapeGdi gdi(dc);
    gdi.Brush(r->filled != 0, r->fill);
    if (!gdi.Pen(h.line, h.line.paletteIndex < 0 || r->frameStyle > 3))
        return;
    const RECT& e = h.extent;
    switch (r->frameStyle)
    {
    case 0:
        Rectangle(dc, e.left, e.top, e.right, e.bottom);
        break;
    case 1:
    case 2:
        RaisedRect(graph, dc, &e, r->fill, r->frameStyle);
        break;
    case 3:
    case 4:
        LowRect(graph, dc, &e, r->fill, r->frameStyle);
        break;
    case 5:
        Rect3DBorder(graph, dc, &e, h.line.pixelWidth, h.line.paletteIndex);
        break;
    }
}

void DrawEllipse(GrDesc* graph, HDC dc)
{
    auto* r = Current<BoxObj>(graph);
    RecomputeBox(graph, &r->pos);
    const ObjDesc& h = r->pos.head;
    Modes(&h, dc, false);
    ShapeGdi gdi(dc);
    gdi.Brush(r->filled != 0, r->fill);
    if (!gdi.Pen(h.line, h.line.paletteIndex < 0))
        return;
    Ellipse(dc, h.extent.left, h.extent.top, h.extent.right, h.extent.bottom);
}

void RecomputeArc(GrDesc* graph, ArcObj* a)
{
    if (!a->recompute)
        return;
    a->recompute = 0;
    if (!OnAxes(a->head))
        return;
    for (int i = 0; i < 4; ++i)
        a->points[i] = World(graph, a->head.xAxis, a->head.yAxis, a->world[2 * i], a->world[2 * i + 1]);
    a->head.extent = Ordered(RECT{a->points[0].x, a->points[0].y, a->points[1].x, a->points[1].y});
}

void DrawArc(GrDesc* graph, HDC dc)
{
    auto* a = Current<ArcObj>(graph);
    RecomputeArc(graph, a);
    Modes(&a->head, dc, true);
    ShapeGdi gdi(dc);
    if (!gdi.Pen(a->head.line, false))
        return;
    const POINT* p = a->points;
    Arc(dc, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y);
}

void DrawPie(GrDesc* graph, HDC dc)
{
    auto* pie = Current<PieObj>(graph);
    ArcObj* a = &pie->arc;
    RecomputeArc(graph, a);
    Modes(&a->head, dc, false);
    ShapeGdi gdi(dc);
    gdi.Brush(pie->filled != 0, pie->fill);
    if (!gdi.Pen(a->head.line, a->head.line.paletteIndex < 0))
        return;
    const POINT* p = a->points;
    Pie(dc, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y);
}

void PolygonExtent(PolygonObj* p)
{
    RECT r{p->points[0].x, p->points[0].y, p->points[0].x, p->points[0].y};
    for (int i = 1; i < p->count; ++i)
    {
        r.left = std::min(r.left, p->points[i].x);
        r.right = std::max(r.right, p->points[i].x);
        r.top = std::min(r.top, p->points[i].y);
        r.bottom = std::max(r.bottom, p->points[i].y);
    }
    p->head.extent = r;
}

void DrawPolygon(GrDesc* graph, HDC dc)
{
    auto* p = Current<PolygonObj>(graph);
    if (p->points == nullptr || p->count <= 0)
        return;
    if (p->recompute && (p->head.xAxis || p->head.yAxis))
    {
        for (int i = 0; i < p->count; ++i)
            p->points[i] = World(graph, p->head.xAxis, p->head.yAxis, p->xs[i], p->ys[i]);
        PolygonExtent(p);
    }
    p->recompute = 0;
    Modes(&p->head, dc, false);
    ShapeGdi gdi(dc);
    gdi.Brush(p->filled != 0, p->fill);
    if (!gdi.Pen(p->head.line, p->head.line.paletteIndex < 0))
        return;
    Polygon(dc, p->points, p->count);
}

void DrawBitmap(GrDesc* graph, HDC dc)
{
    auto* b = Current<BitmapObj>(graph);
    RecomputeBox(graph, &b->pos);
    if (b->path[0] == '\0')
        return;
    BitmapImage image;
    if (!ReadBitmapFile(b->path, image))
        return;
    RECT& r = b->pos.head.extent;
    if (!graph->printCopy && !Recording(graph) && !b->stretch)
    {
        // Natural size: the bitmap's pixels in logical units, in the rectangle's direction.
        POINT p[2] = {{0, 0}, {image.width, std::abs(image.height)}};
        DPtoLP(dc, p, 2);
        const LONG w = std::abs(p[1].x - p[0].x), h = std::abs(p[1].y - p[0].y);
        r.right = r.left + (r.right < r.left ? -w : w);
        r.bottom = r.top + (r.bottom < r.top ? -h : h);
    }
    SetROP2(dc, R2_COPYPEN);
    StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, image.width,
                  std::abs(image.height), image.bits.data(), image.Info(), DIB_RGB_COLORS, SRCCOPY);
}

// ---- Ownership of the polygon's arrays -----------------------------------------------------------

BOOL CopyPolygon(GrDesc*, const ObjDesc* source, ObjDesc* copy)
{
    auto* s = reinterpret_cast<const PolygonObj*>(source);
    auto* c = reinterpret_cast<PolygonObj*>(copy);
    c->points = nullptr;
    c->xs = c->ys = nullptr;
    if (s->count <= 0)
        return TRUE;
    const size_t n = static_cast<size_t>(s->count);
    c->points = static_cast<POINT*>(std::calloc(n, sizeof(POINT)));
    c->xs = static_cast<float*>(std::malloc(n * sizeof(float)));
    c->ys = static_cast<float*>(std::malloc(n * sizeof(float)));
    if (!c->points || !c->xs || !c->ys)
    {
        std::free(c->points);
        std::free(c->xs);
        std::free(c->ys);
        c->points = nullptr;
        c->xs = c->ys = nullptr;
        ErrHdlr(53, 0, nullptr);
        return FALSE;
    }
    std::memcpy(c->points, s->points, n * sizeof(POINT));
    std::memcpy(c->xs, s->xs, n * sizeof(float));
    std::memcpy(c->ys, s->ys, n * sizeof(float));
    return TRUE;
}

void ReleasePolygon(GrDesc*, ObjDesc* object)
{
    auto* p = reinterpret_cast<PolygonObj*>(object);
    std::free(p->points);
    std::free(p->xs);
    std::free(p->ys);
    p->points = nullptr;
    p->xs = p->ys = nullptr;
    p->count = 0;
}

void RecomputeFlag(GrDesc*, ObjDesc* object)
{
    reinterpret_cast<PosObjDesc*>(object)->recompute = 1;
}

void Register(SHORT type, UINT size, ObjDrawProc draw, INT hitPass)
{
    PlotObjectType t{};
    t.type = type;
    t.size = size;
    t.draw = draw;
    t.hitPass = hitPass;
    t.recompute = RecomputeFlag;
    if (type == PK_TYPE_POLYGON)
    {
        t.copy = CopyPolygon;
        t.release = ReleasePolygon;
    }
    RegisterOwnObjectType(t);
}

// The area colour of the filled shapes is their fill colour.
int ShapeProperty(GrDesc*, ObjDesc* object, int property, int, bool change, PropertyValue& value)
{
    if (property != kPropAreaColor)
        return 0;
    COLORREF* fill = nullptr;
    switch (object->type)
    {
    case PK_TYPE_RECT:
    case PK_TYPE_ELLIPSE:
        fill = &reinterpret_cast<BoxObj*>(object)->fill;
        break;
    case PK_TYPE_POLYGON:
        fill = &reinterpret_cast<PolygonObj*>(object)->fill;
        break;
    case PK_TYPE_PIE:
        fill = &reinterpret_cast<PieObj*>(object)->fill;
        break;
    default:
        return 0;
    }
    if (change)
        *fill = value.color;
    else
        value.color = *fill;
    return 1;
}

const bool registered = []
{
    for (int type : {PK_TYPE_RECT, PK_TYPE_ELLIPSE, PK_TYPE_POLYGON, PK_TYPE_PIE})
        RegisterPropertyOps(type, PlotPropertyOps{ShapeProperty, nullptr});
    Register(PK_TYPE_LINE, sizeof(LineObj), DrawLine, 1);
    Register(PK_TYPE_ARROW, sizeof(ArrowObj), DrawArrow, 1);
    Register(PK_TYPE_RECT, sizeof(BoxObj), DrawRect, 3);
    Register(PK_TYPE_ELLIPSE, sizeof(BoxObj), DrawEllipse, 3);
    Register(PK_TYPE_ARC, sizeof(ArcObj), DrawArc, 1);
    Register(PK_TYPE_PIE, sizeof(PieObj), DrawPie, 3);
    Register(PK_TYPE_POLYGON, sizeof(PolygonObj), DrawPolygon, 3);
    Register(PK_TYPE_BITMAP, sizeof(BitmapObj), DrawBitmap, 3);
    return true;
}();

// ---- Creation ------------------------------------------------------------------------------------

template <typename T> T* Make(GrDesc* graph, int type, int subKind)
{
    return reinterpret_cast<T*>(NewObjDesc(graph, type, subKind));
}

// A creator that fails after NewObjDesc leaves no record behind: the table entry would be drawn.
int Abandon(GrDesc* graph)
{
    HGLOBAL& entry = graph->objects[graph->cursor];
    if (entry)
    {
        auto* o = static_cast<ObjDesc*>(GlobalLock(entry));
        if (o->type == PK_TYPE_POLYGON)
            ReleasePolygon(graph, o);
        GlobalFree(entry);
        entry = nullptr;
    }
    graph->currentObject = nullptr;
    return 0;
}

int Commit(GrDesc* graph)
{
    return CommitObjDesc(graph);
}

int MakeLine(GrDesc* graph, int xAxis, int yAxis, float x1, float y1, float x2, float y2, bool world)
{
    auto* l = Make<LineObj>(graph, PK_TYPE_LINE, 3);
    if (l == nullptr)
        return 0;
    POINT a{}, b{};
    if (world)
    {
        if (!SetObjCoords(graph, &l->pos.head, xAxis, yAxis, x1, y1, x2, y2))
            return Abandon(graph);
        a = World(graph, xAxis, yAxis, x1, y1);
        b = World(graph, xAxis, yAxis, x2, y2);
    }
    else
    {
        a = Norm(graph, x1, y1);
        b = Norm(graph, x2, y2);
    }
    l->x1 = a.x;
    l->y1 = a.y;
    l->x2 = b.x;
    l->y2 = b.y;
    SetLineExtent(graph, &l->pos.head, a.x, a.y, b.x, b.y, 0);
    return Commit(graph);
}

int MakeArrow(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
              int headWidth, int headLength, int atStart, int atEnd, int fill, bool world)
{
    auto* a = Make<ArrowObj>(graph, PK_TYPE_ARROW, 3);
    if (a == nullptr)
        return 0;
    POINT p{}, q{};
    if (world)
    {
        if (!SetObjCoords(graph, &a->pos.head, xAxis, yAxis, x1, y1, x2, y2))
            return Abandon(graph);
        p = World(graph, xAxis, yAxis, x1, y1);
        q = World(graph, xAxis, yAxis, x2, y2);
    }
    else
    {
        p = Norm(graph, x1, y1);
        q = Norm(graph, x2, y2);
    }
    a->x1 = p.x;
    a->y1 = p.y;
    a->x2 = q.x;
    a->y2 = q.y;
    a->headWidthPoints = static_cast<SHORT>(headWidth);
    a->headLengthPoints = static_cast<SHORT>(headLength);
    a->atStart = atStart != 0;
    a->atEnd = atEnd != 0;
    a->fill = fill != 0;
    ArrowGeometry(graph, dc, a);
    return Commit(graph);
}

template <typename T>
T* MakeBox(GrDesc* graph, HDC dc, int type, int subKind, int xAxis, int yAxis, float x1, float y1, float x2,
           float y2, int frameIndex, int frameWidth, bool world)
{
    auto* o = Make<T>(graph, type, subKind);
    if (o == nullptr)
        return nullptr;
    ObjDesc* h = reinterpret_cast<ObjDesc*>(o);
    SetLine(graph, dc, &h->line, 0, frameIndex, RGB(0, 0, 0), frameWidth);
    if (world)
    {
        if (SetObjCoords(graph, h, xAxis, yAxis, x1, y1, x2, y2))
            return o;
        Abandon(graph);
        return nullptr;
    }
    const POINT a = Norm(graph, x1, y1), b = Norm(graph, x2, y2);
    h->extent = Ordered(RECT{a.x, a.y, b.x, b.y});
    return o;
}

int MakeRect(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
             int frameIndex, int frameWidth, int filled, COLORREF fill, bool world)
{
    auto* r = MakeBox<BoxObj>(graph, dc, PK_TYPE_RECT, 6, xAxis, yAxis, x1, y1, x2, y2, frameIndex,
                              frameWidth, world);
    if (r == nullptr)
        return 0;
    r->filled = filled != 0;
    r->fill = fill;
    return Commit(graph);
}

int MakeEllipse(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                int frameIndex, int frameWidth, int filled, COLORREF fill, bool world)
{
    auto* e = MakeBox<BoxObj>(graph, dc, PK_TYPE_ELLIPSE, 0, xAxis, yAxis, x1, y1, x2, y2, frameIndex,
                              frameWidth, world);
    if (e == nullptr)
        return 0;
    e->filled = filled != 0;
    e->fill = fill;
    return Commit(graph);
}

// The four points of an arc or a pie.
bool ArcPoints(GrDesc* graph, ArcObj* a, int xAxis, int yAxis, const float v[8], bool world)
{
    if (world)
    {
        if (!AxesDefined(graph, xAxis, yAxis))
            return false;
        a->head.xAxis = static_cast<SHORT>(xAxis);
        a->head.yAxis = static_cast<SHORT>(yAxis);
    }
    for (int i = 0; i < 4; ++i)
    {
        a->world[2 * i] = v[2 * i];
        a->world[2 * i + 1] = v[2 * i + 1];
        a->points[i] =
            world ? World(graph, xAxis, yAxis, v[2 * i], v[2 * i + 1]) : Norm(graph, v[2 * i], v[2 * i + 1]);
    }
    a->head.extent = Ordered(RECT{a->points[0].x, a->points[0].y, a->points[1].x, a->points[1].y});
    return true;
}

int MakeArc(GrDesc* graph, int xAxis, int yAxis, const float v[8], bool world)
{
    auto* a = Make<ArcObj>(graph, PK_TYPE_ARC, 3);
    if (a == nullptr)
        return 0;
    if (!ArcPoints(graph, a, xAxis, yAxis, v, world))
        return Abandon(graph);
    return Commit(graph);
}

int MakePie(GrDesc* graph, HDC dc, int xAxis, int yAxis, const float v[8], int frameIndex, int frameWidth,
            int filled, COLORREF fill, bool world)
{
    auto* p = Make<PieObj>(graph, PK_TYPE_PIE, 0);
    if (p == nullptr)
        return 0;
    SetLine(graph, dc, &p->arc.head.line, 0, frameIndex, RGB(0, 0, 0), frameWidth);
    if (!ArcPoints(graph, &p->arc, xAxis, yAxis, v, world))
        return Abandon(graph);
    p->filled = filled != 0;
    p->fill = fill;
    return Commit(graph);
}

int MakePolygon(GrDesc* graph, HDC dc, int xAxis, int yAxis, const float* xs, const float* ys, int count,
                int frameIndex, int frameWidth, int filled, COLORREF fill, bool world)
{
    if (CheckGraph(graph) && graph->building && (xs == nullptr || ys == nullptr || count <= 0))
    {
        ErrHdlr(30, 2, world ? "WGPolygon" : "WGPolygonNorm");
        return 0;
    }
    auto* p = Make<PolygonObj>(graph, PK_TYPE_POLYGON, 6);
    if (p == nullptr)
        return 0;
    if (world && !AxesDefined(graph, xAxis, yAxis))
        return Abandon(graph);
    SetLine(graph, dc, &p->head.line, 0, frameIndex, RGB(0, 0, 0), frameWidth);
    const size_t n = static_cast<size_t>(count);
    p->xs = static_cast<float*>(std::malloc(n * sizeof(float)));
    p->ys = static_cast<float*>(std::malloc(n * sizeof(float)));
    p->points = static_cast<POINT*>(std::calloc(n, sizeof(POINT)));
    if (!p->xs || !p->ys || !p->points)
    {
        ErrHdlr(53, 0, nullptr);
        return Abandon(graph);
    }
    std::memcpy(p->xs, xs, n * sizeof(float));
    std::memcpy(p->ys, ys, n * sizeof(float));
    p->count = count;
    if (world)
    {
        p->head.xAxis = static_cast<SHORT>(xAxis);
        p->head.yAxis = static_cast<SHORT>(yAxis);
    }
    for (int i = 0; i < count; ++i)
        p->points[i] = world ? World(graph, xAxis, yAxis, xs[i], ys[i]) : Norm(graph, xs[i], ys[i]);
    PolygonExtent(p);
    p->filled = filled != 0;
    p->fill = fill;
    return Commit(graph);
}

int MakeBitmap(GrDesc* graph, int xAxis, int yAxis, float x1, float y1, float x2, float y2, int stretch,
               const char* path, bool world)
{
    std::string name = path ? path : "";
    if (!name.empty() && !NameHasDot(name))
        name += ".BMP";
    if (name.size() >= MAX_PATH)
    {
        ErrHdlr(25, 2, name.c_str());
        return 0;
    }
    auto* b = Make<BitmapObj>(graph, PK_TYPE_BITMAP, 0);
    if (b == nullptr)
        return 0;
    if (world)
    {
        if (!SetObjCoords(graph, &b->pos.head, xAxis, yAxis, x1, y1, x2, y2))
            return Abandon(graph);
    }
    else
    {
        const POINT a = Norm(graph, x1, y1), c = Norm(graph, x2, y2);
        b->pos.head.extent = Ordered(RECT{a.x, a.y, c.x, c.y});
    }
    b->stretch = stretch;
    std::memcpy(b->path, name.c_str(), name.size() + 1);
    return Commit(graph);
}

ArrowObj* ArrowOf(GrDesc* graph, int number)
{
    if (graph == nullptr)
        return nullptr;
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return nullptr;
    if (o->type != PK_TYPE_ARROW)
    {
        ReportIllFunc(o);
        return nullptr;
    }
    return reinterpret_cast<ArrowObj*>(o);
}

} // namespace

bool SetObjCoords(GrDesc* graph, ObjDesc* object, int xAxis, int yAxis, float x1, float y1, float x2,
                  float y2)
{
    if (!AxesDefined(graph, xAxis, yAxis))
        return false;
    auto* p = reinterpret_cast<PosObjDesc*>(object);
    p->x1 = x1;
    p->y1 = y1;
    p->x2 = x2;
    p->y2 = y2;
    object->xAxis = static_cast<SHORT>(xAxis);
    object->yAxis = static_cast<SHORT>(yAxis);
    const POINT a = World(graph, xAxis, yAxis, x1, y1), b = World(graph, xAxis, yAxis, x2, y2);
    object->extent = Ordered(RECT{a.x, a.y, b.x, b.y});
    p->recompute = 0;
    return true;
}

bool ReadPictureFile(const char* path, std::vector<uint8_t>& bytes, int& error)
{
    error = 0;
    bytes.clear();
    HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        error = 7;
        return false;
    }
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    const uint64_t size = (static_cast<uint64_t>(high) << 32) | low;
    bool ok = low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
    if (ok && size > kMaxPictureFile)
    {
        error = 26;
        ok = false;
    }
    if (ok)
    {
        try
        {
            bytes.resize(static_cast<size_t>(size));
        }
        catch (const std::bad_alloc&)
        {
            error = 26;
            ok = false;
        }
    }
    DWORD read = 0;
    if (ok && !bytes.empty() &&
        (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
    {
        error = 23;
        ok = false;
    }
    CloseHandle(file);
    if (!ok)
        bytes.clear();
    return ok;
}

bool ReadBitmapFile(const char* path, BitmapImage& image)
{
    std::vector<uint8_t> bytes;
    int error = 0;
    if (!ReadPictureFile(path, bytes, error))
    {
        ErrHdlr(error == 7 ? 16 : error, 2, path);
        return false;
    }
    const int result = ParseBitmapFile(bytes.data(), bytes.size(), image);
    if (result > 0)
        ErrHdlr(result, 2, path);
    return result == 0;
}

} // namespace plotkit

using namespace plotkit;

int WINAPI WGLineNorm(GrDesc* graph, HDC, float x1, float y1, float x2, float y2)
{
    return MakeLine(graph, 0, 0, x1, y1, x2, y2, false);
}

int WINAPI WGLine(GrDesc* graph, HDC, int xAxis, int yAxis, float x1, float y1, float x2, float y2)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    return MakeLine(graph, xAxis, yAxis, x1, y1, x2, y2, true);
}

int WINAPI WGArrowNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int headWidth,
                       int headLength, int atStart, int atEnd, int fill)
{
    return MakeArrow(graph, dc, 0, 0, x1, y1, x2, y2, headWidth, headLength, atStart, atEnd, fill, false);
}

int WINAPI WGArrow(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                   int headWidth, int headLength, int atStart, int atEnd, int fill)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    return MakeArrow(graph, dc, xAxis, yAxis, x1, y1, x2, y2, headWidth, headLength, atStart, atEnd, fill,
                     true);
}

int WINAPI WGRectangleNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int frameIndex,
                           int frameWidth, int filled, COLORREF fill)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    return MakeRect(graph, dc, 0, 0, x1, y1, x2, y2, frameIndex, frameWidth, filled, fill, false);
}

int WINAPI WGRectangleNormEx(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int frameIndex,
                             int frameWidth, int filled, COLORREF fill, int frameStyle)
{
    const bool building = CheckGraph(graph) && graph->building;
    const int number = WGRectangleNorm(graph, dc, x1, y1, x2, y2, frameIndex, frameWidth, filled, fill);
    if (number == 0 || !building)
        return number;
    auto* r = reinterpret_cast<BoxObj*>(ObjectAt(graph, number));
    r->frameStyle = static_cast<BYTE>(std::clamp(frameStyle, 0, 255));
    if (frameStyle > 0 && frameStyle != 5)
        r->filled = 1;
    if (frameStyle == 3 || frameStyle == 4)
        r->pos.head.line.paletteIndex = -1;
    return number;
}

int WINAPI WGRectangle(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                       int frameIndex, int frameWidth, int filled, COLORREF fill)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    return MakeRect(graph, dc, xAxis, yAxis, x1, y1, x2, y2, frameIndex, frameWidth, filled, fill, true);
}

int WINAPI WGEllipseNorm(GrDesc* graph, HDC dc, float x1, float y1, float x2, float y2, int frameIndex,
                         int frameWidth, int filled, COLORREF fill)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    return MakeEllipse(graph, dc, 0, 0, x1, y1, x2, y2, frameIndex, frameWidth, filled, fill, false);
}

int WINAPI WGEllipse(GrDesc* graph, HDC dc, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                     int frameIndex, int frameWidth, int filled, COLORREF fill)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    return MakeEllipse(graph, dc, xAxis, yAxis, x1, y1, x2, y2, frameIndex, frameWidth, filled, fill, true);
}

int WINAPI WGArcNorm(GrDesc* graph, HDC, float left, float top, float right, float bottom, float startX,
                     float startY, float endX, float endY)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    const float v[8] = {left, top, right, bottom, startX, startY, endX, endY};
    return MakeArc(graph, 0, 0, v, false);
}

int WINAPI WGArc(GrDesc* graph, HDC, int xAxis, int yAxis, float left, float top, float right, float bottom,
                 float startX, float startY, float endX, float endY)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    const float v[8] = {left, top, right, bottom, startX, startY, endX, endY};
    return MakeArc(graph, xAxis, yAxis, v, true);
}

int WINAPI WGPieNorm(GrDesc* graph, HDC dc, float left, float top, float right, float bottom, float startX,
                     float startY, float endX, float endY, int frameIndex, int frameWidth, int filled,
                     COLORREF fill)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    const float v[8] = {left, top, right, bottom, startX, startY, endX, endY};
    return MakePie(graph, dc, 0, 0, v, frameIndex, frameWidth, filled, fill, false);
}

int WINAPI WGPie(GrDesc* graph, HDC dc, int xAxis, int yAxis, float left, float top, float right,
                 float bottom, float startX, float startY, float endX, float endY, int frameIndex,
                 int frameWidth, int filled, COLORREF fill)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    const float v[8] = {left, top, right, bottom, startX, startY, endX, endY};
    return MakePie(graph, dc, xAxis, yAxis, v, frameIndex, frameWidth, filled, fill, true);
}

int WINAPI WGPolygonNorm(GrDesc* graph, HDC dc, const float* xs, const float* ys, int count, int frameIndex,
                         int frameWidth, int filled, COLORREF fill)
{
    return MakePolygon(graph, dc, 0, 0, xs, ys, count, frameIndex, frameWidth, filled, fill, false);
}

int WINAPI WGPolygon(GrDesc* graph, HDC dc, int xAxis, int yAxis, const float* xs, const float* ys, int count,
                     int frameIndex, int frameWidth, int filled, COLORREF fill)
{
    return MakePolygon(graph, dc, xAxis, yAxis, xs, ys, count, frameIndex, frameWidth, filled, fill, true);
}

int WINAPI WGBitmapNorm(GrDesc* graph, HDC, float x1, float y1, float x2, float y2, int stretch,
                        const char* path)
{
    int result = 0;
    if (SkipOnFinished(graph, &result))
        return result;
    return MakeBitmap(graph, 0, 0, x1, y1, x2, y2, stretch, path, false);
}

int WINAPI WGBitmap(GrDesc* graph, HDC, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                    int stretch, const char* path)
{
    return MakeBitmap(graph, xAxis, yAxis, x1, y1, x2, y2, stretch, path, true);
}

int WINAPI WGChangeArrow(GrDesc* graph, int number, int length, int width)
{
    ArrowObj* a = ArrowOf(graph, number);
    if (a == nullptr)
        return 0;
    a->headLengthPoints = static_cast<SHORT>(length);
    a->headWidthPoints = static_cast<SHORT>(width);
    a->pos.recompute = 1;
    return 1;
}

int WINAPI WGChangeArrowFill(GrDesc* graph, int number, int fill)
{
    ArrowObj* a = ArrowOf(graph, number);
    if (a == nullptr)
        return 0;
    a->fill = fill != 0;
    return 1;
}

int WINAPI WGChangeArrowPos(GrDesc* graph, int number, int position)
{
    ArrowObj* a = ArrowOf(graph, number);
    if (a == nullptr)
        return 0;
    a->atStart = position == 1 || position == 3;
    a->atEnd = position == 2 || position == 3;
    return 1;
}

int WINAPI WGGetArrowLength(GrDesc* graph, int number)
{
    ArrowObj* a = ArrowOf(graph, number);
    return a ? a->headLengthPoints : 0;
}

int WINAPI WGGetArrowWidth(GrDesc* graph, int number)
{
    ArrowObj* a = ArrowOf(graph, number);
    return a ? a->headWidthPoints : 0;
}

int WINAPI WGGetArrowFill(GrDesc* graph, int number)
{
    ArrowObj* a = ArrowOf(graph, number);
    return a ? a->fill : 0;
}

int WINAPI WGGetArrowPos(GrDesc* graph, int number)
{
    ArrowObj* a = ArrowOf(graph, number);
    if (a == nullptr)
        return 0;
    return a->atStart && a->atEnd ? 3 : a->atStart ? 1 : a->atEnd ? 2 : 0;
}
