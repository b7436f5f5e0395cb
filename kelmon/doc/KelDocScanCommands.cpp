// The document's scan, logging, analysis and output commands: the scan-parameter editors of each
// mode, scan logs, background, averaging, null, spectrum analysis, library search, leak audio and
// audible alarms, total pressure, pressure reduction and the I/O board. Each runs its dialog or a
// scan slot and then brings the display and the scan back into step.
#include "doc/KelDoc.h"

#include "analysis/Gas.h"
#include "analysis/LibScanParameterDlg.h"
#include "analysis/Library.h"
#include "dialogs/AudibleAlarmDlg.h"
#include "dialogs/BackgroundSetupDlg.h"
#include "dialogs/ChannelOutputDlg.h"
#include "dialogs/IoBoardSetupDlg.h"
#include "dialogs/LeakTestSetupDlg.h"
#include "dialogs/LibrarySearchDlg.h"
#include "dialogs/ManualOutputDlg.h"
#include "dialogs/PressureReductionDlg.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "doc/LeakData.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "res/resource.h"
#include "scans/AverageSetupDlg.h"
#include "scans/ChannelParameterDlg.h"
#include "scans/DualScanParameterDlg.h"
#include "scans/Scan.h"
#include "scans/ScanParameterDlg.h"
#include "scans/Table.h"
#include "units/Units.h"

#include <new>
#include <vector>

void ApplyAudibleAlarm(const CAudibleAlarmDlg& dlg, CTable* table, CLeakData* leak);

