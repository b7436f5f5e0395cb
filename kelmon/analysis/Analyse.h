// Spectrum analysis: splits one measured spectrum into the contributions of up to twelve library
// gases by linear least squares, x = (AᵀA)⁻¹Aᵀy, with A the gases' fragment patterns at a fixed set
// of masses (the first three masses of every listed gas).
#pragma once

#include "analysis/Matrix.h"

#include <afx.h>
#include <afxcoll.h>

#include <cstdint>
#include <memory>
#include <vector>

class CLibrary;

// What the analysis needs of its result window; the "Spectrum Analysis" dialog implements it.
class CAnalysisView
{
public:
    virtual ~CAnalysisView() = default;
    // Creates the modeless window with the shared selection flags, changed flag, the twelve gas
    // names and the units mode (0 percentage, 1 pressure); FALSE on failure.
    virtual BOOL CreateView(int32_t* selectionFlags, int32_t* changedFlag, const CStringArray* gasNames,
                            int32_t* unitsMode) = 0;
    virtual BOOL HasWindow() const = 0;
    virtual BOOL IsVisible() const = 0;
    // Shows one result for the gases `gases` names (SelectionMask); rows[k][0] is the value of
    // the k-th of them. Returns once shown.
    virtual void ShowResult(float* const* rows, uint32_t gases) = 0;
};

// The gases chosen by `count` selection flags as bits (bit i: flag i set).
uint32_t SelectionMask(const int32_t* flags, int count);

// Creates the result window object; NULL when it cannot be had.
using AnalysisViewFactory = CAnalysisView* (*)();
// The factory CAnalyse::Start uses (the user interface installs the dialog's); returns the old one.
AnalysisViewFactory SetAnalysisViewFactory(AnalysisViewFactory factory);

// Result texts of the analysis window for count values. unitsMode 1 (pressure): each value as
// "%3.1fe%i" of its "%1.1e" mantissa and exponent ("%3.1f" for exponent 0), negative values as 0.
// unitsMode 0 (percentage): each value's share of the positive values' sum as "%1.1f%%", negative
// ones as 0.0%; FALSE, with texts unchanged, when no value is positive.
BOOL FormatAnalysisResults(const float* values, int count, int32_t unitsMode, CString* texts);

class CAnalyse : public CObject
{
    DECLARE_SERIAL(CAnalyse)
public:
    static constexpr int kListSize = 12;
    static constexpr int kRowCapacity = 36;

    CAnalyse();
    // Takes the analysis gas list of the application settings and builds the mass rows from the
    // first three masses of those gases found in library.
    explicit CAnalyse(CLibrary* library);
    ~CAnalyse() override;

    // Prepares the projection for the selected gases and opens the result window. FALSE when a
    // selected gas is not in the library, the gases cannot be told apart at the used masses, or
    // the window cannot be created.
    BOOL Start(int32_t* selectionFlags, int32_t* changedFlag);
    // values[i] is the intensity at the mass of row i (GetMassCount values). Rebuilds the
    // projection first when the selection changed. Sends the result to the window. FALSE when
    // there is no usable projection.
    BOOL Analyse(const float* values);
    // Sends the last result to the window again.
    void ResendResults();
    BOOL IsDialogVisible() const;

    // (Re)builds the projection for the current selection flags. A singular or ill-conditioned
    // choice of gases shows message 39 and fails, so no meaningless result is ever shown.
    BOOL PrepareMatrix();

    // The one rule for the scan's mass range: the tables are built, the range starts at 1 and
    // reaches the highest used mass. Scans check it before they open or update an analysis.
    BOOL IsMassRangeUsable(int startMass, int stopMass) const;
    // Picks the analysis values from one sweep of pointCount points that starts at startMass with
    // pointsPerAmu points per amu: per row the largest value in the peak window around the row's
    // mass, the window cut to the sweep and to the points within half an amu of the mass (one
    // point per mass: that point alone). FALSE when the range is not usable for the analysis.
    BOOL PickValues(const float* sweep, int pointCount, int startMass, int pointsPerAmu, float* values) const;

    // What the analysis log's header says of the scan and the program.
    struct LogSetup
    {
        CString banner;     // the program's name line
        double version = 0; // the software version
        int pointCount = 0; // data points in one sweep
        CString units;      // the pressure units' text
        int noiseFloor = 0;
        CString detector; // the detector's line (multiplier on or off)
        int pointsPerAmu = 0;
        int startMass = 0;
        int stopMass = 0;
    };
    // The analysis log's header, written when the log opens: the time line, the banner and
    // version, "Analog Scan Analysis", the scan's set-up lines and the column line.
    CString FormatLogHeader(const CTime& time, const LogSetup& setup) const;
    // The analysis log's column line: "#     ", then each listed gas name in a 12-character
    // column and a blank (longer names cut to 9 characters and "..."), then a line end.
    CString FormatLogColumns() const;
    // One analysis log line for the last result: lineNumber as "%-6d", then per listed gas a
    // 12-character column and a blank: "--" for a gas not selected, else its share of the
    // positive results in percent ("%-12.1f", negative shares 0.0); no gas columns when no result
    // is positive. Ends with a line end.
    CString FormatLogLine(int lineNumber) const;

    int GetMassCount() const { return m_massCount; }
    int GetMassTableSize() const { return m_massTableSize; }
    int GetHighestMass() const { return m_massTableSize - 1; }
    // Mass of row i (0..GetMassCount()-1).
    int GetRowMass(int row) const { return m_rowToMass[row]; }
    // Row of a mass, -1 when the mass is not used.
    int GetMassRow(int mass) const;
    const CStringArray& GetGasNames() const { return m_gasNames; }
    int GetSelectedCount() const { return m_selectedCount; }
    // Value of the k-th selected gas in the last result.
    float GetResult(int k) const { return m_x ? m_x->Rows()[k][0] : 0.0f; }
    int32_t GetUnitsMode() const { return m_unitsMode; }
    void SetUnitsMode(int32_t mode) { m_unitsMode = mode; }

private:
    void BuildGasTables();

    int32_t m_unitsMode = 0;
    std::vector<int32_t> m_massToRow;
    std::vector<int32_t> m_rowToMass;
    CStringArray m_gasNames;
    CLibrary* m_pLibrary = nullptr;
    std::unique_ptr<CAnalysisView> m_pDialog;
    int32_t* m_pChanged = nullptr;
    int32_t* m_pSelection = nullptr;
    int32_t m_selectedCount = 0;
    uint32_t m_selectedMask = 0; // the gases the prepared matrix is for
    std::unique_ptr<CFloatMatrix> m_p;
    std::unique_ptr<CFloatMatrix> m_y;
    std::unique_ptr<CFloatMatrix> m_x;
    bool m_prepared = false;
    int32_t m_listSize = kListSize;
    int32_t m_massCount = 22;
    int32_t m_rowCapacity = kRowCapacity;
    int32_t m_lowestMassBound = 1;
    int32_t m_massTableSize = 0;
};
