// CKELDummyHead: a head without hardware. It stands in for CHead slot for slot, so scans, displays
// and dialogs run unchanged against it: settings are kept in fields instead of being sent,
// identification answers a fixed reply, and data points come from a queue that the scan starts
// fill from the stored spectrum (head/SimSpectrum.h) plus noise. Its CComm is created by Connect
// but never opened; no status thread runs. It is stored in a document exactly as CHead is.
#pragma once

#include "head/Head.h"

#include <cstdint>
#include <deque>

class CKELDummyHead : public CHead
{
    DECLARE_SERIAL(CKELDummyHead)

public:
    // The identification reply of every simulated head.
    static constexpr const char* kIdReply = "ZOLKEL200VIRTUAL";

    // A simulated KEL head with a multiplier switched on, mass range 200, offline, on the port last
    // used ("Last Port Used"/"Com Port" of the profile; port 1 when missing or outside 0-15).
    CKELDummyHead();
    ~CKELDummyHead() override;

    // The same stored fields as CHead, with the same repairs on loading.
    void Serialize(CArchive& ar) override;

    // ---- Line, identification, status ----
    // StopScan, QueryId, then family, model and mass range from the reply; no DSR test, no box
    // when there is no CComm.
    BOOL IdentifyHead() override;
    // Online while a CComm exists.
    BOOL CheckHeadPresent() override;
    // Drops the CComm and goes offline.
    BOOL Disconnect() override;
    // Creates a CComm without opening a port, identifies the head and brings it on line as CHead
    // does, without a status thread and without writing the profile.
    BOOL Connect(int port) override;
    // 1, with value 0.
    BOOL ReadIntReply(int& value) override;
    // The head has always answered: pending 1.
    BOOL PollStatus(int& pending) override;
    BOOL GetCemOption(int& value) override;
    BOOL Initialize() override;
    BOOL Calibrate() override;
    BOOL Degas() override;
    // kIdReply while a CComm exists.
    BOOL QueryId(CString& reply) override;
    BOOL RefreshCemState(int& present) override;
    BOOL QueryHighVoltage(int& value) override;
    BOOL SetMultiplierVoltage(int volts) override;
    BOOL QueryMultiplierVoltage(int& volts) override;
    BOOL QueryMultiplierGain(float& gain) override;
    BOOL SetMultiplierGain(float gain) override;
    BOOL QueryCemOption(int& value) override;
    BOOL SetHighVoltage(int on) override;
    BOOL HighVoltageOff() override;
    // The emission current becomes 0.995 mA whatever was set.
    BOOL FilamentOn() override;
    BOOL FilamentOff() override;
    BOOL QueryEmissionCurrent(float& milliamps) override;

    // ---- Stored settings (32767 stores the head's own default) ----
    BOOL SetIonEnergy(int value) override;
    // 1 when the stored setting is non-zero.
    BOOL QueryIonEnergy(int& value) override;
    BOOL SetElectronEnergy(int value) override;
    BOOL QueryElectronEnergy(int& value) override;
    BOOL SetFocusVoltage(int value) override;
    BOOL QueryFocusVoltage(int& value) override;
    BOOL SetInitialMass(int mass) override;
    BOOL QueryInitialMass(int& mass) override;
    BOOL SetFinalMass(int mass) override;
    BOOL QueryFinalMass(int& mass) override;
    BOOL SetStepsPerAmu(int steps) override;
    BOOL QueryStepsPerAmu(int& steps) override;
    BOOL SetNoiseFloor(int value) override;
    BOOL QueryNoiseFloor(int& value) override;
    BOOL SetRS(float value) override;
    BOOL QueryRS(float& value) override;
    BOOL SetRI(float value) override;
    BOOL QueryRI(float& value) override;
    BOOL SetDS(float value) override;
    BOOL QueryDS(float& value) override;
    BOOL SetDI(int value) override;
    BOOL QueryDI(int& value) override;
    // (final - initial) x steps + 1, kept.
    BOOL QueryAP(int& value) override;
    // final - initial + 1, kept.
    BOOL QueryHP(int& value) override;
    BOOL QueryST(float& value) override;
    BOOL SetST(float value) override;
    BOOL QuerySP(float& value) override;
    BOOL SetSP(float value) override;
    // One value for every index.
    BOOL QueryXV(int index, float& value) override;
    BOOL SetXV(int index, float value) override;