namespace
{

// Display kind codes.
constexpr int kAnalog = 1;
constexpr int kLeak = 2;
constexpr int kTableKind = 3;
constexpr int kPvsT = 4;
constexpr int kBar = 5;
constexpr int kPanel = 6;
constexpr int kSplit = 7;
constexpr int kLibraryKind = 8;

// Modes of the document and of a split layout's halves.
constexpr int kModeAnalog = 0;
constexpr int kModeHistogram = 1;
constexpr int kModeTable = 2;
constexpr int kModePvsT = 3;
constexpr int kModeLibrary = 7;

int KindOf(const CDisplay* display)
{
    return display ? display->GetKind() : 0;
}

// Message 237: Yes stops the scan; the command ends either way.
void OfferStop(CKelDoc& doc)
{
    if (AfxMessageBox(IDS_STOP_SCAN_FIRST, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        doc.OnScanStopNow();
}

// The parameter editors are modeless windows whose OK applies and stays open; run from a command
// they are modal, so an accepted OK also ends the dialog.
template <class Base> class CModalEditor : public Base
{
public:
    using Base::Base;

protected:
    void OnOK() override
    {
        if (!this->UpdateData(TRUE))
            return; // the dialog's own checks told the user
        const bool accepted = Accepts();
        Base::OnOK();
        if (accepted)
            this->EndDialog(IDOK);
    }
    virtual bool Accepts() { return true; }
};

class CModalScanParameterDlg : public CModalEditor<CScanParameterDlg>
{
protected:
    // The dialog refuses a stop mass that is not above the start mass.
    bool Accepts() override { return m_nStopMass > m_nStartMass; }
};

void EnableAndCheck(CCmdUI* pCmdUI, BOOL enable, int check)
{
    pCmdUI->Enable(enable);
    pCmdUI->SetCheck(check);
}

// The spectrum settings the user edits for a pane: in a split layout the record the pane shows (the
// layout's copy, which its half of the split scan sweeps by); otherwise the document's own record.
CAnalogData* PaneSettings(CDisplay* display, int pane, CAnalogData* own)
{
    if (KindOf(display) != kSplit)
        return own;
    CDisplay* half = pane == 0 ? display->m_pTopDisplay : display->m_pBottomDisplay;
    auto* shown = half != nullptr ? dynamic_cast<CAnalogData*>(half->m_pSettings) : nullptr;
    return shown != nullptr ? shown : own;
}

} // namespace

void CKelDoc::LibrarySearchDeleter::operator()(CLibrarySearchDlg* dlg) const
{
    if (dlg == nullptr)
        return;
    if (::IsWindow(dlg->GetSafeHwnd()))
        dlg->DestroyWindow();
    delete dlg;
}

CLibrary* CKelDoc::EnsureGasLibrary()
{
    if (!m_pLibrary && !CreateGasLibrary())
        return nullptr;
    return m_pLibrary.get();
}

void CKelDoc::AttachLibraryToSplit(BOOL rebuild)
{
    CDisplay* split = m_pCurrentDisplay;
    if (KindOf(split) != kSplit || m_bItemNavigation != 1 || !m_pLibrary)
        return;
    CDisplay* halves[2] = {m_nMode == kModeLibrary ? split->m_pTopDisplay : nullptr,
                           m_nSecondMode == kModeLibrary ? split->m_pBottomDisplay : nullptr};
    for (CDisplay* half : halves)
    {
        if (half == nullptr)
            continue;
        if (rebuild)
            half->Rebuild();
        m_pLibrary->SetDisplay(half);
    }
}

void CKelDoc::ResyncScan()
{
    m_pScan->AttachDocument(this);
    m_pCurrentDisplay->Rebuild();
    m_pScan->DropBackground();
    m_pScan->StopLogging();
    AttachLibraryToSplit(FALSE);
    SetModifiedFlag(TRUE);
}

// ---- Scan parameters of each mode

void CKelDoc::OnAnalogParameters()
{
    if (m_bPeakTuning)
    {
        AfxMessageBox("You must exit the Peak Tuning \nprocedure before proceeding", MB_ICONINFORMATION);
        return;
    }
    if (!m_pScan || !m_pCurrentDisplay)
        return;
    const int kind = KindOf(m_pCurrentDisplay);
    CAnalogData* top = PaneSettings(m_pCurrentDisplay, m_nMode == kModeAnalog ? 0 : 1, GetAnalogSettings(0));
    if (kind == kSplit && m_nMode == kModeAnalog && m_nSecondMode == kModeAnalog)
    {
        CDualScanParameterDlg dlg;
        dlg.SetRecords(top, PaneSettings(m_pCurrentDisplay, 1, GetAnalogSettings(1)),
                       CAnalogData::kModeAnalog);
        if (m_pHead)
            dlg.m_nMaxMass = m_pHead->GetMassRange();
        if (dlg.DoModal() != IDOK)
            return;
        m_pScan->AttachDocument(this);
        m_pScan->SetIoBoardSignal(m_pIoBoard.get());
        if (m_pCurrentDisplay->Rebuild())
        {
            m_pScan->StopLogging();
            m_pScan->DropBackground();
            SetModifiedFlag(TRUE);
        }
        return;
    }
    if (kind != kAnalog && !(kind == kSplit && (m_nMode == kModeAnalog || m_nSecondMode == kModeAnalog)))
        return;

    CModalScanParameterDlg dlg;
    if (m_pHead)
    {
        const BOOL notJov = m_pHead->IsNotJovFamily();
        dlg.SetLimits(m_pHead->GetMassRange(), notJov, m_pHead->GetScaled10(), m_pHead->GetScaled25(),
                      notJov ? 65 : 6, notJov ? 1 : 0);
    }
    dlg.SetScan(m_pScan.get(), top, CAnalogData::kModeAnalog);
    dlg.m_bTriggered = m_nSecondMode == kModePvsT;
    if (dlg.DoModal() != IDOK)
        return;
    m_pScan->AttachDocument(this);
    const bool libraryHalf = kind == kSplit && (m_nMode == kModeLibrary || m_nSecondMode == kModeLibrary);
    if (libraryHalf)
    {
        CAnalogData* library = PaneSettings(m_pCurrentDisplay, 1, GetAnalogSettings(4));
        library->m_startMass = top->m_startMass;
        library->m_stopMass = top->m_stopMass;
        library->m_pointCount = top->m_stopMass - top->m_startMass + 1;
        m_pCurrentDisplay->Rebuild();
        AttachLibraryToSplit(FALSE);
    }
    else if (!m_pCurrentDisplay->Rebuild())
        return;
    m_pScan->StopLogging();
    m_pScan->DropBackground();
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateAnalogParameters(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay && !IsScanBusy() &&
                   (kind == kAnalog || (kind == kSplit && m_nMode == kModeAnalog)));
}

void CKelDoc::OnHistogramParameters()
{
    if (!m_pScan || !m_pCurrentDisplay)
        return;
    const int kind = KindOf(m_pCurrentDisplay);
    CAnalogData* top =
        PaneSettings(m_pCurrentDisplay, m_nMode == kModeHistogram ? 0 : 1, GetAnalogSettings(2));
    if (kind == kSplit && m_nMode == kModeHistogram && m_nSecondMode == kModeHistogram)
    {
        CDualScanParameterDlg dlg;
        dlg.SetRecords(top, PaneSettings(m_pCurrentDisplay, 1, GetAnalogSettings(3)),
                       CAnalogData::kModeHistogram);
        if (m_pHead)
            dlg.m_nMaxMass = m_pHead->GetMassRange();
        if (dlg.DoModal() != IDOK)
            return;
        m_pScan->AttachDocument(this);
        m_pScan->SetIoBoardSignal(m_pIoBoard.get());
        m_pCurrentDisplay->Rebuild();
        m_pCurrentDisplay->ClearData();
        m_pScan->DropBackground();
        m_pScan->StopLogging();
        SetModifiedFlag(TRUE);
        return;
    }
    if (kind != kBar && !(kind == kSplit && (m_nMode == kModeHistogram || m_nSecondMode == kModeHistogram)))
        return;

    CModalScanParameterDlg dlg;
    if (m_pHead)
    {
        const BOOL notJov = m_pHead->IsNotJovFamily();
        dlg.SetLimits(m_pHead->GetMassRange(), notJov, m_pHead->GetScaled10(), m_pHead->GetScaled25(),
                      notJov ? 65 : 6, notJov ? 1 : 0);
    }
    dlg.SetScan(m_pScan.get(), top, CAnalogData::kModeHistogram);
    dlg.m_bTriggered = m_nSecondMode == kModePvsT;
    if (dlg.DoModal() != IDOK)
        return;
    m_pScan->AttachDocument(this);
    m_pScan->SetIoBoardSignal(m_pIoBoard.get());
    if (kind == kSplit && (m_nMode == kModeLibrary || m_nSecondMode == kModeLibrary))
    {
        // The histogram's own point count (one per mass) is the library's as it stands.
        CAnalogData* library = PaneSettings(m_pCurrentDisplay, 1, GetAnalogSettings(4));
        library->m_startMass = top->m_startMass;
        library->m_stopMass = top->m_stopMass;
        library->m_pointCount = top->m_pointCount;
    }
    m_pCurrentDisplay->Rebuild();
    m_pCurrentDisplay->ClearData();
    AttachLibraryToSplit(FALSE);
    m_pScan->StopLogging();
    m_pScan->DropBackground();
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateHistogramParameters(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay && !IsScanBusy() &&
                   (kind == kBar || (kind == kSplit && m_nMode == kModeHistogram)));
}

void CKelDoc::OnTableParameters()
{
    if (!m_pScan || !m_pCurrentDisplay || !m_pTable)
        return;
    CModalEditor<CChannelParameterDlg> dlg;
    if (m_pLibrary)
    {
        for (int i = 0; i < m_pLibrary->GetSize(); ++i)
        {
            CGas* gas = nullptr;
            if (!m_pLibrary->GetGasAt(i, gas) || gas == nullptr)
                continue;
            std::vector<PeakRecord> peaks;
            gas->GetPeaks(peaks);
            if (peaks.empty())
                continue;
            // The first peak of greatest intensity names the gas's mass.
            const PeakRecord* strongest = &peaks.front();
            for (const PeakRecord& peak : peaks)
                if (peak.intensity > strongest->intensity)
                    strongest = &peak;
            dlg.AddGasName(gas->GetName(), strongest->mass);
        }
    }
    dlg.m_bAutoComplete = m_nWord3;
    if (m_pHead)
        dlg.m_nHighestMass = m_pHead->GetMassRange();
    dlg.SetTable(m_pTable.get(), m_hViewWnd);
    if (dlg.DoModal() != IDOK)
        return;
    m_nWord3 = dlg.m_bAutoComplete;
    m_pTable->CollectEnabledChannels();
    ResyncScan();
}

void CKelDoc::OnUpdateTableParameters(CCmdUI* pCmdUI)
{
    if (!m_pHead)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    const int kind = KindOf(m_pCurrentDisplay);
    const bool tableHalf = kind == kSplit && (m_nMode == kModeTable || m_nMode == kModePvsT ||
                                              m_nSecondMode == kModeTable || m_nSecondMode == kModePvsT);
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay && !IsScanBusy() &&
                   (kind == kTableKind || kind == kPvsT || kind == kPanel || tableHalf));
}

void CKelDoc::OnLeakParameters()
{
    if (!m_pScan || !m_pCurrentDisplay || !m_pLeakData)
        return;
    CModalEditor<CLeakTestSetupDlg> dlg;
    if (m_pHead)
        dlg.m_nHighestMass = m_pHead->GetMassRange();
    dlg.m_pSettings = m_pLeakData.get();
    dlg.m_pDisplay = m_pCurrentDisplay;
    if (dlg.DoModal() != IDOK)
        return;
    ResyncScan();
}

void CKelDoc::OnUpdateLeakParameters(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay && KindOf(m_pCurrentDisplay) == kLeak && !IsScanBusy());
}

