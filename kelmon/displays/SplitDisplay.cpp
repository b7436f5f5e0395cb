#include "displays/SplitDisplay.h"

#include "displays/AnalogDisplay.h"
#include "displays/BarDisplay.h"
#include "displays/LibDisplay.h"
#include "displays/PvsTDisplay.h"
#include "doc/AnalogData.h"
#include "scans/Table.h"

#include <afxwin.h>
#include <plotkit.h>
#include <windows.h>

#include <new>

IMPLEMENT_SERIAL(CSplitDisplay, CDisplay, 1)

namespace
{
// Display kind codes of the panes.
constexpr int kAnalogKind = 1;
constexpr int kTableKind = 3;
constexpr int kPvsTKind = 4;
constexpr int kBarKind = 5;
constexpr int kLibraryKind = 8;
constexpr int kSplitKind = 7;
} // namespace

CSplitDisplay::CSplitDisplay()
{
    m_nKind = kSplitKind;
}

CSplitDisplay::CSplitDisplay(CObject* settings[2], const int32_t codes[2], CKelDoc* document)
{
    m_nKind = kSplitKind;
    m_pDocument = document;
    m_paneCodes[0] = codes[0];
    m_paneCodes[1] = codes[1];
    m_pTopDisplay = MakePane(codes[0], settings[0], 1, document);
    m_pBottomDisplay = MakePane(codes[1], settings[1], 2, document);
}

CSplitDisplay::~CSplitDisplay()
{
    delete m_pTopDisplay;
    m_pTopDisplay = nullptr;
    delete m_pBottomDisplay;
    m_pBottomDisplay = nullptr;
}

CDisplay* CSplitDisplay::MakePane(int32_t code, CObject* settings, int position, CKelDoc* document)
{
    auto* record = dynamic_cast<CAnalogData*>(settings);
    auto* table = dynamic_cast<CTable*>(settings);
    switch (code)
    {
    case kPaneAnalog:
        return record != nullptr ? new (std::nothrow) CAnalogDisplay(record, position, document) : nullptr;
    case kPaneHistogram:
        return record != nullptr ? new (std::nothrow) CBarDisplay(record, position, document) : nullptr;
    case kPaneTable:
        // The table display's pane goes here (the table on position); until then the pane stays
        // empty and the split shows its other pane alone.
        return nullptr;
    case kPanePvsT:
        return table != nullptr ? new (std::nothrow) CPvsTDisplay(table, position, document) : nullptr;
    case kPaneLibrary:
        return record != nullptr ? new (std::nothrow) CLibDisplay(record, position, document) : nullptr;
    default:
        return nullptr;
    }
}

int32_t CSplitDisplay::PaneCodeOfKind(int kind)
{
    switch (kind)
    {
    case kAnalogKind:
        return kPaneAnalog;
    case kBarKind:
        return kPaneHistogram;
    case kTableKind:
        return kPaneTable;
    case kPvsTKind:
        return kPanePvsT;
    case kLibraryKind:
        return kPaneLibrary;
    default:
        return kNoPane;
    }
}

void CSplitDisplay::Serialize(CArchive& ar)
{
    CDisplay::Serialize(ar);
    if (ar.IsLoading())
    {
        m_paneCodes[0] = m_pTopDisplay != nullptr ? PaneCodeOfKind(m_pTopDisplay->GetKind()) : kNoPane;
        m_paneCodes[1] = m_pBottomDisplay != nullptr ? PaneCodeOfKind(m_pBottomDisplay->GetKind()) : kNoPane;
        m_nCopyPane = 0;
        m_nZoomPane = -1;
    }
}

CDisplay* CSplitDisplay::GetPane(int index) const
{
    return index == 0 ? m_pTopDisplay : index == 1 ? m_pBottomDisplay : nullptr;
}

int CSplitDisplay::GetPaneCode(int pane)
{
    return pane == 0 || pane == 1 ? m_paneCodes[pane] : kNoPane;
}

