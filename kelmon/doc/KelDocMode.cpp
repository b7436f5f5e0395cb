// The Mode commands: the display and the scan of the document are replaced by the pair of one mode.
// Every scanning mode goes through SwitchMode; a mode whose display kind is not built yet makes
// nothing (DisplayKindOf gives 0 for it). The library mode shows the gas library and runs no scan.
#include "analysis/Library.h"
#include "displays/AnalogDisplay.h"
#include "displays/BarDisplay.h"
#include "displays/LeakDisplay.h"
#include "displays/LibDisplay.h"
#include "displays/PanelDisplay.h"
#include "displays/PvsTDisplay.h"
#include "displays/TableDisplay.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "scans/AnalogScan.h"
#include "scans/HistogramScan.h"
#include "scans/LeakScans.h"
#include "scans/PanelScan.h"
#include "scans/PvsTScan.h"
#include "scans/Table.h"
#include "scans/TableScan.h"

namespace
{

// The display kind code each mode shows (0: none yet).
int DisplayKindOf(int mode)
{
    switch (mode)
    {
    case CKelDoc::kModeAnalog:
        return 1;
    case CKelDoc::kModeHistogram:
        return 5;
    case CKelDoc::kModePvsT:
        return 4;
    case CKelDoc::kModeLibrary:
        return 8;
    case CKelDoc::kModeLeakTest:
        return 2;
    case CKelDoc::kModeAnnunciator:
        return 6;
    case CKelDoc::kModeTable:
        return 3;
    default:
        return 0;
    }
}

// The analog and table modes close the library's dialog before they look at the Peak Tuning
// procedure; the other modes only once it is known not to run.
bool DropsLibraryDialogFirst(int mode)
{
    return mode == CKelDoc::kModeAnalog || mode == CKelDoc::kModeTable;
}

// The modes that show the table's channels end the table's coupling before the old scan goes; the
// others once the new scan is in place.
bool ClearsCouplingFirst(int mode)
{
    return mode == CKelDoc::kModeTable || mode == CKelDoc::kModePvsT || mode == CKelDoc::kModeAnnunciator;
}

// The table word that says an analog or histogram pane drives the table's timing.
constexpr int kTableCouplingWord = 5;

// A display whose page could not be made in the document's view is of no use.
CDisplay* KeepIfBuilt(CDisplay* display)
{
    if (display != nullptr && display->GetPage() == nullptr)
    {
        delete display;
        return nullptr;
    }
    return display;
}

} // namespace

CDisplay* CKelDoc::MakeModeDisplay(int mode)
{
    switch (mode)
    {
    case kModeAnalog:
        return KeepIfBuilt(new CAnalogDisplay(GetAnalogSettings(0), 0, this));
    case kModeHistogram:
        return KeepIfBuilt(new CBarDisplay(GetAnalogSettings(2), 0, this));
    case kModePvsT:
        return m_pTable ? KeepIfBuilt(new CPvsTDisplay(m_pTable.get(), 0, this)) : nullptr;
    case kModeLibrary:
        return KeepIfBuilt(new CLibDisplay(GetAnalogSettings(4), 0, this));
    case kModeLeakTest:
        return KeepIfBuilt(new CLeakDisplay(GetLeakData(), this));
    case kModeAnnunciator:
        return KeepIfBuilt(new CPanelDisplay(GetTable(), this));
    case kModeTable:
        return KeepIfBuilt(new CTableDisplay(GetTable(), 0, this));
    default:
        return nullptr;
    }
}

CScan* CKelDoc::MakeModeScan(int mode, CDisplay* display)
{
    switch (mode)
    {
    case kModeAnalog:
        return new CAnalogScan(GetAnalogSettings(0), m_pHead, display);
    case kModeHistogram:
        return new CHistogramScan(GetAnalogSettings(2), m_pHead, display);
    case kModePvsT:
        return m_pTable ? new CPvsTScans(m_pTable.get(), m_pHead, display) : nullptr;
    case kModeLeakTest:
        return new CLeakScans(GetLeakData(), m_pHead, display);
    case kModeAnnunciator:
        return new CPanelScans(GetTable(), m_pHead, display);
    case kModeTable:
        return new CTableScans(GetTable(), m_pHead, display);
    default:
        return nullptr;
    }
}

void CKelDoc::DropLibraryDialog()
{
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->DestroyParameterDlg();
}

void CKelDoc::ClearTableCoupling()
{
    if (m_pTable)
        m_pTable->m_displayWords[kTableCouplingWord] = 0;
}

