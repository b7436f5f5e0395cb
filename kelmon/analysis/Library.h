// The gas library: the reference gases read from "gaslib.dat", kept in the document and stored in
// the document file. It feeds the library display, the library search, the spectrum analysis and
// the channel set-up of the table, panel and pressure-versus-time scans.
#pragma once

#include "analysis/Gas.h"

#include <afx.h>
#include <afxcoll.h>

#include <cstdint>
#include <memory>
#include <vector>

class CAnalogData;
class CDisplay;

// What the library display receives: the gas name and the bar values from the start mass.
struct LibraryBarRecord
{
    char name[32];
    float* bars;
};

// What the library needs of the active document. The document installs one; without one the
// library acts as if no document were active (no library mode, display never kept on store).
class CLibraryHost
{
public:
    virtual ~CLibraryHost() = default;
    // The active document's library flag (its library display is shown).
    virtual BOOL IsLibraryMode() = 0;
    // Switches the active document to library mode (which attaches the display).
    virtual void EnterLibraryMode() = 0;
    // TRUE when the active document's current display is, or contains, a library display.
    virtual BOOL IsLibraryDisplayCurrent() = 0;
};

class CLibrary : public CObject
{
    DECLARE_SERIAL(CLibrary)
public:
    static constexpr int kMaxGases = 1000;
    static constexpr int kMaxBars = 300;
    static constexpr const char* kFileName = "gaslib.dat";

    // Installs the document's hooks (NULL removes them); returns the previous host.
    static CLibraryHost* SetHost(CLibraryHost* host);

    CLibrary() = default;
    // An empty library using the library display's settings record (not owned).
    explicit CLibrary(CAnalogData* rangeSettings);
    ~CLibrary() override;

    // Reads directory + "gaslib.dat" (directory may be empty or end in a separator). A file that
    // cannot be opened offers a file-open dialog, once. Every fault in the file is shown with its
    // line; returns FALSE then and the library holds no gas.
    BOOL ReadLibraryFile(LPCTSTR directory);
    // Reads the gas library from path without offering another file; the checks and messages of
    // ReadLibraryFile.
    BOOL ReadLibraryPath(LPCTSTR path);

    // Deletes every gas.
    void RemoveAll();
    // The gas at index; FALSE when the index is outside 0..size-1.
    BOOL GetGasAt(int index, CGas*& gas) const;
    int GetSize() const { return static_cast<int>(m_gases.GetSize()); }
    // Empties names, then appends every gas name in library order.
    void GetGasNames(CStringArray& names) const;
    // The gases that hold every non-zero mass of the ten (0 = no mass) among their pattern masses:
    // their indexes in library order. None when all ten are 0.
    int SearchMasses(const int32_t masses[10], std::vector<int>& found) const;
    // patterns[i] = the first gas named names[i] exactly (case-sensitive); patterns must have the
    // size of names. FALSE as soon as a name is not found; TRUE for an empty name list.
    BOOL GetPatterns(const CStringArray& names, CObArray& patterns) const;

    // Sets the bars of the range settings' mass range from gas's pattern.
    void BuildSpectrum(const CGas& gas);
    // Attaches the library display (NULL detaches) and shows the current gas on it.
    void SetDisplay(CDisplay* display);
    // Shows gas (NULL: the current one) when the display is attached in library mode, else asks
    // the active document to enter library mode.
    void ShowGas(CGas* gas);
    // Steps to the next / previous gas, wrapping around; only in library mode with a display.
    void NextGas();
    void PreviousGas();

    // Takes a new mass range for the library display: start and stop within 1..300, start not
    // above stop, else FALSE and nothing changes. Sets the point count, rebuilds the display and,
    // when that succeeds, shows the current gas again.
    BOOL ApplyScanParameters(int startMass, int stopMass);

    // The modeless "Library Scan Parameters" dialog, created on demand and owned by the library
    // (these live with the window classes, in LibScanParameterDlg.cpp).
    // Creates the dialog object when missing and loads the start and stop mass into it.
    void CreateParameterDlg();
    // Creates it and its window when missing, restores its placement and shows it as the
    // parameter dialogs are shown (or hidden) in the program.
    void OpenParameterDlg();
    // Opens the window when missing, restores its placement and shows it with showCommand.
    void ActivateParameterDlg(int showCommand);
    // Shows or hides an existing window.
    void ShowParameterDlg(int showCommand);
    // Saves the placement of a visible window and hides it.
    void HideParameterDlg();
    // Destroys the window and the object, and undocks it from the dialog it was docked to.
    void DestroyParameterDlg();
    // Takes the mass range the dialog holds, as ApplyScanParameters(start, stop).
    BOOL ApplyScanParameters();
    // The dialog object (a CLibScanParameterDlg), NULL when none.
    CObject* GetParameterDlg() const { return m_pParameterDlg.get(); }

    CAnalogData* GetRangeSettings() const { return m_pRange; }
    // The settings record whose mass range the bars cover (not owned).
    void SetRangeSettings(CAnalogData* range) { m_pRange = range; }
    CDisplay* GetDisplay() const { return m_pDisplay; }
    int GetCurrentGas() const { return m_currentGas; }
    BOOL IsLoaded() const { return m_loaded != 0; }
    const float* GetBars() const { return m_bars; }

    // Gas array, range settings, display, counters, reserved words, bars and the five strings.
    void Serialize(CArchive& ar) override;

private:
    // Builds the bars of the current gas and hands its record to the display.
    void ShowCurrent();

    CAnalogData* m_pRange = nullptr;
    CObArray m_gases;
    CDisplay* m_pDisplay = nullptr;
    int32_t m_gasCount = 0;
    int32_t m_reserved[2] = {};
    int32_t m_currentGas = 0;
    int32_t m_loaded = 0;
    int32_t m_reservedBlock1[10] = {};
    float m_bars[kMaxBars] = {};
    int32_t m_reservedBlock2[10] = {};
    CString m_strings[5];
    // Held as its base object so the library itself needs no window classes.
    std::unique_ptr<CObject> m_pParameterDlg;
};
