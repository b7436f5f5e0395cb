// Bringing a head on line and keeping it there: connection, identification, the status thread,
// the error-status checks, the RF check and the operations that run a head dialog.
#include "head/Head.h"

#include "comm/Comm.h"
#include "head/HeadTexts.h"
#include "mfc/ModuleState.h"
#include "mfc/WinAppCore.h"
#include "win32/prompt.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
constexpr DWORD kReplyTimeoutMs = 10000;
constexpr DWORD kThreadEndMs = 10000;
constexpr int kIdMinLength = 17;
constexpr int kIdTries = 3;
constexpr double kRfLevelMin = 2.2;

std::atomic<IHeadDialogs*> g_dialogs{nullptr};
std::atomic<IHeadAskPolicy*> g_askPolicy{nullptr};

// Asks nobody: gives up as a quiet head does.
class CNobodyToAsk : public IHeadAskPolicy
{
public:
    BOOL AskRetry(LPCTSTR) override { return FALSE; }
    int AskAbortRetryIgnore(LPCTSTR) override { return IDABORT; }
    void Tell(LPCTSTR, UINT) override {}
};

// "%1" of a message replaced by arg.
CString FormatWith(LPCTSTR text, LPCTSTR arg)
{
    CString s(text);
    s.Replace("%1", arg);
    return s;
}
} // namespace

void CHead::SetDialogs(IHeadDialogs* dialogs)
{
    g_dialogs = dialogs;
}

IHeadDialogs* CHead::GetDialogs()
{
    return g_dialogs;
}

void CHead::SetAskPolicy(IHeadAskPolicy* policy)
{
    g_askPolicy = policy;
}

IHeadAskPolicy* CHead::GetAskPolicy()
{
    return g_askPolicy;
}

IHeadAskPolicy& CHead::Ask()
{
    static CNobodyToAsk nobody;
    IHeadAskPolicy* policy = GetAskPolicy();
    return policy && !m_bQuiet ? *policy : nobody;
}

int CHead::WaitBox(int limit, int mode, UINT textId, LPCTSTR text)
{
    // A quiet head shows no wait box either: it may be used away from the user-interface thread.
    IHeadDialogs* dialogs = m_bQuiet ? nullptr : GetDialogs();
    const int result =
        dialogs ? dialogs->RunWaitBox(*this, limit, mode, textId, CString(text ? text : "")) : -1;
    if (result == -1)
    {
        // No box could run: still take the head's "done" status off the line within the box's
        // limit, or it would be read as the reply to the next query.
        const DWORD start = GetTickCount();
        int pending = 0;
        while (PollStatus(pending) && !pending && GetTickCount() - start < DWORD(limit) * 500)
            WaitForBytes(2, 500);
    }
    return result;
}

// =============================================================================================
// Status thread

DWORD WINAPI CHead::StatusThreadProc(LPVOID param)
{
    // The thread keeps its own reference: a head that gave up waiting for it may be gone.
    std::unique_ptr<std::shared_ptr<StatusShared>> arg(static_cast<std::shared_ptr<StatusShared>*>(param));
    std::shared_ptr<StatusShared> status = std::move(*arg);
    arg.reset();
    while (!status->stop)
    {
        // A drop before the first wait was armed raises no line event: look at DSR itself.
        if (!status->comm->IsDsrHigh())
        {
            CWinApp* app = AfxGetApp();
            ::MessageBox(nullptr, "Line is disconnected!", app && app->m_pszAppName ? app->m_pszAppName : "",
                         MB_OK);
            status->lost = 1;
            break;
        }
        if (status->comm->OnCommEvent() != 0)
        {
            // The line is gone; the head drops its CComm on its own thread, where it is used.
            status->lost = 1;
            break;
        }
    }
    status->comm.reset();
    status->ended = 1;
    return 0;
}

