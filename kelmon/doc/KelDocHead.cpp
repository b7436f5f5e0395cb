// Head commands of the document: the connector list that binds the document to a head, the
// filament and CEM switches, the head's procedures and dialogs, peak tuning and the parameter lock.
#include "doc/KelDoc.h"

#include "dialogs/HeadLockDlg.h"
#include "dialogs/LeakSensitivityDlg.h"
#include "dialogs/PeakTuningDlg.h"
#include "dialogs/PeakTuningGasDlg.h"
#include "dialogs/SensitivityTuningDlg.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "doc/KelDocCommands.h"
#include "foundation/AppUiState.h"
#include "head/Head.h"
#include "ports/InstrumentDesc.h"
#include "ports/PortBindingRegistry.h"
#include "res/resource.h"
#include "scans/Scan.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"
#include "units/Units.h"

#include <bit>
#include <initializer_list>

namespace
{

// What the connector list sees of a document.
class CDocPortBinding : public IPortDocument
{
public:
    explicit CDocPortBinding(CKelDoc& doc) : m_doc(doc) {}
    // A document that goes leaves no binding behind for the connector list to call.
    ~CDocPortBinding() override { CPortBindingRegistry::GetInstance().RemoveDocument(this); }

    BOOL IsScanning() override { return m_doc.IsScanning(); }
    std::string GetTitle() override { return static_cast<LPCTSTR>(m_doc.CDocument::GetTitle()); }
    BOOL WarnIfScanRunning() override { return m_doc.WarnIfScanRunning(); }
    void RefreshHead() override { m_doc.RefreshHead(); }
    void SetHead(std::shared_ptr<CInstrumentDesc> desc) override { m_doc.BindDescriptor(std::move(desc)); }
    void ShowHeadInfo() override { m_doc.ShowHeadInfo(); }

private:
    CKelDoc& m_doc;
};

bool ScanBusy(CScan* scan, int repeatTimer)
{
    return (scan != nullptr && scan->IsRunning()) || repeatTimer != 0;
}

// Message 237: Yes stops the scan; the command ends either way.
void OfferStop(CKelDoc& doc)
{
    if (AfxMessageBox(IDS_STOP_SCAN_FIRST, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        doc.OnScanStopNow();
}

} // namespace

IPortDocument* CKelDoc::GetPortDocument()
{
    if (!m_pPortDocument)
        m_pPortDocument = std::make_unique<CDocPortBinding>(*this);
    return m_pPortDocument.get();
}

int CKelDoc::BindDescriptor(std::shared_ptr<CInstrumentDesc> desc)
{
    if (desc == m_pDesc)
        return 0;
    if (desc)
    {
        m_bOwnsDesc = 0;
        m_pDesc = std::move(desc);
        m_pHead = m_pDesc->GetHead();
    }
    return DistributeHead();
}

void CKelDoc::OnConnectorListSetup()
{
    if (m_bReleaseLock)
        return;
    m_bReleaseLock = 1;
    RunConnectorDialog();
    if (m_pUnits)
        m_pUnits->UpdateSensitivity();
    if (m_pScan && !ScanBusy(m_pScan.get(), m_bRepeatTimer))
        m_pScan->AttachDocument(this);
    m_bReleaseLock = 0;
}

void CKelDoc::OnUpdateConnectorListSetup(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_pHead != nullptr && m_pHead->IsOnline() ? 1 : 0);
}

void CKelDoc::OnFilamentOn()
{
    if (ScanBusy(m_pScan.get(), m_bRepeatTimer))
    {
        OfferStop(*this);
        return;
    }
    if (m_pHead == nullptr || !m_pHead->IsOnline())
        return;
    int on = 0;
    if (!m_pHead->IsFilamentOn(on))
        return;
    m_pHead->SwitchFilamentWithProgress(on ? 0 : 1);
    if (on && m_pHead->IsCemPresent())
    {
        m_pHead->HighVoltageOff();
        int reply = 0;
        m_pHead->ReadIntReply(reply);
    }
}

void CKelDoc::OnUpdateFilamentOn(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    if (m_pHead->IsOnline() && m_pScan)
    {
        if (!ScanBusy(m_pScan.get(), m_bRepeatTimer))
        {
            pCmdUI->Enable(TRUE);
        }
        else
        {
            const int kind = m_pScan->GetScanKind();
            pCmdUI->Enable(kind == SCAN_KIND_ANALOG || kind == SCAN_KIND_HISTOGRAM ||
                           kind == SCAN_KIND_PVST || kind == SCAN_KIND_LEAK);
        }
        pCmdUI->SetCheck(m_pHead->GetFilamentState() ? 1 : 0);
        return;
    }
    pCmdUI->Enable(FALSE);
    pCmdUI->SetCheck(0);
}

// ---- The rest of the head commands

namespace
{

// What the Peak Tuning dialog sees of the document that opened it. The dialog ends on its own
// document even when another window is active by then.
class CDocPeakTuningSite : public IPeakTuningSite
{
public:
    explicit CDocPeakTuningSite(CKelDoc& doc) : m_doc(doc) {}
    // The document goes first: its dialog goes with it, without calling back.
    ~CDocPeakTuningSite() override
    {
        CPeakTuningDlg* dlg = m_doc.m_pPeakTuningDlg;
        m_doc.m_pPeakTuningDlg = nullptr;
        if (dlg != nullptr)
        {
            dlg->m_pSite = nullptr;
            if (dlg->GetSafeHwnd())
                dlg->DestroyWindow();
        }
    }

