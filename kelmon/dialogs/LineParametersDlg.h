// "Line Parameters": the colour, style and width of one line. Modal; preset and read back by the
// caller.
#pragma once

#include "controls/ColorComboBox.h"
#include "res/resource.h"

#include <afxwin.h>

// One line's look as the chart keeps it: palette index, pen style and width.
struct LineAttributes
{
    int nColour = 0;
    int nStyle = 0;
    int nWidth = 0;
};

class CLineParametersDlg : public CDialog
{
    DECLARE_DYNAMIC(CLineParametersDlg)
public:
    enum
    {
        IDD = IDD_LINE_PARAMETERS
    };
    static constexpr UINT kHelpContext = 0x20000 + IDD_LINE_PARAMETERS;
    static constexpr int kColours = 20;
    static constexpr int kStyles = 5;
    static constexpr int kWidths = 5;

    explicit CLineParametersDlg(CWnd* pParent = nullptr);

    // Runs the dialog on `line`; the line changes only on OK. TRUE on OK.
    static BOOL Edit(LineAttributes& line, CWnd* pParent);

    int m_nColour = 0; // palette index 0..19
    int m_nStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
    int m_nWidth = 0;  // 0..4
    // The help topic; a menu command that opens the dialog names its own.
    UINT m_nHelpContext = kHelpContext;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnHelp();

    CColorComboBox m_colourList;

    DECLARE_MESSAGE_MAP()
};
