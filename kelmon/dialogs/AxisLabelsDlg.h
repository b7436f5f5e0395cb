// "Axis Labels": number format, precision, font and colour of an axis's labels. Modal; the
// display's label editor presets the fields and reads them back on OK.
#pragma once

#include "dialogs/ChartDlgSupport.h"
#include "res/resource.h"

#include <afxwin.h>

class CAxisLabelsDlg : public CDialog
{
    DECLARE_DYNAMIC(CAxisLabelsDlg)
public:
    enum
    {
        IDD = IDD_AXIS_LABELS
    };
    static constexpr UINT kHelpContext = 0x10000 + 32838;

    explicit CAxisLabelsDlg(CWnd* pParent = nullptr);

    int m_nDecimalPlaces = 0; // 0..10
    int m_bFormatLocked = 0;  // format and precision shown but not editable
    int m_bFormatHidden = 0;  // labels without a number format (time labels)
    int m_nFormat = 0;        // 0 decimal, 1 scientific, 2 engineering
    int m_nStyle = 0;         // bit 0 bold, bit 1 italic, bit 2 underline
    ChartFont m_font;         // size, face, weight, flags and colour

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnFonts();
    void OnHelp();

    // The font chosen in this run; the fields take it on OK only.
    ChartFont m_chosenFont;
    BOOL m_bFontChosen = FALSE;

    DECLARE_MESSAGE_MAP()
};
