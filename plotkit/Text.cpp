// Text objects and fonts: the list of installed faces, the default text font, text objects (free
// texts, graph and axis titles) with their layout and drawing, the font and string accessors and
// the text measuring calls.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

struct Face
{
    std::string name; // at most 31 characters
    BYTE family;      // lfPitchAndFamily
    BYTE charSet;
};

// Never destroyed: the library frees the list when it is unloaded, which may come after the
// process has begun destroying its statics.
std::vector<Face>& Faces()
{
    static auto* faces = new std::vector<Face>;
    return *faces;
}

void CopyFace(char* to, const std::string& name)
{
    std::memset(to, 0, LF_FACESIZE);
    std::strncpy(to, name.c_str(), LF_FACESIZE - 1);
}

bool IsTextType(int type)
{
    return type == PK_TYPE_TEXT;
}

// Types whose text colour the colour accessors reach.
bool HasTextColor(int type)
{
    return type == PK_TYPE_LEGEND || type == PK_TYPE_LABELS || type == PK_TYPE_TEXT ||
           type == PK_TYPE_PIECHART || type == 105 || type == 110;
}

// The object an accessor of text-bearing objects works on: null after message 56 for no object or
// message 29 for a type outside `accepts`.
ObjDesc* TextObjectFor(GrDesc* graph, int number, bool (*accepts)(int))
{
    if (graph == nullptr)
        return nullptr;
    ObjDesc* object = FindObject(graph, number);
    if (object == nullptr)
        return nullptr;
    if (!accepts(object->type))
    {
        ReportIllFunc(object);
        return nullptr;
    }
    return object;
}

TextDesc* AsText(ObjDesc* object)
{
    return object && object->type == PK_TYPE_TEXT ? reinterpret_cast<TextDesc*>(object) : nullptr;
}

void StoreText(TextDesc* t, const char* text)
{
    std::memset(t->text, 0, sizeof(t->text));
    if (text)
        std::strncpy(t->text, text, PK_TEXT_MAX);
}

void SetAngle(TextDesc* t, int angle)
{
    t->angle = static_cast<SHORT>(angle);
    t->font.logFont.lfEscapement = angle;
    t->font.logFont.lfOrientation = angle;
}

const AxisDesc* AxisObject(GrDesc* graph, int number)
{
    ObjDesc* o = ObjectAt(graph, number);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<const AxisDesc*>(o) : nullptr;
}

// The labels object of an axis, when it has one.
const LabelsDesc* LabelsOf(GrDesc* graph, int axis)
{
    for (int n = 1; n <= graph->capacity; ++n)
        if (ObjDesc* o = ObjectAt(graph, n); o && o->type == PK_TYPE_LABELS && o->xAxis == axis)
            return reinterpret_cast<const LabelsDesc*>(o);
    return nullptr;
}

