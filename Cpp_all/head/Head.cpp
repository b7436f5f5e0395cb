// The head's command set: queries, verified setters, data points, scans and the stored settings.
#include "head/Head.h"

#include "KelException.h"
#include "comm/Comm.h"
#include "mfc/ModuleState.h"
#include "mfc/WinAppCore.h"
#include "head/HeadTexts.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

IMPLEMENT_SERIAL(CHead, CObject, 1)

namespace
{
constexpr DWORD kIdTimeoutMs = 3000;
constexpr DWORD kReplyTimeoutMs = 10000;
constexpr double kSecondsPerTick = 0.0014814815; // 1/675 s

// The number a reply starts with; false when it does not start with one.
bool ParseNumber(const CString& reply, double& value)
{
    const char* begin = reply;
    char* end = nullptr;
    value = std::strtod(begin, &end);
    return end != begin;
}

int ProfileInt(LPCTSTR section, LPCTSTR entry, int def)
{
    CWinApp* app = AfxGetApp();
    return app ? int(app->GetProfileInt(section, entry, def)) : def;
}

CString ProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR def)
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileString(section, entry, def) : CString(def);
}
} // namespace

CString HeadFormat(LPCTSTR format, ...)
{
    CString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    return text;
}

// =============================================================================================
// Construction

CHead::CHead()
    : m_fEmission(1.0f), m_nCemVoltage(1000), m_nGainMass(28), m_fTotalSensitivity(0.01f),
      m_fPartialSensitivity(0.1f), m_fCemGain(1000000.0f), m_nHighVoltageRequest(0), m_nFocusVoltage(90),
      m_nElectronEnergy(70), m_nIonEnergy(1), m_bRfNotice(0), m_nDefElectronEnergy(70), m_fDefEmission(1.0f),
      m_nDefFocusVoltage(90), m_nDefIonEnergy(1), m_fFurther{0.01f, 0.1f},
      m_nLastDataPoint(0), m_nPresetIon{}, m_nPresetElectron{}, m_nPresetFocus{}, m_fPresetEmission{},
      m_nPointTime{1350, 675, 270, 135, 85, 30, 15, 7, 2}, m_nHistDivisor(10), m_nHistFactor(7),
      m_nSettleTerm(2), m_bAbort(0), m_bFilamentOn(0), m_bFilamentError{}, m_bStatusTimedOut(0),
      m_bHighVoltageOn(0), m_bCemPresent(0), m_nMassRange(100), m_nPort(0), m_nPresetIndex(4),
      m_bFilamentWarning(1), m_bSkipOnce(0), m_bThrowOnError(0), m_bOnline(0), m_szModel{}, m_fFirmware(0.0f),
      m_nSerial(0), m_nFamily(HEAD_FAMILY_UNKNOWN), m_nJovI(1),
      m_nJovS(35), m_nStoredInt{3, 0, 0}, m_fStoredFloat{}, m_bQuiet(0), m_pOwner(nullptr),
      m_hStatusThread(nullptr), m_bNoResponse(0)
{
    LoadFamilyDefaults();
    m_fEmission = m_fDefEmission;
    if (int v = ProfileInt("Debug", "JOVI", 0))
        m_nJovI = v;
    if (int v = ProfileInt("Debug", "JOVS", 0))
        m_nJovS = v;
}

CHead::~CHead()
{
    StopStatusThread();
    m_pComm.reset();
}

void CHead::LoadFamilyDefaults()
{
    static const char* const kSections[3] = {"DUX 70", "DUX 35", "DUX KEL"};
    static const int kElectron[3] = {70, 35, 70};
    static const char* const kEmission[3] = {"0.05", "0.05", "0.5"};
    for (int i = 0; i < 3; ++i)
    {
        m_nPresetIon[i] = ProfileInt(kSections[i], "Ion", 1);
        m_nPresetElectron[i] = ProfileInt(kSections[i], "Electron", kElectron[i]);
        m_nPresetFocus[i] = ProfileInt(kSections[i], "Focus", 50);
        m_fPresetEmission[i] = float(std::atof(ProfileString(kSections[i], "Emission", kEmission[i])));
    }
    m_nPresetIon[3] = 0;
    m_nPresetElectron[3] = 70;
    m_nPresetFocus[3] = 90;
    m_fPresetEmission[3] = 1.0f;

    m_nDefElectronEnergy = 70;
    m_nDefFocusVoltage = 90;
    m_nDefIonEnergy = 1;
    m_fDefEmission = m_nFamily == HEAD_FAMILY_DUX ? 0.05f : 1.0f;
}

