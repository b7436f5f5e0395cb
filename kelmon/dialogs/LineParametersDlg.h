// "Line Parameters": the colour, style and width of one line. Modal; preset and read back by the
// caller.
#pragma once

#include "controls/ColorComboBox.h"
#include "res/resource.h"

#include <afxwin.h>

class CLineParametersDlg : public CDialog
{
    DECLARE_DYNAMIC(CLineParametersDlg)
public:
    enum
    {
        IDD = IDD_LINE_PARAMETERS
    };
    static constexpr int kColours = 20;
    static constexpr int kStyles = 5;
    static constexpr int kWidths = 5;

    explicit CLineParametersDlg(CWnd* pParent = nullptr);

    int m_nColour = 0; // palette index 0..19
    int m_nStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
    int m_nWidth = 0;  // 0..4

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    CColorComboBox m_colourList;
};