    BOOL IsScanRunning() override
    {
        CScan* scan = m_doc.GetCurrentScan();
        return scan != nullptr && scan->IsRunning();
    }
    void StartScan() override { m_doc.OnScanStart(); }
    void GetPeak(int high, CString& name, int& mass) override
    {
        if (CAnalogData* record = m_doc.GetAnalogSettings(high ? 1 : 0))
        {
            name = record->m_title;
            mass = record->m_tuneMass;
        }
    }
    void SavePeakDisplays() override
    {
        for (int i = 0; i < 2; ++i)
            if (CAnalogData* record = m_doc.GetAnalogSettings(i))
                record->SaveState();
    }
    void RestorePeakDisplays() override
    {
        for (int i = 0; i < 2; ++i)
            if (CAnalogData* record = m_doc.GetAnalogSettings(i))
                record->RestoreState();
    }
    void RebuildDisplay() override
    {
        if (CDisplay* display = m_doc.GetCurrentDisplay())
            display->Rebuild();
    }
    CWnd* GetViewWindow() override
    {
        POSITION pos = m_doc.GetFirstViewPosition();
        return pos ? m_doc.GetNextView(pos) : nullptr;
    }
    void TuningDialogClosed(CPeakTuningDlg* dlg) override
    {
        if (m_doc.m_pPeakTuningDlg == dlg)
            m_doc.m_pPeakTuningDlg = nullptr;
        m_doc.m_bPeakTuning = 0;
    }

private:
    CKelDoc& m_doc;
};

// The scan kinds a command stays enabled for while the scan runs.
bool KindIn(CScan* scan, std::initializer_list<int> kinds)
{
    const int kind = scan->GetScanKind();
    for (int k : kinds)
        if (k == kind)
            return true;
    return false;
}

} // namespace

void (*CKelDoc::s_pfnStoreHeadLock)() = nullptr;

BOOL CKelDoc::IsScanBusy()
{
    return ScanBusy(m_pScan.get(), m_bRepeatTimer) ? TRUE : FALSE;
}

BOOL CKelDoc::IsHeadIdle()
{
    return m_pHead != nullptr && m_pHead->IsOnline() && m_pScan && !IsScanBusy();
}

void CKelDoc::OnIonizerSettings()
{
    if (m_pHead == nullptr)
        return;
    CAppUiState::GetInstance();
    m_pHead->RunIonizerDialog();
    if (m_pUnits)
        m_pUnits->UpdateSensitivity();
}

void CKelDoc::OnUpdateIonizerSettings(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    pCmdUI->Enable(IsHeadIdle() && !CHeadLockDlg::IsLocked());
}

void CKelDoc::OnCemOn()
{
    if (IsScanBusy())
    {
        OfferStop(*this);
        return;
    }
    if (m_pHead == nullptr)
        return;
    int filament = 0;
    if (!m_pHead->IsFilamentOn(filament))
        return;
    int highVoltage = 0;
    m_pHead->IsHighVoltageOn(highVoltage);
    if (!highVoltage)
    {
        if (!filament)
            AfxMessageBox(IDS_FILAMENT_OFF_CEM, MB_OK | MB_ICONINFORMATION);
        m_pHead->HighVoltageOnWithProgress();
    }
    else
    {
        m_pHead->HighVoltageOffWithProgress();
    }
    if (m_pScan)
        m_pScan->OnCemSwitched(m_pHead->GetHighVoltageState());
}

void CKelDoc::OnUpdateCemOn(CCmdUI* pCmdUI)
{
    if (m_pHead != nullptr && m_pHead->IsOnline() && m_pScan && m_pHead->IsCemPresent())
    {
        pCmdUI->Enable(!IsScanBusy() || KindIn(m_pScan.get(), {SCAN_KIND_ANALOG, SCAN_KIND_HISTOGRAM}));
        pCmdUI->SetCheck(m_pHead->GetHighVoltageState() ? 1 : 0);
        return;
    }
    pCmdUI->Enable(FALSE);
    pCmdUI->SetCheck(0);
}

void CKelDoc::OnCemSettings()
{
    if (IsScanBusy())
    {
        OfferStop(*this);
        return;
    }
    if (m_pHead == nullptr)
        return;
    m_pHead->RunCemDialog();
    if (m_pTable)
        m_pTable->m_moreWords[0] = m_pHead->GetHighVoltageState() ? 1 : 0;
    // A table below an analog or histogram pane shows the CEM state in its channels.
    if (m_pCurrentDisplay != nullptr && m_pCurrentDisplay->GetKind() == 7 && m_nSecondMode == 2 &&
        (m_nMode == 0 || m_nMode == 1))
        m_pCurrentDisplay->Rebuild();
}

void CKelDoc::OnUpdateCemSettings(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    if (m_pHead->IsOnline() && m_pScan)
    {
        pCmdUI->Enable(!IsScanBusy() || KindIn(m_pScan.get(), {SCAN_KIND_ANALOG, SCAN_KIND_HISTOGRAM,
                                                               SCAN_KIND_PVST, SCAN_KIND_LEAK}));
        return;
    }
    pCmdUI->Enable(FALSE);
}

void CKelDoc::OnCalibrateDetector()
{
    if (m_pHead != nullptr)
        m_pHead->CalibrateWithProgress();
}

void CKelDoc::OnUpdateCalibrateDetector(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    pCmdUI->Enable(IsHeadIdle());
}

void CKelDoc::OnDegas()
{
    if (m_pHead != nullptr)
        m_pHead->DegasWithProgress();
}

void CKelDoc::OnUpdateDegas(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    pCmdUI->Enable(IsHeadIdle() && !CHeadLockDlg::IsLocked() && m_pHead->GetHeadFamily() != HEAD_FAMILY_DUX);
}

void CKelDoc::OnHeadReset()
{
    if (m_pHead == nullptr)
        return;
    m_pHead->InitializeWithProgress();
    SetModifiedFlag(TRUE);
}

void CKelDoc::OnUpdateHeadReset(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    pCmdUI->Enable(IsHeadIdle());
}

void CKelDoc::OnGasSelection()
{
    CAnalogData* low = GetAnalogSettings(0);
    CAnalogData* high = GetAnalogSettings(1);
    PeakReference lowPeak, highPeak;
    if (low)
        lowPeak = {low->m_title, low->m_tuneMass};
    if (high)
        highPeak = {high->m_title, high->m_tuneMass};
    CPeakTuningGasDlg dlg;
    dlg.m_pLow = &lowPeak;
    dlg.m_pHigh = &highPeak;
    if (m_pHead != nullptr && m_pHead->GetMassRange() >= 100)
        dlg.m_nMaxMass = m_pHead->GetMassRange();
    if (dlg.DoModal() != IDOK)
        return;
    if (low)
    {
        low->m_title = lowPeak.name;
        low->m_tuneMass = lowPeak.mass;
    }
    if (high)
    {
        high->m_title = highPeak.name;
        high->m_tuneMass = highPeak.mass;
    }
    SetModifiedFlag(TRUE);
    UpdateAllViews(nullptr);
    if (dlg.m_bTuneRequested)
        OnTune();
}

void CKelDoc::OnUpdateGasSelection(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pScan && m_pCurrentDisplay != nullptr && m_pHead != nullptr && !m_bPeakTuning &&
                   m_pHead->IsOnline() && !CHeadLockDlg::IsLocked() && !IsScanBusy());
}