// =============================================================================================
// Serialization

void CHead::Serialize(CArchive& ar)
{
    CObject::Serialize(ar);
    if (ar.IsStoring())
    {
        m_nHighVoltageRequest = m_bHighVoltageOn;
        ar << LONG(m_nPort) << LONG(m_nGainMass) << LONG(m_nHighVoltageRequest) << LONG(m_nPresetIndex)
           << LONG(m_nFamily);
        for (int v : m_nStoredInt)
            ar << LONG(v);
        for (float f : m_fStoredFloat)
            ar << f;
        for (const CString& s : m_strStored)
            ar << s;
        return;
    }

    LONG port, gainMass, request, preset, family;
    ar >> port >> gainMass >> request >> preset >> family;
    LONG ints[3];
    for (LONG& v : ints)
        ar >> v;
    float floats[5];
    for (float& f : floats)
        ar >> f;
    CString strings[5];
    for (CString& s : strings)
        ar >> s;

    // Every COM number the port list can show must reopen (COM11 and beyond too).
    if (port < 0 || port > LONG(kCommMaxPort))
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
    m_nPort = port;
    m_nGainMass = gainMass;
    m_nHighVoltageRequest = request;
    m_nPresetIndex = (preset < 0 || preset > 4) ? 4 : preset;
    // An unidentified head (a new document's) stays unidentified; other unknown codes read as KEL.
    m_nFamily = (family < 0 || family > HEAD_FAMILY_UNKNOWN) ? HEAD_FAMILY_KEL : family;
    for (int i = 0; i < 3; ++i)
        m_nStoredInt[i] = ints[i];
    for (int i = 0; i < 5; ++i)
    {
        m_fStoredFloat[i] = floats[i];
        m_strStored[i] = strings[i];
    }
}

void CHead::AssertValid() const
{
    CObject::AssertValid();
}

void CHead::Dump(CDumpContext& dc) const
{
    CObject::Dump(dc);
    dc << "port " << m_nPort << " family " << m_nFamily << " online " << int(m_bOnline);
}

// =============================================================================================
// The line

CComm* CHead::Line()
{
    if (m_pStatus && m_pStatus->lost)
    {
        m_bOnline = 0;
        return nullptr;
    }
    return m_pComm.get();
}

CComm* CHead::GetComm()
{
    return Line();
}

BOOL CHead::ReadReply(CString& reply, DWORD timeoutMs)
{
    reply.Empty();
    CComm* comm = Line();
    if (!comm)
        return 0;
    char line[101] = {};
    if (comm->ReadLine(line, timeoutMs) <= 0)
        return 0;
    line[sizeof line - 1] = 0;
    const size_t n = std::strlen(line);
    if (n > 0 && line[n - 1] == '\r')
        line[n - 1] = 0;
    reply = line;
    return 1;
}

BOOL CHead::SendCommand(LPCTSTR text)
{
    CComm* comm = Line();
    if (!comm || !text)
        return 0;
    while (m_nStatusOwed > 0)
    {
        CString status;
        if (!ReadReply(status, kReplyTimeoutMs))
        {
            m_nStatusOwed = 0;
            break;
        }
        --m_nStatusOwed;
    }
    return comm->Send(text);
}

BOOL CHead::SendWithStatus(LPCTSTR text)
{
    if (!SendRaw(text))
        return 0;
    ++m_nStatusOwed;
    return 1;
}

void CHead::PurgeLine(CComm& comm)
{
    comm.Purge();
    m_nStatusOwed = 0;
}

BOOL CHead::SendRaw(LPCTSTR text)
{
    return SendCommand(text);
}

