#include "scans/LeakScans.h"

#include "dialogs/LeakAudioSetupDlg.h"
#include "dialogs/LeakTestScheduleDlg.h"
#include "dialogs/LeakTestSetupDlg.h"
#include "displays/Display.h"
#include "foundation/AppUiState.h"
#include "doc/LeakData.h"
#include "foundation/Paths.h"
#include "head/Head.h"
#include "res/resource.h"
#include "scans/DynamicLoggingDialog.h"
#include "scans/ScanLogSettings.h"
#include "scans/ScanSite.h"
#include "scans/SpectrumScan.h"
#include "settings/AppSettings.h"
#include "sound/Audio.h"
#include "units/Units.h"

#include <afxdlgs.h>
#include <afxwin.h>

#include <cmath>

IMPLEMENT_SERIAL(CLeakScans, CScan, 1)

CLeakScans::CLeakScans() = default;

CLeakScans::CLeakScans(CLeakData* settings, CHead* head, CDisplay* display)
    : CScan(head, display), m_pSettings(settings)
{
}

CLeakScans::~CLeakScans() = default;

// =============================================================================================
// Document file

void CLeakScans::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pSettings);
        ar.WriteObject(m_pTone.get());
    }
    else
    {
        ar >> m_pSettings;
        m_pTone.reset(static_cast<CAudio*>(ar.ReadObject(RUNTIME_CLASS(CAudio))));
    }
    CScan::Serialize(ar);
}

// =============================================================================================
// Settings words

float CLeakScans::GetTriggerPeriod()
{
    return m_pSettings ? m_pSettings->m_fTriggerPeriod : 0.0f;
}

void CLeakScans::SetTriggerPeriod(float seconds)
{
    if (m_pSettings)
        m_pSettings->m_fTriggerPeriod = seconds;
}

int CLeakScans::GetPeriodUnits()
{
    return m_pSettings ? m_pSettings->m_nPeriodUnits : 0;
}

void CLeakScans::SetPeriodUnits(int units)
{
    if (m_pSettings)
        m_pSettings->m_nPeriodUnits = units;
}

void CLeakScans::SetOptionWord(int word)
{
    if (m_pSettings)
        m_pSettings->m_nScheduleWord = word;
}

int CLeakScans::GetOptionWord()
{
    return m_pSettings ? m_pSettings->m_nScheduleWord : 0;
}

void CLeakScans::SetScanMode(int mode)
{
    if (m_pSettings)
        m_pSettings->m_nScanMode = mode;
}

int CLeakScans::GetScanMode()
{
    return m_pSettings ? m_pSettings->m_nScanMode : SCAN_MODE_CONTINUOUS;
}

float CLeakScans::GetSweepTime()
{
    return m_pSettings ? m_pSettings->m_fTimePerReading : 0.0f;
}

void CLeakScans::SetSweepTime(int seconds)
{
    if (m_pSettings)
        m_pSettings->m_fTimePerReading = static_cast<float>(seconds);
}

void CLeakScans::SetKindValue(int value)
{
    if (m_pSettings)
        m_pSettings->m_fSamplePeriod = static_cast<float>(value);
}

void CLeakScans::SetSettings(CObject* record)
{
    m_pSettings = static_cast<CLeakData*>(record);
}

CObject* CLeakScans::GetSettings()
{
    return m_pSettings;
}

BOOL CLeakScans::EstimateSweepTime(int& seconds)
{
    seconds = 0;
    if (!m_pSettings)
        return 0;
    m_pSettings->UpdateSampleTime();
    seconds = static_cast<int>(std::ceil(m_pSettings->m_fTimePerReading));
    return 1;
}

BOOL CLeakScans::CheckMassRange()
{
    m_nReadings = 0;
    m_nStartTick = 0;
    if (!m_pSettings || !m_pHead || m_pSettings->m_nMass <= m_pHead->GetMassRange())
        return 1;
    CString text;
    text.Format(IDS_LEAK_MASS_RANGE, static_cast<int>(m_pSettings->m_nMass), m_pSettings->m_szGasName);
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    return 0;
}

BOOL CLeakScans::IsLoggingOn()
{
    CScanSite* site = GetActiveScanSite();
    return site ? site->GetLogSettings(SCAN_KIND_LEAK).m_enabled : 0;
}

void CLeakScans::EditLoggingSettings(CWnd* parent)
{
    CScanSite* site = GetSite();
    if (!site)
        return;
    CDynamicLoggingDialog dialog(parent);
    dialog.m_nLayoutMode = 1;
    dialog.Edit(site->GetLogSettings(SCAN_KIND_LEAK), "Leak scan logging settings",
                CAppSettings::GetInstance()->m_logDir[CAppSettings::LOGDIR_LEAK]);
}

// =============================================================================================
// The tone

