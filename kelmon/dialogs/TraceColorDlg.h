// "Trace Color Selection": the trace colour of each active channel of the table settings. Modal;
// edits a working copy and writes the colours into the settings on OK.
#pragma once

#include "controls/ColorComboBox.h"
#include "res/resource.h"
#include "scans/Table.h"

#include <afxwin.h>

class CTraceColorDlg : public CDialog
{
    DECLARE_DYNAMIC(CTraceColorDlg)
public:
    enum
    {
        IDD = IDD_TRACE_COLOR
    };
    static constexpr UINT kHelpContext = 0x20000 + IDD_TRACE_COLOR;
    static constexpr int kTraces = CTable::kChannels;

    explicit CTraceColorDlg(CWnd* pParent = nullptr);

    CTable* m_pTable = nullptr;  // channel count and numbers, trace and default colours; not owned
    int m_nTrace = 0;            // the selected trace (index of an active channel)
    int m_nColour = 0;           // the selected trace's palette index
    int m_colours[kTraces] = {}; // the working copy of the trace colours

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnTraceChanged();
    void OnColourChanged();
    void OnDefaultColours();
    void OnHelp();
    void ShowTraceColour();

    CColorComboBox m_colourList;

    DECLARE_MESSAGE_MAP()
};