void CKelDoc::OnLibraryParameters()
{
    CAnalogData* record = GetAnalogSettings(4);
    CModalEditor<CLibScanParameterDlg> dlg;
    dlg.m_startMass = record->m_startMass;
    dlg.m_stopMass = record->m_stopMass;
    if (dlg.DoModal() != IDOK)
        return;
    record->m_startMass = dlg.m_startMass;
    record->m_stopMass = dlg.m_stopMass;
    record->m_pointCount = dlg.m_stopMass - dlg.m_startMass + 1;
    if (KindOf(m_pCurrentDisplay) == kLibraryKind)
    {
        m_pCurrentDisplay->Rebuild();
        if (m_pLibrary)
            m_pLibrary->SetDisplay(m_pCurrentDisplay);
    }
    else
        AttachLibraryToSplit(TRUE);
}

void CKelDoc::OnUpdateLibraryParameters(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    pCmdUI->Enable(kind == kLibraryKind ||
                   (kind == kSplit && (m_nMode == kModeLibrary || m_nSecondMode == kModeLibrary)));
}

// ---- Scan logs

void CKelDoc::OnScanLogging()
{
    if (m_pScan)
        m_pScan->EditLoggingSettings(AfxGetMainWnd());
}

void CKelDoc::OnUpdateScanLogging(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_pScan && m_pScan->IsLoggingOn() ? 1 : 0);
}

