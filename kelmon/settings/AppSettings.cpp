#include "settings/AppSettings.h"

#include <cstdio>
#include <mutex>

namespace
{

std::mutex g_instanceMutex;
CAppSettings* g_instance = nullptr;

} // namespace

CAppSettings* CAppSettings::GetInstance()
{
    std::lock_guard guard(g_instanceMutex);
    if (g_instance == nullptr)
        g_instance = new CAppSettings;
    return g_instance;
}

void CAppSettings::DestroyInstance()
{
    std::lock_guard guard(g_instanceMutex);
    delete g_instance;
    g_instance = nullptr;
}

CRegistryKey& CAppSettings::AddKey(const char* subPath)
{
    m_keys.push_back(
        std::make_unique<CRegistryKey>(HKEY_CURRENT_USER, (std::string(kRootPath) + subPath).c_str()));
    return *m_keys.back();
}

// Keys and their values in the order they are loaded and saved. The root, \Intrument and \Version
// keys hold no values, so they are never created.
CAppSettings::CAppSettings()
{
    AddKey("");

    CRegistryKey& dirs = AddKey("\\Dirs");
    dirs.AddStringValue("loganalog", &m_logDir[LOGDIR_ANALOG]);
    dirs.AddStringValue("loghistogram", &m_logDir[LOGDIR_HISTOGRAM]);
    dirs.AddStringValue("logtable", &m_logDir[LOGDIR_TABLE]);
    dirs.AddStringValue("logpanel", &m_logDir[LOGDIR_PANEL]);
    dirs.AddStringValue("logpvst", &m_logDir[LOGDIR_PVST]);
    dirs.AddStringValue("logleak", &m_logDir[LOGDIR_LEAK]);
    dirs.AddStringValue("logsplit", &m_logDir[LOGDIR_SPLIT]);
    dirs.AddStringValue("Install_Dir", &m_logDir[LOGDIR_INSTALL]);
    dirs.AddStringValue("loganalyze", &m_logDir[LOGDIR_ANALYZE]);

    AddKey("\\Intrument");

    CRegistryKey& graph = AddKey("\\Graph");
    graph.AddIntValue("top", &m_graphTop);
    graph.AddIntValue("bottom", &m_graphBottom);
    graph.AddIntValue("left", &m_graphLeft);
    graph.AddIntValue("right", &m_graphRight);
    graph.AddIntValue("cursor_color", &m_cursorColor);
    graph.AddIntValue("cursor_width", &m_cursorWidth);
    graph.AddIntValue("cursor_type", &m_cursorType);

    AddKey("\\Version");

    CRegistryKey& window = AddKey("\\Window");
    window.AddIntValue("x", &m_windowX);
    window.AddIntValue("y", &m_windowY);
    window.AddIntValue("cx", &m_windowCx);
    window.AddIntValue("cy", &m_windowCy);
    window.AddIntValue("paramdlg_left", &m_paramDlgLeft);
    window.AddIntValue("paramdlg_top", &m_paramDlgTop);
    window.AddIntValue("paramdlg_state", &m_paramDlgState);
    window.AddIntValue("scheduledlg_left", &m_scheduleDlgLeft);
    window.AddIntValue("scheduledlg_top", &m_scheduleDlgTop);
    window.AddIntValue("scheduledlg_state", &m_scheduleDlgState);

    struct GraphKind
    {
        const char* path;
        COLORREF* plot;
        COLORREF* background;
    };
    const GraphKind kinds[] = {
        {"\\Graph\\Analog", &m_analogPlotColor, &m_analogBkgndColor},
        {"\\Graph\\Lib", &m_libPlotColor, &m_libBkgndColor},
        {"\\Graph\\Leak", &m_leakPlotColor, &m_leakBkgndColor},
        {"\\Graph\\Hist", &m_histPlotColor, &m_histBkgndColor},
        {"\\Graph\\Table", &m_tablePlotColor, &m_tableBkgndColor},
    };
    for (const GraphKind& kind : kinds)
    {
        CRegistryKey& key = AddKey(kind.path);
        key.AddColorValue("PlotColor", kind.plot);
        key.AddColorValue("BkgndColor", kind.background);
    }
    m_keys.back()->AddColorValue("TableBkgndColor", &m_tableTableBkgndColor);

    CRegistryKey& settings = AddKey("\\Settings");
    settings.AddStringValue("Head Protection", &m_headProtection);
    settings.AddFloatValue("Leak Factor", &m_leakFactor);
    settings.AddIntValue("Filament maintenance", &m_filamentMaintenance);
    settings.AddIntValue("Cem maintenance", &m_cemMaintenance);
    m_settingsKey = &settings;

    CRegistryKey& analyze = AddKey("\\Utilities\\Analyze");
    for (int i = 0; i < kAnalyzeGases; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "gas%d", i + 1);
        analyze.AddStringValue(name, &m_analyzeGas[i]);
    }
    analyze.AddIntValue("Logging", &m_analyzeLogging);
}

CAppSettings::~CAppSettings() = default;

int CAppSettings::Load()
{
    for (const auto& key : m_keys)
        key->LoadAll();
    return 1;
}

int CAppSettings::Save()
{
    for (const auto& key : m_keys)
        key->SaveAll();
    return 1;
}

int CAppSettings::LoadSettingsKey()
{
    m_settingsKey->LoadAll();
    return 1;
}

int CAppSettings::SaveSettingsKey()
{
    m_settingsKey->SaveAll();
    return 1;
}
