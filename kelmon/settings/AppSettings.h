// The program's per-user settings below HKEY_CURRENT_USER\Software\ZOL\KEL3_0: the variables and
// the registry keys they are bound to. Loaded once at start, saved at exit.
#pragma once

#include "settings/RegistryKey.h"

#include <memory>
#include <string>
#include <vector>

class CAppSettings
{
public:
    // Slots of m_logDir. Slot 7 is not stored.
    enum LogDirSlot
    {
        LOGDIR_ANALOG = 0,
        LOGDIR_HISTOGRAM = 1,
        LOGDIR_TABLE = 2,
        LOGDIR_PANEL = 3,
        LOGDIR_PVST = 4,
        LOGDIR_LEAK = 5,
        LOGDIR_SPLIT = 6,
        LOGDIR_INSTALL = 8,
        LOGDIR_ANALYZE = 9,
        LOGDIR_COUNT = 10
    };
    static constexpr int kAnalyzeGases = 12;
    static constexpr const char* kRootPath = "Software\\ZOL\\KEL3_0";

    // The process-wide settings, built (keys bound, nothing read) on the first call.
    static CAppSettings* GetInstance();
    // Deletes the settings and their keys; the next GetInstance builds them anew.
    static void DestroyInstance();

    virtual ~CAppSettings();

    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    // Reads every key. A value that is missing or unreadable leaves its variable as it was. Returns 1.
    int Load();
    // Writes every key; a value that cannot be written is skipped. Returns 1.
    int Save();
    // Reads or writes only the \Settings key.
    int LoadSettingsKey();
    int SaveSettingsKey();

    // \Dirs: log folders of the scan kinds, the installation folder and the analysis log folder.
    std::string m_logDir[LOGDIR_COUNT];

    // \Graph: margins and the cursor.
    int m_graphTop = 0;
    int m_graphBottom = 0;
    int m_graphLeft = 0;
    int m_graphRight = 0;
    int m_cursorColor = 0;
    int m_cursorWidth = 0;
    int m_cursorType = 0;

    // \Window: main window placement and the parameter and schedule dialogs' placement.
    int m_windowX = 0;
    int m_windowY = 0;
    int m_windowCx = 0;
    int m_windowCy = 0;
    int m_paramDlgLeft = 0;
    int m_paramDlgTop = 0;
    int m_paramDlgState = 0;
    int m_scheduleDlgLeft = 0;
    int m_scheduleDlgTop = 0;
    int m_scheduleDlgState = 0;

    // \Graph\<kind>: plot and background colours of new documents (Set As Default Layout stores
    // them). kNoColour while none is stored: a new document then keeps its records' own colour.
    static constexpr COLORREF kNoColour = 0xFFFFFFFF;
    COLORREF m_analogPlotColor = kNoColour;
    COLORREF m_analogBkgndColor = kNoColour;
    COLORREF m_libPlotColor = kNoColour;
    COLORREF m_libBkgndColor = kNoColour;
    COLORREF m_leakPlotColor = kNoColour;
    COLORREF m_leakBkgndColor = kNoColour;
    COLORREF m_histPlotColor = kNoColour;
    COLORREF m_histBkgndColor = kNoColour;
    COLORREF m_tablePlotColor = kNoColour;
    COLORREF m_tableBkgndColor = kNoColour;
    COLORREF m_tableTableBkgndColor = kNoColour;

    // \Settings
    std::string m_headProtection; // the head-lock password, kept scrambled
    float m_leakFactor = 0.0f;
    int m_filamentMaintenance = 0; // maintenance interval indices
    int m_cemMaintenance = 0;

    // \Utilities\Analyze
    std::string m_analyzeGas[kAnalyzeGases];
    int m_analyzeLogging = 0;

protected:
    CAppSettings();

private:
    CRegistryKey& AddKey(const char* subPath);

    std::vector<std::unique_ptr<CRegistryKey>> m_keys; // in load and save order
    CRegistryKey* m_settingsKey = nullptr;
};