void CKelDoc::OnTune()
{
    if (m_pHead == nullptr || m_pPeakTuningDlg != nullptr)
        return;
    if (!m_pPeakTuningSite)
        m_pPeakTuningSite = std::make_shared<CDocPeakTuningSite>(*this);
    // Stops the head's scan, reads RS, RI, DS and DI and creates the window; null (and nothing
    // left open) when any of it fails.
    m_pPeakTuningDlg = CPeakTuningDlg::Open(m_pPeakTuningSite.get(), m_pHead, nullptr);
    if (m_pPeakTuningDlg == nullptr)
        return;
    // The two reference peaks side by side: analog mode in the analog split layout. Routed as
    // commands, so the layout switch is the one the menu runs.
    OnCmdMsg(ID_MODE_ANALOG, CN_COMMAND, nullptr, nullptr);
    OnCmdMsg(ID_SPLIT_ANALOG, CN_COMMAND, nullptr, nullptr);
    m_bPeakTuning = 1;
}

void CKelDoc::OnUpdateTune(CCmdUI* pCmdUI)
{
    OnUpdateGasSelection(pCmdUI);
}

void CKelDoc::OnSensitivityTuning()
{
    if (m_pHead == nullptr)
        return;
    CSensitivityTuningDlg dlg;
    m_pHead->StopScan();
    int filament = 0;
    if (!m_pHead->IsFilamentOn(filament))
        return;
    if (!filament)
    {
        if (AfxMessageBox(IDS_FILAMENT_ON_FIRST, MB_YESNO) != IDYES)
            return;
        m_pHead->FilamentOnAndWait();
    }
    int highVoltage = 0;
    if (m_pHead->IsCemPresent() && m_pHead->IsHighVoltageOn(highVoltage) && highVoltage)
    {
        if (AfxMessageBox(IDS_CEM_OFF_FIRST, MB_YESNO) != IDYES)
            return;
        m_pHead->HighVoltageOffWithProgress();
    }
    if (AfxMessageBox(IDS_CALIBRATE_FIRST, MB_YESNO) == IDYES)
        m_pHead->CalibrateWithProgress();
    dlg.m_pHead = m_pHead;
    dlg.m_pUnits = m_pUnits.get();
    if (!m_pHead->QueryST(dlg.m_fST) || !m_pHead->QuerySP(dlg.m_fSP))
        return;
    // A document that never tuned keeps the dialog's own mass.
    if (m_nTuningWord >= 2 && m_nTuningWord <= 200)
        dlg.m_nMass = m_nTuningWord;
    dlg.DoModal();
    m_nTuningWord = dlg.m_nMass;
    if (m_pUnits)
        m_pUnits->UpdateSensitivity();
}

