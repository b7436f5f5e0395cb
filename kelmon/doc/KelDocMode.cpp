// The Mode commands: the display and the scan of the document are replaced by the pair of one mode.
// Every mode goes through SwitchMode; a mode whose display or scan kind is not built yet makes
// nothing (MakeModeDisplay and MakeModeScan return null for it).
#include "analysis/Library.h"
#include "displays/AnalogDisplay.h"
#include "displays/PvsTDisplay.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "scans/AnalogScan.h"
#include "scans/PvsTScan.h"

namespace
{

// The display kind code each mode shows (0: none yet).
int DisplayKindOf(int mode)
{
    switch (mode)
    {
    case CKelDoc::kModeAnalog:
        return 1;
    case CKelDoc::kModePvsT:
        return 4;
    default:
        return 0;
    }
}

} // namespace

CDisplay* CKelDoc::MakeModeDisplay(int mode)
{
    switch (mode)
    {
    case kModeAnalog:
    {
        auto* display = new CAnalogDisplay(GetAnalogSettings(0), 0, this);
        // The page is made in the document's view; without it the display is of no use.
        if (display->GetPage() == nullptr)
        {
            delete display;
            return nullptr;
        }
        return display;
    }
    case kModePvsT:
    {
        auto* display = new CPvsTDisplay(GetTable(), 0, this);
        if (display->GetPage() == nullptr)
        {
            delete display;
            return nullptr;
        }
        return display;
    }
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
    case kModePvsT:
        return new CPvsTScans(GetTable(), m_pHead, display);
    default:
        return nullptr;
    }
}

void CKelDoc::SwitchMode(int mode)
{
    const int kind = DisplayKindOf(mode);
    if (m_bModeSwitchLock || kind == 0)
        return;
    if (m_bLibraryDlgOpen && m_pLibrary)
        m_pLibrary->DestroyParameterDlg();
    if (m_bPeakTuning)
    {
        AfxMessageBox("You must exit the Peak Tuning \nprocedure before proceeding", MB_ICONINFORMATION);
        return;
    }
    if (m_pCurrentDisplay != nullptr)
    {
        if (m_pCurrentDisplay->GetKind() == kind)
            return;
        if ((m_pScan && m_pScan->IsRunning()) || m_bRepeatTimer)
        {
            // The stop is only asked for: the user gives the command again once the scan stopped.
            if (AfxMessageBox(IDS_STOP_SCAN_FIRST, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
                OnScanStopNow();
            return;
        }
        SetCurrentScan(nullptr);
        m_pCurrentDisplay->SavePlacement();
    }
    // Building the pair touches the settings; the switch itself is no change of the document.
    const BOOL modified = IsModified();
    CDisplay* target = GetDisplayOfKind(kind);
    if (target == nullptr)
    {
        target = MakeModeDisplay(mode);
        if (target == nullptr)
        {
            AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
            return;
        }
        SetDisplayOfKind(target);
    }
    if (m_pCurrentDisplay != nullptr && m_pCurrentDisplay != target)
        m_pCurrentDisplay->Show(0);
    m_pCurrentDisplay = target;
    target->RestorePlacement();
    target->Show(1);

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
    scan->AttachDocument(this);
    scan->SetIoBoardSignal(m_pIoBoard.get());
    scan->ShowParameterDialog();
    scan->ShowScheduleDialog(nullptr);
    SetModifiedFlag(modified);
    m_bLibraryDlgOpen = 0;
    if (HWND view = GetActiveViewWindow())
        ::SetFocus(view);
}

void CKelDoc::OnModeAnalog()
{
    SwitchMode(kModeAnalog);
}

void CKelDoc::OnUpdateModeAnalog(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(
        m_pCurrentDisplay != nullptr && m_pCurrentDisplay->GetKind() == DisplayKindOf(kModeAnalog) ? 1 : 0);
}

void CKelDoc::OnModePvsT()
{
    SwitchMode(kModePvsT);
}
