#include "displays/Display.h"

#include "dialogs/ChartDlgSupport.h"
#include "dialogs/LineParametersDlg.h"

#include "displays/DisplaySupport.h"
#include "displays/GraphBuilder.h"
#include "displays/ChartHost.h"
#include "displays/LayoutFile.h"
#include "doc/KelDoc.h"
#include "settings/AppSettings.h"

#include <afxdlgs.h>
#include <afxwin.h>
#include <plotkit.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

int32_t CDisplay::s_bCursorShownGlobal = 1;
int32_t CDisplay::s_bPlacementZoomed = 0;
int32_t CDisplay::s_bPlacementValid = 0;
RECT CDisplay::s_placementRect = {0, 0, 0, 0};

namespace
{
// The MDI child frame that holds the active view, or null.
CFrameWnd* ActiveChildFrame()
{
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || !main->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
        return nullptr;
    CFrameWnd* child = static_cast<CFrameWnd*>(main)->GetActiveFrame();
    if (child == nullptr || child == main)
        return nullptr;
    return child;
}

CView* ActiveView()
{
    CFrameWnd* child = ActiveChildFrame();
    return child != nullptr ? child->GetActiveView() : nullptr;
}
} // namespace

CDisplay::CDisplay()
{
    s_bCursorShownGlobal = 1;
}

void CDisplay::DeleteOwned()
{
    delete m_pLayoutItems;
    delete m_pLegendLayout;
}

void CDisplay::SerializeBase(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pTopDisplay);
        ar.WriteObject(m_pBottomDisplay);
        ar << static_cast<LONG>(m_nPageWidth) << static_cast<LONG>(m_nPageHeight)
           << static_cast<LONG>(m_nPosition) << static_cast<LONG>(m_bHasData);
        return;
    }
    // Only the split display has panes: two different displays, neither the split display itself
    // nor a split display in turn. Anything else is a damaged file; what the read made goes with the
    // refusal. (A pane may be a display read before, the library's: the document checks that one.)
    // A refused pane goes with the settings its own read made (nothing read before owns those).
    struct Panes
    {
        CArchive& ar;
        DWORD mark;
        CObject* read[2] = {nullptr, nullptr};
        bool created[2] = {false, false};
        ~Panes()
        {
            CObject* settings[2] = {nullptr, nullptr};
            for (int i = 0; i < 2; ++i)
            {
                if (!created[i])
                    continue;
                CObject* own = static_cast<CDisplay*>(read[i])->m_pSettings;
                if (own != nullptr && own != settings[0] && ar.IsLoadedSince(own, mark))
                    settings[i] = own;
                delete read[i];
            }
            for (CObject* own : settings)
                if (own != nullptr)
                    ar.DeleteLoadedObject(own);
        }
    } panes{ar, ar.GetLoadMark()};
    for (int i = 0; i < 2; ++i)
    {
        BOOL created = FALSE;
        panes.read[i] = ar.ReadObject(RUNTIME_CLASS(CDisplay), &created);
        panes.created[i] = created != FALSE;
        if (panes.read[i] == nullptr)
            continue;
        const bool pane = m_nKind == 7 && panes.read[i] != this &&
                          (i == 0 || panes.read[1] != panes.read[0]) &&
                          static_cast<CDisplay*>(panes.read[i])->GetKind() != 7;
        if (!pane)
        {
            if (!created)
                panes.read[i] = nullptr;
            AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
        }
    }
    LONG width = 0, height = 0, position = 0, hasData = 0;
    ar >> width >> height >> position >> hasData;
    delete m_pTopDisplay;
    delete m_pBottomDisplay;
    m_pTopDisplay = static_cast<CDisplay*>(panes.read[0]);
    m_pBottomDisplay = static_cast<CDisplay*>(panes.read[1]);
    panes.created[0] = panes.created[1] = false;
    m_nPageWidth = width;
    m_nPageHeight = height;
    m_nPosition = position >= 0 && position <= 2 ? position : 0;
    m_bHasData = hasData != 0 ? 1 : 0;
}

CKelDoc* CDisplay::GetDocument() const
{
    return m_pDocument != nullptr ? m_pDocument : GetActiveKelDoc();
}

