#include "head/KELDummyHead.h"

#include "KelException.h"
#include "comm/Comm.h"
#include "head/HeadTexts.h"
#include "head/SimSpectrum.h"
#include "mfc/ModuleState.h"
#include "mfc/WinAppCore.h"
#include "win32/kernel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

IMPLEMENT_SERIAL(CKELDummyHead, CHead, 1)

namespace
{
constexpr float kFilamentOnCurrent = 0.995f; // mA
constexpr int kCemOnValue = 10;

int SaturateToInt(int64_t v)
{
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int LastPortUsed()
{
    CWinApp* app = AfxGetApp();
    const int port = app ? int(app->GetProfileInt("Last Port Used", "Com Port", 1)) : 1;
    return port >= 0 && port <= 15 ? port : 1;
}

// value, or def when value asks for the head's own default.
template <typename T> T OrDefault(T value, T def)
{
    return value == T(kHeadDefaultValue) ? def : value;
}

float ZeroNearZero(float value)
{
    return value > -0.0001f && value < 0.0001f ? 0.0f : value;
}
} // namespace

CKELDummyHead::CKELDummyHead()
    : m_nInitialMass(100), m_nFinalMass(0), m_nStepsPerAmu(0), m_nNoiseFloor(0), m_fRS(1046.9376f),
      m_fRI(-10.24f), m_fDS(-0.07f), m_nDI(125), m_nIonEnergySetting(1), m_fXV(0.0f), m_nAnalogPoints(641),
      m_nElectronEnergySetting(70), m_nHistogramPoints(641), m_nReserved(0), m_nScanRunning(0),
      m_nCemHighVoltage(kCemOnValue), m_fIB(0.00001f), m_fTotalPressure(0.00001f), m_nCeAnswer(1),
      m_nNoiseSeed(-1), m_nNoiseModel(SIM_NOISE_GAUSSIAN), m_bDividePointTime(0)
{
    m_bCemPresent = 1;
    m_bHighVoltageOn = 1;
    m_nCemVoltage = 20;
    m_fCemGain = 50.0f;
    m_fTotalSensitivity = 0.02f;
    m_fPartialSensitivity = 0.0001009f;
    m_nMassRange = 200;
    m_nPort = LastPortUsed();
    m_bOnline = 0;
}

CKELDummyHead::~CKELDummyHead()
{
    m_queue.clear();
    m_pComm.reset();
}

void CKELDummyHead::Serialize(CArchive& ar)
{
    CHead::Serialize(ar);
}

// =============================================================================================
// Line, identification, status

BOOL CKELDummyHead::IdentifyHead()
{
    if (!m_pComm)
        return 0;
    StopScan();
    CString id;
    if (!QueryId(id))
        return 0;

    return ApplyIdReply(id);
}

BOOL CKELDummyHead::CheckHeadPresent()
{
    m_bOnline = m_pComm ? 1 : 0;
    return m_bOnline;
}

BOOL CKELDummyHead::Disconnect()
{
    m_pComm.reset();
    m_bOnline = 0;
    m_bNoResponse = 0;
    return 1;
}

BOOL CKELDummyHead::Connect(int port)
{
    // The line object exists only to say "connected"; it is never opened.
    m_pComm = std::make_shared<CComm>();
    m_nPort = port;
    m_bNoResponse = 0;
    if (!IdentifyHead())
    {
        m_pComm.reset();
        m_bOnline = 0;
        return 0;
    }

    BringOnline();
    m_bRfNotice = 0;
    return 1;
}

BOOL CKELDummyHead::ReadIntReply(int& value)
{
    value = 0;
    return 1;
}

BOOL CKELDummyHead::PollStatus(int& pending)
{
    pending = 1;
    return 1;
}

BOOL CKELDummyHead::GetCemOption(int& value)
{
    value = 0;
    if (!IsOnline())
        return 0;
    value = m_nCeAnswer;
    return 1;
}

BOOL CKELDummyHead::Initialize()
{
    return m_pComm ? 1 : 0;
}

BOOL CKELDummyHead::Calibrate()
{
    return m_pComm ? 1 : 0;
}

BOOL CKELDummyHead::Degas()
{
    return m_pComm && m_nFamily != HEAD_FAMILY_DUX ? 1 : 0;
}

BOOL CKELDummyHead::QueryId(CString& reply)
{
    reply.Empty();
    if (!m_pComm)
        return 0;
    reply = kIdReply;
    return 1;
}

// =============================================================================================
// Multiplier and filament

BOOL CKELDummyHead::RefreshCemState(int& present)
{
    present = m_bCemPresent;
    return 1;
}

BOOL CKELDummyHead::QueryHighVoltage(int& value)
{
    value = m_nCemHighVoltage;
    return 1;
}

BOOL CKELDummyHead::SetMultiplierVoltage(int volts)
{
    m_nCemVoltage = volts;
    return 1;
}

BOOL CKELDummyHead::QueryMultiplierVoltage(int& volts)
{
    volts = m_nCemVoltage;
    return 1;
}

BOOL CKELDummyHead::QueryMultiplierGain(float& gain)
{
    gain = m_fCemGain;
    return 1;
}

BOOL CKELDummyHead::SetMultiplierGain(float gain)
{
    m_fCemGain = gain;
    return 1;
}

BOOL CKELDummyHead::QueryCemOption(int& value)
{
    value = m_bCemPresent;
    return 1;
}

BOOL CKELDummyHead::SetHighVoltage(int on)
{
    m_bHighVoltageOn = m_nHighVoltageRequest = on ? 1 : 0;
    m_nCemHighVoltage = on ? kCemOnValue : 0;
    return 1;
}

BOOL CKELDummyHead::HighVoltageOff()
{
    m_bHighVoltageOn = 0;
    m_nCemHighVoltage = 0;
    return 1;
}

BOOL CKELDummyHead::FilamentOn()
{
    m_fEmission = kFilamentOnCurrent;
    m_bFilamentOn = 1;
    return 1;
}

BOOL CKELDummyHead::FilamentOff()
{
    m_fEmission = 0.0f;
    m_bFilamentOn = 0;
    return 1;
}

BOOL CKELDummyHead::QueryEmissionCurrent(float& milliamps)
{
    milliamps = m_fEmission;
    return 1;
}

// =============================================================================================
// Stored settings

BOOL CKELDummyHead::SetIonEnergy(int value)
{
    m_nIonEnergySetting = OrDefault(value, 1);
    return 1;
}

BOOL CKELDummyHead::QueryIonEnergy(int& value)
{
    value = m_nIonEnergySetting != 0 ? 1 : 0;
    m_nIonEnergy = value;
    return 1;
}

BOOL CKELDummyHead::SetElectronEnergy(int value)
{
    m_nElectronEnergySetting = OrDefault(value, 70);
    return 1;
}

BOOL CKELDummyHead::QueryElectronEnergy(int& value)
{
    value = m_nElectronEnergy = m_nElectronEnergySetting;
    return 1;
}

BOOL CKELDummyHead::SetFocusVoltage(int value)
{
    m_nFocusVoltage = OrDefault(value, 90);
    return 1;
}

BOOL CKELDummyHead::QueryFocusVoltage(int& value)
{
    value = m_nFocusVoltage;
    return 1;
}

BOOL CKELDummyHead::SetInitialMass(int mass)
{
    m_nInitialMass = OrDefault(ToHeadMass(mass), 1);
    return 1;
}

BOOL CKELDummyHead::QueryInitialMass(int& mass)
{
    mass = FromHeadMass(m_nInitialMass);
    return 1;
}

BOOL CKELDummyHead::SetFinalMass(int mass)
{
    m_nFinalMass = OrDefault(ToHeadMass(mass), 200);
    return 1;
}

BOOL CKELDummyHead::QueryFinalMass(int& mass)
{
    mass = FromHeadMass(m_nFinalMass);
    return 1;
}

BOOL CKELDummyHead::SetStepsPerAmu(int steps)
{
    m_nStepsPerAmu = OrDefault(m_nFamily == HEAD_FAMILY_JOV ? steps / m_nJovS : steps, 10);
    return 1;
}

BOOL CKELDummyHead::QueryStepsPerAmu(int& steps)
{
    steps = FromHeadSteps(m_nStepsPerAmu);
    return 1;
}

BOOL CKELDummyHead::SetNoiseFloor(int value)
{
    m_nNoiseFloor = OrDefault(value, 4);
    return 1;
}

BOOL CKELDummyHead::QueryNoiseFloor(int& value)
{
    value = m_nNoiseFloor;
    return 1;
}

BOOL CKELDummyHead::SetRS(float value)
{
    m_fRS = value == float(kHeadDefaultValue) ? 128.0f : value * 128.0f;
    return 1;
}

BOOL CKELDummyHead::QueryRS(float& value)
{
    value = m_fRS * 0.0078125f;
    return 1;
}

BOOL CKELDummyHead::SetRI(float value)
{
    m_fRI = ZeroNearZero(OrDefault(value, 0.0f));
    return 1;
}

BOOL CKELDummyHead::QueryRI(float& value)
{
    value = m_fRI;
    return 1;
}

BOOL CKELDummyHead::SetDS(float value)
{
    m_fDS = ZeroNearZero(OrDefault(value, 0.0f));
    return 1;
}

BOOL CKELDummyHead::QueryDS(float& value)
{
    value = m_fDS;
    return 1;
}

BOOL CKELDummyHead::SetDI(int value)
{
    m_nDI = OrDefault(value, 0);
    return 1;
}

BOOL CKELDummyHead::QueryDI(int& value)
{
    value = m_nDI;
    return 1;
}

BOOL CKELDummyHead::QueryAP(int& value)
{
    value = m_nAnalogPoints =
        SaturateToInt((int64_t(m_nFinalMass) - m_nInitialMass) * int64_t(m_nStepsPerAmu) + 1);
    return 1;
}

BOOL CKELDummyHead::QueryHP(int& value)
{
    value = m_nHistogramPoints = SaturateToInt(int64_t(m_nFinalMass) - m_nInitialMass + 1);
    return 1;
}

BOOL CKELDummyHead::QueryST(float& value)
{
    value = m_fTotalSensitivity;
    return 1;
}

BOOL CKELDummyHead::SetST(float value)
{
    if (m_nFamily != HEAD_FAMILY_DUX)
        m_fTotalSensitivity = value;
    return 1;
}

BOOL CKELDummyHead::QuerySP(float& value)
{
    value = m_fPartialSensitivity;
    return 1;
}

BOOL CKELDummyHead::SetSP(float value)
{
    m_fPartialSensitivity = value;
    return 1;
}

BOOL CKELDummyHead::QueryXV(int /*index*/, float& value)
{
    value = m_fXV;
    return 1;
}

BOOL CKELDummyHead::SetXV(int /*index*/, float value)
{
    m_fXV = value;
    return 1;
}

// =============================================================================================
// Data points

void CKELDummyHead::QueuePoint(int mass)
{
    int32_t point = 0;
    if (MakeSimSinglePoint(double(mass), m_nNoiseModel, m_nNoiseSeed, point))
        m_queue.push_back(point);
}

int32_t CKELDummyHead::TakePoint()
{
    int32_t point = 0;
    if (!m_queue.empty())
    {
        point = m_queue.front();
        m_queue.pop_front();
    }
    m_nLastDataPoint = point;
    return point;
}

void CKELDummyHead::QueueScan(bool analog)
{
    const double scale = SimScanNoiseScale(m_bCemPresent && m_bHighVoltageOn);
    const std::vector<int32_t> points =
        analog ? MakeSimAnalogScan(m_nInitialMass, m_nFinalMass, m_nStepsPerAmu, scale, m_nNoiseModel,
                                   m_nNoiseSeed)
               : MakeSimHistogramScan(m_nInitialMass, m_nFinalMass, scale, m_nNoiseModel, m_nNoiseSeed);
    m_queue.assign(points.begin(), points.end());
}

BOOL CKELDummyHead::ReadDataPoint(float& value)
{
    // A simulated scan takes about as long as a real one at the same noise floor.
    DWORD ms = DWORD(m_nPointTime[std::clamp(m_nNoiseFloor, 0, 8)]);
    if (m_bDividePointTime && m_nStepsPerAmu > 0)
        ms /= DWORD(m_nStepsPerAmu);
    Sleep(ms);
    value = float(TakePoint());
    return 1;
}

BOOL CKELDummyHead::MeasureIB(float& value)
{
    value = m_fIB;
    return 1;
}

BOOL CKELDummyHead::MeasureMR(float& value)
{
    value = float(TakePoint());
    return 1;
}

BOOL CKELDummyHead::MeasureTotalPressure(float& value)
{
    value = m_fTotalPressure;
    return 1;
}

BOOL CKELDummyHead::MeasureSingleMass(int mass, int noiseFloor, float& value)
{
    if (noiseFloor != -1)
        SetNoiseFloor(noiseFloor);
    QueuePoint(mass);
    value = float(TakePoint());
    return 1;
}

BOOL CKELDummyHead::StartSingleMass(int mass, int noiseFloor)
{
    if (!m_pComm)
        return 0;
    if (noiseFloor != -1)
        SetNoiseFloor(noiseFloor);
    QueuePoint(mass);
    return 1;
}

BOOL CKELDummyHead::StartTotalPressure()
{
    if (m_pComm)
        return 1;
    if (m_bThrowOnError)
        CKelException::Throw(1);
    return 0;
}

BOOL CKELDummyHead::StartAnalogScan(int n)
{
    m_queue.clear();
    m_bDividePointTime = 1;
    if (n == 1)
        QueueScan(true);
    return 1;
}

BOOL CKELDummyHead::StartHistogramScan(int n)
{
    m_queue.clear();
    m_bDividePointTime = 0;
    if (n == 1)
        QueueScan(false);
    return 1;
}

BOOL CKELDummyHead::StopScan()
{
    m_nScanRunning = 0;
    return 1;
}

BOOL CKELDummyHead::EnableTotalPressure(int /*on*/)
{
    return m_pComm ? 1 : 0;
}

BOOL CKELDummyHead::CheckErrors()
{
    m_bAbort = 0;
    m_bFilamentError[0] = m_bFilamentError[1] = m_bFilamentError[2] = 0;
    m_bStatusTimedOut = 0;
    return m_pComm ? 1 : 0;
}

BOOL CKELDummyHead::CheckRfSupply()
{
    return m_pComm ? 1 : 0;
}

int CKELDummyHead::GetBytesWaiting()
{
    return 4;
}

BOOL CKELDummyHead::WaitForBytes(int /*count*/, DWORD /*timeoutMs*/)
{
    return GetBytesWaiting();
}

BOOL CKELDummyHead::SendRaw(LPCTSTR /*text*/)
{
    return m_pComm ? 1 : 0;
}

BOOL CKELDummyHead::Reconnect()
{
    return 1;
}

BOOL CKELDummyHead::SendAndQuery(LPCTSTR /*setCommand*/, LPCTSTR /*query*/, CString& reply)
{
    reply.Empty();
    return m_pComm ? 1 : 0;
}

BOOL CKELDummyHead::Query(LPCTSTR /*command*/, CString& reply)
{
    reply.Empty();
    return m_pComm ? 1 : 0;
}