void CHead::StopStatusThread()
{
    if (m_hStatusThread)
    {
        std::shared_ptr<StatusShared> status = m_pStatus;
        if (status && !status->ended)
        {
            status->stop = 1;
            if (!status->lost && m_pComm)
            {
                // Traffic on the line wakes the thread's wait; so does re-arming its events.
                m_pComm->Send("ER?");
                const DWORD start = GetTickCount();
                while (WaitForSingleObject(m_hStatusThread, 20) != WAIT_OBJECT_0)
                {
                    if (GetTickCount() - start >= kThreadEndMs)
                        break;
                    if (CCommPort* port = m_pComm->GetPort())
                    {
                        DWORD mask = 0;
                        port->GetEventMask(mask);
                        port->SetEventMask(mask);
                    }
                }
            }
            else
                WaitForSingleObject(m_hStatusThread, kThreadEndMs);
        }
        CloseHandle(m_hStatusThread);
        m_hStatusThread = nullptr;
    }
    // A thread that did not end in time keeps the CComm alive until it does.
    m_pStatus.reset();
}

void CHead::DropLine()
{
    StopStatusThread();
    m_pComm.reset();
    m_bOnline = 0;
    m_nStatusOwed = 0;
}

// =============================================================================================
// Connection

BOOL CHead::IsOnline()
{
    return Line() && m_bOnline ? 1 : 0;
}

BOOL CHead::IsConnected()
{
    return Line() ? 1 : 0;
}

BOOL CHead::CheckHeadPresent()
{
    CComm* comm = Line();
    if (!comm)
        return 0;
    while (!comm->IsDsrHigh())
    {
        if (!Ask().AskRetry(kTextDsrLow))
            return 0;
    }
    return 1;
}

BOOL CHead::QueryId(CString& reply)
{
    reply.Empty();
    for (int i = 0; i < kIdTries; ++i)
    {
        // A silent "ID?" latches the no-response flag; the next try must still go out.
        m_bNoResponse = 0;
        if (Query("ID?", reply) && reply.GetLength() >= kIdMinLength)
            return 1;
    }
    return 0;
}

BOOL CHead::IdentifyHead()
{
    CComm* comm = Line();
    if (!comm)
        return 0;
    CString id;
    for (;;)
    {
        while (!comm->IsDsrHigh())
        {
            if (!Ask().AskRetry(kTextDsrLow))
                return 0;
        }
        StopScan();
        if (QueryId(id))
            break;
        if (!Ask().AskRetry(kTextDsrLow))
            return 0;
        if (!(comm = Line()))
            return 0;
    }

    return ApplyIdReply(id);
}

BOOL CHead::ApplyIdReply(const CString& id)
{
    const CString maker = id.Left(6);
    int family;
    if (maker == "ZOLDUX")
    {
        if (m_nFamily == HEAD_FAMILY_KEL)
            Ask().Tell(kTextOtherFamily, MB_OK | MB_ICONINFORMATION);
        if (m_nFamily == HEAD_FAMILY_KEL || m_nPresetIndex == 4)
            m_nPresetIndex = 0;
        family = HEAD_FAMILY_DUX;
    }
    else if (maker == "ZOLJOV" || maker == "ZOLKEL")
    {
        family = maker == "ZOLJOV" ? HEAD_FAMILY_JOV : HEAD_FAMILY_KEL;
        m_nPresetIndex = 4;
    }
    else
    {
        Ask().Tell(FormatWith(kTextBadId, maker), MB_OK | MB_ICONERROR);
        m_bOnline = 0;
        return 0;
    }

    const CString model = id.Mid(3, 6);
    const CString range = model.Mid(3, 3);
    int massRange = 0;
    if (range == "100" || range == "150" || range == "200" || range == "300")
        massRange = std::atoi(range);
    else if (range == "006")
        massRange = 6;
    if (massRange == 0)
    {
        Ask().Tell(FormatWith(kTextBadId, model), MB_OK | MB_ICONERROR);
        m_bOnline = 0;
        return 0;
    }

    m_nFamily = family;
    m_nMassRange = massRange;
    std::snprintf(m_szModel, sizeof m_szModel, "%s", static_cast<LPCTSTR>(model));
    m_fFirmware = float(std::atof(id.Mid(12, 4)));
    m_nSerial = std::atoi(id.Mid(18, 5));
    m_bOnline = 1;
    float sensitivity = 0;
    QuerySP(sensitivity);
    QueryST(sensitivity);
    return 1;
}