void CKelDoc::OnOpenScanLogs()
{
    if (m_pScan)
        m_pScan->OpenLogForView();
}

void CKelDoc::OnUpdateOpenScanLogs(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    const bool noLogs = kind == kPanel || kind == kLeak || kind == kLibraryKind || kind == kPvsT ||
                        (kind == kSplit && m_nMode == kModePvsT && m_nSecondMode == kModeLibrary);
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay && !noLogs && !IsScanBusy());
}

void CKelDoc::OnSaveScanLogs()
{
    if (m_pScan)
        m_pScan->SaveLogAsFiles();
}

void CKelDoc::OnUpdateSaveScanLogs(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    const bool noLogs = kind == kPanel || kind == kLeak || kind == kLibraryKind || kind == kPvsT ||
                        (kind == kSplit && m_nMode == kModePvsT && m_nSecondMode == kModeLibrary);
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay && !noLogs && !IsScanBusy() && m_pScan->IsViewingLog());
}

// ---- Background and averaging

void CKelDoc::OnBackgroundSetup()
{
    if (!m_pScan)
        return;
    CBackgroundSetupDlg dlg;
    dlg.m_nDirection = GetAnalogSettings(0)->m_backgroundSign ? 1 : 0;
    dlg.m_bEnabled = m_pScan->HasBackground() ? 1 : 0;
    if (dlg.DoModal() != IDOK)
        return;
    m_pScan->SetBackgroundMode(dlg.m_nDirection);
    if (dlg.m_bEnabled)
        m_pScan->AcquireBackground();
    else
        m_pScan->RemoveBackground();
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateBackgroundSetup(CCmdUI* pCmdUI)
{
    if (!m_pScan || !m_pCurrentDisplay)
        return EnableAndCheck(pCmdUI, FALSE, 0);
    const int kind = KindOf(m_pCurrentDisplay);
    if (kind == kLeak || kind == kPanel)
        return EnableAndCheck(pCmdUI, FALSE, 0);
    pCmdUI->SetCheck(m_pScan->HasBackground() ? 1 : 0);
    pCmdUI->Enable(!m_pScan->HasAnalysis() && !IsScanBusy());
}

void CKelDoc::OnAverageSetup()
{
    if (m_pScan)
        CAverageSetupDlg::EditScan(*m_pScan);
}

void CKelDoc::OnUpdateAverageSetup(CCmdUI* pCmdUI)
{
    if (!m_pScan)
        return EnableAndCheck(pCmdUI, FALSE, 0);
    pCmdUI->SetCheck(m_pScan->m_bAveragingOn ? 1 : 0);
    pCmdUI->Enable(m_pScan->CanAverage() && !IsScanBusy());
}

void CKelDoc::OnAverageReset()
{
    if (m_pScan)
        m_pScan->RequestAveragingReset();
}

void CKelDoc::OnUpdateAverageReset(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pScan && m_pScan->IsAveraging());
}