int CDisplay::BaseResizePage(int width, int height)
{
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return 0;
    HWND window = WGGetPageWindow(m_pPage);
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    switch (m_nPosition)
    {
    case 0:
        return ::SetWindowPos(window, NULL, 0, 0, width, height, keep | SWP_NOMOVE);
    case 1:
        return ::SetWindowPos(window, NULL, 0, 0, width, height / 2, keep | SWP_NOMOVE);
    case 2:
        return ::SetWindowPos(window, NULL, 0, height / 2, width, height / 2, keep);
    default:
        return 0;
    }
}

int CDisplay::BasePrintPage()
{
    return m_pPage != nullptr && WGIsDescValid(m_pPage) ? WGPrintPage(m_pPage) : 0;
}

int CDisplay::BasePrinterSetup()
{
    return WGPrinterSetup(NULL);
}

int CDisplay::BasePrintOptions()
{
    return WGPrintOptionsDlg();
}

int CDisplay::BaseCopyPage()
{
    return m_pPage != nullptr && WGIsDescValid(m_pPage) ? WGCopyPage(m_pPage) : 0;
}

int CDisplay::BaseSavePageMetafile()
{
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return 0;
    const int saved = WGSavePageMeta(m_pPage, 1, nullptr);
    if (saved == 0)
        AfxMessageBox("A metafile was not saved.", MB_ICONSTOP);
    return saved;
}

BOOL CDisplay::BaseRebuild()
{
    SavePlacement();
    ClosePage();
    const int built = BuildPage();
    RestorePlacement();
    return built;
}

int CDisplay::BaseShow(int show)
{
    if (m_bUnitsPending)
    {
        OnUnitsChanged(1);
        m_bUnitsPending = 0;
    }
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return 0;
    return ::ShowWindow(WGGetPageWindow(m_pPage), show == 1 ? SW_SHOW : SW_HIDE);
}

int CDisplay::BaseShowPageWindow()
{
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return 0;
    return ::ShowWindow(WGGetPageWindow(m_pPage), SW_MAXIMIZE);
}

int CDisplay::BaseSavePlacement()
{
    if (m_nPosition == 2)
        return 0;
    CFrameWnd* frame = ActiveChildFrame();
    if (frame == nullptr)
        return 0;
    s_bPlacementZoomed = frame->IsZoomed() ? 1 : 0;
    if (!s_bPlacementZoomed)
    {
        RECT rect;
        frame->GetWindowRect(&rect);
        if (CWnd* parent = frame->GetParent())
            parent->ScreenToClient(&rect);
        s_placementRect = rect;
    }
    frame->SendMessage(WM_SETREDRAW, FALSE, 0);
    s_bPlacementValid = 1;
    return 1;
}

int CDisplay::BaseRestorePlacement()
{
    if (!s_bPlacementValid)
        return Redraw();
    CFrameWnd* frame = ActiveChildFrame();
    if (frame == nullptr)
        return Redraw();
    // Redrawing was turned off by SavePlacement: it comes back on in every branch.
    frame->SendMessage(WM_SETREDRAW, TRUE, 0);
    if (s_bPlacementZoomed)
    {
        if (CView* view = frame->GetActiveView())
            view->ShowWindow(SW_MAXIMIZE);
        if (CKelDoc* doc = GetDocument(); doc != nullptr && doc->GetCurrentDisplay() != nullptr)
            doc->GetCurrentDisplay()->ShowPageWindow();
        frame->ShowWindow(SW_MAXIMIZE);
        frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
        return 1;
    }
    const RECT& r = s_placementRect;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    RECT window, client;
    frame->GetWindowRect(&window);
    frame->GetClientRect(&client);
    const int nonClient = (window.bottom - window.top) - (client.bottom - client.top);
    frame->SetWindowPos(nullptr, r.left, r.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ResizePage(width, height - nonClient);
    frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
    return Redraw();
}

int CDisplay::BaseInvalidatePage()
{
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage))
        return 0;
    HWND window = WGGetPageWindow(m_pPage);
    ::InvalidateRect(window, nullptr, TRUE);
    return ::PostMessage(window, WM_PAINT, 0, 0);
}

