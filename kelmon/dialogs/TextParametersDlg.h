// "Text Parameters": a chart text with its font and colour (titles and text objects). Modal; the
// display's text editor presets the fields and reads them back on OK.
#pragma once

#include "dialogs/ChartDlgSupport.h"
#include "res/resource.h"

#include <afxwin.h>

class CTextParametersDlg : public CDialog
{
    DECLARE_DYNAMIC(CTextParametersDlg)
public:
    enum
    {
        IDD = IDD_TEXT_PARAMETERS
    };
    static constexpr UINT kHelpContext = 0x20000 + IDD_TEXT_PARAMETERS;
    static constexpr int kMaxText = 100;

    explicit CTextParametersDlg(CWnd* pParent = nullptr);

    CString m_strText; // at most 100 characters
    ChartFont m_font;  // size, face (empty at first), weight, flags and colour

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnFonts();
    void OnHelp();

    // The font chosen in this run; the fields take it on OK only.
    ChartFont m_chosenFont;

    DECLARE_MESSAGE_MAP()
};
