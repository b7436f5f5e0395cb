#include "units/Units.h"

#include "head/Head.h"
#include "res/resource.h"
#include "units/GlobalUnitsDlg.h"

#include <cmath>
#include <cstdio>
#include <cstring>

IMPLEMENT_SERIAL(CUnits, CObject, 1)

namespace
{
// Per Torr; the Amps and User entries are taken from the head and the user.
constexpr const char* kUnitNames[] = {"Torr", "mTorr", "mbar", "bar", "Amps", "Pa"};
constexpr float kUnitFactors[] = {1.0f, 1000.0f, 1.33322f, 0.00133322f, 0.0f, 133.322f};
constexpr float kMaxStoredFactor = 1e14f;
// The reference pressure taken when the head cannot measure (offline, or a reading of 0).
constexpr float kOfflineReference = 1e-5f;

void CopyText(char (&field)[10], const CString& text)
{
    std::strncpy(field, text, sizeof field - 1);
    field[sizeof field - 1] = '\0';
}
} // namespace

CUnits::CUnits() : CUnits(nullptr) {}

CUnits::CUnits(CHead* pHead) : m_pHead(pHead)
{
    CopyText(m_szLabel, "Torr");
    CopyText(m_szUnitName, "Torr");
}

CString CUnits::UnitName(int index) const
{
    if (index == kUser)
        return m_strUserLabel;
    if (index < 0 || index > kPascal)
        return CString();
    return kUnitNames[index];
}

void CUnits::SetDefaults()
{
    m_nUnit = kTorr;
    m_nMode = kSameAsTotal;
    CopyText(m_szLabel, "Torr");
    m_fInverseScale = 1.0f;
    m_bReductionEnabled = 0;
    m_fReductionFactor = 1.0f;
    Reset();
    Recompute();
}

void CUnits::Reset()
{
    m_nMode = kSameAsTotal;
    std::memcpy(m_szUnitName, m_szLabel, sizeof m_szUnitName);
    m_fRefTotal = 1.0f;
    m_nRefMass = 40;
    m_fConcentration = 1000000.0f;
    m_bTracking = 0;
    m_strUserLabel.Empty();
    m_fUserFactor = 1.0f;
    m_bDetectorOn = 0;
    m_nDetectorVoltage = 0;
    m_fReductionFactor = 1.0f;
}

void CUnits::Recompute()
{
    m_fPrevInverseScale = m_fInverseScale;
    if (m_nUnit < kTorr || m_nUnit > kUser)
        m_nUnit = kTorr;
    CopyText(m_szUnitName, UnitName(m_nUnit));
    if (m_nUnit == kAmps)
        m_fUnitFactor = m_pHead ? m_pHead->GetSensitivity() : kDefaultPartialSensitivity;
    else if (m_nUnit == kUser)
        m_fUnitFactor = m_fUserFactor;
    else
        m_fUnitFactor = kUnitFactors[m_nUnit];

    switch (m_nMode)
    {
    case kPpmOfTotal:
        CopyText(m_szLabel, "ppm");
        m_fReference = m_fUnitFactor != 0 ? m_fRefTotal / m_fUnitFactor : 0.0f;
        m_fScale = m_fRefTotal > 0 ? 1000000.0f / m_fRefTotal : 1.0f;
        break;
    case kPpmOfPeak:
        CopyText(m_szLabel, m_bTracking ? "ppm*" : "ppm");
        Apply(1);
        break;
    default:
        m_nMode = kSameAsTotal;
        CopyText(m_szLabel, m_szUnitName);
        m_fScale = m_fUnitFactor;
        break;
    }
    m_fInverseScale = m_fScale != 0 ? 1.0f / m_fScale : 1.0f;
    UpdateSensitivity();
}

void CUnits::UpdateSensitivity()
{
    m_fPartialSensitivity = m_pHead ? m_pHead->GetSensitivity() : kDefaultPartialSensitivity;
    if (!(m_fPartialSensitivity > 0))
    {
        AfxMessageBox(IDS_NO_PARTIAL_SENSITIVITY, MB_ICONSTOP);
        m_fPartialSensitivity = kDefaultPartialSensitivity;
    }
    m_fPartialFactor = m_fScale / m_fPartialSensitivity * 1e-16f;

    const float total = m_pHead ? m_pHead->GetTotalSensitivity() : 0.0f;
    if (total > 0)
    {
        m_fTotalSensitivity = total;
        m_fTotalFactor = m_fUnitFactor / m_fTotalSensitivity * 1e-16f;
    }
    else
    {
        m_fTotalSensitivity = kDefaultTotalSensitivity;
        m_fTotalFactor = 0;
    }
}