template <class Op> void CSplitDisplay::Both(Op op)
{
    if (m_pTopDisplay != nullptr)
        op(m_pTopDisplay);
    if (m_pBottomDisplay != nullptr)
        op(m_pBottomDisplay);
}

template <class Op> int CSplitDisplay::FirstThatTakes(Op op)
{
    if (m_pTopDisplay != nullptr && op(m_pTopDisplay) != 0)
        return 1;
    if (m_pBottomDisplay != nullptr && op(m_pBottomDisplay) != 0)
        return 1;
    return 0;
}

CDisplay* CSplitDisplay::PvsTPane() const
{
    if (m_pTopDisplay != nullptr && m_pTopDisplay->GetKind() == kPvsTKind)
        return m_pTopDisplay;
    if (m_pBottomDisplay != nullptr && m_pBottomDisplay->GetKind() == kPvsTKind)
        return m_pBottomDisplay;
    return nullptr;
}

// ---- Data: the scans feed their own pane, never the split display

int CSplitDisplay::RefreshReadout()
{
    Both([](CDisplay* d) { d->RefreshReadout(); });
    return 1;
}

void CSplitDisplay::UpdateData(void* /*record*/, int /*arg*/) {}

int CSplitDisplay::ReadData(float* /*values*/, int /*capacity*/)
{
    // The split holds no values of its own; its panes are read directly.
    return 0;
}

int CSplitDisplay::OnUnitsChanged(int flag)
{
    Both([&](CDisplay* d) { d->OnUnitsChanged(flag); });
    return 1;
}

// ---- Page

int CSplitDisplay::ResizePage(int width, int height)
{
    int result = 0;
    Both([&](CDisplay* d) { result = d->ResizePage(width, height); });
    return result;
}

int CSplitDisplay::PrintPage()
{
    int result = 0;
    if (m_pTopDisplay != nullptr)
        result = m_pTopDisplay->PrintPage();
    if (m_pBottomDisplay != nullptr)
        result = m_pBottomDisplay->PrintPage();
    return result;
}

int CSplitDisplay::PrinterSetup()
{
    return BasePrinterSetup();
}

int CSplitDisplay::PrintOptions()
{
    return BasePrintOptions();
}

int CSplitDisplay::CopyPage()
{
    CDisplay* pane = GetPane(m_nCopyPane);
    m_nCopyPane = m_nCopyPane == 0 ? 1 : 0;
    return pane != nullptr ? pane->CopyPage() : 0;
}

int CSplitDisplay::SavePageMetafile()
{
    int result = 0;
    Both([&](CDisplay* d) { result = d->SavePageMetafile(); });
    return result;
}

// ---- Scale, zoom and data

BOOL CSplitDisplay::IsAutoScale()
{
    if (m_pTopDisplay != nullptr && m_pTopDisplay->IsAutoScale())
        return 1;
    return m_pBottomDisplay != nullptr ? m_pBottomDisplay->IsAutoScale() : 0;
}

int CSplitDisplay::IsLogScale()
{
    // A table pane has no scale of its own: the other pane's counts.
    CDisplay* pane = m_pTopDisplay;
    if (pane == nullptr || pane->GetKind() == kTableKind)
        pane = m_pBottomDisplay != nullptr ? m_pBottomDisplay : pane;
    return pane != nullptr ? pane->IsLogScale() : 1;
}

int CSplitDisplay::SetLogScale(int log)
{
    Both([&](CDisplay* d) { d->SetLogScale(log); });
    return 1;
}

int CSplitDisplay::AutoScale()
{
    Both([](CDisplay* d) { d->AutoScale(); });
    return 1;
}

int CSplitDisplay::FullScale()
{
    Both([](CDisplay* d) { d->FullScale(); });
    return 1;
}

BOOL CSplitDisplay::ClearData()
{
    // The library pane shows a gas of the library, not scan data: it keeps it.
    int sum = 0;
    if (m_pTopDisplay != nullptr)
        sum += m_pTopDisplay->ClearData();
    if (m_pBottomDisplay != nullptr && m_pBottomDisplay->GetKind() != kLibraryKind)
        sum += m_pBottomDisplay->ClearData();
    return sum;
}

