// The document's small forwarders through which the view, the main frame's relays and the
// commands reach the current scan, the current display, the gas library's dialog and the
// application settings. Each does nothing when its target is missing.
#include "doc/KelDoc.h"

#include "doc/AnalogData.h"
#include "doc/LeakData.h"
#include "scans/Table.h"

#include "analysis/Library.h"
#include "dialogs/BaseParameterDlg.h"
#include "dialogs/BaseScheduleDlg.h"
#include "dialogs/ConnectorDlg.h"
#include "displays/Display.h"
#include "displays/TableGraphPainter.h"
#include "head/Head.h"
#include "scans/Scan.h"
#include "settings/AppSettings.h"

#include <plotkit.h>

#include <functional>
#include <vector>

int CKelDoc::IsHeadOnline()
{
    return m_pHead != nullptr && m_pHead->IsOnline() ? 1 : 0;
}

void CKelDoc::RequestAveragingReset()
{
    if (m_pScan)
        m_pScan->RequestAveragingReset();
}

void CKelDoc::CloseAnalysis()
{
    if (m_pScan)
        m_pScan->CloseAnalysis();
}

void CKelDoc::UpdateAnalysis()
{
    if (m_pScan)
        m_pScan->UpdateAnalysis();
}

int CKelDoc::GetScanMode()
{
    return m_pScan ? m_pScan->GetScanMode() : -1;
}

void CKelDoc::OnChartKeyDown(int key, int repeat, int flags)
{
    if (m_pCurrentDisplay != nullptr)
        m_pCurrentDisplay->OnChartKeyDown(key, repeat, flags);
}

CBaseParameterDlg* CKelDoc::GetParameterDialog()
{
    return m_pScan ? m_pScan->m_pParameterDlg : nullptr;
}

CBaseScheduleDlg* CKelDoc::GetScheduleDialog()
{
    return m_pScan ? m_pScan->m_pScheduleDlg : nullptr;
}

void CKelDoc::ShowHeadInfo()
{
    if (m_pHead != nullptr)
        m_pHead->ShowInfoDialog();
}

int CKelDoc::RunConnectorDialog()
{
    CConnectorDlg dlg;
    dlg.m_pDocument = GetPortDocument();
    dlg.DoModal();
    return 1;
}

int CKelDoc::IsScanning()
{
    if (!m_pScan || m_pCurrentDisplay == nullptr || m_pHead == nullptr || !m_pHead->IsOnline())
        return 0;
    return m_pScan->IsRunning() == 1 || m_bRepeatTimer ? 1 : 0;
}

void CKelDoc::ShowParameterWindow(int show)
{
    bool expanded = false;
    if (m_pScan)
    {
        m_pScan->ShowParameterWindow(show);
        if (m_pScan->IsRunning() || (m_bRepeatTimer && show))
        {
            m_pScan->EnableParameterDialog(0);
            m_pScan->EnableScheduleDialog(0);
        }
        expanded = m_pScan->m_pParameterDlg != nullptr && m_pScan->m_pParameterDlg->m_bExpanded;
    }
    if (m_bLibraryDlgOpen && m_pLibrary)
    {
        if (expanded && show)
            m_pLibrary->ShowParameterDlg(1);
        else
            m_pLibrary->ShowParameterDlg(m_pScan && !expanded ? 0 : show);
    }
}

void CKelDoc::ApplyParameters()
{
    if (m_pScan && !m_pScan->IsRunning() && !m_bRepeatTimer)
    {
        m_pScan->ApplyParameters();
        SetModifiedFlag(TRUE);
    }
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->ApplyScanParameters();
}

void CKelDoc::ShowScheduleWindow(int show)
{
    if (!m_pScan)
        return;
    m_pScan->ShowScheduleWindow(show);
    if (m_pScan->IsRunning() || (m_bRepeatTimer && show))
        m_pScan->EnableScheduleDialog(0);
}

void CKelDoc::ApplySchedule()
{
    if (m_pScan && !m_pScan->IsRunning() && !m_bRepeatTimer)
    {
        m_pScan->ApplySchedule();
        SetModifiedFlag(TRUE);
    }
}

void CKelDoc::OnGroupActivate(int parameterShown, int scheduleShown)
{
    if (m_pScan)
        m_pScan->RestoreDialogs(parameterShown, scheduleShown);
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->ActivateParameterDlg(parameterShown);
}

void CKelDoc::OnGroupDeactivate()
{
    if (m_pScan)
        m_pScan->HideDialogs();
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->HideParameterDlg();
}