// Places an axis title beside its axis (and the axis's labels): anchor, angle, alignment and world
// anchor.
void PlaceAxisTitle(GrDesc* graph, TextDesc* t)
{
    const AxisDesc* axis = AxisObject(graph, t->titleAxis);
    if (axis == nullptr)
        return;
    const LabelsDesc* labels = LabelsOf(graph, t->titleAxis);
    const RECT plot = graph->plot;
    const RECT ax = Ordered(axis->head.extent);
    const RECT lab = labels ? Ordered(labels->head.extent) : RECT{};
    if (axis->direction == 1)
    {
        SetAngle(t, 0);
        t->anchorX = (plot.left + ax.right) / 2;
        const int half = labels ? labels->font.logFont.lfHeight / 2 : 0; // negative: minus half a height
        if (t->titlePosition == 4)
        {
            LONG y = std::min(plot.top, ax.top);
            if (labels)
                y = std::min(y, lab.top);
            t->anchorY = y + half;
            t->alignment = 14;
        }
        else
        {
            LONG y = std::max(plot.bottom, ax.bottom);
            if (labels)
                y = std::max(y, lab.bottom);
            t->anchorY = y - half;
            t->alignment = 6;
        }
        t->worldX = (axis->xMin + axis->xMax) / 2;
        return;
    }
    t->alignment = 6;
    const int height = std::abs(t->font.logFont.lfHeight);
    const PgDesc* page = graph->page;
    double d = 2 * height;
    if (std::fabs(graph->normWidth - graph->createdNormWidth) > 0.01 ||
        std::fabs(graph->normHeight - graph->createdNormHeight) > 0.01)
    {
        if (graph->createdNormHeight > 0 && graph->normWidth > 0)
            d = d * (graph->normHeight / graph->createdNormHeight) *
                (graph->createdNormWidth / graph->normWidth);
    }
    else if (page && page->scaleX > 0)
        d = d * page->scaleY / page->scaleX;
    if (t->titlePosition == 2)
    {
        SetAngle(t, 2700);
        LONG x = std::max(plot.right, ax.right);
        if (labels)
            x = std::max(x, lab.right);
        t->anchorX = x + static_cast<int>(d);
    }
    else
    {
        SetAngle(t, 900);
        LONG x = std::min(plot.left, ax.left);
        if (labels)
            x = std::min(x, lab.left);
        t->anchorX = x - static_cast<int>(d);
    }
    t->anchorY = (ax.top + ax.bottom) / 2;
    t->worldY = (axis->yMin + axis->yMax) / 2;
}

// The extent rectangle and the baseline origin of a text at its anchor, alignment and angle.
void LayoutText(GrDesc* graph, HDC dc, TextDesc* t)
{
    if (graph->metafileDc)
        return;
    const PgDesc* page = graph->page;
    const double p = page && page->scaleY > 0 ? page->scaleX / page->scaleY : 1.0;
    // Measured upright: the extent of a rotated text is worked out from its upright size.
    LOGFONT upright = t->font.logFont;
    upright.lfEscapement = upright.lfOrientation = 0;
    TextFont font(dc, upright, 0);
    SIZE size{};
    GetTextExtentPoint32(dc, t->text, static_cast<int>(std::strlen(t->text)), &size);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    int w = size.cx;
    const int hgt = size.cy;
    const int L = tm.tmHeight;
    const int A = tm.tmAscent;
    const int flags = t->alignment;
    const bool centred = (flags & 6) == 6;
    const bool right = !centred && (flags & 2);
    RECT& e = t->head.extent;
    if (t->angle == 0)
    {
        const int left = centred ? t->anchorX - w / 2 : right ? t->anchorX - w : t->anchorX;
        int top = t->anchorY;
        if ((flags & 24) == 24)
            top = t->anchorY - A;
        else if (flags & 8)
            top = t->anchorY - hgt;
        t->originX = left;
        t->originY = top + A;
        e = RECT{left, top, left + w, top + hgt};
        return;
    }
    const double r = t->angle * 0.0017453292;
    if (!(tm.tmPitchAndFamily & TMPF_TRUETYPE) && w < hgt)
        w = hgt;
    double sin = std::sin(r), cos = std::cos(r);
    if (t->angle == 900)
        sin = 1, cos = 0;
    else if (t->angle == 2700)
        sin = -1, cos = 0;
    const int dy = static_cast<int>(w * sin * p);
    const int dx = static_cast<int>(w * cos / p);
    int left = t->anchorX, top = t->anchorY;
    if (centred)
    {
        left = t->anchorX - dx / 2;
        top = dy / 2 + t->anchorY;
    }
    else if (right)
    {
        left = t->anchorX - dx;
        top = t->anchorY + dy;
    }
    if (flags & 8)
    {
        left -= static_cast<int>(L * sin);
        top -= static_cast<int>(L * cos);
    }
    t->originX = left + static_cast<int>(A * sin);
    t->originY = top + static_cast<int>(A * cos);
    int rightEdge = 0;
    if (t->angle == 900)
        rightEdge = left + static_cast<int>(L / p);
    else if (t->angle == 2700)
    {
        rightEdge = left;
        left = rightEdge - static_cast<int>(L / p);
    }
    else
    {
        rightEdge = left + dx + static_cast<int>((L / 2) / p);
        top -= static_cast<int>(L * p / 4);
    }
    int bottom = top - dy;
    const int grow = static_cast<int>(L * cos);
    if (top > bottom)
        top += grow;
    else
        bottom += grow;
    e = RECT{left, top, rightEdge, bottom};
}