bool CKelDoc::LeaveCurrentDisplay(int kind, bool clearCoupling)
{
    if (m_pCurrentDisplay == nullptr)
        return true;
    if (m_pCurrentDisplay->GetKind() == kind)
        return false;
    if ((m_pScan && m_pScan->IsRunning()) || m_bRepeatTimer)
    {
        // The stop is only asked for: the user gives the command again once the scan stopped.
        if (AfxMessageBox(IDS_STOP_SCAN_FIRST, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            OnScanStopNow();
        return false;
    }
    if (clearCoupling)
        ClearTableCoupling();
    SetCurrentScan(nullptr);
    m_pCurrentDisplay->SavePlacement();
    LeaveSplitLayout();
    return true;
}

CDisplay* CKelDoc::ShowModeDisplay(int mode)
{
    const int kind = DisplayKindOf(mode);
    CDisplay* target = GetDisplayOfKind(kind);
    if (target == nullptr)
    {
        target = MakeModeDisplay(mode);
        if (target == nullptr)
        {
            AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
            return nullptr;
        }
        SetDisplayOfKind(target);
    }
    if (m_pCurrentDisplay != nullptr && m_pCurrentDisplay != target)
        m_pCurrentDisplay->Show(0);
    m_pCurrentDisplay = target;
    target->RestorePlacement();
    target->Show(1);
    return target;
}

void CKelDoc::SwitchMode(int mode)
{
    const int kind = DisplayKindOf(mode);
    if (m_bModeSwitchLock || kind == 0)
        return;
    const bool dropFirst = DropsLibraryDialogFirst(mode);
    if (dropFirst)
        DropLibraryDialog();
    if (m_bPeakTuning)
    {
        AfxMessageBox("You must exit the Peak Tuning \nprocedure before proceeding", MB_ICONINFORMATION);
        return;
    }
    if (!dropFirst)
        DropLibraryDialog();
    // Building the pair touches the settings; the switch itself is no change of the document.
    const BOOL modified = IsModified();
    if (!LeaveCurrentDisplay(kind, ClearsCouplingFirst(mode)))
        return;
    CDisplay* target = ShowModeDisplay(mode);
    if (target == nullptr)
    {
        SetModifiedFlag(modified);
        return;
    }
    CScan* scan = MakeModeScan(mode, target);
    if (scan == nullptr)
    {
        SetModifiedFlag(modified);
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return;
    }
    SetCurrentScan(scan);
    m_nMode = mode;
    m_nSecondMode = kNoSplit;
    if (!ClearsCouplingFirst(mode))
        ClearTableCoupling();
    scan->AttachDocument(this);
    scan->SetIoBoardSignal(m_pIoBoard.get());
    scan->ShowParameterDialog();
    scan->ShowScheduleDialog(nullptr);
    SetModifiedFlag(modified);
    m_bLibraryDlgOpen = 0;
    if (HWND view = GetActiveViewWindow())
        ::SetFocus(view);
}

void CKelDoc::OnModeLibrary()
{
    if (m_bModeSwitchLock)
        return;
    CLibrary* library = EnsureGasLibrary();
    if (library == nullptr)
        return;
    library->SetRangeSettings(GetAnalogSettings(4));
    if (m_bPeakTuning)
    {
        AfxMessageBox("You must exit the Peak Tuning \nprocedure before proceeding", MB_ICONINFORMATION);
        return;
    }
    const BOOL modified = IsModified();
    if (!LeaveCurrentDisplay(DisplayKindOf(kModeLibrary), false))
        return;
    CDisplay* display = ShowModeDisplay(kModeLibrary);
    if (display == nullptr)
    {
        SetModifiedFlag(modified);
        return;
    }
    library->SetDisplay(display);
    m_nMode = kModeLibrary;
    m_nSecondMode = kNoSplit;
    ClearTableCoupling();
    library->OpenParameterDlg();
    SetModifiedFlag(modified);
    m_bLibraryDlgOpen = 1;
    if (HWND view = GetActiveViewWindow())
        ::SetFocus(view);
}

// clang-format off
void CKelDoc::OnModeAnalog() { SwitchMode(kModeAnalog); }
void CKelDoc::OnModeHistogram() { SwitchMode(kModeHistogram); }
void CKelDoc::OnModeTable() { SwitchMode(kModeTable); }
void CKelDoc::OnModePvsT() { SwitchMode(kModePvsT); }
void CKelDoc::OnModeLeakTest() { SwitchMode(kModeLeakTest); }
void CKelDoc::OnModeAnnunciator() { SwitchMode(kModeAnnunciator); }
// clang-format on

namespace
{
// A Mode item is checked while the current display is of the mode's kind.
void CheckModeItem(CCmdUI* pCmdUI, const CDisplay* current, int mode)
{
    const int kind = DisplayKindOf(mode);
    pCmdUI->SetCheck(current != nullptr && kind != 0 && current->GetKind() == kind ? 1 : 0);
}
} // namespace

void CKelDoc::OnUpdateModeAnalog(CCmdUI* pCmdUI)
{
    CheckModeItem(pCmdUI, m_pCurrentDisplay, kModeAnalog);
}

void CKelDoc::OnUpdateModeHistogram(CCmdUI* pCmdUI)
{
    CheckModeItem(pCmdUI, m_pCurrentDisplay, kModeHistogram);
}

void CKelDoc::OnUpdateModeTable(CCmdUI* pCmdUI)
{
    CheckModeItem(pCmdUI, m_pCurrentDisplay, kModeTable);
}

void CKelDoc::OnUpdateModePvsT(CCmdUI* pCmdUI)
{
    CheckModeItem(pCmdUI, m_pCurrentDisplay, kModePvsT);
}

void CKelDoc::OnUpdateModeLeakTest(CCmdUI* pCmdUI)
{
    CheckModeItem(pCmdUI, m_pCurrentDisplay, kModeLeakTest);
}

void CKelDoc::OnUpdateModeAnnunciator(CCmdUI* pCmdUI)
{
    CheckModeItem(pCmdUI, m_pCurrentDisplay, kModeAnnunciator);
}

void CKelDoc::OnUpdateModeLibrary(CCmdUI* pCmdUI)
{
    CheckModeItem(pCmdUI, m_pCurrentDisplay, kModeLibrary);
}
