// Graph and view commands of the document: the File, Edit, View and Graph menu entries, the zoom
// toolbar and the scan bar's history buttons. Almost all forward to the current display; the update
// handlers decide, by the display's kind, which chart editors are offered.
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "doc/LeakData.h"

#include "analysis/Library.h"
#include "dialogs/LineParametersDlg.h"
#include "dialogs/PrintingOptionsDlg.h"
#include "displays/Display.h"
#include "KelMessages.h"
#include "res/resource.h"
#include "scans/Scan.h"
#include "scans/Table.h"
#include "units/Units.h"

#include <plotkit.h>

namespace
{

// A command that changes the current display: nothing without one; the document is modified.
template <class F> void ChangeDisplay(CKelDoc& doc, F&& change)
{
    if (doc.m_pCurrentDisplay == nullptr)
        return;
    change(*doc.m_pCurrentDisplay);
    doc.SetModifiedFlag(TRUE);
}

// Display kind codes as every display keeps them.
enum DisplayKind
{
    kAnalogKind = 1,
    kLeakKind = 2,
    kTableKind = 3,
    kPvsTKind = 4,
    kBarKind = 5,
    kPanelKind = 6,
    kSplitKind = 7,
    kLibraryKind = 8,
};

constexpr int kPvsTMode = 3;
constexpr int kLibraryMode = 7;

int KindOf(const CDisplay* display)
{
    return display != nullptr ? display->GetKind() : 0;
}

// Message 237: Yes stops the scan; the command ends either way.
void OfferStop(CKelDoc& doc)
{
    if (AfxMessageBox(IDS_STOP_SCAN_FIRST, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        doc.OnScanStopNow();
}

} // namespace

// ---- File

void CKelDoc::OnFileSaveAscii()
{
    if (m_pCurrentDisplay == nullptr || !m_pScan)
        return;
    m_pScan->ExportAscii();
}

void CKelDoc::OnUpdateFileSaveAscii(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && m_pScan);
}

void CKelDoc::OnFileSaveMetafile()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->SavePageMetafile();
}

void CKelDoc::OnUpdateFileSaveMetafile(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrentDisplay != nullptr);
}

void CKelDoc::OnFilePrintGraph()
{
    if (m_pCurrentDisplay == nullptr)
        return;
    // The mode commands wait while the page is printed.
    m_bModeSwitchLock = 1;
    m_pCurrentDisplay->PrintPage();
    m_bModeSwitchLock = 0;
}

void CKelDoc::OnFilePrinterSetup()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->PrinterSetup();
}

void CKelDoc::OnFilePrintOptions()
{
    if (m_pCurrentDisplay == nullptr)
        return;
    CPrintingOptionsDlg dlg(AfxGetMainWnd());
    dlg.m_nStyle = m_nPrintingStyle;
    dlg.m_fLeft = m_fPrintLeft * 100.0f;
    dlg.m_fTop = m_fPrintTop * 100.0f;
    dlg.m_bWindowBackground = m_printFlags[0];
    dlg.m_bPlotBackground = m_printFlags[1];
    dlg.m_bBorders = m_printFlags[2];
    if (dlg.DoModal() != IDOK)
        return;
    m_fPrintLeft = dlg.m_fLeft * 0.01f;
    m_fPrintTop = dlg.m_fTop * 0.01f;
    m_nPrintingStyle = dlg.m_nStyle;
    m_printFlags[0] = dlg.m_bWindowBackground;
    m_printFlags[1] = dlg.m_bPlotBackground;
    m_printFlags[2] = dlg.m_bBorders;
    SetModifiedFlag(TRUE);
    // The charting library starts with the first chart page; until then there is nothing to print.
    if (m_pCurrentDisplay->GetPage() == nullptr)
        return;
    // Style 0 fits the page, 1 keeps the aspect ratio, 2 prints at the fonts' sizes.
    const BOOL keepAspect = m_nPrintingStyle == 0 ? 0 : 1;
    const int code = m_nPrintingStyle == 2 ? 2 : 1;
    WGSetPrintOptions(m_printFlags[0], m_printFlags[1], m_printFlags[2], keepAspect, code, m_fPrintLeft,
                      m_fPrintTop);
}