BOOL CHead::Query(LPCTSTR command, CString& reply)
{
    reply.Empty();
    if (m_bNoResponse || !command || !Line())
        return 0;
    const bool isId = std::strcmp(command, "ID?") == 0;
    for (;;)
    {
        SendCommand(command);
        if (ReadReply(reply, isId ? kIdTimeoutMs : kReplyTimeoutMs))
            return 1;
        // A head that stopped answering must not hold every later caller for the full time-out.
        if (isId || !Line() || !Ask().AskRetry(kTextStatusTimeout))
        {
            m_bNoResponse = 1;
            return 0;
        }
    }
}

BOOL CHead::SendAndQuery(LPCTSTR setCommand, LPCTSTR query, CString& reply)
{
    reply.Empty();
    if (!Line() || !setCommand || !query)
        return 0;
    for (;;)
    {
        SendCommand(setCommand);
        SendCommand(query);
        if (ReadReply(reply, kReplyTimeoutMs))
            return 1;
        if (!Line() || !Ask().AskRetry(kTextStatusTimeout))
            return 0;
    }
}

BOOL CHead::ReadIntReply(int& value)
{
    value = 0;
    if (!Line())
        return 0;
    CString reply;
    while (!ReadReply(reply, kReplyTimeoutMs))
    {
        if (!Line() || !Ask().AskRetry(kTextStatusTimeout))
        {
            // The status did not come: the head owes none the next command should wait for.
            m_nStatusOwed = 0;
            return 0;
        }
    }
    if (m_nStatusOwed > 0)
        --m_nStatusOwed;
    value = std::atoi(reply);
    return 1;
}

BOOL CHead::QueryInt(LPCTSTR command, int& value)
{
    value = 0;
    CString reply;
    if (!Query(command, reply))
        return 0;
    value = std::atoi(reply);
    return 1;
}

BOOL CHead::QueryFloat(LPCTSTR command, float& value)
{
    value = 0.0f;
    CString reply;
    if (!Query(command, reply))
        return 0;
    value = float(std::atof(reply));
    return 1;
}

BOOL CHead::SetVerifiedInt(LPCTSTR letters, int value, bool defaultForm)
{
    if (!Line())
        return 0;
    const CString query = CString(letters) + "?";
    CString reply;
    if (defaultForm && value == kHeadDefaultValue)
        return SendAndQuery(CString(letters) + "*", query, reply);
    const CString command = HeadFormat("%s%d", letters, value);
    for (;;)
    {
        if (!SendAndQuery(command, query, reply))
            return 0;
        double echo = 0;
        if (ParseNumber(reply, echo) && std::atoi(reply) == value)
            return 1;
        if (!Ask().AskRetry(kTextConfirmFailed))
            return 0;
    }
}

BOOL CHead::SetVerifiedFloat(LPCTSTR letters, LPCTSTR format, double sent, double tolerance, CString* echo)
{
    if (!Line())
        return 0;
    const CString query = CString(letters) + "?";
    const CString text = HeadFormat(format, sent);
    const CString command = CString(letters) + text;
    // The echo must read as the number sent, at the precision it was sent with: comparing the
    // leading characters alone would take "128.5" for "128.00".
    const double expected = std::atof(text);
    CString reply;
    for (;;)
    {
        if (!SendAndQuery(command, query, reply))
            return 0;
        double value = 0;
        if (ParseNumber(reply, value) && std::fabs(value - expected) <= tolerance)
        {
            if (echo)
                *echo = reply;
            return 1;
        }
        if (!Ask().AskRetry(kTextConfirmFailed))
            return 0;
    }
}

int CHead::GetBytesWaiting()
{
    CComm* comm = Line();
    DWORD count = 0;
    if (!comm || !comm->GetBytesWaiting(&count))
        return 0;
    return int(count);
}