void InvalidateExtent(GrDesc* graph, HDC dc, const RECT& extent)
{
    RECT r = Ordered(extent);
    POINT p[2] = {{r.left, r.top}, {r.right, r.bottom}};
    LPtoDP(dc, p, 2);
    RECT device = Ordered(RECT{p[0].x, p[0].y, p[1].x, p[1].y});
    InvalidateRect(graph->window, &device, FALSE);
}

// The anchor of a text from its world or normalised position.
void Reposition(GrDesc* graph, TextDesc* t)
{
    if (AxisObject(graph, t->head.xAxis) && AxisObject(graph, t->head.yAxis))
        WorldToLog(graph, t->head.xAxis, t->head.yAxis, t->worldX, t->worldY, &t->anchorX, &t->anchorY);
    else if (t->normX > -1)
    {
        t->anchorX = static_cast<int>(t->normX * graph->logWidth);
        t->anchorY = static_cast<int>(t->normY * graph->logHeight);
    }
}

// Draw procedure of text objects.
void DrawTextObject(GrDesc* graph, HDC dc)
{
    auto* t = reinterpret_cast<TextDesc*>(graph->currentObject);
    if (t == nullptr)
        return;
    if (t->head.subKind == 2)
    {
        PlaceAxisTitle(graph, t);
        LayoutText(graph, dc, t);
    }
    else if (t->reposition || graph->printCopy)
    {
        Reposition(graph, t);
        LayoutText(graph, dc, t);
        if (!graph->printCopy && !graph->metafileDc)
            InvalidateExtent(graph, dc, t->head.extent);
        t->reposition = 0;
    }
    COLORREF color = WGGetRGBColor(t->font.colorIndex);
    if (t->head.flash)
    {
        const COLORREF under = GetPixel(dc, t->originX, t->originY);
        if (under != CLR_INVALID)
            color = under;
    }
    TextFont font(dc, t->font.logFont, color);
    const UINT align = SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    TextOut(dc, t->originX, t->originY, t->text, static_cast<int>(std::strlen(t->text)));
    SetTextAlign(dc, align);
}

// Re-scaling after a size change: the size follows the graph unless the page keeps text sizes.
void RescaleFontObject(GrDesc* graph, HDC dc, ObjDesc* object, float factor)
{
    FontDesc* font = FontBlock(object);
    if (font == nullptr)
        return;
    if (!graph->page || !graph->page->keepTextSize)
        font->currentSize = static_cast<SHORT>(std::max(1, static_cast<int>(font->baseSize * factor + 0.5f)));
    font->logFont.lfHeight = -PointsToLogSize(graph, dc, font->currentSize);
    if (TextDesc* t = AsText(object))
        t->reposition = 1;
}

void RepositionText(GrDesc*, ObjDesc* object)
{
    if (TextDesc* t = AsText(object))
        t->reposition = 1;
}

const bool kTextRegistered = []
{
    PlotObjectType type{};
    type.type = PK_TYPE_TEXT;
    type.size = sizeof(TextDesc);
    type.draw = DrawTextObject;
    type.rescale = RescaleFontObject;
    type.recompute = RepositionText;
    type.hitPass = 2;
    RegisterOwnObjectType(type);
    return true;
}();