void CKelDoc::OnFileDefaultLayout()
{
    if (m_pCurrentDisplay != nullptr)
        StoreDefaults();
}

// ---- Edit

void CKelDoc::OnEditCopyGraph()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->CopyPage();
}

void CKelDoc::OnEditClearData()
{
    ChangeDisplay(*this, [](CDisplay& display) { display.ClearData(); });
}

void CKelDoc::OnUpdateEditClearData(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && m_pScan && !IsScanBusy());
}

// ---- View

void CKelDoc::OnViewZoomIn()
{
    ChangeDisplay(*this, [](CDisplay& display) { display.Zoom(0.5f); });
}

void CKelDoc::OnViewZoomOut()
{
    ChangeDisplay(*this, [](CDisplay& display) { display.Zoom(2.0f); });
}

// Zooming is always offered.
void CKelDoc::OnUpdateViewZoom(CCmdUI* /*pCmdUI*/) {}

void CKelDoc::OnViewPanLeft()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->PanLeft(0.5f);
}

void CKelDoc::OnViewPanRight()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->PanRight(0.5f);
}

void CKelDoc::OnViewFullScale()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->FullScale();
}

void CKelDoc::OnUpdateViewFullScale(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrentDisplay != nullptr);
}

void CKelDoc::OnViewNextItem()
{
    if (m_pCurrentDisplay == nullptr)
        return;
    if (m_pScan && m_pScan->IsViewingLog())
        m_pScan->ViewLogScan(1);
    if (m_bItemNavigation && m_pLibrary)
        m_pLibrary->NextGas();
}

void CKelDoc::OnViewPrevItem()
{
    if (m_pCurrentDisplay == nullptr)
        return;
    if (m_pScan && m_pScan->IsViewingLog())
        m_pScan->ViewLogScan(2);
    if (m_bItemNavigation && m_pLibrary)
        m_pLibrary->PreviousGas();
}

void CKelDoc::OnUpdateViewNextItem(CCmdUI* pCmdUI)
{
    if (m_pCurrentDisplay == nullptr)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    const int kind = KindOf(m_pCurrentDisplay);
    const bool libraryShown =
        kind == kLibraryKind ||
        (kind == kSplitKind && (m_nMode == kLibraryMode || m_nSecondMode == kLibraryMode));
    if (m_pLibrary && m_pLibrary->IsLoaded() && libraryShown)
    {
        m_bItemNavigation = 1;
        pCmdUI->Enable(TRUE);
        return;
    }
    m_bItemNavigation = 0;
    pCmdUI->Enable(m_pScan && m_pScan->IsViewingLog());
}

void CKelDoc::OnUpdateViewPrevItem(CCmdUI* pCmdUI)
{
    if (m_pCurrentDisplay == nullptr)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    const int kind = KindOf(m_pCurrentDisplay);
    const bool libraryShown =
        kind == kLibraryKind ||
        (kind == kSplitKind && (m_nMode == kLibraryMode || m_nSecondMode == kLibraryMode));
    pCmdUI->Enable((m_pLibrary && m_pLibrary->IsLoaded() && libraryShown) ||
                   (m_pScan && m_pScan->IsViewingLog()));
}

void CKelDoc::OnViewLegends()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->ToggleLegend(m_pCurrentDisplay->IsLegendShown() ? 0 : 1);
}

void CKelDoc::OnUpdateViewLegends(CCmdUI* pCmdUI)
{
    if (KindOf(m_pCurrentDisplay) == kPvsTKind)
    {
        pCmdUI->Enable(TRUE);
        pCmdUI->SetCheck(m_pCurrentDisplay->IsLegendShown() ? 1 : 0);
        return;
    }
    pCmdUI->Enable(FALSE);
    pCmdUI->SetCheck(0);
}

// ---- Graph: scale and units

