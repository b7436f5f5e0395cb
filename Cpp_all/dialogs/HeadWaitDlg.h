// CHeadWaitDlg: the timed wait box that watches a head while a long command runs. It closes by
// itself as soon as the head answers; once the time limit has passed it says that the head does
// not answer and shows its button.
#pragma once

#include <afxwin.h>

class CHead;

class CHeadWaitDlg : public CDialog
{
    DECLARE_DYNAMIC(CHeadWaitDlg)
public:
    enum
    {
        IDD = 1537
    };
    // Timer of the 500 ms ticks.
    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kTickMs = 500;

    explicit CHeadWaitDlg(CWnd* pParent = nullptr);

    // Runs the box with dlgpack as the resource module (when it is loaded); the icons come from
    // that module. Returns 1 when the head answered, IDCANCEL when closed, -1 when it could not run.
    INT_PTR DoModal() override;

    int m_nTimeLimit = 0; // ticks of 500 ms before the head counts as silent
    int m_nMode = 0;      // 1: the button is hidden until the limit has passed
    CButton m_button;
    CString m_strLine1; // at most 75 characters each
    CString m_strLine2;
    UINT_PTR m_nTimer = 0;
    CStatic m_icon;
    HICON m_hStartIcon = nullptr;
    HICON m_hWarning1 = nullptr;
    HICON m_hWarning2 = nullptr;
    int m_nTicks = 0;
    int m_nPhase = 0;
    int m_bNoResponseShown = 0;
    UINT m_nTextId = 0; // string id of line 1
    CString m_strText;  // line 1 itself, used instead of m_nTextId when not empty
    HINSTANCE m_hResModule = nullptr;
    CHead* m_pHead = nullptr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnButton();

    DECLARE_MESSAGE_MAP()

private:
    void ShowIcon(HICON hIcon);
    // Puts the starting icon back, lets go of the warning icons and stops the timer.
    void Finish(int nResult);
};
