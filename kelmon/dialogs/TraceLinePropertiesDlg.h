// "Trace Line Properties": colour, style and width of each channel's trace. Modal; the trace
// editors preset the channels and read them back on OK.
#pragma once

#include "dialogs/LineParametersDlg.h"
#include "res/resource.h"

#include <afxwin.h>

class CTraceLinePropertiesDlg : public CDialog
{
    DECLARE_DYNAMIC(CTraceLinePropertiesDlg)
public:
    enum
    {
        IDD = IDD_TRACE_LINE_PROPERTIES
    };
    static constexpr UINT kHelpContext = 0x20000 + IDD_TRACE_LINE_PROPERTIES;
    static constexpr int kChannels = 10;

    explicit CTraceLinePropertiesDlg(CWnd* pParent = nullptr);

    int m_nChannels = 1; // 1..10
    int m_nChannel = 0;  // the selected channel, 0-based
    int m_colour[kChannels] = {};
    int m_style[kChannels] = {};
    int m_width[kChannels] = {};

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnLineAttributes();
    void OnHelp();

    LineAttributes m_lines[kChannels]; // edited here; the fields take them on OK

    DECLARE_MESSAGE_MAP()
};