void CKelDoc::OnGraphAutoScale()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->AutoScale();
}

void CKelDoc::OnUpdateGraphAutoScale(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    const bool scalable = kind == kAnalogKind || kind == kBarKind || kind == kPvsTKind || kind == kLeakKind ||
                          kind == kSplitKind;
    pCmdUI->Enable(scalable && m_pCurrentDisplay->IsAutoScale());
}

void CKelDoc::OnGraphUnits()
{
    if (m_pCurrentDisplay == nullptr)
        return;
    if (IsScanBusy())
    {
        OfferStop(*this);
        return;
    }
    if (m_pScan && m_pScan->IsViewingLog())
    {
        AfxMessageBox(IDS_NO_UNITS_WHILE_VIEWING_LOG, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!m_pUnits || !m_pUnits->EditGlobalUnits(AfxGetMainWnd()))
        return;

    if (m_pTable)
        m_pTable->ConvertPressures();
    if (m_pLeakData)
        m_pLeakData->ConvertUnits();
    for (const std::unique_ptr<CAnalogData>& settings : m_pAnalog)
        if (settings)
            settings->ConvertPressures();

    // Hidden displays take the new unit when they are shown again; the table's values were
    // converted in place.
    for (int kind : {kAnalogKind, kBarKind, kLeakKind, kPanelKind, kPvsTKind, kLibraryKind})
        if (CDisplay* display = GetDisplayOfKind(kind))
            display->m_bUnitsPending = 1;
    m_pCurrentDisplay->OnUnitsChanged(1);
    m_pCurrentDisplay->m_bUnitsPending = 0;

    if (m_nMode == kLibraryMode && m_pLibrary)
        m_pLibrary->ShowGas(nullptr);
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateGraphUnits(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && m_pScan && !IsScanBusy());
}

void CKelDoc::OnGraphLinear()
{
    ChangeDisplay(*this, [](CDisplay& display) { display.SetLogScale(0); });
}

void CKelDoc::OnGraphLog()
{
    ChangeDisplay(*this, [](CDisplay& display) { display.SetLogScale(1); });
}

void CKelDoc::OnGraphToggleLog()
{
    ChangeDisplay(*this, [](CDisplay& display) { display.SetLogScale(display.IsLogScale() ? 0 : 1); });
}

// Linear and Log are checked by the display's scale; the table and panel have no scale to choose.
void CKelDoc::OnUpdateGraphLinear(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    if (m_pCurrentDisplay == nullptr || kind == kTableKind || kind == kPanelKind)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_pCurrentDisplay->IsLogScale() == 0 ? 1 : 0);
}

void CKelDoc::OnUpdateGraphLog(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    if (m_pCurrentDisplay == nullptr || kind == kTableKind || kind == kPanelKind)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_pCurrentDisplay->IsLogScale() == 1 ? 1 : 0);
}

// ---- Graph: chart editors

void CKelDoc::OnGraphYAxis()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditYAxis();
}

void CKelDoc::OnGraphYAxisLabels()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditYAxisLabels();
}

void CKelDoc::OnGraphXAxis()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditXAxis();
}

void CKelDoc::OnGraphXAxisLabels()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditXAxisLabels();
}

void CKelDoc::OnGraphTitleText()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditTitleText();
}

// The axis editors (and the title text) need axes: not the table, the panel or the split layout.
void CKelDoc::OnUpdateGraphAxis(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && kind != kTableKind && kind != kPanelKind &&
                   kind != kSplitKind);
}

void CKelDoc::OnGraphTitle()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditGraphTitle();
}

void CKelDoc::OnGraphTraces()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditTraces();
}

void CKelDoc::OnUpdateGraphTitle(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && kind != kPanelKind && kind != kSplitKind);
}

void CKelDoc::OnGraphAlarmLines()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditAlarmLines();
}

void CKelDoc::OnUpdateGraphAlarmLines(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(KindOf(m_pCurrentDisplay) == kLeakKind);
}

