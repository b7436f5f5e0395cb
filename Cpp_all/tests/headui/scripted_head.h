// A head whose answers a test scripts: filament and high-voltage state, when a status poll first
// reports an answer, and the ion currents it measures with the multiplier off and on. It logs the
// commands that change the head, so a test can tell what was left switched on.
#pragma once

#include "head/Head.h"
#include "testsupport/HeadAccess.h"

#include <functional>
#include <string>
#include <vector>

namespace headui
{

class ScriptedHead : public kel::testkit::OpenHead
{
public:
    // PollStatus reports an answer from this poll on (counting from 1); 0: never.
    int answerAtPoll = 0;
    int polls = 0;
    int filamentOn = 1;
    int highVoltageOn = 0;
    // Raw readings (the head's units, 1e-16 A each): with the multiplier off, and with it on at a
    // given voltage.
    float faradayReading = 10000.0f; // 1e-12 A
    std::function<float(int volts)> multipliedReading = [](int) { return 0.0f; };
    // The measurement with this number (from 1) fails; 0: none.
    int failMeasurement = 0;
    // Called before each measurement with its number.
    std::function<void(int)> onMeasure;
    int measurements = 0;
    int voltageAnswer = 1500;
    float gainAnswer = 2000.0f;
    int noiseFloor = 5;
    int online = 1;

    std::vector<std::string> log;
    // The voltages the multiplier was switched on at, in order.
    std::vector<int> triedVoltages;

    BOOL PollStatus(int& pending) override
    {
        ++polls;
        pending = answerAtPoll > 0 && polls >= answerAtPoll;
        return TRUE;
    }
    BOOL IsOnline() override { return online; }
    BOOL IsFilamentOn(int& on) override
    {
        on = filamentOn;
        return TRUE;
    }
    BOOL IsHighVoltageOn(int& on) override
    {
        on = highVoltageOn;
        return TRUE;
    }
    BOOL SetHighVoltage(int on) override
    {
        highVoltageOn = on;
        if (on)
            triedVoltages.push_back(m_nCemVoltage);
        log.push_back(on ? "HV1 " + std::to_string(m_nCemVoltage) : "HV0");
        return TRUE;
    }
    BOOL HighVoltageOff() override { return SetHighVoltage(0); }
    BOOL ReadIntReply(int& value) override
    {
        value = 0;
        return TRUE;
    }
    BOOL CheckErrors() override { return TRUE; }
    BOOL EnableTotalPressure(int) override { return TRUE; }
    BOOL MeasureTotalPressure(float& value) override { return Reading(value); }
    BOOL MeasureSingleMass(int mass, int noise, float& value) override
    {
        log.push_back("MS " + std::to_string(mass) + " " + std::to_string(noise));
        return Reading(value);
    }
    BOOL GetModelString(CString& model) override
    {
        model = "KEL200";
        return TRUE;
    }
    BOOL GetSerialNumber(int& number) override
    {
        number = 12345;
        return TRUE;
    }
    BOOL QueryMultiplierVoltage(int& volts) override
    {
        volts = voltageAnswer;
        return TRUE;
    }
    BOOL QueryMultiplierGain(float& gain) override
    {
        gain = gainAnswer;
        return TRUE;
    }
    BOOL SetMultiplierVoltage(int volts) override
    {
        log.push_back("SetVoltage " + std::to_string(volts));
        return TRUE;
    }
    BOOL SetMultiplierGain(float gain) override
    {
        log.push_back("SetGain " + std::to_string(static_cast<int>(gain)));
        return TRUE;
    }
    BOOL QueryNoiseFloor(int& value) override
    {
        value = noiseFloor;
        return TRUE;
    }
    BOOL SetNoiseFloor(int value) override
    {
        log.push_back("NoiseFloor " + std::to_string(value));
        return TRUE;
    }
    BOOL StopScan() override
    {
        log.push_back("StopScan");
        return TRUE;
    }
    BOOL Calibrate() override
    {
        log.push_back("Calibrate");
        return TRUE;
    }

    // The entries of the log that start with prefix.
    std::vector<std::string> Logged(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& entry : log)
            if (entry.rfind(prefix, 0) == 0)
                out.push_back(entry);
        return out;
    }

private:
    BOOL Reading(float& value)
    {
        ++measurements;
        if (onMeasure)
            onMeasure(measurements);
        if (measurements == failMeasurement)
            return FALSE;
        value = highVoltageOn ? multipliedReading(m_nCemVoltage) : faradayReading;
        return TRUE;
    }
};

} // namespace headui