// A text object of a graph being built, at a logical anchor; `place` fills the anchors.
int CreateText(GrDesc* graph, HDC dc, int subKind, const char* text, int alignment, int angle,
               const std::function<void(TextDesc*)>& place)
{
    TopDesc* top = Lib().top;
    auto* t = reinterpret_cast<TextDesc*>(NewObjDesc(graph, PK_TYPE_TEXT, subKind));
    if (t == nullptr || top == nullptr)
        return 0;
    t->font = top->defaultFont;
    t->font.text = nullptr;
    t->font.textCapacity = 0;
    SetAngle(t, angle);
    StoreText(t, text);
    t->alignment = alignment;
    t->normX = t->normY = -1;
    place(t);
    HDC use = dc ? dc : GetMappedDC(graph);
    MapGraph(graph, use);
    t->font.logFont.lfHeight = -PointsToLogSize(graph, use, t->font.currentSize);
    if (t->head.subKind == 2)
        PlaceAxisTitle(graph, t);
    LayoutText(graph, use, t);
    if (!dc)
        ReleaseDC(graph->window, use);
    return CommitObjDesc(graph);
}

void Measure(GrDesc* graph, HDC dc, const FontDesc& block, BOOL horizontal, const char* text, int length,
             float* width, float* height)
{
    if (!CheckGraph(graph) || dc == nullptr)
        return;
    MapGraph(graph, dc);
    LOGFONT lf = block.logFont;
    lf.lfHeight = -PointsToLogSize(graph, dc, block.currentSize);
    lf.lfEscapement = lf.lfOrientation = 0;
    std::string measured;
    if (text == nullptr)
        measured.assign(static_cast<size_t>(std::clamp(length, 0, 4096)), '0');
    else if (length < 1)
        measured = text;
    else
        measured.assign(text, strnlen(text, static_cast<size_t>(length)));
    SIZE size{};
    {
        TextFont font(dc, lf, 0);
        GetTextExtentPoint32(dc, measured.c_str(), static_cast<int>(measured.size()), &size);
    }
    const float fontHeight = static_cast<float>(std::abs(lf.lfHeight));
    const float across = static_cast<float>(horizontal ? graph->logWidth : graph->logHeight);
    const float along = static_cast<float>(horizontal ? graph->logHeight : graph->logWidth);
    if (width)
        *width = across > 0 ? size.cx / across : 0;
    if (height)
        *height = along > 0 ? fontHeight / along : 0;
}

} // namespace

TextFont::TextFont(HDC dc, const LOGFONT& font, COLORREF color)
    : dc_(dc), font_(CreateFontIndirect(&font)), old_(nullptr)
{
    if (font_)
        old_ = SelectObject(dc_, font_);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, color);
}

TextFont::~TextFont()
{
    if (font_ == nullptr)
        return;
    SelectObject(dc_, old_ ? old_ : GetStockObject(SYSTEM_FONT));
    DeleteObject(font_);
}

void BuildFaceList()
{
    std::vector<Face>& faces = Faces();
    faces.clear();
    HDC screen = GetDC(nullptr);
    EnumFonts(screen, nullptr, FontEnumFunc, reinterpret_cast<LPARAM>(&faces));
    if (screen)
        ReleaseDC(nullptr, screen);
    std::sort(faces.begin(), faces.end(),
              [](const Face& a, const Face& b) { return _stricmp(a.name.c_str(), b.name.c_str()) < 0; });
}

void FreeFaceList()
{
    Faces().clear();
    Faces().shrink_to_fit();
}

int FindFaceByName(const char* name)
{
    if (name == nullptr)
        return -1;
    const std::vector<Face>& faces = Faces();
    for (size_t i = 0; i < faces.size(); ++i)
        if (_stricmp(faces[i].name.c_str(), name) == 0)
            return static_cast<int>(i);
    return -1;
}

int FaceCount()
{
    return static_cast<int>(Faces().size());
}

const char* FaceName(int index)
{
    return index >= 0 && index < FaceCount() ? Faces()[index].name.c_str() : "";
}