void CKelDoc::OnToggleAveraging()
{
    if (m_pScan)
        m_pScan->SetAveraging(m_pScan->m_bAveragingOn ? 0 : 1);
}

void CKelDoc::OnUpdateToggleAveraging(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    if (m_pScan && !IsScanBusy() && (kind == kAnalog || kind == kBar))
        return EnableAndCheck(pCmdUI, TRUE, m_pScan->m_bAveragingOn ? 1 : 0);
    pCmdUI->Enable(FALSE);
    if (!IsScanBusy())
        pCmdUI->SetCheck(0);
}

// ---- Null offset of the leak test

void CKelDoc::OnNull()
{
    if (m_pScan)
        m_pScan->RequestNull();
}

void CKelDoc::OnUpdateNull(CCmdUI* pCmdUI)
{
    if (m_pScan)
        pCmdUI->Enable(m_pScan->CanNull());
}

void CKelDoc::OnRemoveNull()
{
    if (m_pScan)
        m_pScan->RequestRemoveNull();
}

void CKelDoc::OnUpdateRemoveNull(CCmdUI* pCmdUI)
{
    OnUpdateNull(pCmdUI);
}

// ---- Spectrum analysis and the library search

void CKelDoc::OnAnalyze()
{
    if (!m_pScan)
        return;
    if (CLibrary* library = EnsureGasLibrary())
        m_pScan->OpenAnalysis(library, m_analysisGas);
}