BOOL CHead::AttachLine(std::shared_ptr<CComm> comm, int port)
{
    m_pComm = std::move(comm);
    m_nPort = port;
    m_bNoResponse = 0;
    m_nStatusOwed = 0;
    if (!IdentifyHead())
    {
        m_pComm.reset();
        m_bOnline = 0;
        return 0;
    }
    return 1;
}

BOOL CHead::Connect(int port)
{
    if (m_pComm)
        DropLine();
    auto comm = std::make_shared<CComm>();
    if (comm->Open(port) != 0 || !AttachLine(std::move(comm), port))
        return 0;
    m_bNoResponse = 0;

    m_pStatus = std::make_shared<StatusShared>();
    m_pStatus->comm = m_pComm;
    auto* arg = new std::shared_ptr<StatusShared>(m_pStatus);
    m_hStatusThread = CreateThread(nullptr, 0, &CHead::StatusThreadProc, arg, 0, nullptr);
    if (!m_hStatusThread)
    {
        delete arg;
        m_pStatus.reset();
    }

    BringOnline();
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt("Last Port Used", "Com Port", port);
    m_bRfNotice = 0;
    return 1;
}

void CHead::BringOnline()
{
    int on = 0;
    IsFilamentOn(on);
    LoadFamilyDefaults();
    m_fEmission = m_fDefEmission;
    if (m_nFamily == HEAD_FAMILY_DUX)
    {
        const int i = (m_nPresetIndex >= 0 && m_nPresetIndex <= 3) ? m_nPresetIndex : 3;
        SetIonEnergyWithProgress(m_nPresetIon[i]);
        SetElectronEnergyWithProgress(m_nPresetElectron[i]);
        SetFocusVoltageWithProgress(m_nPresetFocus[i]);
        IsFilamentOn(on);
        m_fEmission = m_fPresetEmission[i];
        if (on)
            SwitchFilamentWithProgress(1);
    }

    int present = 0;
    RefreshCemState(present);
    if (m_bCemPresent && m_bFilamentOn)
    {
        SetHighVoltage(m_nHighVoltageRequest);
        int status = 0;
        if (ReadIntReply(status) && status != 0)
            CheckErrors();
    }
}

BOOL CHead::Disconnect()
{
    DropLine();
    m_bNoResponse = 0;
    return 1;
}

BOOL CHead::Reconnect()
{
    Disconnect();
    return Connect(m_nPort);
}

BOOL CHead::PollStatus(int& pending)
{
    pending = 0;
    if (!LineOnline())
        return 0;
    if (GetBytesWaiting() < 2)
        return 1;
    pending = 1;
    int status = 0;
    if (ReadIntReply(status) && status != 0)
        CheckErrors();
    return 1;
}

// =============================================================================================
// Error status

BOOL CHead::QueryStatusByte(int& value)
{
    return QueryInt("ER?", value);
}

BOOL CHead::QueryEP(int& value)
{
    return QueryInt("EP?", value);
}

BOOL CHead::QueryED(int& value)
{
    return QueryInt("ED?", value);
}

BOOL CHead::QueryEQ(int& value)
{
    return QueryInt("EQ?", value);
}

BOOL CHead::QueryEM(int& value)
{
    return QueryInt("EM?", value);
}

BOOL CHead::QueryEF(int& value)
{
    return QueryInt("EF?", value);
}

BOOL CHead::QueryEC(int& value)
{
    return QueryInt("EC?", value);
}

namespace
{
enum Group
{
    kGroupEP,
    kGroupED,
    kGroupEQ,
    kGroupEM,
    kGroupEF,
    kGroupEC
};

#define KEL_TAIL "\nPlease refer to the Troubleshooting section\nin the Hardware manual for more information "

const char* const kTextStatus7 =
    "KEL Head Error:\nUndefined status bit set; the status reply may be corrupted.\n"
    "Error Code: ER7" KEL_TAIL;
} // namespace