BOOL CSplitDisplay::Redraw()
{
    Both([](CDisplay* d) { d->Redraw(); });
    return 1;
}

// ---- Editing: only the pane that owns the chosen object takes an edit of it

int CSplitDisplay::EditTextObject(GrDesc* graph, int object)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditTextObject(graph, object); });
}

int CSplitDisplay::EditObject(GrDesc* graph)
{
    Both([&](CDisplay* d) { d->EditObject(graph); });
    return 1;
}

int CSplitDisplay::EditMessageObject(GrDesc* graph, int object)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditMessageObject(graph, object); });
}

int CSplitDisplay::EditBarsObject(GrDesc* graph, int object)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditBarsObject(graph, object); });
}

int CSplitDisplay::EditLegend(GrDesc* graph, int object)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditLegend(graph, object); });
}

int CSplitDisplay::OnTraceEdited(int arg)
{
    Both([&](CDisplay* d) { d->OnTraceEdited(arg); });
    return 1;
}

int CSplitDisplay::EditAxis(GrDesc* graph, int axis)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditAxis(graph, axis); });
}

int CSplitDisplay::EditAxisLabels(GrDesc* graph, int labels)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditAxisLabels(graph, labels); });
}

void CSplitDisplay::EditTitleText()
{
    if (m_pTopDisplay != nullptr)
        m_pTopDisplay->EditTitleText();
}

int CSplitDisplay::EditTimeLabels(GrDesc* graph, int object)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditTimeLabels(graph, object); });
}

int CSplitDisplay::EditDynamicText(GrDesc* graph, int object)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditDynamicText(graph, object); });
}

int CSplitDisplay::EditScrollObject(GrDesc* graph, int object)
{
    return FirstThatTakes([&](CDisplay* d) { return d->EditScrollObject(graph, object); });
}

void CSplitDisplay::EditWindowBackground()
{
    Both([](CDisplay* d) { d->EditWindowBackground(); });
}

void CSplitDisplay::EditGraphBackground()
{
    Both([](CDisplay* d) { d->EditGraphBackground(); });
}

void CSplitDisplay::EditTotalPressure()
{
    if (m_pTopDisplay != nullptr)
        m_pTopDisplay->EditTotalPressure();
}

// ---- Sweeps, building, showing

BOOL CSplitDisplay::ShowScanData(const float* values)
{
    Both([&](CDisplay* d) { d->ShowScanData(values); });
    return 1;
}

int CSplitDisplay::IsAvailable()
{
    int result = 1;
    Both([&](CDisplay* d) { result = d->IsAvailable(); });
    return result;
}

int CSplitDisplay::BuildPage()
{
    Both(
        [&](CDisplay* d)
        {
            // Panes read back from a document file belong to the split display's document.
            if (d->m_pDocument == nullptr)
                d->m_pDocument = m_pDocument;
            d->BuildPage();
        });
    return 1;
}

BOOL CSplitDisplay::Rebuild()
{
    // Each pane goes through the plain rebuild (placement saved, page closed and built again,
    // placement restored), then the upper pane is redrawn.
    BOOL result = 0;
    if (m_pTopDisplay != nullptr)
        result = m_pTopDisplay->CDisplay::Rebuild();
    if (m_pBottomDisplay != nullptr)
        result = m_pBottomDisplay->CDisplay::Rebuild();
    if (m_pTopDisplay != nullptr)
        m_pTopDisplay->Redraw();
    return result;
}

int CSplitDisplay::Show(int show)
{
    int result = 0;
    Both([&](CDisplay* d) { result = d->Show(show); });
    return result;
}

int CSplitDisplay::ShowPageWindow()
{
    return 0;
}

int CSplitDisplay::SavePlacement()
{
    int result = 0;
    Both([&](CDisplay* d) { result = d->SavePlacement(); });
    return result;
}