void CKelDoc::OnUpdateAnalyze(CCmdUI* pCmdUI)
{
    if (!m_pScan || !m_pCurrentDisplay)
        return pCmdUI->Enable(FALSE);
    if (m_pScan->HasAnalysis())
    {
        if (m_pScan->IsAnalysisVisible())
            return pCmdUI->Enable(FALSE);
        // A hidden analysis window is finished with.
        m_pScan->CloseAnalysis();
    }
    const int kind = KindOf(m_pCurrentDisplay);
    pCmdUI->Enable(kind == kAnalog || kind == kBar ||
                   (kind == kSplit && (m_nMode == kModeAnalog || m_nMode == kModeHistogram)));
}

void CKelDoc::OnAnalyzeSettings()
{
    if (!m_pScan)
        return;
    if (EnsureGasLibrary())
        m_pScan->SelectAnalysisGases(AfxGetMainWnd());
}

void CKelDoc::OnUpdateAnalyzeSettings(CCmdUI* pCmdUI)
{
    OnUpdateAnalyze(pCmdUI);
}

void CKelDoc::OnLibrarySearch()
{
    if (m_pLibrarySearchDlg)
        return;
    CLibrary* library = EnsureGasLibrary();
    if (library == nullptr)
        return;
    CLibrarySearchDlg* dlg = new (std::nothrow) CLibrarySearchDlg;
    if (dlg == nullptr)
    {
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return;
    }
    m_pLibrarySearchDlg.reset(dlg);
    dlg->m_pLibrary = library;
    if (!dlg->Create(CLibrarySearchDlg::IDD, nullptr))
    {
        // A window that could not be made leaves nothing behind to block the next try.
        m_pLibrarySearchDlg.reset();
        return;
    }
    dlg->ShowWindow(SW_SHOW);
}

void CKelDoc::OnUpdateLibrarySearch(CCmdUI* pCmdUI)
{
    if (!m_pLibrarySearchDlg)
        return pCmdUI->Enable(TRUE);
    HWND hwnd = m_pLibrarySearchDlg->GetSafeHwnd();
    if (!::IsWindow(hwnd))
        return pCmdUI->Enable(FALSE);
    if (!::IsWindowVisible(hwnd))
    {
        // The user closed (hid) it: it is done with.
        m_pLibrarySearchDlg.reset();
        return pCmdUI->Enable(TRUE);
    }
    pCmdUI->Enable(FALSE);
}

// ---- Leak audio and audible alarms

void CKelDoc::OnLeakAudio()
{
    if (m_pScan)
        m_pScan->EditAudio();
}

void CKelDoc::OnUpdateLeakAudio(CCmdUI* pCmdUI)
{
    if (!m_pScan || !m_pCurrentDisplay)
        return pCmdUI->Enable(FALSE);
    pCmdUI->Enable(!IsScanBusy() && KindOf(m_pCurrentDisplay) == kLeak);
    pCmdUI->SetCheck(m_pLeakData && m_pLeakData->m_bAudioEnabled ? 1 : 0);
}

void CKelDoc::OnAudibleAlarm()
{
    CAudibleAlarmDlg dlg;
    if (m_pTable)
    {
        dlg.m_bEnabled = m_pTable->m_bSoundOn;
        dlg.m_strWaveFile = m_pTable->m_strSoundFile;
    }
    if (dlg.DoModal() != IDOK)
        return;
    ApplyAudibleAlarm(dlg, m_pTable.get(), m_pLeakData.get());
}

void CKelDoc::OnUpdateAudibleAlarm(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_pTable && m_pLeakData && m_pTable->m_bSoundOn && m_pLeakData->m_bAudibleAlarm ? 1 : 0);
}

// ---- Total pressure and pressure reduction

void CKelDoc::OnTotalPressure()
{
    if (m_pCurrentDisplay)
        m_pCurrentDisplay->EditTotalPressure();
}