void TakeFace(FontDesc& font, int index)
{
    if (index < 0 || index >= FaceCount())
        return;
    const Face& chosen = Faces()[index];
    CopyFace(font.logFont.lfFaceName, chosen.name);
    font.logFont.lfCharSet = chosen.charSet;
    font.logFont.lfPitchAndFamily = chosen.family;
    font.faceIndex = static_cast<SHORT>(index);
    font.logFont.lfOutPrecision = 4;
    font.logFont.lfClipPrecision |= CLIP_LH_ANGLES;
}

void PickDefaultFace(FontDesc& font)
{
    const BYTE family = font.logFont.lfPitchAndFamily & 0xF0;
    const char* wanted = "Arial";
    switch (family)
    {
    case 0x10:
        wanted = "Times New Roman";
        break;
    case 0x30:
        wanted = "Courier New";
        break;
    case 0x40:
        wanted = "Script";
        break;
    case 0x50:
        wanted = "Wingdings";
        break;
    }
    const std::vector<Face>& faces = Faces();
    int index = FindFaceByName(wanted);
    for (size_t i = 0; index < 0 && i < faces.size(); ++i)
        if ((faces[i].family & 0xF0) == family)
            index = static_cast<int>(i);
    if (index < 0 && !faces.empty())
        index = 0;
    if (index >= 0)
    {
        CopyFace(font.logFont.lfFaceName, faces[index].name);
        font.logFont.lfCharSet = faces[index].charSet;
    }
    else
        CopyFace(font.logFont.lfFaceName, wanted); // no list: the drawing layer finds a stand-in
    font.faceIndex = static_cast<SHORT>(index);
    font.logFont.lfOutPrecision = 4;
    font.logFont.lfClipPrecision |= CLIP_LH_ANGLES;
}

int EditTextObject(GrDesc* graph, ObjDesc* object, HWND owner)
{
    TextDesc* t = AsText(object);
    if (t == nullptr)
        return 2;
    t->font.text = t->text;
    t->font.textCapacity = PK_TEXT_MAX;
    const int result = static_cast<int>(
        DialogBoxParam(Module(), "TEXTPAR", owner, TextDlgProc, reinterpret_cast<LPARAM>(&t->font)));
    t->font.text = nullptr;
    t->font.textCapacity = 0;
    if (result == 3)
    {
        const float scale = graph->page && graph->page->scaleX > 0 ? graph->page->scaleX : 1.0f;
        t->font.baseSize = static_cast<SHORT>(t->font.currentSize / scale);
        HDC dc = GetMappedDC(graph);
        t->font.logFont.lfHeight = -PointsToLogSize(graph, dc, t->font.currentSize);
        ReleaseDC(graph->window, dc);
        t->reposition = 1;
    }
    return result;
}

bool HasFontBlock(int type)
{
    switch (type)
    {
    case PK_TYPE_LEGEND:
    case PK_TYPE_LABELS:
    case PK_TYPE_TEXT:
    case PK_TYPE_PIECHART:
    case 105:
    case 107:
    case 108:
    case 110:
    case 111:
        return true;
    }
    return false;
}

FontDesc* FontBlock(ObjDesc* object)
{
    if (object == nullptr || !HasFontBlock(object->type))
        return nullptr;
    // Another library's record may hold more of its own head before the font block.
    if (object->type >= 100)
        if (const PlotObjectType* kind = FindObjectType(object->type); kind && kind->fontOffset != 0)
            return reinterpret_cast<FontDesc*>(reinterpret_cast<BYTE*>(object) + kind->fontOffset);
    return &reinterpret_cast<FontObjDesc*>(object)->font;
}

float TextScale(const GrDesc* graph)
{
    const PgDesc* page = graph ? graph->page : nullptr;
    if (page == nullptr)
        return 1.0f;
    const float fx =
        graph->createdNormWidth ? page->scaleX * graph->normWidth / graph->createdNormWidth : 1.0f;
    const float fy =
        graph->createdNormHeight ? page->scaleY * graph->normHeight / graph->createdNormHeight : 1.0f;
    const float f = std::min(fx, fy);
    return f > 0 ? f : 1.0f;
}

} // namespace plotkit