bool CLeakScans::ToneInUse() const
{
    return m_pTone && m_pSettings && m_pSettings->m_bAudioEnabled;
}

void CLeakScans::OpenToneIfWanted()
{
    if (!m_pSettings || !m_pSettings->m_bAudioEnabled)
        return;
    if (!m_pTone)
        m_pTone = std::make_unique<CAudio>(m_pSettings->m_nPitchMode, m_pSettings->m_fAudioMinimum,
                                           m_pSettings->m_fAudioMaximum);
    // A tone read back from a document file comes closed: it is opened here too, or the run would
    // neither sound nor check the alarm levels.
    if (!m_pTone->Open())
        m_pTone.reset();
}

void CLeakScans::ApplyAudioSettings(int enabled, int pitchMode, float minimum, float maximum)
{
    if (!m_pSettings)
        return;
    if (CScanSite* site = GetActiveScanSite())
        site->MarkModified();
    m_pSettings->m_fAudioMaximum = maximum;
    m_pSettings->m_fAudioMinimum = minimum;
    m_pSettings->m_nPitchMode = pitchMode;
    m_pSettings->m_bAudioEnabled = enabled;
    if (!enabled)
        m_pTone.reset();
    else if (m_pTone && m_pTone->IsOpen())
        m_pTone->SetRange(pitchMode, minimum, maximum);
    else
    {
        m_pTone.reset();
        OpenToneIfWanted();
    }
}

// =============================================================================================
// Dialogs

void CLeakScans::EditParameters()
{
    if (!m_pParameterDlg)
    {
        auto* dialog = new CLeakTestSetupDlg();
        if (CScanSite* site = GetSite())
            dialog->m_strCaptionSuffix = site->GetTitle();
        m_pParameterDlg = dialog;
    }
    auto* dialog = static_cast<CLeakTestSetupDlg*>(m_pParameterDlg);
    if (m_pHead)
        dialog->m_nHighestMass = m_pHead->GetMassRange();
    dialog->m_pSettings = m_pSettings;
    dialog->m_pDisplay = m_pDisplay;
}

BOOL CLeakScans::ShowParameterDialog()
{
    EditParameters();
    if (!::IsWindow(m_pParameterDlg->GetSafeHwnd()) && !m_pParameterDlg->Create(IDD_LEAK_TEST_SETUP, nullptr))
        return 0;
    m_pParameterDlg->RestorePlacement();
    m_pParameterDlg->ShowWindow(CAppUiState::GetInstance()->m_bParamDlgShown ? SW_SHOW : SW_HIDE);
    return 1;
}

void CLeakScans::EditSchedule(CScan* owner)
{
    if (!m_pScheduleDlg)
        m_pScheduleDlg = new CLeakTestScheduleDlg();
    static_cast<CLeakTestScheduleDlg*>(m_pScheduleDlg)->m_pScan = owner ? owner : this;
}

BOOL CLeakScans::ShowScheduleDialog(CScan* owner)
{
    EditSchedule(owner);
    if (!::IsWindow(m_pScheduleDlg->GetSafeHwnd()) &&
        !m_pScheduleDlg->Create(IDD_LEAK_TEST_SCHEDULE, nullptr))
        return 0;
    m_pScheduleDlg->RestorePlacement();
    m_pScheduleDlg->ShowWindow(CAppUiState::GetInstance()->m_bScheduleDlgShown ? SW_SHOW : SW_HIDE);
    return 1;
}

void CLeakScans::EditAudio()
{
    if (!m_pSettings)
        return;
    CLeakAudioSetupDlg dialog;
    dialog.m_bEnabled = m_pSettings->m_bAudioEnabled;
    dialog.m_fMaximum = m_pSettings->m_fAudioMaximum;
    dialog.m_fMinimum = m_pSettings->m_fAudioMinimum;
    dialog.m_nPitchMode = m_pSettings->m_nPitchMode;
    if (dialog.DoModal() == IDOK)
        ApplyAudioSettings(dialog.m_bEnabled, dialog.m_nPitchMode, dialog.m_fMinimum, dialog.m_fMaximum);
}

// =============================================================================================
// Runs

BOOL CLeakScans::AttachDocument(CScanSite* document)
{
    if (document)
        m_pDocument = document;
    m_bStopNow = 0;
    if (!m_pHead)
        return 0;
    if (!m_pHead->CheckHeadPresent())
    {
        m_pTone.reset();
        return 0;
    }
    if (!m_pHead->StopScan() && !m_pHead->Reconnect())
        return 0;
    if (!m_pHead->CheckErrors() && m_pHead->GetAbortFlag())
        return 0;
    if (m_pSettings)
        m_pHead->SetNoiseFloor(m_pSettings->m_nSpeed);
    OpenToneIfWanted();
    m_nReadings = 0;
    m_bArmed = 1;
    return 1;
}

