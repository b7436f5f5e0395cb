#include "scans/TableData.h"

#include "units/Units.h"

#include <cmath>
#include <cstring>

IMPLEMENT_SERIAL(CTableData, CObject, 1)

void CopyTextField(char* field, size_t size, const char* text)
{
    if (size == 0)
        return;
    const size_t length = text ? strnlen(text, size - 1) : 0;
    if (length)
        std::memcpy(field, text, length);
    std::memset(field + length, 0, size - length);
}

namespace
{
void StoreText(CArchive& ar, const char* field)
{
    ar << CString(field);
}

template <size_t N> void LoadText(CArchive& ar, char (&field)[N])
{
    CString text;
    ar >> text;
    CopyTextField(field, N, text);
}
} // namespace

CTableData::CTableData()
{
    SetDefaults();
}

CTableData::CTableData(CUnits* units) : m_pUnits(units)
{
    SetDefaults();
}

void CTableData::SetDefaults()
{
    m_mass = 1;
    CopyTextField(m_szGasName, sizeof m_szGasName, "");
    m_noiseFloor = 3;
    m_enabled = 0;
    m_calFactor = 1.0f;
    m_cem = 0;
    m_lowLowLevel = 0.0f;
    m_lowLevel = 1e-5f;
    m_highLevel = 2.5e-4f;
    m_highHighLevel = 3.8e-4f;
    CopyTextField(m_szLowMessage, kMessageSize, "LOW      ");
    CopyTextField(m_szLowLowMessage, kMessageSize, "EXTREME LOW");
    CopyTextField(m_szHighMessage, kMessageSize, "HIGH");
    CopyTextField(m_szHighHighMessage, kMessageSize, "EXTREME HIGH");
    CopyTextField(m_szNormalMessage, kMessageSize, "NORMAL     ");
    m_spare = 0;
    m_highEnable = m_lowEnable = m_highHighEnable = m_lowLowEnable = 1;
    m_output = CTableOutput();
}

void CTableData::CopyFrom(const CTableData& other)
{
    if (&other == this)
        return;
    m_number = other.m_number;
    m_mass = other.m_mass;
    std::memcpy(m_szGasName, other.m_szGasName, sizeof m_szGasName);
    m_noiseFloor = other.m_noiseFloor;
    m_enabled = other.m_enabled;
    m_calFactor = other.m_calFactor;
    m_cem = other.m_cem;
    m_lowLowLevel = other.m_lowLowLevel;
    m_lowLevel = other.m_lowLevel;
    m_highLevel = other.m_highLevel;
    m_highHighLevel = other.m_highHighLevel;
    std::memcpy(m_szLowMessage, other.m_szLowMessage, kMessageSize);
    std::memcpy(m_szLowLowMessage, other.m_szLowLowMessage, kMessageSize);
    std::memcpy(m_szHighMessage, other.m_szHighMessage, kMessageSize);
    std::memcpy(m_szHighHighMessage, other.m_szHighHighMessage, kMessageSize);
    std::memcpy(m_szNormalMessage, other.m_szNormalMessage, kMessageSize);
    m_spare = other.m_spare;
    m_highEnable = other.m_highEnable;
    m_lowEnable = other.m_lowEnable;
    m_highHighEnable = other.m_highHighEnable;
    m_lowLowEnable = other.m_lowLowEnable;
    m_pUnits = other.m_pUnits;
    m_output.hysteresis = other.m_output.hysteresis;
    m_output.enable = other.m_output.enable;
    m_output.triggerLevel = other.m_output.triggerLevel;
    m_output.triggerValue = other.m_output.triggerValue;
}

void CTableData::ConvertPressures()
{
    if (!m_pUnits)
        return;
    m_pUnits->Convert(m_lowLowLevel);
    m_pUnits->Convert(m_lowLevel);
    m_pUnits->Convert(m_highLevel);
    m_pUnits->Convert(m_highHighLevel);
    m_pUnits->Convert(m_output.triggerValue);
}

void CTableOutput::Repair()
{
    if (enable < 0 || enable > 1)
        enable = 0;
    if (hysteresis < 0 || hysteresis > 100)
        hysteresis = 10;
    if (triggerLevel < 0 || triggerLevel > 1)
        triggerLevel = 0;
    const float magnitude = std::fabs(triggerValue);
    if (!std::isfinite(triggerValue) || magnitude > 1e12f || (triggerValue != 0.0f && magnitude < 1e-20f))
        triggerValue = 1e-6f;
}

void CTableOutput::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << static_cast<LONG>(hysteresis) << static_cast<LONG>(enable) << static_cast<LONG>(triggerLevel);
        for (int32_t word : words)
            ar << static_cast<LONG>(word);
        ar << triggerValue;
        for (int32_t word : moreWords)
            ar << static_cast<LONG>(word);
        return;
    }
    LONG h = 0, e = 0, t = 0;
    ar >> h >> e >> t;
    hysteresis = h;
    enable = e;
    triggerLevel = t;
    for (int32_t& word : words)
    {
        LONG w = 0;
        ar >> w;
        word = w;
    }
    ar >> triggerValue;
    for (int32_t& word : moreWords)
    {
        LONG w = 0;
        ar >> w;
        word = w;
    }
    Repair();
}

void CTableData::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << static_cast<LONG>(m_number) << static_cast<LONG>(m_mass);
        StoreText(ar, m_szGasName);
        ar << static_cast<LONG>(m_noiseFloor) << static_cast<LONG>(m_enabled) << m_calFactor
           << static_cast<LONG>(m_cem) << m_lowLowLevel << m_lowLevel << m_highLevel << m_highHighLevel;
        for (const char* message :
             {m_szLowMessage, m_szLowLowMessage, m_szHighMessage, m_szHighHighMessage, m_szNormalMessage})
            StoreText(ar, message);
        ar << static_cast<LONG>(m_spare) << static_cast<LONG>(m_highEnable) << static_cast<LONG>(m_lowEnable)
           << static_cast<LONG>(m_highHighEnable) << static_cast<LONG>(m_lowLowEnable);
        ar.WriteObject(m_pUnits);
    }
    else
    {
        LONG number = 0, mass = 0, noiseFloor = 0, enabled = 0, cem = 0;
        ar >> number >> mass;
        LoadText(ar, m_szGasName);
        ar >> noiseFloor >> enabled >> m_calFactor >> cem >> m_lowLowLevel >> m_lowLevel >> m_highLevel >>
            m_highHighLevel;
        LoadText(ar, m_szLowMessage);
        LoadText(ar, m_szLowLowMessage);
        LoadText(ar, m_szHighMessage);
        LoadText(ar, m_szHighHighMessage);
        LoadText(ar, m_szNormalMessage);
        LONG spare = 0, high = 0, low = 0, highHigh = 0, lowLow = 0;
        ar >> spare >> high >> low >> highHigh >> lowLow;
        m_number = number;
        m_mass = mass;
        m_noiseFloor = noiseFloor;
        m_enabled = enabled ? 1 : 0;
        m_cem = cem ? 1 : 0;
        m_spare = spare;
        m_highEnable = high ? 1 : 0;
        m_lowEnable = low ? 1 : 0;
        m_highHighEnable = highHigh ? 1 : 0;
        m_lowLowEnable = lowLow ? 1 : 0;
        m_pUnits = static_cast<CUnits*>(ar.ReadReference(RUNTIME_CLASS(CUnits))); // the document's
    }
    m_output.Serialize(ar);
    for (CString& text : m_strText)
    {
        if (ar.IsStoring())
            ar << text;
        else
            ar >> text;
    }
}
