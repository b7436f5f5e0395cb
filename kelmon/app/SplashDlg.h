// The start-up picture: a borderless box showing one bitmap, centred on the screen, that closes
// itself after a few seconds.
#pragma once

#include <afxext.h>
#include <afxwin.h>

class CSplashDlg : public CDialog
{
public:
    enum
    {
        IDD = 251
    };
    static constexpr UINT kTimerId = 1;
    static constexpr UINT kShowMs = 3500;

    explicit CSplashDlg(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();

    CBitmapButton m_picture;
    UINT_PTR m_nTimer = 0;
    bool m_bPainted = false;

    DECLARE_MESSAGE_MAP()
};