BOOL CHead::WaitForBytes(int count, DWORD timeoutMs)
{
    CComm* comm = Line();
    if (!comm || count < 0)
        return 0;
    // The line's wait re-counts only when an event comes; bytes that came just before it armed
    // raise none. Wait in short slices and count again after each.
    constexpr DWORD kSliceMs = 50;
    const DWORD start = GetTickCount();
    for (;;)
    {
        const DWORD slice = timeoutMs < kSliceMs ? timeoutMs : kSliceMs;
        const DWORD sliceStart = GetTickCount();
        DWORD available = 0;
        if (comm->WaitForBytes(DWORD(count), &available, slice))
            return 1;
        DWORD waiting = 0;
        if (comm->GetBytesWaiting(&waiting) && waiting >= DWORD(count))
            return 1;
        const DWORD now = GetTickCount();
        // Ended before its time: a line error or break, not a time-out.
        if (now - sliceStart < slice || now - start >= timeoutMs || !Line())
            return 0;
    }
}

// =============================================================================================
// Simple commands

BOOL CHead::IsReady()
{
    return 1;
}

BOOL CHead::Initialize()
{
    return SendWithStatus("IN0");
}

BOOL CHead::Calibrate()
{
    return SendWithStatus("CL");
}

BOOL CHead::Degas()
{
    if (m_nFamily == HEAD_FAMILY_DUX)
        return 0;
    return SendWithStatus("DG*");
}

BOOL CHead::GetCemOption(int& value)
{
    return QueryInt("CE?", value);
}

BOOL CHead::QueryCemOption(int& value)
{
    return QueryInt("MO?", value);
}

BOOL CHead::GetModelString(CString& model)
{
    model.Empty();
    if (!LineOnline())
        return 0;
    model = m_szModel;
    return 1;
}

BOOL CHead::GetFirmwareVersion(float& version)
{
    version = 0.0f;
    if (!LineOnline())
        return 0;
    version = m_fFirmware;
    return 1;
}

BOOL CHead::GetSerialNumber(int& number)
{
    number = 0;
    if (!LineOnline())
        return 0;
    number = m_nSerial;
    return 1;
}

int CHead::GetHeadFamily()
{
    return m_nFamily;
}

float CHead::GetSensitivity()
{
    return m_fPartialSensitivity;
}

BOOL CHead::GetLastDataPoint(int& value)
{
    value = m_nLastDataPoint;
    return 1;
}

BOOL CHead::GetFilamentErrorFlag()
{
    return m_bFilamentError[2];
}

BOOL CHead::GetStatusTimedOut()
{
    return m_bStatusTimedOut;
}

BOOL CHead::GetAbortFlag()
{
    return m_bAbort;
}

BOOL CHead::FormatSettingsReport(CString& report)
{
    char text[512];
    std::snprintf(
        text, sizeof text,
        "Focus Voltage, %d, Volts \n%s \nElectron Energy, %d, eV \nCEM Voltage, %d, Volts\nCEM Gain, "
        "%1.2E \nSensitivity Factor, %1.2E \nFilament Current, %.2f, mAmps\n",
        m_nFocusVoltage, m_nIonEnergy ? "Ion Energy, HIGH" : "Ion Energy, LOW", m_nElectronEnergy,
        m_nCemVoltage, double(m_fCemGain), double(m_fPartialSensitivity), double(m_fEmission));
    report = text;
    return 1;
}

// =============================================================================================
// Multiplier

BOOL CHead::RefreshCemState(int& present)
{
    present = 0;
    if (!Line())
        return 0;
    SendCommand("MO?");
    CString reply;
    if (!ReadReply(reply, kReplyTimeoutMs))
        return 0;
    if (std::atoi(reply) != 1)
    {
        m_bCemPresent = 0;
        return 1;
    }
    m_bCemPresent = 1;
    float gain = 0;
    int volts = 0;
    if (!QueryMultiplierGain(gain) || !QueryMultiplierVoltage(volts))
    {
        m_bCemPresent = 0;
        return 0;
    }
    present = 1;
    return 1;
}

BOOL CHead::QueryHighVoltage(int& value)
{
    return QueryInt("HV?", value);
}

BOOL CHead::IsHighVoltageOn(int& on)
{
    on = 0;
    int value = 0;
    if (!QueryHighVoltage(value))
        return 0;
    on = value != 0;
    m_bHighVoltageOn = on;
    return 1;
}

BOOL CHead::SetMultiplierVoltage(int volts)
{
    if (!SetVerifiedInt("MV", volts, false))
        return 0;
    m_nCemVoltage = volts;
    return 1;
}