BOOL CLeakScans::Prepare()
{
    if (!m_pHead || !m_pSettings || !m_pHead->CheckHeadPresent())
        return 0;
    m_bWaitingForData = 0;
    CUnits* units = m_pSettings->m_pUnits;
    if (units && units->IsUserUnit() && units->IsAmpsWithHead() &&
        AfxMessageBox(IDS_LEAK_PPM_ONE_MEASUREMENT, MB_YESNO | MB_ICONQUESTION) == IDNO)
        return 0;
    if (units)
        units->Apply(1);
    return PrepareFactors(units);
}

BOOL CLeakScans::StartSeries()
{
    if (!m_bArmed)
        return 1;
    m_bArmed = 0;
    if (!Prepare())
        return 0;
    const int mode = GetScanMode();
    if (mode == SCAN_MODE_SINGLE || mode == SCAN_MODE_TRIGGERED)
        m_nScansLeft = 1;
    if (ToneInUse())
        m_pTone->Play();
    m_bRunning = 1;
    m_bAcquiring = 1;
    m_bArmed = 1;
    m_nPointIndex = 0;
    m_bTakeZero = m_bClearZero = 0;
    m_fZeroOffset = 0.0f;
    m_bContinuous = 0;
    return 1;
}

BOOL CLeakScans::StartContinuous()
{
    m_nReadings = 0;
    m_bStopAtEnd = m_bStopNow = 0;
    if (m_pHead)
        m_pHead->StopScan();
    if (!Prepare())
        return 0;
    if (ToneInUse())
        m_pTone->Play();
    m_nPointIndex = 0;
    m_bTakeZero = m_bClearZero = 0;
    m_fZeroOffset = 0.0f;
    m_bRunning = 1;
    m_bContinuous = 1;
    m_bAcquiring = 1;
    m_pSettings->m_fTriggerPeriod = 0.25f;
    return 1;
}

void CLeakScans::RequestStopNow()
{
    m_bStopNow = 1;
    m_bEndedNormally = 0;
}

void CLeakScans::StampAndSend(float value)
{
    const uint32_t now = GetTickCount();
    if (m_nReadings == 0)
        m_nStartTick = now;
    if (m_pDisplay)
        m_pDisplay->m_nSampleCounter = static_cast<int32_t>(m_nReadings);
    // Unsigned 32-bit milliseconds, so the count passes the tick counter's wrap.
    LeakPointRecord record{static_cast<float>(static_cast<double>(now - m_nStartTick) * 0.001), value};
    SendPoint(&record);
    ++m_nReadings;
}

// The end's kind is known before the finish, which decides by it whether the run's points go to
// the log file.
BOOL CLeakScans::FailureEnd()
{
    m_bEndedNormally = 0;
    FinishScan();
    if (m_pDocument)
        m_pDocument->OnScanFinished();
    return 0;
}

BOOL CLeakScans::NormalEnd()
{
    m_bEndedNormally = 1;
    FinishScan();
    return 0;
}

BOOL CLeakScans::Step()
{
    if (m_bStopNow)
    {
        m_bEndedNormally = 0;
        FinishScan();
        if (m_pDocument)
        {
            m_pDocument->OnScanFinished();
            m_pDocument->SetScanEvent();
        }
        return 0;
    }
    // Not acquiring: nothing to read, and nothing will set the flag while this task runs again.
    if (!m_bAcquiring)
        return 0;
    if (!m_pHead || !m_pSettings || !m_pHead->CheckHeadPresent() ||
        !m_pHead->StartSingleMass(m_pSettings->m_nMass, -1))
        return FailureEnd();
    m_bWaitingForData = 1;
    // No reading within the time-out (the head went quiet or the line broke): the run ends
    // cleanly instead of being left marked as running with nothing to step it.
    if (!m_pHead->WaitForBytes(4, kPointTimeoutMs))
        return FailureEnd();
    m_bWaitingForData = 0;
    float v = 0.0f;
    if (!m_pHead->ReadDataPoint(v))
        return FailureEnd();
    v *= m_fValueFactor;
    if (m_bTakeZero)
    {
        m_fZeroOffset = v;
        m_bTakeZero = 0;
    }
    if (m_bClearZero)
    {
        m_fZeroOffset = 0.0f;
        m_bClearZero = 0;
    }
    v -= m_fZeroOffset;
    StampAndSend(v);
    ++m_nPointIndex;
    if (ToneInUse())
        m_pTone->SetLevel(v);
    else
        m_pSettings->CheckAlarm(v);
    if (!m_bContinuous && --m_nScansLeft <= 0)
        return NormalEnd();
    // At or past the limit (a limit lowered during the run stops it too).
    if (m_nPointIndex >= m_pSettings->m_nMaxPoints)
    {
        if (m_bStopAtEnd)
            m_nPointIndex = m_bStopAtEnd = 0;
        AfxMessageBox(IDS_LEAK_BUFFER_FULL, MB_ICONINFORMATION);
        m_bStopNow = 1;
        return NormalEnd();
    }
    return 1;
}