int CSplitDisplay::RestorePlacement()
{
    int result = 0;
    Both([&](CDisplay* d) { result = d->RestorePlacement(); });
    return result;
}

int CSplitDisplay::ClosePage()
{
    // Each pane closes its own page when it goes.
    return 1;
}

// ---- Cursor, history, zoom

void CSplitDisplay::ToggleCursor()
{
    Both([](CDisplay* d) { d->ToggleCursor(); });
}

int CSplitDisplay::IsCursorShown()
{
    return m_pTopDisplay != nullptr ? m_pTopDisplay->IsCursorShown() : m_bCursorShown;
}

int CSplitDisplay::TrackMouseCursor(GrDesc* graph, int fromMouse, int step)
{
    int result = 0;
    if (m_pBottomDisplay != nullptr)
        result = m_pBottomDisplay->TrackMouseCursor(graph, fromMouse, step);
    if (m_pTopDisplay != nullptr)
        result = m_pTopDisplay->TrackMouseCursor(graph, fromMouse, step);
    return result;
}

void CSplitDisplay::SetCursorProperties()
{
    Both([](CDisplay* d) { d->SetCursorProperties(); });
}

int CSplitDisplay::GetHistoryCount()
{
    CDisplay* pane = PvsTPane();
    return pane != nullptr ? pane->GetHistoryCount() : 0;
}

int CSplitDisplay::ShowHistory(int first, int second)
{
    CDisplay* pane = PvsTPane();
    return pane != nullptr ? pane->ShowHistory(first, second) : 0;
}

int CSplitDisplay::IsHistoryShown()
{
    CDisplay* pane = PvsTPane();
    return pane != nullptr ? pane->IsHistoryShown() : 0;
}

int CSplitDisplay::ResumeScrolling()
{
    CDisplay* pane = PvsTPane();
    return pane != nullptr ? pane->ResumeScrolling() : 0;
}

int CSplitDisplay::CanChangeHistoryLength(int direction, int* current)
{
    CDisplay* pane = PvsTPane();
    return pane != nullptr ? pane->CanChangeHistoryLength(direction, current) : 0;
}

int CSplitDisplay::Zoom(float factor)
{
    Both([&](CDisplay* d) { d->Zoom(factor); });
    return 1;
}

int CSplitDisplay::PanLeft(float fraction)
{
    Both([&](CDisplay* d) { d->PanLeft(fraction); });
    return 1;
}

int CSplitDisplay::PanRight(float fraction)
{
    Both([&](CDisplay* d) { d->PanRight(fraction); });
    return 1;
}

void CSplitDisplay::StartZoom(HWND graphWindow, int x, int y)
{
    GrDesc* graph = WGGetGraphDesc(graphWindow);
    m_nZoomPane = -1;
    if (graph == nullptr)
        return;
    for (int i = 0; i < 2; ++i)
    {
        CDisplay* pane = GetPane(i);
        if (pane != nullptr && pane->GetGraph() == graph)
        {
            m_nZoomPane = i;
            pane->StartZoom(graphWindow, x, y);
            return;
        }
    }
}

void CSplitDisplay::FinishZoom(HWND graphWindow, int x, int y)
{
    if (CDisplay* pane = GetPane(m_nZoomPane))
        pane->FinishZoom(graphWindow, x, y);
}

int CSplitDisplay::OnChartKeyDown(int key, int repeatAndFlags, int scanCode)
{
    // Shift or Caps Lock (not both) sends the keys to the lower pane.
    const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const bool caps = (::GetKeyState(VK_CAPITAL) & 0x0001) != 0;
    CDisplay* pane = shift != caps ? m_pBottomDisplay : m_pTopDisplay;
    return pane != nullptr ? pane->OnChartKeyDown(key, repeatAndFlags, scanCode) : 0;
}

void CSplitDisplay::UpdateXStep()
{
    Both([](CDisplay* d) { d->UpdateXStep(); });
}