BOOL CHead::CheckErrors()
{
    m_bAbort = 0;
    m_bFilamentError[0] = m_bFilamentError[1] = m_bFilamentError[2] = 0;
    m_bStatusTimedOut = 0;
    if (!Line())
        return 0;

    int status = 0;
    for (;;)
    {
        SendCommand("ER?");
        CString reply;
        if (!ReadReply(reply, kReplyTimeoutMs))
        {
            m_bStatusTimedOut = 1;
            const int answer = Ask().AskAbortRetryIgnore(kTextStatusTimeout);
            if (answer == IDRETRY && Line())
                continue;
            if (answer == IDABORT)
            {
                m_bAbort = 1;
                return 0;
            }
            // No status byte came: there is nothing for the group handlers to look at.
            return answer == IDIGNORE ? 1 : 0;
        }
        status = std::atoi(reply);
        if (status == 0)
            return 1;
        if (status & 0x80)
        {
            const int answer = Ask().AskAbortRetryIgnore(kTextStatus7);
            if (answer == IDABORT)
            {
                m_bAbort = 1;
                return 0;
            }
            if (answer == IDRETRY)
                continue;
        }
        break;
    }

    if ((status & 0x40) && !HandleEP(status))
        return 0;
    if ((status & 0x20) && !HandleED(status))
        return 0;
    if ((status & 0x10) && !HandleEQ(status))
        return 0;
    if ((status & 0x08) && !HandleEM(status))
        return 0;
    if ((status & 0x02) && !HandleEF(status))
        return 0;
    return 1;
}

BOOL CHead::HandleGroup(LPCTSTR query, const ErrorBit* bits, int count, int group)
{
    for (;;)
    {
        if (!Line())
            return 0;
        if (group == kGroupEP || group == kGroupEM)
            m_bCemPresent = 1;
        SendCommand(query);
        CString reply;
        if (!ReadReply(reply, kReplyTimeoutMs))
        {
            m_bStatusTimedOut = 1;
            const int answer = Ask().AskAbortRetryIgnore(kTextStatusTimeout);
            if (answer == IDRETRY)
                continue;
            if (answer == IDABORT)
            {
                m_bAbort = 1;
                return 0;
            }
            return 1;
        }
        const int value = std::atoi(reply);
        if (value == 0)
            return 1;

        int last = 0;
        for (int i = 0; i < count; ++i)
        {
            const int bit = bits[i].bit;
            if (!(value & (1 << bit)))
                continue;
            if ((group == kGroupEP || group == kGroupEM) && bit == 7)
                m_bCemPresent = 0;
            if (group == kGroupEF)
            {
                if (bit == 6)
                    m_bFilamentError[0] = 1;
                else if (bit == 5)
                    m_bFilamentError[1] = 1;
                else if (bit == 0)
                    m_bFilamentError[2] = 1;
            }
            if (group == kGroupEC && bit <= 4)
                m_bStatusTimedOut = 1;
            if (group == kGroupEQ && bit == 7)
            {
                CheckRfSupply();
                last = IDIGNORE;
                continue;
            }
            last = Ask().AskAbortRetryIgnore(bits[i].text);
            if (last == IDABORT)
            {
                m_bAbort = 1;
                return 0;
            }
        }
        if (last != IDRETRY)
            return 1;
    }
}

BOOL CHead::HandleEP(int)
{
    static const ErrorBit kBits[] = {
        {7,
         "KEL Head Error:\nExternal 24 V power supply failure\nVoltage > 26 Volts\nError Code: PS7" KEL_TAIL},
        {6,
         "KEL Head Error:\nExternal 24 V power supply failure\nVoltage < 22 Volts\nError Code: PS6" KEL_TAIL},
    };
    return HandleGroup("EP?", kBits, 2, kGroupEP);
}