void CKelDoc::OnUpdateTotalPressure(CCmdUI* pCmdUI)
{
    const int kind = KindOf(m_pCurrentDisplay);
    if (m_pCurrentDisplay && kind != kPanel && kind != kLeak && kind != kLibraryKind)
        return EnableAndCheck(pCmdUI, TRUE, m_pCurrentDisplay->HasTotalPressure() ? 1 : 0);
    EnableAndCheck(pCmdUI, FALSE, 0);
}

void CKelDoc::OnPressureReduction()
{
    if (IsScanBusy())
        return OfferStop(*this);
    CPressureReductionDlg dlg;
    dlg.m_bEnabled = m_pUnits->m_bReductionEnabled;
    dlg.m_fFactor = m_pUnits->m_fReductionFactor;
    if (dlg.DoModal() != IDOK)
        return;
    if (m_pScan)
        m_pScan->DropBackground();
    m_pUnits->m_bReductionEnabled = dlg.m_bEnabled;
    m_pUnits->m_fReductionFactor = dlg.m_fFactor;
    if (m_pCurrentDisplay)
        m_pCurrentDisplay->ClearData();
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdatePressureReduction(CCmdUI* pCmdUI)
{
    if (m_pCurrentDisplay)
        pCmdUI->SetCheck(m_pUnits->m_bReductionEnabled ? 1 : 0);
}

// ---- The I/O board

void CKelDoc::OnOutputCard()
{
    char value[4];
    if (::GetEnvironmentVariable("CBDIREC", value, sizeof value) == 0)
    {
        AfxMessageBox(IDS_IO_NO_INSTALLATION, MB_ICONEXCLAMATION);
        return;
    }
    if (IsScanBusy())
        return OfferStop(*this);
    if (!m_pIoBoard)
    {
        m_pIoBoard.reset(new (std::nothrow) CCbBoard(m_pTable.get()));
        if (!m_pIoBoard)
            return;
    }
    if (m_pScan)
        m_pScan->SetIoBoardSignal(m_pIoBoard.get());
    if (!m_pIoBoard->IsEnabled() && CCbBoard::IsBoardLocked())
    {
        AfxMessageBox(IDS_IO_LOCKED_ELSEWHERE, MB_ICONEXCLAMATION);
        return;
    }
    CIoBoardSetupDlg dlg;
    dlg.m_pBoard = m_pIoBoard.get();
    dlg.DoModal();
}

void CKelDoc::OnUpdateOutputCard(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_pIoBoard && m_pIoBoard->IsEnabled() ? 1 : 0);
}

void CKelDoc::OnOutputChannels()
{
    if (!m_pIoBoard || !m_pIoBoard->IsEnabled())
        return;
    CChannelOutputDlg dlg;
    dlg.m_pBoard = m_pIoBoard.get();
    dlg.m_pTable = m_pTable.get();
    if (dlg.DoModal() == IDOK)
        SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateOutputChannels(CCmdUI* pCmdUI)
{
    // Enabled means in use and locked on a board that was located (configured).
    pCmdUI->Enable(m_pIoBoard && m_pIoBoard->IsEnabled());
}

void CKelDoc::OnManualOutput()
{
    if (!m_pIoBoard || !m_pIoBoard->IsEnabled())
        return;
    CManualOutputDlg dlg;
    dlg.m_pBoard = m_pIoBoard.get();
    dlg.DoModal();
}

void CKelDoc::OnUpdateManualOutput(CCmdUI* pCmdUI)
{
    OnUpdateOutputChannels(pCmdUI);
}

// ---- Commands kept for their ids

void CKelDoc::OnUpdateScanPresent(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pScan != nullptr);
}

void CKelDoc::OnNoAction() {}

void CKelDoc::OnUpdateNoAction(CCmdUI* /*pCmdUI*/) {}
