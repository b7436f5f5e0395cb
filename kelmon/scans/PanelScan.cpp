#include "scans/PanelScan.h"

#include "head/Head.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"

IMPLEMENT_SERIAL(CPanelScans, CChannelScan, 1)

int CPanelScans::LoggingFolder()
{
    return CAppSettings::LOGDIR_PANEL;
}

CString CPanelScans::FormatHeader()
{
    CString text = FormatSetup("Panel Scan Setup:\n\n");
    text += "\n\n";
    text += "Channel,      Mass(amu),          Name,            Cal Factor,    Noise Floor,            CEM Status\n";
    text += FormatChannelLines("%d,\t\t %d,  \t\t %s,\t%1.2f,\t\t %d,\t\t\t%s\n");
    text += "\n\n";
    return text;
}

CString CPanelScans::FormatExport(const float* values, int count)
{
    CString text = FormatSetup("Annunciator Scan Setup:\n\n");
    text += "\n\n";
    text += "Channel,  Mass(amu),     Name,               Value,     Cal Factor,  Noise Floor, CEM Status\n";
    const bool cem = m_pHead && m_pHead->IsCemPresent();
    for (int k = 0; k < count; ++k)
    {
        const CTableData& c = m_pTable->m_active[k];
        CString name;
        name.Format("%-19s", c.m_szGasName);
        text.AppendFormat("%d,\t\t %d,  \t\t %s, % 1.2E,\t\t%1.2f,\t\t %d,\t\t\t%s\n", k + 1, c.m_mass,
                          name.GetString(), static_cast<double>(values[k]), static_cast<double>(c.m_calFactor),
                          c.m_noiseFloor, cem && c.m_cem ? "ON" : "OFF");
    }
    return text;
}
