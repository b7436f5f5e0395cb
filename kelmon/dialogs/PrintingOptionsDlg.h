// "Printing Options": how a chart page is placed on paper and which backgrounds and borders are
// printed. Modal; the Printing Options command presets and reads back.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CPrintingOptionsDlg : public CDialog
{
    DECLARE_DYNAMIC(CPrintingOptionsDlg)
public:
    enum
    {
        IDD = IDD_PRINTING_OPTIONS
    };
    static constexpr UINT kHelpContext = 0x10000 + 32819;

    explicit CPrintingOptionsDlg(CWnd* pParent = nullptr);

    float m_fLeft = 0.0f; // upper left corner, percent of the page 0..100
    float m_fTop = 0.0f;
    int m_nStyle = 0; // 0 maximize graph size, 1 maintain aspect ratio, 2 scale to font sizes
    int m_bWindowBackground = 0;
    int m_bPlotBackground = 0;
    int m_bBorders = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnStyleClicked(UINT nID);
    void OnHelp();
    void EnableOffsets(BOOL bEnable);

    DECLARE_MESSAGE_MAP()
};