BOOL CHead::HandleED(int)
{
    static const ErrorBit kBits[] = {
        {7, "KEL Head Electrometer Error:\nADC16 Test failure\nError Code: DET7" KEL_TAIL},
        {6,
         "KEL Head Error:\nElectrometer Error.\nElectrometer self test failure\nError Code: DET6" KEL_TAIL},
        {5, "KEL Head Error:\nElectrometer Error.\nDETECT failed to read -5nA input current\nError Code: "
            "DET5" KEL_TAIL},
        {4, "KEL Head Error:\nElectrometer Error.\nCOMPENSATE failed to read +5nA input current\nError Code: "
            "DET4" KEL_TAIL},
        {3, "KEL Head Error:\nElectrometer Error.\nDETECT failed to read -5nA input current\nError Code: "
            "DET3" KEL_TAIL},
        {1, "KEL Head Error:\nElectrometer Error.\nElectrometer reading out of range\nError Code: "
            "DET1" KEL_TAIL},
    };
    return HandleGroup("ED?", kBits, 6, kGroupED);
}

BOOL CHead::HandleEQ(int)
{
    static const ErrorBit kBits[] = {
        {7, nullptr}, // runs the RF check instead of a box
        {6, "KEL Head Error:\nRF P/S Error.\nPrimary current exceeded 1.5A\nError Code: RF6" KEL_TAIL},
        {4, "KEL Head Error:\nRF P/S Error.\nPower supply in current limited mode\nError Code: RF4" KEL_TAIL},
    };
    return HandleGroup("EQ?", kBits, 3, kGroupEQ);
}

BOOL CHead::HandleEM(int)
{
    static const ErrorBit kBits[] = {
        {7, "KEL Head Error:\nElectrom multiplier error.\nChannel Electron Multiplier option not installed "
            "in this "
            "head\nError Code: EM7" KEL_TAIL},
        {6, "KEL Head Error:\nElectron multiplier error.\nThe Channel Electron Multiplier can only be biased "
            "while "
            "the filament is on\nError Code: EM6" KEL_TAIL},
    };
    return HandleGroup("EM?", kBits, 2, kGroupEM);
}

BOOL CHead::HandleEF(int)
{
    static const ErrorBit kBits[] = {
        {7,
         "KEL Head Error:\nFilament error.\nFilament protection circuit tripped\nError Code: FL7" KEL_TAIL},
        {6, "KEL Head Error:\nFilament error.\nEmission current could not be regulated\nError Code: "
            "FL6" KEL_TAIL},
        {5, "KEL Head Error:\nFilament error.\nFilament heater supply failure\nError Code: FL5" KEL_TAIL},
        {0, "KEL Head Error:\nFilament error.\nOpen filament\nError Code: FL0" KEL_TAIL},
    };
    return HandleGroup("EF?", kBits, 4, kGroupEF);
}

BOOL CHead::HandleEC(int)
{
    static const ErrorBit kBits[] = {
        {6, "KEL Head Error:\nCommunication error.\nCommand buffer overflow\nError Code: EC6" KEL_TAIL},
        {5, "KEL Head Error:\nCommunication error.\nUnknown command received\nError Code: EC5" KEL_TAIL},
        {4, "KEL Head Error:\nCommunication error.\nParameter out of range\nError Code: EC4" KEL_TAIL},
        {3, "KEL Head Error:\nCommunication error.\nCommand too long\nError Code: EC3" KEL_TAIL},
        {2,
         "KEL Head Error:\nCommunication error.\nFraming error on the serial line\nError Code: EC2" KEL_TAIL},
        {1,
         "KEL Head Error:\nCommunication error.\nParity error on the serial line\nError Code: EC1" KEL_TAIL},
        {0, "KEL Head Error:\nCommunication error.\nReceive overrun on the serial line\nError Code: "
            "EC0" KEL_TAIL},
    };
    return HandleGroup("EC?", kBits, 7, kGroupEC);
}

#undef KEL_TAIL

// =============================================================================================
// RF supply

