// User-interface state shared by the whole main program at run time and owned by no document:
// last folders, the chart cursors, whether the scan parameter and schedule dialogs are shown, and
// two options new objects copy. Nothing of it is stored.
#pragma once

#include <windows.h>

#include <string>

class CAppUiState
{
public:
    // The single instance, created on first use (user-interface thread only).
    static CAppUiState* GetInstance();
    // Deletes the instance; a later GetInstance makes a fresh one.
    static void DestroyInstance();

    int32_t m_nState = 1;
    std::string m_lastFolder; // start folder of the folder dialogs, updated by them
    std::string m_secondFolder;
    HCURSOR m_hCursor = nullptr;      // cursor resource 168
    HCURSOR m_hChartCursor = nullptr; // cursor "CHARTCUR"
    int32_t m_bParamDlgShown = 0;
    int32_t m_bScheduleDlgShown = 0;
    int32_t m_nChannelOption = 1;
    int32_t m_nNewObjectOption = 0;

private:
    CAppUiState();
    static CAppUiState* s_instance;
};