BOOL CHead::QueryMultiplierVoltage(int& volts)
{
    if (!QueryInt("MV?", volts))
        return 0;
    m_nCemVoltage = volts;
    return 1;
}

BOOL CHead::QueryMultiplierGain(float& gain)
{
    if (!m_bCemPresent)
    {
        gain = 1.0f;
        return 1;
    }
    float spoken = 0;
    if (!QueryFloat("MG?", spoken))
    {
        gain = 0.0f;
        return 0;
    }
    m_fCemGain = spoken * 1000.0f;
    gain = m_fCemGain;
    return 1;
}

BOOL CHead::SetMultiplierGain(float gain)
{
    if (!SetVerifiedFloat("MG", "%1.4f", double(gain) * 0.001, 0.00005, nullptr))
        return 0;
    m_fCemGain = gain;
    return 1;
}

BOOL CHead::SetHighVoltage(int on)
{
    const BOOL sent = SendWithStatus(on ? HeadFormat("HV%d", m_nCemVoltage) : CString("HV0"));
    if (sent)
        m_bHighVoltageOn = m_nHighVoltageRequest = on ? 1 : 0;
    return sent;
}

BOOL CHead::HighVoltageOff()
{
    const BOOL sent = SendWithStatus("HV0");
    if (sent)
        m_bHighVoltageOn = 0;
    return sent;
}

// =============================================================================================
// Filament and ionizer

BOOL CHead::FilamentOn()
{
    const BOOL sent = SendWithStatus(HeadFormat("FL%.2f", double(m_fEmission)));
    if (sent && m_fEmission != 0.0f)
        m_bFilamentOn = 1;
    return sent;
}

BOOL CHead::FilamentOff()
{
    const BOOL sent = SendWithStatus("FL0.0");
    if (sent)
        m_bFilamentOn = 0;
    return sent;
}

BOOL CHead::QueryEmissionCurrent(float& milliamps)
{
    return QueryFloat("FL?", milliamps);
}

BOOL CHead::IsFilamentOn(int& on)
{
    on = 0;
    float current = 0;
    if (!QueryEmissionCurrent(current))
        return 0;
    on = current > 0.0f;
    m_bFilamentOn = on;
    return 1;
}

namespace
{
CString SettingCommand(LPCTSTR letters, int value)
{
    return value == kHeadDefaultValue ? CString(letters) + "*" : HeadFormat("%s%d", letters, value);
}
} // namespace

BOOL CHead::SetIonEnergy(int value)
{
    return SendWithStatus(SettingCommand("IE", value));
}

BOOL CHead::SetElectronEnergy(int value)
{
    return SendWithStatus(SettingCommand("EE", value));
}

BOOL CHead::SetFocusVoltage(int value)
{
    return SendWithStatus(SettingCommand("VF", value));
}

BOOL CHead::QueryIonEnergy(int& value)
{
    if (!QueryInt("IE?", value))
        return 0;
    m_nIonEnergy = value;
    return 1;
}

BOOL CHead::QueryElectronEnergy(int& value)
{
    if (!QueryInt("EE?", value))
        return 0;
    m_nElectronEnergy = value;
    return 1;
}

BOOL CHead::QueryFocusVoltage(int& value)
{
    if (!QueryInt("VF?", value))
        return 0;
    m_nFocusVoltage = value;
    return 1;
}

// =============================================================================================
// Scan settings