int CDisplay::BaseOnChartKeyDown(int key, int /*repeatAndFlags*/, int /*scanCode*/)
{
    if (!m_bCursorShown)
        return 0;
    const int step = key == VK_RIGHT ? 1 : key == VK_LEFT ? -1 : 0;
    return TrackMouseCursor(m_pGraph, 0, step);
}

int CDisplay::BaseClosePage()
{
    delete m_pLayoutItems;
    m_pLayoutItems = nullptr;
    delete m_pLegendLayout;
    m_pLegendLayout = nullptr;
    if (m_pPage == nullptr || !WGIsDescValid(m_pPage))
    {
        m_pPage = nullptr;
        return 0;
    }
    WGClosePage(m_pPage);
    m_pPage = nullptr;
    m_pGraph = nullptr;
    return 1;
}

void CDisplay::MakePageName()
{
    const CKelDoc* doc = GetDocument();
    const int n = doc != nullptr ? doc->GetDocumentNumber() : 0;
    const char* word = m_nPosition == 1 ? "TpPge" : m_nPosition == 2 ? "BtmPge" : "FulPge";
    std::snprintf(m_szPageName, sizeof m_szPageName, "%s%d", word, n);
}

void CDisplay::PlaceChildFrame(int useSavedRectangle)
{
    if (m_nPosition == 2)
        return;
    CFrameWnd* frame = ActiveChildFrame();
    if (frame == nullptr)
        return;
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!useSavedRectangle)
    {
        RECT client;
        frame->GetClientRect(&client);
        frame->SetWindowPos(nullptr, 0, 0, client.right - client.left, client.bottom - client.top, keep);
        return;
    }
    SetDefaultPageSize();
    const CAppSettings* settings = CAppSettings::GetInstance();
    const int top = settings->m_graphTop, bottom = settings->m_graphBottom;
    const int left = settings->m_graphLeft, right = settings->m_graphRight;
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const bool usable = !(top < 0 && bottom < 0) && top <= screenHeight - 5 && !(left < 0 && right < 0) &&
                        right <= screenWidth - 5;
    if (usable && bottom - top > screenHeight / 12 && right - left > screenWidth / 12)
        frame->SetWindowPos(nullptr, left, top, right - left, bottom - top, keep);
    else
        frame->SetWindowPos(nullptr, 0, 0, m_nPageWidth, m_nPageHeight, keep);
}

int CDisplay::MeasureText(LPCTSTR text, int colorIndex, LPCTSTR face, int points, int flags, float* width,
                          float* height)
{
    WGSetTextByName(colorIndex, face, points, flags);
    if (m_pGraph == nullptr || text == nullptr)
        return 0;
    HDC dc = ::GetDC(NULL);
    WGGetTextSizeNorm(m_pGraph, dc, TRUE, text, static_cast<int>(std::strlen(text)), width, height);
    ::ReleaseDC(NULL, dc);
    return 1;
}

void CDisplay::HideIndicatorA(int /*state*/)
{
    if ((m_nKind == 4 || m_nKind == 3) && m_pGraph != nullptr)
        WGShowObject(m_pGraph, m_nIndicatorA, FALSE);
}

void CDisplay::HideIndicatorB(int /*state*/)
{
    if ((m_nKind == 4 || m_nKind == 3) && m_pGraph != nullptr)
        WGShowObject(m_pGraph, m_nIndicatorB, FALSE);
}

void MarkActiveDocumentModified()
{
    if (CKelDoc* doc = GetActiveKelDoc())
        doc->SetModifiedFlag(TRUE);
}

void GetDocumentCursorStyle(int* colour, int* width, int* style)
{
    const CKelDoc* doc = GetActiveKelDoc();
    if (colour != nullptr)
        *colour = doc != nullptr ? doc->m_nCursorColor : 0;
    if (width != nullptr)
        *width = doc != nullptr ? doc->m_nCursorWidth : 0;
    if (style != nullptr)
        *style = doc != nullptr ? doc->m_nCursorType : 0;
}

void PostAveragingReset()
{
    if (CView* view = ActiveView())
        view->PostMessage(WM_USER + 201, 0, 0);
}

void CDisplay::DefaultPageSize(int screenWidth, int32_t& width, int32_t& height)
{
    switch (screenWidth)
    {
    case 640:
        width = 640;
        height = 397;
        break;
    case 1024:
        width = 1024;
        height = 685;
        break;
    case 1280:
        width = 1280;
        height = 940;
        break;
    default:
        width = 800;
        height = 517;
        break;
    }
}