void CLeakScans::FinishScan()
{
    CScanSite* site = GetSite();
    const bool repeating = site && site->IsRepeating();
    // A run that ended by request, by the point limit or by a failure leaves its points in a file;
    // readings that end by count do not.
    const bool quietEnd = m_bEndedNormally && !m_bStopNow && m_bStopAtEnd != 1;
    if (!quietEnd && !repeating)
        CloseScanLog();
    m_bStopNow = 0;
    m_bStopAtEnd = 0;
    if (!m_pHead || !m_pHead->CheckHeadPresent() || !m_pHead->StopScan())
    {
        if (site)
            site->RebindInstrument();
    }
    m_bRunning = 0;
    if (ToneInUse())
        m_pTone->Stop();
    m_bAcquiring = 0;
    if (!repeating)
    {
        EnableParameterDialog(1);
        EnableScheduleDialog(1);
    }
}

void CLeakScans::ApplyParameters()
{
    AttachDocument(m_pDocument);
    if (m_pDisplay && m_pDisplay->Rebuild())
    {
        StopLogging();
        DropBackground();
    }
}

void CLeakScans::ApplySchedule()
{
    AttachDocument(m_pDocument);
    if (m_pDisplay)
        m_pDisplay->UpdateXStep();
    StopLogging();
    DropBackground();
}

// =============================================================================================
// Files

BOOL CLeakScans::CloseScanLog()
{
    CScanSite* site = GetSite();
    if (!site)
    {
        m_bLoggingOn = 0;
        return 0;
    }
    const CScanLogSettings settings = site->GetLogSettings(SCAN_KIND_LEAK);
    if (!settings.m_enabled)
    {
        m_bLoggingOn = 0;
        return 0;
    }
    m_bLoggingOn = 1;
    CString name =
        settings.m_nameRule == CScanLogSettings::kNameUserDefined ? settings.m_fileName : site->GetTitle();
    name += "_" + m_strFileStamp + (settings.m_fileType == 1 ? ".kel" : ".txt");
    // Two runs stopped in the same second keep both files.
    m_strLogFile = MakeUniquePath(JoinPath(std::string(settings.m_folder), std::string(name)).c_str());
    return settings.m_fileType == 1 ? SaveDocumentCopy(m_strLogFile) : WriteAsciiFile(m_strLogFile);
}

BOOL CLeakScans::ExportAscii()
{
    CFileDialog dialog(FALSE, "txt", nullptr,
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_SHOWHELP,
                       "Ascii Files (*.txt) |*.txt|All Files (*.*)|*.*||");
    if (dialog.DoModal() == IDOK)
        WriteAsciiFile(dialog.GetPathName());
    return 1;
}

BOOL CLeakScans::WriteAsciiFile(LPCTSTR path)
{
    if (!m_pSettings)
        return 0;
    const CLeakData& s = *m_pSettings;
    CString text = CTime::GetCurrentTime().Format("%I:%M:%S %p  %A, %B %d, %Y");
    text.AppendFormat("\n%s \nKEL Software Version, %1.2f\n\n", CSpectrumScan::kProductBanner,
                      CSpectrumScan::kSoftwareVersion);
    text += "Leak Test Scan Setup:\n\n";
    const bool cemOn = m_pHead && m_pHead->IsCemPresent() && m_pHead->GetHighVoltageState();
    text.AppendFormat("Mass, %d \nName, %s \nUnits, %s \nNoise Floor, %d\n%s\n\t\t\t\t   Calibration Factor, "
                      "%1.2f \nSample Period, %1.2f, sec\n",
                      static_cast<int>(s.m_nMass), s.m_szGasName, s.m_pUnits ? s.m_pUnits->m_szUnitName : "",
                      static_cast<int>(s.m_nSpeed), cemOn ? "CEM Status, ON" : "CEM Status, OFF",
                      static_cast<double>(s.m_fScalingFactor), static_cast<double>(s.m_fSamplePeriod));
    CString report;
    if (m_pHead)
        m_pHead->FormatSettingsReport(report);
    text += report + "\n\n";
    text += "Time(s)    Data\n";
    const int count = m_pDisplay ? m_pDisplay->GetValueCount() : 0;
    for (int i = 0; i < count; ++i)
        text.AppendFormat("%4.3f,   %1.2E \n", static_cast<double>(m_pDisplay->GetSecondValueAt(i)),
                          static_cast<double>(m_pDisplay->GetValueAt(i)));

    // The cause of a failed open is given by its number.
    return WriteTextFile(path, text, TRUE);
}