void CUnits::Apply(int force)
{
    if (m_nMode != kPpmOfPeak || (!force && !m_bTracking))
        return;
    float reference = kOfflineReference;
    if (m_pHead && m_pHead->IsOnline())
    {
        // The multiplier voltage the head runs at now (0 while its high voltage is off).
        const int headVolts = m_pHead->GetHighVoltageState() ? m_pHead->GetCemVoltage() : 0;
        const int headField = m_pHead->GetCemVoltage();
        auto setVolts = [&](int volts)
        {
            if (volts > 0)
                m_pHead->SetCemVoltage(volts);
            m_pHead->SetHighVoltage(volts > 0 ? 1 : 0);
            int reply = 0;
            m_pHead->ReadIntReply(reply);
            if (force)
                m_pHead->CheckErrors();
        };
        const bool switchVolts = m_bDetectorOn && m_nDetectorVoltage != headVolts;
        if (switchVolts)
            setVolts(m_nDetectorVoltage);
        float reading = 0;
        const BOOL measured =
            m_pHead->MeasureSingleMass(m_nRefMass, m_bDetectorOn ? m_nNoiseFloor : -1, reading);
        if (switchVolts)
            setVolts(headVolts);
        // The head's own voltage setting is not the reference measurement's to change.
        m_pHead->SetCemVoltage(headField);

        const float sensitivity =
            m_pHead->GetSensitivity() > 0 ? m_pHead->GetSensitivity() : kDefaultPartialSensitivity;
        const int voltsInForce = m_bDetectorOn ? m_nDetectorVoltage : headVolts;
        double measuredReference = reading / sensitivity * 1e-16;
        if (voltsInForce != 0 && m_pHead->GetCemGain() > 0)
            measuredReference /= m_pHead->GetCemGain();
        // A failed or empty measurement would make the scale infinite: keep the offline reference.
        if (measured && measuredReference > 0 && std::isfinite(measuredReference))
            reference = static_cast<float>(measuredReference);
    }
    m_fReference = reference;
    m_fScale = m_fConcentration / m_fReference;
    m_fPartialFactor =
        m_fScale / (m_fPartialSensitivity > 0 ? m_fPartialSensitivity : kDefaultPartialSensitivity) * 1e-16f;
}

void CUnits::Convert(float& value) const
{
    value = value * m_fPrevInverseScale * m_fScale;
}

float CUnits::GetFactor() const
{
    float factor = m_fUnitFactor * m_fReference;
    if (m_nMode == kPpmOfPeak)
        factor = factor / m_fConcentration * 1e6f;
    return factor;
}

void CUnits::SetScanRange(int detectorOn, int voltage, int noiseFloor)
{
    m_bDetectorOn = detectorOn;
    m_nDetectorVoltage = voltage;
    m_nNoiseFloor = detectorOn ? noiseFloor : -1;
}

float CUnits::ParseConcentration(const CString& text)
{
    CString number = text;
    const int percent = number.Find('%');
    if (percent >= 0)
        number = number.Left(percent);
    float value = 0;
    if (std::sscanf(number, "%f", &value) != 1 || !std::isfinite(value))
        return 1000000.0f;
    return percent >= 0 ? value * 10000.0f : value;
}

int CUnits::EditGlobalUnits(CWnd* pParent)
{
    CGlobalUnitsDlg dlg(pParent);
    dlg.m_nUnit = m_nUnit;
    dlg.m_nMode = m_nMode;
    dlg.m_strUserLabel = m_strUserLabel;
    dlg.m_fUserFactor = m_fUserFactor;
    dlg.m_fRefTotal = m_fRefTotal;
    dlg.m_nRefMass = m_nRefMass;
    dlg.m_bTracking = m_bTracking;
    dlg.m_strConcentration.Format("%9.1f", m_fConcentration);
    if (dlg.DoModal() != IDOK)
        return 0;
    m_nUnit = dlg.m_nUnit;
    m_nMode = dlg.m_nMode;
    m_strUserLabel = dlg.m_strUserLabel;
    m_fUserFactor = dlg.m_fUserFactor;
    m_fRefTotal = dlg.m_fRefTotal;
    m_nRefMass = dlg.m_nRefMass;
    m_bTracking = dlg.m_bTracking;
    m_fConcentration = dlg.m_fConcentration;
    Recompute();
    return 1;
}

void CUnits::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar << CString(m_szLabel) << static_cast<int32_t>(m_nUnit) << m_fPartialFactor << m_fInverseScale
           << m_fUnitFactor << m_fTotalFactor;
        ar.WriteObject(m_pHead);
        ar << m_fPrevInverseScale << static_cast<int32_t>(m_bReductionEnabled)
           << static_cast<int32_t>(m_nRefMass) << static_cast<int32_t>(m_bTracking)
           << static_cast<int32_t>(m_nMode) << static_cast<int32_t>(m_nFurther) << m_fReductionFactor
           << m_fUserFactor << m_fRefTotal << m_fConcentration << m_fScale << m_strUserLabel
           << CString(m_szUnitName) << m_strFurther[0] << m_strFurther[1] << m_strFurther[2];
        return;
    }
    CString label, unitName;
    int32_t unit = 0, reduction = 0, refMass = 0, tracking = 0, mode = 0, further = 0;
    ar >> label >> unit >> m_fPartialFactor >> m_fInverseScale >> m_fUnitFactor >> m_fTotalFactor;
    // The head belongs to the document.
    CArchiveFieldReads fields(ar);
    fields.Read(m_pHead, RUNTIME_CLASS(CHead));
    ar >> m_fPrevInverseScale >> reduction >> refMass >> tracking >> mode >> further >> m_fReductionFactor >>
        m_fUserFactor >> m_fRefTotal >> m_fConcentration >> m_fScale >> m_strUserLabel >> unitName >>
        m_strFurther[0] >> m_strFurther[1] >> m_strFurther[2];
    fields.Commit();
    CopyText(m_szLabel, label);
    CopyText(m_szUnitName, unitName);
    m_nUnit = unit >= kTorr && unit <= kUser ? unit : kTorr;
    m_nMode = mode >= kSameAsTotal && mode <= kPpmOfPeak ? mode : kSameAsTotal;
    m_nRefMass = refMass;
    m_bTracking = tracking;
    m_nFurther = further;
    // Repairs of damaged or old documents.
    m_bReductionEnabled = reduction == 0 || reduction == 1 ? reduction : 0;
    if (!(m_fReductionFactor >= 1.0f && m_fReductionFactor <= kMaxStoredFactor))
        m_fReductionFactor = 1.0f;
    if (!(m_fScale > 0 && m_fScale <= kMaxStoredFactor))
        m_fScale = 1.0f;
}