CAppSettings* CKelDoc::StoreDefaults()
{
    CAppSettings* settings = CAppSettings::GetInstance();
    // The active document window's frame, relative to the window it lies in.
    POSITION pos = GetFirstViewPosition();
    CView* view = pos != nullptr ? GetNextView(pos) : nullptr;
    CWnd* frame = view != nullptr ? view->GetParentFrame() : nullptr;
    if (frame != nullptr && frame->GetSafeHwnd() != NULL)
    {
        CRect rect;
        frame->GetWindowRect(&rect);
        if (CWnd* parent = frame->GetParent())
            parent->ScreenToClient(&rect);
        settings->m_graphLeft = rect.left;
        settings->m_graphRight = rect.right;
        settings->m_graphTop = rect.top;
        settings->m_graphBottom = rect.bottom;
    }
    GiveDefaultColours(*settings);
    settings->m_cursorColor = m_nCursorColor;
    settings->m_cursorWidth = m_nCursorWidth;
    settings->m_cursorType = m_nCursorType;
    return settings;
}

namespace
{

// One default colour of the settings and the record field of a document that it seeds. The table
// keeps its plot colours as palette indexes, the other records as RGB values.
struct DefaultColour
{
    COLORREF CAppSettings::*setting;
    std::function<COLORREF()> get;
    std::function<void(COLORREF)> set;
};

DefaultColour Rgb(COLORREF CAppSettings::*setting, int32_t* field)
{
    return {setting, [field] { return static_cast<COLORREF>(*field); },
            [field](COLORREF c) { *field = static_cast<int32_t>(c); }};
}

DefaultColour Rgb(COLORREF CAppSettings::*setting, COLORREF* field)
{
    return {setting, [field] { return *field; }, [field](COLORREF c) { *field = c; }};
}

DefaultColour Palette(COLORREF CAppSettings::*setting, int32_t* index)
{
    return {setting, [index] { return WGGetRGBColor(*index); },
            [index](COLORREF c) { *index = WGGetPureColor(c); }};
}

std::vector<DefaultColour> DefaultColours(CAnalogData* analog, CAnalogData* histogram, CAnalogData* library,
                                          CLeakData* leak, CTable* table)
{
    std::vector<DefaultColour> colours;
    const struct
    {
        CAnalogData* record;
        COLORREF CAppSettings::*plot;
        COLORREF CAppSettings::*background;
    } kinds[] = {
        {analog, &CAppSettings::m_analogPlotColor, &CAppSettings::m_analogBkgndColor},
        {histogram, &CAppSettings::m_histPlotColor, &CAppSettings::m_histBkgndColor},
        {library, &CAppSettings::m_libPlotColor, &CAppSettings::m_libBkgndColor},
    };
    for (const auto& kind : kinds)
        if (kind.record != nullptr)
        {
            colours.push_back(Rgb(kind.plot, &kind.record->m_plotBackground));
            colours.push_back(Rgb(kind.background, &kind.record->m_windowBackground));
        }
    if (leak != nullptr)
    {
        colours.push_back(Rgb(&CAppSettings::m_leakPlotColor, &leak->m_paletteColour));
        colours.push_back(Rgb(&CAppSettings::m_leakBkgndColor, &leak->m_lineColour));
    }
    if (table != nullptr)
    {
        colours.push_back(Palette(&CAppSettings::m_tablePlotColor, &table->m_colorB2));
        colours.push_back(Rgb(&CAppSettings::m_tableBkgndColor, &table->m_colorB1));
        colours.push_back({&CAppSettings::m_tableTableBkgndColor,
                           [table] { return TableWords::WindowColour(*table); },
                           [table](COLORREF c) { TableWords::SetWindowColour(*table, c); }});
    }
    return colours;
}

} // namespace

void CKelDoc::TakeDefaultColours(const CAppSettings& settings)
{
    for (const DefaultColour& c : DefaultColours(m_pAnalog[0].get(), m_pAnalog[2].get(), m_pAnalog[4].get(),
                                                 m_pLeakData.get(), m_pTable.get()))
        if (settings.*c.setting != CAppSettings::kNoColour)
            c.set(settings.*c.setting);
}

void CKelDoc::GiveDefaultColours(CAppSettings& settings) const
{
    for (const DefaultColour& c : DefaultColours(m_pAnalog[0].get(), m_pAnalog[2].get(), m_pAnalog[4].get(),
                                                 m_pLeakData.get(), m_pTable.get()))
        settings.*c.setting = c.get();
}