using namespace plotkit;

int CALLBACK FontEnumFunc(const LOGFONT* font, const TEXTMETRIC*, DWORD, LPARAM data)
{
    auto* faces = reinterpret_cast<std::vector<Face>*>(data);
    if (font == nullptr || faces == nullptr)
        return 1;
    const std::string name(font->lfFaceName, strnlen(font->lfFaceName, LF_FACESIZE));
    if (name.empty() || name.size() >= 32)
        return 1;
    for (const Face& face : *faces)
        if (_stricmp(face.name.c_str(), name.c_str()) == 0)
            return 1;
    faces->push_back(Face{name, font->lfPitchAndFamily, font->lfCharSet});
    return 1;
}

void WINAPI WGSetTextParams(int colorIndex, int family, int points, int flags)
{
    TopDesc* top = Lib().top;
    if (top == nullptr)
        return;
    FontDesc& font = top->defaultFont;
    font.colorIndex = static_cast<SHORT>(colorIndex);
    font.logFont.lfPitchAndFamily = static_cast<BYTE>(family ? family : 48);
    font.baseSize = font.currentSize = static_cast<SHORT>(points);
    font.sizeIndex = -1;
    font.logFont.lfWeight = (flags & 1) ? FW_BOLD : FW_NORMAL;
    font.logFont.lfItalic = (flags & 2) ? 1 : 0;
    font.logFont.lfUnderline = (flags & 4) ? 1 : 0;
    PickDefaultFace(font);
}

BOOL WINAPI WGSetTextByName(int colorIndex, const char* face, int points, int flags)
{
    TopDesc* top = Lib().top;
    if (top == nullptr)
        return FALSE;
    FontDesc& font = top->defaultFont;
    font.colorIndex = static_cast<SHORT>(colorIndex);
    font.baseSize = font.currentSize = static_cast<SHORT>(points);
    font.sizeIndex = -1;
    font.logFont.lfWeight = (flags & 1) ? FW_BOLD : FW_NORMAL;
    font.logFont.lfItalic = (flags & 2) ? 1 : 0;
    font.logFont.lfUnderline = (flags & 4) ? 1 : 0;
    const int index = FindFaceByName(face);
    if (index < 0)
    {
        font.logFont.lfPitchAndFamily = 48;
        PickDefaultFace(font);
        return FALSE;
    }
    TakeFace(font, index);
    return TRUE;
}

int WINAPI WGTextNorm(GrDesc* graph, HDC dc, const char* text, float x, float y, int alignment, int angle)
{
    return CreateText(graph, dc, 1, text, alignment, angle,
                      [&](TextDesc* t)
                      {
                          t->normX = x;
                          t->normY = y;
                          t->anchorX = static_cast<int>(x * graph->logWidth);
                          t->anchorY = static_cast<int>(y * graph->logHeight);
                      });
}

int WINAPI WGText(GrDesc* graph, HDC dc, int xAxis, int yAxis, const char* text, float x, float y,
                  int alignment, int angle)
{
    if (!CheckGraph(graph))
        return 0;
    return CreateText(graph, dc, 1, text, alignment, angle,
                      [&](TextDesc* t)
                      {
                          t->head.xAxis = static_cast<SHORT>(xAxis ? xAxis : graph->defaultXAxis);
                          t->head.yAxis = static_cast<SHORT>(yAxis ? yAxis : graph->defaultYAxis);
                          t->worldX = x;
                          t->worldY = y;
                          WorldToLog(graph, t->head.xAxis, t->head.yAxis, x, y, &t->anchorX, &t->anchorY);
                      });
}

