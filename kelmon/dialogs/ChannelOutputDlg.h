// "Channel Ouput Control": for each of the table's ten channels and the total pressure, whether an
// output of the I/O card follows it, at what value, with what hysteresis and on which side; the
// Lo and Hi buttons set an output at once. Modal; OK writes the table.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CCbBoard;
class CTable;
struct CTableOutput;

class CChannelOutputDlg : public CDialog
{
    DECLARE_DYNAMIC(CChannelOutputDlg)
public:
    enum
    {
        IDD = IDD_CHANNEL_OUTPUT
    };
    static constexpr int kRows = 11; // ten channels, then the total pressure
    static constexpr int kTotalRow = 10;

    // The controls of one row; mass is 0 on the total-pressure row.
    struct RowIds
    {
        int enable, low, high, value, hysteresis, level, mass;
    };
    static const RowIds kRowIds[kRows];

    explicit CChannelOutputDlg(CWnd* pParent = nullptr);

    int m_bEnable[kRows] = {};
    float m_fTrigger[kRows] = {};
    int m_nHysteresis[kRows] = {};
    int m_nLevel[kRows] = {}; // 0 above, 1 below
    CString m_strMass[kRows];
    CTable* m_pTable = nullptr;   // not owned
    CCbBoard* m_pBoard = nullptr; // not owned

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    CTableOutput* Output(int row) const;
};