int CHead::SaturateToInt(int64_t value)
{
    return int(std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int CHead::ToHeadMass(int mass) const
{
    return m_nFamily == HEAD_FAMILY_JOV ? SaturateToInt(int64_t(mass) * m_nJovS + m_nJovI) : mass;
}

int CHead::FromHeadMass(int mass) const
{
    return m_nFamily == HEAD_FAMILY_JOV ? SaturateToInt((int64_t(mass) - m_nJovI) / m_nJovS) : mass;
}

int CHead::FromHeadSteps(int steps) const
{
    return m_nFamily == HEAD_FAMILY_JOV ? SaturateToInt(int64_t(steps) * m_nJovS) : steps;
}

BOOL CHead::SetInitialMass(int mass)
{
    return SetVerifiedInt("MI", ToHeadMass(mass));
}

BOOL CHead::SetFinalMass(int mass)
{
    return SetVerifiedInt("MF", ToHeadMass(mass));
}

BOOL CHead::QueryInitialMass(int& mass)
{
    if (!QueryInt("MI?", mass))
        return 0;
    mass = FromHeadMass(mass);
    return 1;
}

BOOL CHead::QueryFinalMass(int& mass)
{
    if (!QueryInt("MF?", mass))
        return 0;
    mass = FromHeadMass(mass);
    return 1;
}

BOOL CHead::SetStepsPerAmu(int steps)
{
    return SetVerifiedInt("SA", m_nFamily == HEAD_FAMILY_JOV ? steps / m_nJovS : steps);
}

BOOL CHead::QueryStepsPerAmu(int& steps)
{
    if (!QueryInt("SA?", steps))
        return 0;
    steps = FromHeadSteps(steps);
    return 1;
}

BOOL CHead::SetNoiseFloor(int value)
{
    return SetVerifiedInt("NF", value);
}

BOOL CHead::QueryNoiseFloor(int& value)
{
    return QueryInt("NF?", value);
}

BOOL CHead::SetDI(int value)
{
    return SetVerifiedInt("DI", value);
}

BOOL CHead::QueryDI(int& value)
{
    return QueryInt("DI?", value);
}

BOOL CHead::QueryAP(int& value)
{
    return QueryInt("AP?", value);
}

BOOL CHead::QueryHP(int& value)
{
    return QueryInt("HP?", value);
}

BOOL CHead::SetRS(float value)
{
    if (value == float(kHeadDefaultValue))
    {
        CString reply;
        return Line() ? SendAndQuery("RS*", "RS?", reply) : 0;
    }
    return SetVerifiedFloat("RS", "%1.2f", double(value) * 128.0, 0.005, nullptr);
}

BOOL CHead::QueryRS(float& value)
{
    if (!QueryFloat("RS?", value))
        return 0;
    value *= 0.0078125f;
    return 1;
}

namespace
{
double NearZeroAsZero(float value)
{
    return (value > -0.0001f && value < 0.0001f) ? 0.0 : double(value);
}
} // namespace

BOOL CHead::SetRI(float value)
{
    if (value == float(kHeadDefaultValue))
    {
        CString reply;
        return Line() ? SendAndQuery("RI*", "RI?", reply) : 0;
    }
    return SetVerifiedFloat("RI", "%1.2f", NearZeroAsZero(value), 0.005, nullptr);
}

BOOL CHead::QueryRI(float& value)
{
    return QueryFloat("RI?", value);
}

BOOL CHead::SetDS(float value)
{
    if (value == float(kHeadDefaultValue))
    {
        CString reply;
        return Line() ? SendAndQuery("DS*", "DS?", reply) : 0;
    }
    return SetVerifiedFloat("DS", "%1.2f", NearZeroAsZero(value), 0.005, nullptr);
}

BOOL CHead::QueryDS(float& value)
{
    return QueryFloat("DS?", value);
}

// =============================================================================================
// Sensitivities

BOOL CHead::QueryST(float& value)
{
    if (m_nFamily == HEAD_FAMILY_DUX)
    {
        value = 0.0f;
        return Line() ? 1 : 0;
    }
    if (!QueryFloat("ST?", value))
        return 0;
    value *= 0.001f;
    m_fTotalSensitivity = value;
    return 1;
}

BOOL CHead::SetST(float value)
{
    if (!Line())
        return 0;
    if (m_nFamily == HEAD_FAMILY_DUX)
        return 1;
    CString echo;
    if (!SetVerifiedFloat("ST", "%1.4f", double(value) * 1000.0, 0.00005, &echo))
        return 0;
    m_fTotalSensitivity = float(std::atof(echo) * 0.001);
    return 1;
}

namespace
{
int DuxSensitivityIndex(int presetIndex)
{
    return presetIndex >= 0 && presetIndex <= 2 ? presetIndex + 1 : 4;
}
} // namespace

BOOL CHead::QuerySP(float& value)
{
    value = 0.0f;
    if (m_nFamily == HEAD_FAMILY_DUX)
    {
        float raw = 0;
        if (!QueryXV(DuxSensitivityIndex(m_nPresetIndex), raw))
            return 0;
        value = raw * 0.000001f;
    }
    else
    {
        if (!QueryFloat("SP?", value))
            return 0;
        value *= 0.001f;
    }
    m_fPartialSensitivity = value;
    return 1;
}

BOOL CHead::SetSP(float value)
{
    if (!Line())
        return 0;
    const bool dux = m_nFamily == HEAD_FAMILY_DUX;
    const double expected = double(value) * (dux ? 1000000.0 : 1000.0);
    for (;;)
    {
        float readBack = 0;
        if (dux)
        {
            const int index = DuxSensitivityIndex(m_nPresetIndex);
            if (!SetXV(index, float(expected)) || !QueryXV(index, readBack))
                return 0;
        }
        else
        {
            if (!SendRaw(HeadFormat("SP%1.4f", expected)) || !QueryFloat("SP?", readBack))
                return 0;
        }
        if (std::fabs(double(readBack) - expected) < 0.002)
        {
            m_fPartialSensitivity = value;
            return 1;
        }
        if (!Ask().AskRetry(kTextConfirmFailed))
            return 0;
    }
}

BOOL CHead::QueryXV(int index, float& value)
{
    value = 0.0f;
    if (!SendRaw(HeadFormat("XA%i", index)))
        return 0;
    return QueryFloat("XV?", value);
}

BOOL CHead::SetXV(int index, float value)
{
    if (!Line())
        return 0;
    if (!(value >= 0.0001f && value <= 100000.0f))
    {
        Ask().Tell(kTextXvRange, MB_OK | MB_ICONERROR);
        return 0;
    }
    return SendRaw(HeadFormat("XA%i", index)) && SendRaw(HeadFormat("XV%4.4f", double(value)));
}

BOOL CHead::IsSensitivityTooHigh(int kind, float value)
{
    float high;
    if (m_nFamily == HEAD_FAMILY_DUX)
        high = (m_nPresetIndex == 0 || m_nPresetIndex == 1) ? 0.00001f : 0.0001f;
    else if (kind == 0)
        high = 0.0003f;
    else if (kind == 1)
        high = 0.0001f;
    else
        high = std::bit_cast<float>(kind);
    return value > high;
}

BOOL CHead::IsSensitivityTooLow(int kind, float value)
{
    float low;
    if (m_nFamily == HEAD_FAMILY_DUX)
        low = (m_nPresetIndex == 0 || m_nPresetIndex == 1) ? 0.0000001f : 0.000001f;
    else if (kind == 0)
        low = 0.00001f;
    else if (kind == 1)
        low = 0.0000002f;
    else
        low = std::bit_cast<float>(kind);
    return value < low;
}

// =============================================================================================
// Data points

BOOL CHead::ReadDataPoint(float& value)
{
    value = 0.0f;
    CComm* comm = Line();
    if (!comm)
        return 0;
    LONG point = 0;
    while (!comm->ReadLong(&point))
    {
        if (!Line() || !Ask().AskRetry(kTextDataTimeout))
            return 0;
    }
    m_nLastDataPoint = point;
    value = float(point);
    return 1;
}

BOOL CHead::MeasurePoint(LPCTSTR command, LPCTSTR timeoutText, float& value)
{
    value = 0.0f;
    for (;;)
    {
        CComm* comm = Line();
        if (!comm)
            return 0;
        LONG point = 0;
        if (SendCommand(command) && comm->ReadLong(&point))
        {
            m_nLastDataPoint = point;
            value = float(point);
            return 1;
        }
        if (!Line() || !Ask().AskRetry(timeoutText))
            return 0;
    }
}

BOOL CHead::MeasureIB(float& value)
{
    if (!MeasurePoint("IB?", kTextDataTimeout, value))
        return 0;
    value = float(double(value) * 1e-15);
    return 1;
}

BOOL CHead::MeasureMR(float& value)
{
    return MeasurePoint("MR?", kTextDataTimeout, value);
}

BOOL CHead::MeasureTotalPressure(float& value)
{
    return MeasurePoint("TP?", kTextPressureTimeout, value);
}

BOOL CHead::MeasureSingleMass(int mass, int noiseFloor, float& value)
{
    value = 0.0f;
    if (!Line())
        return 0;
    if (noiseFloor != -1 && !SetNoiseFloor(noiseFloor))
        return 0;
    return MeasurePoint(HeadFormat("MR%d", mass), kTextSingleMassTimeout, value);
}

BOOL CHead::StartSingleMass(int mass, int noiseFloor)
{
    if (!Line())
        return 0;
    if (noiseFloor != -1 && !SetNoiseFloor(noiseFloor))
        return 0;
    return SendRaw(HeadFormat("MR%d", mass));
}

BOOL CHead::StartTotalPressure()
{
    const BOOL sent = SendRaw("TP?");
    if (!sent && m_bThrowOnError)
        CKelException::Throw(1);
    return sent;
}

BOOL CHead::StartAnalogScan(int n)
{
    CComm* comm = Line();
    if (!comm)
        return 0;
    if (n == 0)
        PurgeLine(*comm);
    return SendRaw(n == -1 ? CString("SC") : HeadFormat("SC%d", n));
}

BOOL CHead::StartHistogramScan(int n)
{
    CComm* comm = Line();
    if (!comm)
        return 0;
    if (n == 0)
        PurgeLine(*comm);
    return SendRaw(n == -1 ? CString("HS") : HeadFormat("HS%d", n));
}

BOOL CHead::StopScan()
{
    CComm* comm = Line();
    if (!comm)
        return 0;
    // At once, not after the statuses owed: a degas being cancelled must not wait for its status.
    comm->Send("MR0");
    PurgeLine(*comm);
    DWORD count = 0;
    if (!comm->GetBytesWaiting(&count))
        return 0;
    // Points already under way keep coming for a while: drain until the line is quiet, but give
    // up on a line that never changes.
    DWORD last = count;
    int same = 0;
    while (count != 0)
    {
        comm->DrainInput(1);
        if (!comm->GetBytesWaiting(&count))
            return 0;
        comm->Purge();
        if (count == last)
        {
            if (++same >= 10)
                return 0;
        }
        else
            same = 0;
        last = count;
    }
    return 1;
}

BOOL CHead::EnableTotalPressure(int on)
{
    return SendRaw(on ? "TP1" : "TP0");
}

// =============================================================================================
// Estimates and scales

namespace
{
int PointTime(const int* table, int noiseFloor)
{
    if (noiseFloor < 0)
        noiseFloor = 0;
    if (noiseFloor > 8)
        noiseFloor = 8;
    return table[noiseFloor];
}
} // namespace

double CHead::EstimateAnalogScanTime(int startMass, int stopMass, int stepsPerAmu, int noiseFloor)
{
    const double t = PointTime(m_nPointTime, noiseFloor);
    const double s = stepsPerAmu > 0 ? stepsPerAmu : 1;
    return ((double(stopMass - startMass) * s + 1) * (t / s + 0.5) + t + 1) * kSecondsPerTick +
           m_nPointTime[8] * 0.001;
}

double CHead::EstimateHistogramScanTime(int startMass, int stopMass, int noiseFloor)
{
    const double t = PointTime(m_nPointTime, noiseFloor);
    return (m_nHistDivisor + 2 * m_nHistFactor) * (t / m_nHistDivisor + 0.5) *
           double(stopMass - startMass + 1) * kSecondsPerTick;
}

double CHead::EstimatePointTime(int noiseFloor)
{
    const double t = PointTime(m_nPointTime, noiseFloor);
    return ((t / m_nHistDivisor + 0.5) * m_nHistFactor + 0.5 * t + 1) * kSecondsPerTick +
           m_nSettleTerm * 0.001 + 0.002;
}

int CHead::GetScaled10()
{
    return m_nFamily == HEAD_FAMILY_JOV ? 10 * m_nJovS : 10;
}

int CHead::GetScaled25()
{
    return m_nFamily == HEAD_FAMILY_JOV ? 25 * m_nJovS : 25;
}