int WINAPI WGTitleGraph(GrDesc* graph, HDC dc, const char* text)
{
    if (!CheckGraph(graph))
        return 0;
    return CreateText(graph, dc, 1, text, 6, 0,
                      [&](TextDesc* t)
                      {
                          int y = 4 * graph->unitsPerPixelY;
                          if (graph->raise && graph->devHeight > 0)
                              y += static_cast<int>(graph->logHeight * 0.01 * Lib().dev.screenHeight /
                                                    graph->devHeight);
                          t->anchorX = graph->logWidth / 2;
                          t->anchorY = y;
                          t->normX = 0.5f;
                          t->normY = graph->logHeight ? static_cast<float>(y) / graph->logHeight : 0;
                      });
}

int WINAPI WGTitleAxis(GrDesc* graph, HDC dc, int axis, int position, const char* text)
{
    if (!CheckGraph(graph))
        return 0;
    if (axis < 1 || axis > graph->capacity || AxisObject(graph, axis) == nullptr)
    {
        ErrHdlr(54, 0, nullptr);
        return 0;
    }
    return CreateText(graph, dc, 2, text, 6, 0,
                      [&](TextDesc* t)
                      {
                          t->titleAxis = static_cast<SHORT>(axis);
                          t->titlePosition = static_cast<SHORT>(position);
                      });
}

int WINAPI WGGetTextColor(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasTextColor);
    return o ? FontBlock(o)->colorIndex : 0;
}

BOOL WINAPI WGChangeTextColor(GrDesc* graph, int number, int colorIndex)
{
    ObjDesc* o = TextObjectFor(graph, number, HasTextColor);
    if (o == nullptr)
        return FALSE;
    FontBlock(o)->colorIndex = static_cast<SHORT>(colorIndex);
    return TRUE;
}

const char* WINAPI WGGetFontName(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    return o ? FontBlock(o)->logFont.lfFaceName : nullptr;
}

int WINAPI WGGetFontSize(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    return o ? FontBlock(o)->currentSize : 0;
}

int WINAPI WGGetFontWeight(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    return o ? FontBlock(o)->logFont.lfWeight : 0;
}

int WINAPI WGGetFontItal(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    return o ? FontBlock(o)->logFont.lfItalic : 0;
}

int WINAPI WGGetFontUnder(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    return o ? FontBlock(o)->logFont.lfUnderline : 0;
}

int WINAPI WGGetFontEsc(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    return o ? FontBlock(o)->logFont.lfEscapement : 0;
}

int WINAPI WGGetFontOrient(GrDesc* graph, int number)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    return o ? FontBlock(o)->logFont.lfOrientation : 0;
}

BOOL WINAPI WGChangeFont(GrDesc* graph, int number, const char* face, int points, int escapement, int weight,
                         int italic, int underline)
{
    ObjDesc* o = TextObjectFor(graph, number, HasFontBlock);
    if (o == nullptr)
        return FALSE;
    FontDesc& font = *FontBlock(o);
    TextDesc* t = AsText(o);
    if (t)
        t->angle = static_cast<SHORT>(escapement);
    InvalidateObject(graph, o);
    if (points != font.currentSize)
    {
        font.currentSize = static_cast<SHORT>(points);
        font.baseSize = static_cast<SHORT>(points / TextScale(graph));
    }
    font.sizeIndex = -1;
    font.logFont.lfWeight = weight;
    font.logFont.lfItalic = static_cast<BYTE>(italic);
    font.logFont.lfUnderline = static_cast<BYTE>(underline);
    font.logFont.lfEscapement = font.logFont.lfOrientation = escapement;
    // A face that is not installed is reported; the object keeps its face and takes the other
    // changes. The library's default font is not touched.
    BOOL found = TRUE;
    if (face != nullptr)
    {
        const int index = FindFaceByName(face);
        if (index < 0)
        {
            ErrHdlr(4, 2, face);
            found = FALSE;
        }
        else
            TakeFace(font, index);
    }
    HDC dc = GetMappedDC(graph);
    font.logFont.lfHeight = -PointsToLogSize(graph, dc, font.currentSize);
    if (t)
    {
        if (t->head.subKind == 2)
            PlaceAxisTitle(graph, t);
        LayoutText(graph, dc, t);
    }
    else if (o->type >= 100)
        if (const PlotObjectType* kind = FindObjectType(o->type); kind && kind->recompute)
            kind->recompute(graph, o); // the real-time library measures its own texts again
    ReleaseDC(graph->window, dc);
    return found;
}

