// Graphs and pages as metafiles: on the clipboard (a Windows metafile picture and a bitmap), in
// files (plain, placeable and enhanced), in memory, played into windows, and shown on graphs as
// METAFILE objects. Everything is recorded by running the object interpreter into a metafile DC.
#include "Metafiles.h"

#include "PictureFiles.h"
#include "PlotkitInternal.h"
#include "Shapes.h"
#include "win32/prompt.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>

namespace plotkit
{
namespace
{

// Filters of the save dialog.
constexpr UINT kFilterWindows = 144;
constexpr UINT kFilterEnhanced = 145;

// Live metafile records: a pointer handed back to the library is used only when it is one of them.
std::set<const MetafileDesc*>& Records()
{
    static std::set<const MetafileDesc*> records;
    return records;
}

std::set<const PgDesc*>& BusyPages()
{
    static std::set<const PgDesc*> pages;
    return pages;
}

// The page's busy flag for one copy, save or conversion; cleared on every way out.
class BusyPage
{
public:
    explicit BusyPage(const PgDesc* page) : m_page(page) { BusyPages().insert(page); }
    ~BusyPage() { BusyPages().erase(m_page); }
    BusyPage(const BusyPage&) = delete;
    BusyPage& operator=(const BusyPage&) = delete;

private:
    const PgDesc* m_page;
};

// The clipboard copy flag of the top block, likewise.
class CopyFlag
{
public:
    explicit CopyFlag(TopDesc* top) : m_top(top)
    {
        if (m_top)
            m_top->metafileFlag = 1;
    }
    ~CopyFlag()
    {
        if (m_top)
            m_top->metafileFlag = 0;
    }
    CopyFlag(const CopyFlag&) = delete;
    CopyFlag& operator=(const CopyFlag&) = delete;

private:
    TopDesc* m_top;
};

// Draws a graph into a Windows metafile being recorded: its draw procedures see the recording.
void RecordGraph(GrDesc* graph, HDC dc)
{
    graph->metafileDc = dc;
    ObjectInterpreter(graph, dc);
    graph->metafileDc = nullptr;
}

GrDesc* SelectedGraph(const PgDesc* page)
{
    return page->selectedGraph ? GetGrDescPtr(page->selectedGraph) : nullptr;
}

int PageMapMode(const PgDesc* page)
{
    return page->mapMode ? page->mapMode : MM_ANISOTROPIC;
}

// What a page records: either one graph (a blown-up page's selected one) at its own extents, or all
// graphs at the page's extents.
struct PageScope
{
    GrDesc* single = nullptr;
    int extentX = 0, extentY = 0;
    int deviceX = 0, deviceY = 0;
};

PageScope ScopeOf(const PgDesc* page)
{
    PageScope scope;
    if (page->blownUp)
        scope.single = SelectedGraph(page);
    if (scope.single)
    {
        scope.extentX = scope.single->logWidth;
        scope.extentY = scope.single->logHeight;
        scope.deviceX = scope.single->devWidth;
        scope.deviceY = scope.single->devHeight;
    }
    else
    {
        scope.extentX = page->extentX;
        scope.extentY = page->extentY;
        scope.deviceX = page->clientWidth;
        scope.deviceY = page->clientHeight;
    }
    return scope;
}

// Records a page (or its blown-up graph) into a Windows metafile in memory.
HMETAFILE RecordPageWmf(PgDesc* page, const PageScope& scope)
{
    HDC dc = CreateMetaFile(nullptr);
    if (dc == nullptr)
        return nullptr;
    SetMapMode(dc, MM_ANISOTROPIC);
    SetBkMode(dc, OPAQUE);
    SetROP2(dc, R2_COPYPEN);
    SetWindowExtEx(dc, scope.extentX, scope.extentY, nullptr);
    if (scope.single)
        RecordGraph(scope.single, dc);
    else
        for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
            if (GrDesc* graph = GetGrDescNum(page, slot); graph && !graph->building)
            {
                SetWindowOrgEx(dc, -graph->logX, -graph->logY, nullptr);
                RecordGraph(graph, dc);
            }
    SetWindowOrgEx(dc, 0, 0, nullptr);
    return CloseMetaFile(dc);
}

// Records a page into an enhanced metafile: each graph in its own mapping at its place on the page,
// in device units of the page window.
HENHMETAFILE RecordPageEmf(PgDesc* page, const PageScope& scope)
{
    HDC ref = GetDC(page->window);
    const int screenW = std::max(1, GetDeviceCaps(ref, HORZRES)), screenH = std::max(1, GetDeviceCaps(ref, VERTRES));
    const RECT frame{0, 0, GetDeviceCaps(ref, HORZSIZE) * 100 * scope.deviceX / screenW,
                     GetDeviceCaps(ref, VERTSIZE) * 100 * scope.deviceY / screenH};
    HDC dc = CreateEnhMetaFile(ref, nullptr, &frame, nullptr);
    ReleaseDC(page->window, ref);
    if (dc == nullptr)
        return nullptr;
    SetBkMode(dc, OPAQUE);
    SetROP2(dc, R2_COPYPEN);
    auto draw = [dc](GrDesc* graph, int x, int y) {
        const int saved = SaveDC(dc);
        MapGraph(graph, dc);
        SetViewportOrgEx(dc, x, y, nullptr);
        ObjectInterpreter(graph, dc);
        RestoreDC(dc, saved);
    };
    if (scope.single)
        draw(scope.single, 0, 0);
    else
        for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
            if (GrDesc* graph = GetGrDescNum(page, slot); graph && !graph->building)
                draw(graph, graph->devX, graph->devY);
    return CloseEnhMetaFile(dc);
}

// A bitmap of a recorded picture at a device size, over a background colour (the clipboard's
// picture for programs that take only images).
HBITMAP RenderBitmap(HMETAFILE metafile, int mapMode, int extentX, int extentY, int width, int height,
                     COLORREF background)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (memory == nullptr || bitmap == nullptr)
    {
        if (memory)
            DeleteDC(memory);
        if (bitmap)
            DeleteObject(bitmap);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    const RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SetMapMode(memory, mapMode);
    SetWindowExtEx(memory, extentX, extentY, nullptr);
    SetViewportExtEx(memory, width, height, nullptr);
    PlayMetaFile(memory, metafile);
    SelectObject(memory, old);
    DeleteDC(memory);
    return bitmap;
}

// Puts a recorded picture on the open clipboard: the metafile picture, then its bitmap. The
// metafile belongs to the clipboard from then on.
bool Publish(HMETAFILE metafile, int mapMode, int extentX, int extentY, int width, int height, COLORREF background)
{
    HBITMAP bitmap = RenderBitmap(metafile, mapMode, extentX, extentY, width, height, background);
    HGLOBAL block = GlobalAlloc(GHND, sizeof(METAFILEPICT));
    if (block == nullptr)
    {
        DeleteMetaFile(metafile);
        if (bitmap)
            DeleteObject(bitmap);
        ErrHdlr(53, 0, nullptr);
        return false;
    }
    auto* picture = static_cast<METAFILEPICT*>(GlobalLock(block));
    picture->mm = mapMode;
    picture->xExt = extentX;
    picture->yExt = extentY;
    picture->hMF = metafile;
    GlobalUnlock(block);
    EmptyClipboard();
    if (SetClipboardData(CF_METAFILEPICT, block) == nullptr)
    {
        GlobalFree(block);
        DeleteMetaFile(metafile);
        if (bitmap)
            DeleteObject(bitmap);
        ErrHdlr(2, 0, nullptr);
        return false;
    }
    if (bitmap && SetClipboardData(CF_BITMAP, bitmap) == nullptr)
        DeleteObject(bitmap);
    return true;
}

bool OpenFor(HWND window)
{
    if (OpenClipboard(window))
        return true;
    ErrHdlr(2, 0, nullptr);
    return false;
}

std::string CurrentDirectory()
{
    char folder[MAX_PATH] = "";
    const DWORD n = GetCurrentDirectory(sizeof(folder), folder);
    return n > 0 && n < sizeof(folder) ? std::string(folder) : std::string(".");
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Writes the whole of `bytes` (two parts) to a new file; on failure no file is left.
bool WriteNewFile(const std::string& name, const BYTE* head, size_t headSize, const std::vector<BYTE>& body)
{
    HANDLE file = CreateFile(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        ErrHdlr(7, 2, name.c_str());
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, head, static_cast<DWORD>(headSize), &written, nullptr) && written == headSize;
    ok = ok && WriteFile(file, body.data(), static_cast<DWORD>(body.size()), &written, nullptr) &&
         written == body.size();
    ok = CloseHandle(file) && ok;
    if (!ok)
    {
        DeleteFile(name.c_str());
        ErrHdlr(24, 2, name.c_str());
    }
    return ok;
}

// Saves a recorded Windows metafile as a placeable file: the standard 22-byte header, then the
// metafile's bytes.
bool WritePlaceable(const std::string& name, HMETAFILE metafile, const PageScope& scope)
{
    const UINT size = GetMetaFileBitsEx(metafile, 0, nullptr);
    std::vector<BYTE> bits(size);
    if (size == 0 || GetMetaFileBitsEx(metafile, size, bits.data()) != size)
    {
        ErrHdlr(24, 2, name.c_str());
        return false;
    }
    const long inch = scope.deviceX > 0
                          ? static_cast<long>(scope.extentX) * Lib().dev.screenDpiX / scope.deviceX
                          : Lib().dev.screenDpiX;
    kel::PlaceableWmf box{0, 0, static_cast<SHORT>(std::clamp(scope.extentX, 0, 32767)),
                          static_cast<SHORT>(std::clamp(scope.extentY, 0, 32767)),
                          static_cast<WORD>(std::clamp<long>(inch, 1, 65535))};
    BYTE header[22];
    kel::MakePlaceableWmfHeader(box, header);
    return WriteNewFile(name, header, sizeof(header), bits);
}

// A new record for a metafile handle (which it then owns); null after message 53.
MetafileDesc* NewRecord(HANDLE metafile, bool enhanced, const BYTE* placeable, const char* caller)
{
    HGLOBAL block = GlobalAlloc(GHND, sizeof(MetafileDesc));
    if (block == nullptr)
    {
        if (enhanced)
            DeleteEnhMetaFile(static_cast<HENHMETAFILE>(metafile));
        else
            DeleteMetaFile(static_cast<HMETAFILE>(metafile));
        ErrHdlr(53, 2, caller);
        return nullptr;
    }
    auto* record = static_cast<MetafileDesc*>(GlobalLock(block));
    record->memory = block;
    record->metafile = metafile;
    record->enhanced = enhanced ? 1 : 0;
    if (placeable)
        std::memcpy(record->placeable, placeable, 22);
    Records().insert(record);
    return record;
}

bool IsRecord(const MetafileDesc* record)
{
    return record && Records().count(record) != 0;
}

// Plays a record into a rectangle of device units of `dc`; the DC's state is kept.
BOOL PlayRecord(HDC dc, const MetafileDesc* record, RECT device)
{
    const int saved = SaveDC(dc);
    BOOL result = FALSE;
    if (record->enhanced)
    {
        POINT p[2] = {{device.left, device.top}, {device.right, device.bottom}};
        DPtoLP(dc, p, 2);
        const RECT logical{p[0].x, p[0].y, p[1].x, p[1].y};
        result = PlayEnhMetaFile(dc, static_cast<HENHMETAFILE>(record->metafile), &logical);
    }
    else
    {
        SetMapMode(dc, MM_ANISOTROPIC);
        // A placeable picture's bounds are its window; a foreign file's checksum is not insisted on.
        const BYTE* h = record->placeable;
        DWORD key = 0;
        std::memcpy(&key, h, sizeof(key));
        if (key == kel::kPlaceableWmfKey)
        {
            auto word = [h](int offset) { return static_cast<SHORT>(h[offset] | h[offset + 1] << 8); };
            SetWindowOrgEx(dc, word(6), word(8), nullptr);
            SetWindowExtEx(dc, word(10) - word(6), word(12) - word(8), nullptr);
        }
        SetViewportOrgEx(dc, device.left, device.top, nullptr);
        SetViewportExtEx(dc, device.right - device.left, device.bottom - device.top, nullptr);
        result = PlayMetaFile(dc, static_cast<HMETAFILE>(record->metafile));
    }
    RestoreDC(dc, saved);
    return result;
}

// ---- METAFILE objects ----------------------------------------------------------------------------

struct MetafileObj
{
    PosObjDesc pos;
    char path[MAX_PATH];
    MetafileDesc* record;
    HANDLE metafile;
};

MetafileDesc* Duplicate(const MetafileDesc* source)
{
    HANDLE copy = source->enhanced
                      ? static_cast<HANDLE>(CopyEnhMetaFile(static_cast<HENHMETAFILE>(source->metafile), nullptr))
                      : static_cast<HANDLE>(CopyMetaFile(static_cast<HMETAFILE>(source->metafile), nullptr));
    if (copy == nullptr)
    {
        ErrHdlr(53, 2, " - WGDuplicateObject");
        return nullptr;
    }
    return NewRecord(copy, source->enhanced != 0, source->placeable, " - WGDuplicateObject");
}

void DrawMetafile(GrDesc* graph, HDC dc)
{
    auto* m = reinterpret_cast<MetafileObj*>(graph->currentObject);
    if (!IsRecord(m->record))
        return;
    if (m->pos.recompute && (m->pos.head.xAxis || m->pos.head.yAxis))
    {
        int l = 0, t = 0, r = 0, b = 0;
        WorldToLog(graph, m->pos.head.xAxis, m->pos.head.yAxis, m->pos.x1, m->pos.y1, &l, &t);
        WorldToLog(graph, m->pos.head.xAxis, m->pos.head.yAxis, m->pos.x2, m->pos.y2, &r, &b);
        m->pos.head.extent = Ordered(RECT{l, t, r, b});
    }
    m->pos.recompute = 0;
    const RECT& e = m->pos.head.extent;
    POINT p[2] = {{e.left, e.top}, {e.right, e.bottom}};
    if (!graph->metafileDc)
    {
        LPtoDP(dc, p, 2);
        PlayRecord(dc, m->record, RECT{p[0].x, p[0].y, p[1].x, p[1].y});
        return;
    }
    // Into a Windows metafile: a picture played with its own viewport would move the recording's
    // mapping, so it goes in as a bitmap of its size on the screen.
    HDC screen = GetMappedDC(graph);
    LPtoDP(screen, p, 2);
    ReleaseDC(graph->window, screen);
    const int width = std::abs(p[1].x - p[0].x), height = std::abs(p[1].y - p[0].y);
    if (width == 0 || height == 0 || width > 8192 || height > 8192)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    if (bitmap && memory && bits)
    {
        HGDIOBJ old = SelectObject(memory, bitmap);
        const RECT all{0, 0, width, height};
        FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PlayRecord(memory, m->record, all);
        GdiFlush();
        StretchDIBits(dc, e.left, e.top, e.right - e.left, e.bottom - e.top, 0, 0, width, height, bits, &info,
                      DIB_RGB_COLORS, SRCCOPY);
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (bitmap)
        DeleteObject(bitmap);
}

BOOL CopyMetafileObject(GrDesc*, const ObjDesc* source, ObjDesc* copy)
{
    auto* s = reinterpret_cast<const MetafileObj*>(source);
    auto* c = reinterpret_cast<MetafileObj*>(copy);
    c->record = nullptr;
    c->metafile = nullptr;
    if (!IsRecord(s->record))
        return TRUE;
    c->record = Duplicate(s->record);
    if (c->record == nullptr)
        return FALSE;
    c->metafile = c->record->metafile;
    return TRUE;
}

void ReleaseMetafileObject(GrDesc*, ObjDesc* object)
{
    auto* m = reinterpret_cast<MetafileObj*>(object);
    WGDeleteMetafile(m->record);
    m->record = nullptr;
    m->metafile = nullptr;
}

void RecomputeMetafileObject(GrDesc*, ObjDesc* object)
{
    reinterpret_cast<PosObjDesc*>(object)->recompute = 1;
}

const bool registered = [] {
    PlotObjectType t{};
    t.type = PK_TYPE_METAFILE;
    t.size = sizeof(MetafileObj);
    t.draw = DrawMetafile;
    t.hitPass = 3;
    t.copy = CopyMetafileObject;
    t.release = ReleaseMetafileObject;
    t.recompute = RecomputeMetafileObject;
    RegisterOwnObjectType(t);
    return true;
}();

int MakeMetafileObject(GrDesc* graph, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                       const char* path, bool world)
{
    if (!CheckGraph(graph))
        return 0;
    if (!graph->building)
        return ++graph->cursor;
    MetafileDesc* record = WGGetMetafile(path);
    if (record == nullptr)
        return 0;
    const std::string name = path;
    auto* m = reinterpret_cast<MetafileObj*>(NewObjDesc(graph, PK_TYPE_METAFILE, 0));
    if (m == nullptr)
    {
        WGDeleteMetafile(record);
        return 0;
    }
    m->record = record;
    m->metafile = record->metafile;
    std::memcpy(m->path, name.c_str(), std::min(name.size() + 1, sizeof(m->path)));
    m->path[sizeof(m->path) - 1] = '\0';
    if (world)
    {
        if (!SetObjCoords(graph, &m->pos.head, xAxis, yAxis, x1, y1, x2, y2))
        {
            // Leave no record behind in the table.
            HGLOBAL& entry = graph->objects[graph->cursor];
            ReleaseMetafileObject(graph, &m->pos.head);
            GlobalFree(entry);
            entry = nullptr;
            graph->currentObject = nullptr;
            return 0;
        }
    }
    else
    {
        const POINT a{static_cast<LONG>(x1 * graph->logWidth + 0.5f), static_cast<LONG>(y1 * graph->logHeight + 0.5f)};
        const POINT b{static_cast<LONG>(x2 * graph->logWidth + 0.5f), static_cast<LONG>(y2 * graph->logHeight + 0.5f)};
        m->pos.head.extent = Ordered(RECT{a.x, a.y, b.x, b.y});
    }
    return CommitObjDesc(graph);
}

} // namespace

bool EnhancedMetafiles()
{
    return Lib().windowsClass != 1;
}

bool IsPageBusy(const PgDesc* page)
{
    return BusyPages().count(page) != 0;
}

} // namespace plotkit

using namespace plotkit;

BOOL WINAPI WGCopyGraph(GrDesc* graph)
{
    if (!CheckGraph(graph))
        return FALSE;
    if (!OpenFor(graph->window))
        return FALSE;
    CopyFlag copying(graph->page->top);
    HDC dc = CreateMetaFile(nullptr);
    if (dc == nullptr)
    {
        CloseClipboard();
        ErrHdlr(53, 0, nullptr);
        return FALSE;
    }
    SetWindowExtEx(dc, graph->logWidth, graph->logHeight, nullptr);
    RecordGraph(graph, dc);
    HMETAFILE metafile = CloseMetaFile(dc);
    if (metafile == nullptr)
        ErrHdlr(53, 2, " - WGCopyGraph");
    const int mapMode = graph->mapMode ? graph->mapMode : PageMapMode(graph->page);
    const bool ok = metafile && Publish(metafile, mapMode, graph->logWidth, graph->logHeight, graph->devWidth,
                                        graph->devHeight, graph->background);
    CloseClipboard();
    return ok ? TRUE : FALSE;
}

BOOL WINAPI WGCopyPage(PgDesc* page)
{
    if (!IsLivePage(page))
        return FALSE;
    BusyPage busy(page);
    if (page->blownUp)
        if (GrDesc* graph = SelectedGraph(page))
            return WGCopyGraph(graph);
    if (!OpenFor(page->window))
        return FALSE;
    CopyFlag copying(page->top);
    HDC dc = CreateMetaFile(nullptr);
    if (dc == nullptr)
    {
        CloseClipboard();
        ErrHdlr(53, 0, nullptr);
        return FALSE;
    }
    SetWindowExtEx(dc, page->extentX, page->extentY, nullptr);
    for (int slot = PK_GRAPHS_PER_PAGE - 1; slot >= 0; --slot)
        if (GrDesc* graph = GetGrDescNum(page, slot); graph && !graph->building)
        {
            SetWindowOrgEx(dc, -graph->logX, -graph->logY, nullptr);
            RecordGraph(graph, dc);
        }
    SetWindowOrgEx(dc, 0, 0, nullptr);
    HMETAFILE metafile = CloseMetaFile(dc);
    if (metafile == nullptr)
        ErrHdlr(53, 2, " - WGCopyPage");
    const bool ok = metafile && Publish(metafile, PageMapMode(page), page->extentX, page->extentY,
                                        page->clientWidth, page->clientHeight, page->background);
    CloseClipboard();
    return ok ? TRUE : FALSE;
}

BOOL WINAPI WGSavePageMeta(PgDesc* page, int kind, const char* path)
{
    if (!IsLivePage(page))
        return FALSE;
    const bool enhancedOk = EnhancedMetafiles();
    if (kind != 0 && (kind != 2 || !enhancedOk))
        kind = 1;
    auto extension = [&kind] { return kind == 2 ? ".EMF" : ".WMF"; };
    std::string name;
    if (path && *path)
    {
        name = path;
        if (!NameHasDot(name))
            name += extension();
    }
    else
    {
        std::string pageName(page->name, strnlen(page->name, 8));
        if (!NameHasDot(pageName))
            pageName += extension();
        kel::PromptRequest request;
        request.kind = kel::PromptKind::FileSave;
        request.owner = page->window;
        request.text = "Save As Metafile";
        request.caption = "Save As Metafile";
        request.filter = LoadText(enhancedOk ? kFilterEnhanced : kFilterWindows);
        request.fileName = pageName;
        request.initialDir = CurrentDirectory();
        request.flags = kel::kPromptOverwritePrompt | kel::kPromptPathMustExist;
        const kel::PromptReply reply = kel::Prompt(request);
        if (reply.result != IDOK || reply.paths.empty() || reply.paths.front().empty())
            return FALSE;
        name = reply.paths.front();
        // File names keep their case here; the kind follows the chosen extension.
        if (enhancedOk && Upper(name).find(".EMF") != std::string::npos)
            kind = 2;
        else if (kind != 0)
            kind = 1;
        if (!NameHasDot(name))
            name += extension();
    }
    if (name.size() >= MAX_PATH)
    {
        ErrHdlr(25, 2, name.c_str());
        return FALSE;
    }

    BusyPage busy(page);
    const PageScope scope = ScopeOf(page);
    if (kind == 2)
    {
        HENHMETAFILE metafile = RecordPageEmf(page, scope);
        if (metafile == nullptr)
        {
            ErrHdlr(53, 2, " - WGSavePageMeta");
            return FALSE;
        }
        HENHMETAFILE written = CopyEnhMetaFile(metafile, name.c_str());
        DeleteEnhMetaFile(metafile);
        if (written == nullptr)
        {
            DeleteFile(name.c_str());
            ErrHdlr(24, 2, name.c_str());
            return FALSE;
        }
        DeleteEnhMetaFile(written);
        return TRUE;
    }
    HMETAFILE metafile = RecordPageWmf(page, scope);
    if (metafile == nullptr)
    {
        ErrHdlr(53, 2, " - WGSavePageMeta");
        return FALSE;
    }
    bool ok = false;
    if (kind == 1)
        ok = WritePlaceable(name, metafile, scope);
    else if (HMETAFILE written = CopyMetaFile(metafile, name.c_str()))
    {
        DeleteMetaFile(written);
        ok = true;
    }
    else
    {
        DeleteFile(name.c_str());
        ErrHdlr(24, 2, name.c_str());
    }
    DeleteMetaFile(metafile);
    return ok ? TRUE : FALSE;
}

MetafileDesc* WINAPI WGConvertPageToMeta(PgDesc* page)
{
    if (!IsLivePage(page))
        return nullptr;
    BusyPage busy(page);
    const PageScope scope = ScopeOf(page);
    const bool enhanced = EnhancedMetafiles();
    HANDLE metafile = enhanced ? static_cast<HANDLE>(RecordPageEmf(page, scope))
                               : static_cast<HANDLE>(RecordPageWmf(page, scope));
    if (metafile == nullptr)
    {
        ErrHdlr(53, 2, " - WGConvertPageToMeta");
        return nullptr;
    }
    return NewRecord(metafile, enhanced, nullptr, " - WGConvertPageToMeta");
}

MetafileDesc* WINAPI WGGetMetafile(const char* path)
{
    std::string name = path ? path : "";
    if (name.empty())
    {
        ErrHdlr(7, 2, "");
        return nullptr;
    }
    if (!NameHasDot(name))
        name += EnhancedMetafiles() ? ".EMF" : ".WMF";
    if (name.size() >= MAX_PATH)
    {
        ErrHdlr(25, 2, name.c_str());
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    int error = 0;
    if (!ReadPictureFile(name.c_str(), bytes, error))
    {
        if (error == 26)
            ErrHdlr(53, 2, " - WGGetMetafile");
        else
            ErrHdlr(error, 2, name.c_str());
        return nullptr;
    }
    MetafileFile file;
    if (const int result = ParseMetafileFile(bytes.data(), bytes.size(), file); result != 0)
    {
        ErrHdlr(result, 2, name.c_str());
        return nullptr;
    }
    const bool enhanced = file.kind == MetafileKind::Enhanced;
    if (enhanced && !EnhancedMetafiles())
    {
        ErrHdlr(9, 2, name.c_str());
        return nullptr;
    }
    HANDLE metafile = enhanced ? static_cast<HANDLE>(SetEnhMetaFileBits(static_cast<UINT>(file.bits.size()),
                                                                        file.bits.data()))
                               : static_cast<HANDLE>(SetMetaFileBitsEx(static_cast<UINT>(file.bits.size()),
                                                                       file.bits.data()));
    if (metafile == nullptr)
    {
        ErrHdlr(9, 2, name.c_str());
        return nullptr;
    }
    return NewRecord(metafile, enhanced, file.kind == MetafileKind::Placeable ? file.header : nullptr,
                     " - WGGetMetafile");
}

void WINAPI WGDeleteMetafile(MetafileDesc* record)
{
    if (!IsRecord(record))
        return;
    Records().erase(record);
    if (record->enhanced)
        DeleteEnhMetaFile(static_cast<HENHMETAFILE>(record->metafile));
    else
        DeleteMetaFile(static_cast<HMETAFILE>(record->metafile));
    HGLOBAL block = record->memory;
    GlobalUnlock(block);
    GlobalFree(block);
}

BOOL WINAPI WGPlayMetafile(HWND window, MetafileDesc* record, int left, int top, int right, int bottom)
{
    if (!IsRecord(record) || !IsWindow(window))
        return FALSE;
    RECT r{left, top, right, bottom};
    if (left == right || top == bottom)
        GetClientRect(window, &r);
    HDC dc = GetDC(window);
    const BOOL result = PlayRecord(dc, record, r);
    ReleaseDC(window, dc);
    return result;
}

int WINAPI WGMetafileNorm(GrDesc* graph, HDC, float x1, float y1, float x2, float y2, const char* path)
{
    return MakeMetafileObject(graph, 0, 0, x1, y1, x2, y2, path, false);
}

int WINAPI WGMetafile(GrDesc* graph, HDC, int xAxis, int yAxis, float x1, float y1, float x2, float y2,
                      const char* path)
{
    return MakeMetafileObject(graph, xAxis, yAxis, x1, y1, x2, y2, path, true);
}