BOOL CHead::CheckRfSupply()
{
    if (!LineOnline())
        return 0;
    int finalMass = 0;
    if (!QueryFinalMass(finalMass))
        return 0;

    const int range = m_nMassRange;
    int mass = range;
    double level = 0.0;
    int round = 0;
    int lastStep = range + 26; // the first round always measures
    // The progress box goes down on every way out of the search, before any other box.
    struct ProgressScope
    {
        IHeadDialogs* dialogs;
        ~ProgressScope() { Close(); }
        void Close()
        {
            if (dialogs)
                dialogs->CloseRfProgress();
            dialogs = nullptr;
        }
    } progress{m_bQuiet ? nullptr : GetDialogs()};
    for (;;)
    {
        if (level >= kRfLevelMin && lastStep <= 25)
            break;
        ++round;
        if (progress.dialogs)
            progress.dialogs->ShowRfProgress(HeadFormat("%d AMU", mass));
        if (!SendRaw(HeadFormat("ML%d", mass)))
            return 0;
        float a0 = 0, a1 = 0;
        if (!QueryFloat("AD0", a0) || !QueryFloat("AD1", a1))
            return 0;
        level = 6.0 * a0 - 5.0 * a1;
        // The halving step must not reach 0, or a level hovering below the limit would hold
        // the search at one mass for ever.
        int step = range / (2 * round);
        if (step < 1)
            step = 1;
        if (level >= kRfLevelMin)
            mass += step;
        else
        {
            if (mass <= 10)
            {
                progress.Close();
                Ask().Tell(kTextRfError, MB_OK | MB_ICONERROR);
                return 0;
            }
            mass -= step;
        }
        lastStep = step;
    }

    progress.Close();
    if (mass < range && mass <= finalMass && !m_bRfNotice)
    {
        if (IHeadDialogs* dialogs = GetDialogs())
        {
            int notice = m_bRfNotice;
            dialogs->RunRfCheckBox(HeadFormat("%d AMU", mass), notice);
            m_bRfNotice = notice;
        }
    }
    return 1;
}

// =============================================================================================
// Operations with a wait box

BOOL CHead::InitializeWithProgress()
{
    const BOOL ok = Initialize();
    if (ok)
        WaitBox(20, 1, IDS_HEAD_WAIT_INITIALIZE);
    return ok;
}

BOOL CHead::CalibrateWithProgress()
{
    if (!LineOnline())
        return 0;
    StopScan();
    const BOOL ok = Calibrate();
    if (ok)
        WaitBox(120, 1, IDS_HEAD_WAIT_CALIBRATE);
    return ok;
}

BOOL CHead::DegasWithProgress()
{
    if (!LineOnline())
        return 0;
    const BOOL ok = Degas();
    if (ok && WaitBox(400, 0, 0, "Degassing the ionizer") == IDCANCEL)
        StopScan();
    return ok;
}

BOOL CHead::HighVoltageOnWithProgress()
{
    const BOOL ok = SetHighVoltage(1);
    if (ok)
        WaitBox(80, 1, IDS_HEAD_WAIT_CEM_ON);
    return ok;
}

BOOL CHead::HighVoltageOffWithProgress()
{
    const BOOL ok = HighVoltageOff();
    if (ok)
        WaitBox(80, 1, IDS_HEAD_WAIT_CEM_OFF);
    return ok;
}

BOOL CHead::SwitchFilamentWithProgress(int on)
{
    if (on)
    {
        const BOOL ok = FilamentOn();
        if (ok)
            WaitBox(m_nFamily == HEAD_FAMILY_DUX ? 100 : 80, 1, 0, "Switching the filament on");
        return ok;
    }
    const BOOL ok = FilamentOff();
    if (ok)
        WaitBox(10, 1, 0, "Switching the filament off");
    return ok;
}

BOOL CHead::FilamentOnAndWait()
{
    const BOOL ok = FilamentOn();
    if (ok)
        WaitBox(10, 1, 0, "Switching the filament on");
    int on = 0;
    IsHighVoltageOn(on);
    return ok;
}

BOOL CHead::SetWithProgress(BOOL (CHead::*set)(int), int value, int limit, LPCTSTR text, int& kept)
{
    const BOOL ok = (this->*set)(value);
    if (ok)
    {
        WaitBox(limit, 1, 0, text);
        kept = value;
    }
    return ok;
}

BOOL CHead::SetIonEnergyWithProgress(int value)
{
    return SetWithProgress(&CHead::SetIonEnergy, value, 10, "Setting the ion energy", m_nIonEnergy);
}

