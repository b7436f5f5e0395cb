#include "dialogs/HeadDialogs.h"

#include "dialogs/CemDlg.h"
#include "dialogs/FilamentWarning.h"
#include "dialogs/HeadInfoDlg.h"
#include "dialogs/HeadWaitDlg.h"
#include "dialogs/IonizerDlg.h"
#include "dialogs/RfCheckDlg.h"
#include "../../dlgpack/resource.h"
#include "head/HeadBoxPolicy.h"

CHeadDialogs& CHeadDialogs::Instance()
{
    static CHeadDialogs instance;
    return instance;
}

void CHeadDialogs::Install()
{
    CHead::SetDialogs(&Instance());
    CHeadBoxPolicy::Install();
}

int CHeadDialogs::RunWaitBox(CHead& head, int limit, int mode, UINT textId, const CString& text)
{
    CHeadWaitDlg dlg;
    dlg.m_pHead = &head;
    dlg.m_nTimeLimit = limit;
    dlg.m_nMode = mode;
    dlg.m_nTextId = textId;
    dlg.m_strText = text;
    return static_cast<int>(dlg.DoModal()); // switches to dlgpack itself
}

int CHeadDialogs::RunFilamentWarning(int& checkBox)
{
    CDlgPackScope scope;
    CFilamentWarning dlg;
    const int result = static_cast<int>(dlg.DoModal());
    checkBox = dlg.m_nCheck;
    return result;
}

int CHeadDialogs::RunIonizerDialog(CHead&, HeadIonizerSettings& s)
{
    CDlgPackScope scope;
    CIonizerDlg dlg;
    dlg.m_nDefElectronEnergy = s.defaultElectronEnergy;
    dlg.m_fDefEmission = s.defaultEmission;
    dlg.m_nDefFocusVoltage = s.defaultFocusVoltage;
    dlg.m_nDefIonEnergy = s.defaultIonEnergy;
    dlg.m_nElectronEnergy = s.electronEnergy;
    dlg.m_fEmission = s.emission;
    dlg.m_nFocusVoltage = s.focusVoltage;
    dlg.m_nIonEnergy = s.ionEnergy;
    dlg.m_nFilament = s.filamentOn;
    dlg.m_nOptionFlag = s.filamentWarning;
    const int result = static_cast<int>(dlg.DoModal());
    if (result == IDOK)
    {
        s.electronEnergy = dlg.m_nElectronEnergy;
        s.emission = dlg.m_fEmission;
        s.focusVoltage = dlg.m_nFocusVoltage;
        s.ionEnergy = dlg.m_nIonEnergy;
        s.filamentOn = dlg.m_nFilament;
        s.filamentWarning = dlg.m_nOptionFlag;
    }
    return result;
}

int CHeadDialogs::RunDuxIonizerDialog(CHead&, HeadDuxIonizerSettings& s)
{
    CDlgPackScope scope;
    CDuxIonizerDlg dlg;
    for (int k = 0; k < 3; ++k)
        dlg.m_strPreset[k] = s.presetText[k];
    dlg.m_nPreset = s.presetIndex;
    dlg.m_nFilament = s.filament;
    dlg.m_nIonEnergy = dlg.m_nDefIonEnergy = s.ionEnergy;
    dlg.m_nElectronEnergy = dlg.m_nDefElectronEnergy = s.electronEnergy;
    dlg.m_nFocusVoltage = dlg.m_nDefFocusVoltage = s.focusVoltage;
    dlg.m_fEmission = dlg.m_fDefEmission = s.emission;
    const int result = static_cast<int>(dlg.DoModal());
    if (result == IDOK)
    {
        s.presetIndex = dlg.m_nPreset;
        s.filament = dlg.m_nFilament;
        s.ionEnergy = dlg.m_nIonEnergy;
        s.electronEnergy = dlg.m_nElectronEnergy;
        s.focusVoltage = dlg.m_nFocusVoltage;
        s.emission = dlg.m_fEmission;
    }
    return result;
}

int CHeadDialogs::RunRfCheckBox(const CString& massText, int& noticeFlag)
{
    CDlgPackScope scope;
    CRfCheckDlg dlg;
    dlg.m_strMass = massText.Left(10);
    dlg.m_nResult = noticeFlag;
    const int result = static_cast<int>(dlg.DoModal());
    if (result == IDOK)
        noticeFlag = dlg.m_nResult;
    return result;
}

namespace
{
// The progress box is a window of the user-interface thread; a search on a port worker shows none.
bool OnMainWindowThread()
{
    CWnd* main = AfxGetMainWnd();
    const HWND hwnd = main ? main->GetSafeHwnd() : NULL;
    return hwnd == NULL || ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId();
}
} // namespace

void CHeadDialogs::ShowRfProgress(const CString& massText)
{
    if (m_pRfProgress == nullptr)
    {
        if (!OnMainWindowThread())
            return;
        CDlgPackScope scope;
        auto* dlg = new CRfCheckDlg;
        if (!dlg->Create(CRfCheckDlg::IDD, nullptr))
        {
            delete dlg;
            return;
        }
        dlg->ShowWindow(SW_SHOW);
        m_pRfProgress = dlg;
    }
    m_pRfProgress->SetDlgItemText(IDC_RF_MASS, massText.Left(10));
    m_pRfProgress->UpdateWindow();
}

void CHeadDialogs::CloseRfProgress()
{
    if (m_pRfProgress == nullptr)
        return;
    m_pRfProgress->DestroyWindow();
    delete m_pRfProgress;
    m_pRfProgress = nullptr;
}

int CHeadDialogs::RunInfoDialog(const HeadInfoTexts& texts)
{
    CDlgPackScope scope;
    CHeadInfoDlg dlg;
    dlg.m_texts = texts;
    return static_cast<int>(dlg.DoModal());
}

int CHeadDialogs::RunCemDialog(CHead& head)
{
    CDlgPackScope scope;
    CCemDlg dlg;
    dlg.m_pHead = &head;
    return static_cast<int>(dlg.DoModal());
}