void CKelDoc::OnUpdateSensitivityTuning(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    pCmdUI->Enable(IsHeadIdle() && !CHeadLockDlg::IsLocked());
}

void CKelDoc::OnLeakRateTuning()
{
    CLeakSensitivityDlg dlg;
    CAppSettings* settings = CAppSettings::GetInstance();
    settings->LoadSettingsKey();
    // The calibrated leak's rate is kept in the document's word by its bits.
    dlg.m_fLeakRate = std::bit_cast<float>(m_nLeakRateTuning);
    dlg.m_fFactor = settings->m_leakFactor;
    if (m_nTuningWord >= 2 && m_nTuningWord <= 300)
        dlg.m_nMass = m_nTuningWord;
    dlg.m_pHead = m_pHead;
    dlg.m_pUnits = m_pUnits.get();
    if (dlg.DoModal() != IDOK)
        return;
    m_nLeakRateTuning = std::bit_cast<int32_t>(dlg.m_fLeakRate);
    m_nTuningWord = dlg.m_nMass;
    settings->m_leakFactor = dlg.m_fFactor;
    settings->SaveSettingsKey();
}

void CKelDoc::OnUpdateLeakRateTuning(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pScan && m_pHead != nullptr && m_pHead->IsOnline() && !CHeadLockDlg::IsLocked() &&
                   !IsScanBusy());
}

void CKelDoc::OnLockHeadParams()
{
    CHeadLockDlg dlg;
    dlg.DoModal();
    if (s_pfnStoreHeadLock)
        s_pfnStoreHeadLock();
}

void CKelDoc::OnUpdateLockHeadParams(CCmdUI* pCmdUI)
{
    const int locked = CHeadLockDlg::IsLocked();
    pCmdUI->SetCheck(locked ? 1 : 0);
    CWnd* main = AfxGetMainWnd();
    CMenu* menu = main ? main->GetMenu() : nullptr;
    if (menu)
        menu->ModifyMenu(ID_HEAD_LOCK, MF_BYCOMMAND | MF_STRING, ID_HEAD_LOCK,
                         locked ? "Unlock Head Parameters" : "Lock Head Parameters");
}

void CKelDoc::OnGetHeadInfo()
{
    if (m_pHead != nullptr)
        m_pHead->ShowInfoDialog();
}

void CKelDoc::OnUpdateGetHeadInfo(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
        return;
    pCmdUI->Enable(IsHeadIdle() && m_pCurrentDisplay != nullptr);
}