BOOL CHead::SetElectronEnergyWithProgress(int value)
{
    return SetWithProgress(&CHead::SetElectronEnergy, value, 10,
                           "Setting the electron impact\nionization energy", m_nElectronEnergy);
}

BOOL CHead::SetFocusVoltageWithProgress(int value)
{
    return SetWithProgress(&CHead::SetFocusVoltage, value, 2, "Setting the plate focus voltage",
                           m_nFocusVoltage);
}

BOOL CHead::EnsureFilamentOn()
{
    int on = 0;
    if (!IsFilamentOn(on))
        return 0;
    if (on)
        return 1;
    if (m_bSkipOnce)
    {
        m_bSkipOnce = 0;
        return 1;
    }
    if (!m_bFilamentWarning)
        return 1;
    IHeadDialogs* dialogs = GetDialogs();
    if (!dialogs)
        return 0;
    int checkBox = 0;
    const int answer = dialogs->RunFilamentWarning(checkBox);
    if (answer == IDOK)
    {
        FilamentOn();
        WaitBox(10, 1, 0, "Switching the filament on");
        if (m_bCemPresent)
        {
            int hv = 0;
            IsHighVoltageOn(hv);
        }
    }
    else if (answer == 100)
        m_bSkipOnce = 1;
    else
        return 0;
    m_bFilamentWarning = checkBox ? 0 : 1;
    return 1;
}

// =============================================================================================
// Dialogs

BOOL CHead::RunIonizerDialog()
{
    StopScan();
    int on = 0;
    IsFilamentOn(on);
    IHeadDialogs* dialogs = GetDialogs();
    if (!dialogs)
        return 0;

    if (m_nFamily != HEAD_FAMILY_DUX)
    {
        HeadIonizerSettings s;
        s.defaultElectronEnergy = m_nDefElectronEnergy;
        s.defaultEmission = m_fDefEmission;
        s.defaultFocusVoltage = m_nDefFocusVoltage;
        s.defaultIonEnergy = m_nDefIonEnergy;
        s.filamentOn = m_bFilamentOn;
        s.filamentWarning = m_bFilamentWarning;
        QueryFocusVoltage(s.focusVoltage);
        QueryElectronEnergy(s.electronEnergy);
        QueryIonEnergy(s.ionEnergy);
        s.emission = m_fEmission;
        if (dialogs->RunIonizerDialog(*this, s) != IDOK)
            return 0;
        SetIonEnergyWithProgress(s.ionEnergy);
        SetElectronEnergyWithProgress(s.electronEnergy);
        SetFocusVoltageWithProgress(s.focusVoltage);
        m_fEmission = s.emission;
        SwitchFilamentWithProgress(s.filamentOn);
        m_bFilamentWarning = s.filamentWarning;
    }
    else
    {
        HeadDuxIonizerSettings s;
        for (int i = 0; i < 3; ++i)
            s.presetText[i] =
                HeadFormat("Electron energy %2i eV\nFocus voltage %2i V\nEmission current %5.3f mA",
                           m_nPresetElectron[i], m_nPresetFocus[i], double(m_fPresetEmission[i]));
        s.ionEnergy = m_nPresetIon[3];
        s.electronEnergy = m_nPresetElectron[3];
        s.focusVoltage = m_nPresetFocus[3];
        s.emission = m_fPresetEmission[3];
        s.presetIndex = (m_nPresetIndex >= 0 && m_nPresetIndex <= 3) ? m_nPresetIndex : 0;
        s.filament = m_bFilamentOn ? 0 : 1;
        if (dialogs->RunDuxIonizerDialog(*this, s) != IDOK)
            return 0;
        const int i = (s.presetIndex >= 0 && s.presetIndex <= 3) ? s.presetIndex : 3;
        m_nPresetIndex = i;
        if (i == 3)
        {
            m_nPresetIon[3] = s.ionEnergy;
            m_nPresetElectron[3] = s.electronEnergy;
            m_nPresetFocus[3] = s.focusVoltage;
            m_fPresetEmission[3] = s.emission;
        }
        SetIonEnergyWithProgress(m_nPresetIon[i]);
        SetElectronEnergyWithProgress(m_nPresetElectron[i]);
        SetFocusVoltageWithProgress(m_nPresetFocus[i]);
        m_fEmission = m_fPresetEmission[i];
        SwitchFilamentWithProgress(s.filament == 0);
    }

    if (m_bCemPresent)
    {
        int hv = 0;
        IsHighVoltageOn(hv);
    }
    float value = 0;
    QueryST(value);
    QuerySP(value);
    return 1;
}