void CDisplay::SetDefaultPageSize()
{
    DefaultPageSize(::GetSystemMetrics(SM_CXSCREEN), m_nPageWidth, m_nPageHeight);
}

int CDisplay::RoundAxisRange(float min, float max, float* lower, float* upper, int lowestExponent)
{
    if (!(max > 0.0f))
        return 0;
    const int hi = static_cast<int>(std::ceil(std::log10(max)));
    int lo = min > 0.0f ? static_cast<int>(std::floor(std::log10(min))) : hi - 6;
    if (lo < lowestExponent)
        lo = lowestExponent;
    *lower = static_cast<float>(std::pow(10.0, lo));
    *upper = static_cast<float>(std::pow(10.0, hi));
    return 1;
}

void FormatAlarmValue(char* out, size_t size, float value)
{
    if (size == 0)
        return;
    char text[64];
    if (value == 0.0f)
        std::snprintf(text, sizeof text, "---");
    else if (value > 1.0f && value <= 10.0f)
        std::snprintf(text, sizeof text, "%1.1f", static_cast<double>(value));
    else if (value > 10.0f && value <= 1000.0f)
        std::snprintf(text, sizeof text, "%4.0f", static_cast<double>(value));
    else
    {
        char raw[64];
        std::snprintf(raw, sizeof raw, "%1.1E", static_cast<double>(value));
        // Mantissa, 'E', the sign, then the exponent digits without leading zeros (one kept).
        size_t n = 0;
        const char* p = raw;
        while (*p != '\0' && *p != 'E' && n < 20)
            text[n++] = *p++;
        if (*p == 'E')
        {
            text[n++] = *p++;
            if (*p == '+' || *p == '-')
                text[n++] = *p++;
            while (*p == '0' && p[1] >= '0' && p[1] <= '9')
                ++p;
            while (*p != '\0' && n < 40)
                text[n++] = *p++;
        }
        text[n] = '\0';
    }
    size_t len = std::strlen(text);
    while (len < 8)
        text[len++] = ' ';
    text[len] = '\0';
    std::snprintf(out, size, "%s", text);
}

void FormatShortValue(char* out, size_t size, float value)
{
    if (size == 0)
        return;
    char raw[64];
    std::snprintf(raw, sizeof raw, "% 1.1E", static_cast<double>(value));
    const size_t len = std::strlen(raw);
    if (std::strchr(raw, 'E') == nullptr || len < 8)
    {
        std::snprintf(out, size, "%s", raw);
        return;
    }
    std::snprintf(out, size, "%.6s%s", raw, raw + len - 2);
}

void ApplyLineAttributes(GrDesc* graph, int object, const LineAttributes& line)
{
    WGChangeLineStyle(graph, object, line.nStyle, 0);
    WGChangeLineColor(graph, object, line.nColour, 0);
    WGChangeLineWidth(graph, object, line.nWidth, 0);
}

void ApplyChartFont(GrDesc* graph, int object, const ChartFont& font, int size)
{
    WGChangeFont(graph, object, font.strFaceName.IsEmpty() ? nullptr : static_cast<LPCTSTR>(font.strFaceName),
                 size, 0, font.bBold ? 700 : 400, font.bItalic, font.bUnderline);
    WGChangeTextColor(graph, object, font.nColourIndex);
}

CView* FindDisplayView(CKelDoc* document)
{
    if (document != nullptr)
    {
        POSITION pos = document->GetFirstViewPosition();
        return pos != nullptr ? document->GetNextView(pos) : nullptr;
    }
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || !main->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
        return nullptr;
    CFrameWnd* child = static_cast<CFrameWnd*>(main)->GetActiveFrame();
    return child != nullptr ? child->GetActiveView() : nullptr;
}

BOOL CDisplay::PickBackground(int32_t& colour, BOOL plotArea)
{
    CColorDialog dialog(static_cast<COLORREF>(colour));
    if (dialog.DoModal() != IDOK)
        return FALSE;
    MarkActiveDocumentModified();
    colour = static_cast<int32_t>(dialog.GetColor());
    if (m_pGraph != nullptr)
    {
        if (plotArea)
            WGChangePlotBackgnd(m_pGraph, dialog.GetColor());
        else
            WGChangeGraphBackgnd(m_pGraph, dialog.GetColor());
    }
    return TRUE;
}