const char* WINAPI WGGetString(GrDesc* graph, int number, int item)
{
    ObjDesc* o = TextObjectFor(
        graph, number,
        [](int type) { return type == PK_TYPE_LEGEND || IsTextType(type) || type == PK_TYPE_PIECHART; });
    if (TextDesc* t = AsText(o))
        return t->text;
    // Legend items (0 the title) and pie slice labels.
    if (o && o->type == PK_TYPE_LEGEND)
        return LegendItemText(o, item, nullptr);
    if (o && o->type == PK_TYPE_PIECHART)
        return PieLabelText(o, item, nullptr);
    return nullptr;
}

BOOL WINAPI WGChangeString(GrDesc* graph, int number, const char* text, int item)
{
    ObjDesc* o = TextObjectFor(graph, number,
                               [](int type) {
                                   return type == PK_TYPE_LEGEND || type == PK_TYPE_LABELS ||
                                          IsTextType(type) || type == PK_TYPE_PIECHART;
                               });
    if (o == nullptr || text == nullptr)
        return FALSE;
    if (TextDesc* t = AsText(o))
    {
        StoreText(t, text);
        return TRUE;
    }
    if (o->type == PK_TYPE_LEGEND || o->type == PK_TYPE_PIECHART)
    {
        int capacity = 0;
        char* entry =
            // A legend's lines are counted from 0 under its title (item 0 of the legend).
            o->type == PK_TYPE_LEGEND ? LegendItemText(o, item + 1, &capacity) : PieLabelText(o, item, &capacity);
        if (entry == nullptr)
            return FALSE;
        std::memset(entry, 0, static_cast<size_t>(capacity) + 1);
        std::strncpy(entry, text, static_cast<size_t>(capacity));
        return TRUE;
    }
    if (o->type == PK_TYPE_LABELS)
    {
        auto* labels = reinterpret_cast<LabelsDesc*>(o);
        if (labels->kind != 1 || labels->strings == nullptr || item < 0)
            return FALSE;
        // A block of known size is never written past its end.
        if (labels->stringsSize && static_cast<UINT>(item + 1) * PK_LABEL_STRING > labels->stringsSize)
            return FALSE;
        char* entry = labels->strings + static_cast<size_t>(item) * PK_LABEL_STRING;
        std::memset(entry, 0, PK_LABEL_STRING);
        std::strncpy(entry, text, PK_LABEL_STRING - 1);
        return TRUE;
    }
    return FALSE;
}

void WINAPI WGGetTextSizeNorm(GrDesc* graph, HDC dc, BOOL horizontal, const char* text, int length,
                              float* width, float* height)
{
    if (TopDesc* top = Lib().top)
        Measure(graph, dc, top->defaultFont, horizontal, text, length, width, height);
}

void WINAPI WGGetLegendTextSizeNorm(GrDesc* graph, HDC dc, ObjDesc* legend, BOOL horizontal, const char* text,
                                    int length, float* width, float* height)
{
    if (FontDesc* font = FontBlock(legend))
        Measure(graph, dc, *font, horizontal, text, length, width, height);
}

HFONT WINAPI ConfigureText(GrDesc* graph, HDC dc, FontDesc* font, COLORREF color)
{
    if (dc == nullptr || font == nullptr)
        return nullptr;
    HFONT made = CreateFontIndirect(&font->logFont);
    if (made == nullptr)
        return nullptr;
    HGDIOBJ old = SelectObject(dc, made);
    if (old && !(graph && graph->metafileDc))
        DeleteObject(old);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    return made;
}