BOOL CHead::RunCemDialog()
{
    if (!LineOnline())
        return 0;
    StopScan();
    int present = 0;
    RefreshCemState(present);
    IHeadDialogs* dialogs = GetDialogs();
    if (!m_bCemPresent || !dialogs)
        return 0;
    dialogs->RunCemDialog(*this);
    return 1;
}

void CHead::ShowInfoDialog()
{
    if (!IdentifyHead())
        return;
    IHeadDialogs* dialogs = GetDialogs();
    if (!dialogs)
        return;

    HeadInfoTexts t;
    // Fills the texts in order and stops at the first question the head does not answer.
    [&]
    {
        CString model;
        float f = 0;
        int n = 0;
        if (!GetModelString(model))
            return;
        t.model = model;
        if (!GetFirmwareVersion(f))
            return;
        t.firmware = HeadFormat("%1.2f", double(f));
        if (!GetSerialNumber(n))
            return;
        t.serialNumber = HeadFormat("%d", n);
        if (!QuerySP(f))
            return;
        t.partialSensitivity = HeadFormat("Partial: %1.2e Amp/Torr", double(f));
        if (m_nFamily != HEAD_FAMILY_DUX)
        {
            if (!QueryST(f))
                return;
            t.totalSensitivity = HeadFormat("Total: %1.2e Amp/Torr", double(f));
        }
        else
            t.totalSensitivity = HeadFormat("for mode %i :", m_nPresetIndex + 1);
        if (!QueryCemOption(n))
            return;
        t.cemOption = HeadFormat("%d", n);
        int present = 0;
        if (!RefreshCemState(present))
            return;
        t.cemState = present ? "Installed" : "Not installed";
        t.cemVoltage = HeadFormat("%d", m_nCemVoltage);
        t.cemGain = HeadFormat("%1.2E", double(m_fCemGain));
        if (!QueryHighVoltage(n))
            return;
        t.highVoltage = HeadFormat("%d", n);
        if (!QueryStatusByte(n))
            return;
        t.statusByte = HeadFormat("%d", n);
        struct
        {
            BOOL (CHead::*query)(int&);
            CString* text;
        } groups[] = {{&CHead::QueryEP, &t.errorEP}, {&CHead::QueryED, &t.errorED},
                      {&CHead::QueryEQ, &t.errorEQ}, {&CHead::QueryEM, &t.errorEM},
                      {&CHead::QueryEF, &t.errorEF}, {&CHead::QueryEC, &t.errorEC}};
        for (auto& g : groups)
        {
            if (!(this->*g.query)(n))
                return;
            *g.text = HeadFormat("%d", n);
        }
        if (!QueryElectronEnergy(n))
            return;
        t.electronEnergy = HeadFormat("%d", n);
        if (!QueryEmissionCurrent(f))
            return;
        t.emission = HeadFormat(m_nFamily == HEAD_FAMILY_DUX ? "%5.3f" : "%4.2f", double(f));
        if (!QueryFocusVoltage(n))
            return;
        t.focusVoltage = HeadFormat("%d", n);
        if (!QueryIonEnergy(n))
            return;
        t.ionEnergy = HeadFormat("%d", n);
        if (!QueryRS(f))
            return;
        t.rs = HeadFormat("%1.4f", double(f));
        if (!QueryRI(f))
            return;
        t.ri = HeadFormat("%1.4f", double(f));
        if (!QueryDS(f))
            return;
        t.ds = HeadFormat("%1.4f", double(f));
        if (!QueryDI(n))
            return;
        t.di = HeadFormat("%d", n);
    }();
    dialogs->RunInfoDialog(t);
}
