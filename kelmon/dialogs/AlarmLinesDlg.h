// "Alarm Lines": which alarm levels of the leak test are drawn as lines on the leak display, and
// the colour, style and width of each. Modal; edits the leak settings on OK only.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CLeakData;

class CAlarmLinesDlg : public CDialog
{
    DECLARE_DYNAMIC(CAlarmLinesDlg)
public:
    enum
    {
        IDD = IDD_ALARM_LINES
    };
    // Line order, as in the leak settings: Reference, High, Low, High-high, Low-low.
    static constexpr int kLines = 5;

    explicit CAlarmLinesDlg(CWnd* pParent = nullptr);

    CLeakData* m_pSettings = nullptr; // not owned
    // Working copies, taken from the settings when the dialog opens.
    int m_colour[kLines] = {};
    int m_width[kLines] = {};
    int m_style[kLines] = {};

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void EditLine(int line);
};
