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
#include <type_traits>

IMPLEMENT_SERIAL(CKELDummyHead, CHead, 1)

namespace
{
constexpr float kFilamentOnCurrent = 0.995f; // mA
constexpr int kCemOnValue = 10;

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

// What every kept setting and every answer from one does: to = value, and success.
template <typename T> BOOL Put(T& to, std::type_identity_t<T> value)
{
    to = value;
    return 1;
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
    if (!AttachLine(std::make_shared<CComm>(), port))
        return 0;

    BringOnline();
    m_bRfNotice = 0;
    return 1;
}

BOOL CKELDummyHead::ReadIntReply(int& value)
{
    return Put(value, 0);
}

BOOL CKELDummyHead::PollStatus(int& pending)
{
    return Put(pending, 1);
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
    return Put(present, m_bCemPresent);
}

BOOL CKELDummyHead::QueryHighVoltage(int& value)
{
    return Put(value, m_nCemHighVoltage);
}

BOOL CKELDummyHead::SetMultiplierVoltage(int volts)
{
    return Put(m_nCemVoltage, volts);
}

BOOL CKELDummyHead::QueryMultiplierVoltage(int& volts)
{
    return Put(volts, m_nCemVoltage);
}

BOOL CKELDummyHead::QueryMultiplierGain(float& gain)
{
    return Put(gain, m_fCemGain);
}

BOOL CKELDummyHead::SetMultiplierGain(float gain)
{
    return Put(m_fCemGain, gain);
}

BOOL CKELDummyHead::QueryCemOption(int& value)
{
    return Put(value, m_bCemPresent);
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
    return Put(milliamps, m_fEmission);
}

// =============================================================================================
// Stored settings

BOOL CKELDummyHead::SetIonEnergy(int value)
{
    return Put(m_nIonEnergySetting, OrDefault(value, 1));
}

BOOL CKELDummyHead::QueryIonEnergy(int& value)
{
    value = m_nIonEnergySetting != 0 ? 1 : 0;
    m_nIonEnergy = value;
    return 1;
}

BOOL CKELDummyHead::SetElectronEnergy(int value)
{
    return Put(m_nElectronEnergySetting, OrDefault(value, 70));
}

BOOL CKELDummyHead::QueryElectronEnergy(int& value)
{
    m_nElectronEnergy = m_nElectronEnergySetting;
    return Put(value, m_nElectronEnergy);
}

BOOL CKELDummyHead::SetFocusVoltage(int value)
{
    return Put(m_nFocusVoltage, OrDefault(value, 90));
}

BOOL CKELDummyHead::QueryFocusVoltage(int& value)
{
    return Put(value, m_nFocusVoltage);
}

BOOL CKELDummyHead::SetInitialMass(int mass)
{
    return Put(m_nInitialMass, OrDefault(ToHeadMass(mass), 1));
}

BOOL CKELDummyHead::QueryInitialMass(int& mass)
{
    return Put(mass, FromHeadMass(m_nInitialMass));
}

BOOL CKELDummyHead::SetFinalMass(int mass)
{
    return Put(m_nFinalMass, OrDefault(ToHeadMass(mass), 200));
}

BOOL CKELDummyHead::QueryFinalMass(int& mass)
{
    return Put(mass, FromHeadMass(m_nFinalMass));
}

BOOL CKELDummyHead::SetStepsPerAmu(int steps)
{
    return Put(m_nStepsPerAmu, OrDefault(m_nFamily == HEAD_FAMILY_JOV ? steps / m_nJovS : steps, 10));
}

BOOL CKELDummyHead::QueryStepsPerAmu(int& steps)
{
    return Put(steps, FromHeadSteps(m_nStepsPerAmu));
}

BOOL CKELDummyHead::SetNoiseFloor(int value)
{
    return Put(m_nNoiseFloor, OrDefault(value, 4));
}

BOOL CKELDummyHead::QueryNoiseFloor(int& value)
{
    return Put(value, m_nNoiseFloor);
}

BOOL CKELDummyHead::SetRS(float value)
{
    return Put(m_fRS, value == float(kHeadDefaultValue) ? 128.0f : value * 128.0f);
}

BOOL CKELDummyHead::QueryRS(float& value)
{
    return Put(value, m_fRS * 0.0078125f);
}

BOOL CKELDummyHead::SetRI(float value)
{
    return Put(m_fRI, ZeroNearZero(OrDefault(value, 0.0f)));
}

BOOL CKELDummyHead::QueryRI(float& value)
{
    return Put(value, m_fRI);
}

BOOL CKELDummyHead::SetDS(float value)
{
    return Put(m_fDS, ZeroNearZero(OrDefault(value, 0.0f)));
}

BOOL CKELDummyHead::QueryDS(float& value)
{
    return Put(value, m_fDS);
}

BOOL CKELDummyHead::SetDI(int value)
{
    return Put(m_nDI, OrDefault(value, 0));
}

BOOL CKELDummyHead::QueryDI(int& value)
{
    return Put(value, m_nDI);
}

BOOL CKELDummyHead::QueryAP(int& value)
{
    m_nAnalogPoints = SaturateToInt((int64_t(m_nFinalMass) - m_nInitialMass) * int64_t(m_nStepsPerAmu) + 1);
    return Put(value, m_nAnalogPoints);
}

BOOL CKELDummyHead::QueryHP(int& value)
{
    m_nHistogramPoints = SaturateToInt(int64_t(m_nFinalMass) - m_nInitialMass + 1);
    return Put(value, m_nHistogramPoints);
}

BOOL CKELDummyHead::QueryST(float& value)
{
    return Put(value, m_fTotalSensitivity);
}

BOOL CKELDummyHead::SetST(float value)
{
    if (m_nFamily != HEAD_FAMILY_DUX)
        m_fTotalSensitivity = value;
    return 1;
}

BOOL CKELDummyHead::QuerySP(float& value)
{
    return Put(value, m_fPartialSensitivity);
}

BOOL CKELDummyHead::SetSP(float value)
{
    return Put(m_fPartialSensitivity, value);
}

BOOL CKELDummyHead::QueryXV(int /*index*/, float& value)
{
    return Put(value, m_fXV);
}

BOOL CKELDummyHead::SetXV(int /*index*/, float value)
{
    return Put(m_fXV, value);
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
    return Put(value, m_fIB);
}

BOOL CKELDummyHead::MeasureMR(float& value)
{
    return Put(value, float(TakePoint()));
}

BOOL CKELDummyHead::MeasureTotalPressure(float& value)
{
    return Put(value, m_fTotalPressure);
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
    return Put(m_nScanRunning, 0);
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
