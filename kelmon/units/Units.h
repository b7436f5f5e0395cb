// The document's pressure unit: turns the head's raw ion currents (1e-16 A) into the pressures
// or concentrations the program shows, and keeps the user's choice of unit and mode.
#pragma once

#include <afx.h>

class CHead;
class CWnd;

class CUnits : public CObject
{
    DECLARE_SERIAL(CUnits)

public:
    enum Unit
    {
        kTorr = 0,
        kMilliTorr = 1,
        kMillibar = 2,
        kBar = 3,
        kAmps = 4,
        kPascal = 5,
        kUser = 6
    };
    enum Mode
    {
        kSameAsTotal = 0, // the total-pressure unit
        kPpmOfTotal = 1,  // ppm of a fixed total pressure
        kPpmOfPeak = 2    // ppm of a reference peak
    };
    // The head's own sensitivities when it reports none (A/Torr).
    static constexpr float kDefaultPartialSensitivity = 0.1f;
    static constexpr float kDefaultTotalSensitivity = 0.01f;

    CUnits();
    explicit CUnits(CHead* pHead);

    void Serialize(CArchive& ar) override;

    // Unit Torr, mode 0; then Reset and Recompute. The document calls it on a new CUnits.
    void SetDefaults();
    // Mode 0 and the reference, user-unit and measurement options back to their defaults.
    void Reset();
    // Everything derived from the unit index and mode: label, factors, scale.
    void Recompute();
    // Re-reads the head's sensitivities and recomputes the two reading factors (message 239 when
    // the head reports no partial sensitivity).
    void UpdateSensitivity();
    // Mode 2: measures the reference peak (when forced or tracking) and recomputes the scale.
    void Apply(int force);
    // Re-expresses a value stored under the previous unit in the current one.
    void Convert(float& value) const;
    // The reference value in the unit in force (per million in mode 2).
    float GetFactor() const;
    // Values are concentrations (mode is not 0).
    BOOL IsUserUnit() const { return m_nMode != kSameAsTotal; }
    BOOL IsAmpsWithHead() const { return m_nMode == kPpmOfPeak && m_bTracking; }
    // The reference measurement's detector option (the scans call it as they start); the noise
    // floor is kept as -1 (the head's own) when the detector option is off.
    void SetScanRange(int detectorOn, int voltage, int noiseFloor);
    // Runs the "KEL Global Units" dialog; 1 after OK (values taken and recomputed), 0 after Cancel.
    int EditGlobalUnits(CWnd* pParent = nullptr);

    // Raw head readings (1e-16 A) to what is shown.
    float PartialPressure(float raw) const { return raw * m_fPartialFactor; }
    float TotalPressure(float raw) const { return raw * m_fTotalFactor; }

    // The unit's label for an index (the user label for kUser); empty for a bad index.
    CString UnitName(int index) const;
    // Parses the dialog's concentration text: "50%" is 500000 ppm, "250" is 250 ppm; text that
    // does not parse gives 1000000.
    static float ParseConcentration(const CString& text);

    // ---- Fields (archived ones in the order Serialize writes them)
    char m_szLabel[10];         // shown after values; "ppm" (+ "*" when tracking) in modes 1, 2
    char m_szUnitName[10];      // the chosen unit's text
    float m_fTotalFactor = 0;   // raw total-pressure reading -> shown value
    float m_fPartialFactor = 0; // raw partial-pressure reading -> shown value
    float m_fInverseScale = 1;  // 1 / K
    float m_fReference = 0;     // R: mode 1 Pref / F, mode 2 the measured reference pressure
    int m_nUnit = kTorr;
    int m_nMode = kSameAsTotal;
    CHead* m_pHead = nullptr;                                 // the document's head; not owned
    float m_fScale = 1;                                       // K: Torr to what is shown
    float m_fUnitFactor = 1;                                  // F: per Torr
    float m_fPartialSensitivity = kDefaultPartialSensitivity; // S, A/Torr
    float m_fTotalSensitivity = kDefaultTotalSensitivity;     // T, A/Torr
    float m_fPrevInverseScale = 1;                            // the inverse scale before the last Recompute
    int m_nRefMass = 40;                                      // M, amu
    float m_fRefTotal = 1.0f;                                 // Pref, Torr
    float m_fConcentration = 1000000.0f;                      // C, ppm of the reference peak
    int m_bTracking = 0; // mode 2 re-measures the reference at every update
    float m_fUserFactor = 1.0f;
    CString m_strUserLabel;
    int m_bDetectorOn = 0; // reference measured with the multiplier at m_nDetectorVoltage
    int m_nDetectorVoltage = 0;
    int m_nNoiseFloor = -1; // -1 keeps the head's
    // The pressure-reduction inlet's settings (edited by the pressure reduction dialog): whether
    // the scaling factor is applied, and the factor (1 .. 1e14).
    int m_bReductionEnabled = 0;
    float m_fReductionFactor = 1.0f;
    // Kept for the document file; nothing reads them.
    int m_nFurther = 0;
    CString m_strFurther[3];
};