void CKelDoc::OnGraphWindowBackground()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditWindowBackground();
}

void CKelDoc::OnUpdateGraphWindowBackground(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && KindOf(m_pCurrentDisplay) != kPanelKind);
}

void CKelDoc::OnGraphGraphBackground()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->EditGraphBackground();
}

void CKelDoc::OnUpdateGraphGraphBackground(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && kind != kPanelKind && kind != kTableKind);
}

void CKelDoc::OnGraphTimeStamp()
{
    if (m_pCurrentDisplay == nullptr || !m_pScan)
        return;
    m_pScan->ShowCaption(m_pScan->m_bCaptionShown ? 0 : 1);
}

void CKelDoc::OnUpdateGraphTimeStamp(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    const bool stamped = kind != kPanelKind && kind != kLeakKind && kind != kLibraryKind;
    // The stamp is the scan's: without one there is nothing to show.
    if (m_pCurrentDisplay == nullptr || !m_pScan || !stamped)
    {
        pCmdUI->Enable(FALSE);
        pCmdUI->SetCheck(0);
        return;
    }
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_pScan->m_bCaptionShown ? 1 : 0);
}

void CKelDoc::OnGraphRedraw()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->Redraw();
}

void CKelDoc::OnUpdateGraphRedraw(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrentDisplay != nullptr);
}

// ---- Cursor

namespace
{

// The modes whose charts carry a data cursor: analog, histogram, P vs T, leak test, library.
bool ModeHasCursor(int mode)
{
    return mode == 0 || mode == 1 || mode == 3 || mode == 4 || mode == 7;
}

} // namespace

void CKelDoc::OnUtilCursor()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->ToggleCursor();
}

void CKelDoc::OnUpdateUtilCursor(CCmdUI* pCmdUI)
{
    if (m_pCurrentDisplay == nullptr)
        return;
    pCmdUI->Enable(ModeHasCursor(m_nMode));
    pCmdUI->SetCheck(CDisplay::s_bCursorShownGlobal ? 1 : 0);
}

void CKelDoc::OnUtilCursorProperties()
{
    if (m_pCurrentDisplay == nullptr)
        return;
    CLineParametersDlg dlg(AfxGetMainWnd());
    dlg.m_nColour = m_nCursorColor;
    dlg.m_nStyle = m_nCursorType;
    dlg.m_nWidth = m_nCursorWidth;
    if (dlg.DoModal() != IDOK)
        return;
    m_nCursorColor = dlg.m_nColour;
    m_nCursorType = dlg.m_nStyle;
    m_nCursorWidth = dlg.m_nWidth;
    m_pCurrentDisplay->SetCursorProperties();
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateUtilCursorProperties(CCmdUI* pCmdUI)
{
    if (m_pCurrentDisplay == nullptr)
        return;
    pCmdUI->Enable(ModeHasCursor(m_nMode));
}

// ---- History (the P-vs-T and leak displays keep one)

void CKelDoc::OnHistoryResume()
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->ResumeScrolling();
}

void CKelDoc::OnHistoryShow()
{
    if (m_pCurrentDisplay == nullptr)
        return;
    m_pCurrentDisplay->ShowHistory(0, 0);
    // The main frame's scan bar, when it has a window, follows with its history scroll bar.
    if (CWnd* frame = AfxGetMainWnd())
        if (HWND bar = ::GetDlgItem(frame->GetSafeHwnd(), IDW_SCAN_BAR))
            ::SendMessage(bar, WM_KEL_SETUPHISTORYSCROLL, 0, 0);
}

void CKelDoc::OnUpdateHistory(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    const bool hasHistory =
        kind == kPvsTKind || kind == kLeakKind || m_nMode == kPvsTMode || m_nSecondMode == kPvsTMode;
    pCmdUI->Enable(m_pCurrentDisplay != nullptr && hasHistory && m_pCurrentDisplay->IsHistoryShown());
}

// Showing the history is always offered.
void CKelDoc::OnUpdateHistoryShow(CCmdUI* /*pCmdUI*/) {}