    // ---- Data points ----
    // Waits the noise floor's point time (divided by the steps per amu after an analog start),
    // then takes the next queued point (0 from an empty queue).
    BOOL ReadDataPoint(float& value) override;
    BOOL MeasureIB(float& value) override;
    // The next queued point, without waiting.
    BOOL MeasureMR(float& value) override;
    BOOL MeasureTotalPressure(float& value) override;
    // Queues the point of mass (nothing outside 1 to 100 amu) and takes the next queued point.
    BOOL MeasureSingleMass(int mass, int noiseFloor, float& value) override;
    // Queues the point of mass (nothing outside 1 to 100 amu); needs a CComm.
    BOOL StartSingleMass(int mass, int noiseFloor) override;
    BOOL StartTotalPressure() override;
    // Clears the queue; n = 1 fills it with one sweep over the stored mass range.
    BOOL StartAnalogScan(int n) override;
    BOOL StartHistogramScan(int n) override;
    BOOL StopScan() override;
    // Accepted quietly while a CComm exists (there is no line to switch).
    BOOL EnableTotalPressure(int on) override;
    // Clears the abort, filament and time-out flags; 1 while a CComm exists.
    BOOL CheckErrors() override;
    // Succeeds while a CComm exists; there is no RF supply to search.
    BOOL CheckRfSupply() override;
    // 4: a point is always waiting.
    int GetBytesWaiting() override;
    BOOL WaitForBytes(int count, DWORD timeoutMs) override;
    // Sends nothing; 1 while a CComm exists.
    BOOL SendRaw(LPCTSTR text) override;
    BOOL Reconnect() override;
    // An empty reply (which reads as 0); 1 while a CComm exists.
    BOOL SendAndQuery(LPCTSTR setCommand, LPCTSTR query, CString& reply) override;
    BOOL Query(LPCTSTR command, CString& reply) override;

    // ---- Noise of the simulated points ----
    // Model 0 uniform (rand() / 32767), 1 Gaussian, other none (SIM_NOISE_*). seed is the
    // Gaussian generator's state; a negative seed restarts its sequence.
    void SetNoise(int model, int32_t seed = -1)
    {
        m_nNoiseModel = model;
        m_nNoiseSeed = seed;
    }
    // Points waiting in the queue.
    int GetQueuedPoints() const { return static_cast<int>(m_queue.size()); }

protected:
    // ---- Fields, after CHead's ----
    int m_nInitialMass;
    int m_nFinalMass;
    int m_nStepsPerAmu;
    int m_nNoiseFloor; // indexes the point-time table
    float m_fRS;       // 128 x the value QueryRS answers
    float m_fRI;
    float m_fDS;
    int m_nDI;
    int m_nIonEnergySetting;
    float m_fXV;
    int m_nAnalogPoints; // last QueryAP answer
    int m_nElectronEnergySetting;
    int m_nHistogramPoints; // last QueryHP answer
    int m_nReserved;
    int m_nScanRunning;
    int m_nCemHighVoltage; // 10 while the multiplier is on, else 0
    float m_fIB;
    float m_fTotalPressure;
    int m_nCeAnswer;
    int32_t m_nNoiseSeed;
    int m_nNoiseModel;
    std::deque<int32_t> m_queue; // generated points, oldest first
    int m_bDividePointTime;      // after an analog start the point time is per step

private:
    void QueuePoint(int mass);
    int32_t TakePoint();
    void QueueScan(bool analog);
};