bool CDisplay::OnPageThread() const
{
    return m_pPage == nullptr || GetWindowThreadProcessId(m_pPage->window, nullptr) == GetCurrentThreadId();
}

void CDisplay::SetLogStatusText(int object, int mode, int n, int limit)
{
    if (m_pGraph == nullptr)
        return;
    char text[64];
    if (mode == 1)
        std::snprintf(text, sizeof text, "<LIN> %d/%d", n, limit);
    else if (mode == 2)
        std::snprintf(text, sizeof text, "<EXP> %d", n);
    else
        std::snprintf(text, sizeof text, "%21s", "");
    WGChangeString(m_pGraph, object, text, 0);
    WGRedrawObject(m_pGraph, object, FALSE);
}

void CDisplay::SetLogProgressText(int object, int every, int n, int maximum, int on)
{
    if (m_pGraph == nullptr)
        return;
    if (!on)
    {
        WGShowObject(m_pGraph, object, FALSE);
        return;
    }
    char text[64];
    if (every == 1)
        std::snprintf(text, sizeof text, "Log every scan %d/%d", n, maximum);
    else
        std::snprintf(text, sizeof text, "Log every %d scan %d/%d", every, n, maximum);
    WGChangeString(m_pGraph, object, text, 0);
    WGRedrawObject(m_pGraph, object, FALSE);
    WGShowObject(m_pGraph, object, TRUE);
}

void CDisplay::ApplyCursorStyle(int cursor)
{
    if (m_pGraph == nullptr)
        return;
    int colour = 0, width = 0, style = 0;
    GetDocumentCursorStyle(&colour, &width, &style);
    WGChangeLineStyle(m_pGraph, cursor, style, 0);
    WGChangeLineColor(m_pGraph, cursor, colour, 0);
    WGChangeLineWidth(m_pGraph, cursor, width, 0);
}

void CDisplay::BeginZoomBox(HWND graphWindow, int x, int y, int xAxis, int yAxis)
{
    m_nZoomX = x;
    m_nZoomY = y;
    if (m_pGraph == nullptr)
        return;
    WGStartZoom(graphWindow, xAxis, yAxis, 0x204, FALSE);
    m_hSavedCursor = SetCursor(LoadCursor(NULL, IDC_CROSS));
}

BOOL CDisplay::EndZoomBox(float* x1, float* y1, float* x2, float* y2)
{
    if (m_hSavedCursor != NULL)
        SetCursor(m_hSavedCursor);
    if (m_pGraph == nullptr || !WGGetZoom(x1, y1, x2, y2))
        return FALSE;
    if (*x1 > *x2)
        std::swap(*x1, *x2);
    if (*y1 > *y2)
        std::swap(*y1, *y2);
    return TRUE;
}

BOOL CDisplay::OpenGraphPage(CView* view, CSingleGraphBuilder& builder, DWORD clipStyle)
{
    if (!OpenPage(view, builder, clipStyle))
        return FALSE;
    m_pGraph = builder.m_pGraph;
    return m_pGraph != nullptr ? TRUE : FALSE;
}

BOOL CDisplay::OpenPage(CView* view, CGraphBuilder& builder, DWORD clipStyle, int pageBackground)
{
    CKelDoc* doc = GetDocument();
    const int fromDefaults = doc != nullptr ? doc->m_bPlaceFromDefaults : 0;
    if (doc != nullptr)
        doc->m_bPlaceFromDefaults = 0;
    PlaceChildFrame(fromDefaults);
    m_pPage = ChartHostInit(m_szPageName, view->GetSafeHwnd(), AfxGetInstanceHandle(), m_szPageName,
                            reinterpret_cast<LPARAM>(&builder), nullptr, pageBackground, 8,
                            WS_CHILD | WS_VISIBLE | clipStyle, 0, 0, 0, 0, 0);
    if (m_pPage == nullptr)
        return FALSE;
    RECT client{};
    view->GetClientRect(&client);
    ResizePage(client.right - client.left, client.bottom - client.top);
    return TRUE;
}
