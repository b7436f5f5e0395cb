// "Head Parameters Security": locks the head parameters with a password of the user's own, or
// unlocks them with the same password. The lock state and the password are process-wide; the
// application loads them at start and stores them at exit.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CHeadLockDlg : public CDialog
{
    DECLARE_DYNAMIC(CHeadLockDlg)
public:
    enum
    {
        IDD = IDD_HEAD_LOCK
    };
    static constexpr int kMaxPasswordChars = 12;
    static constexpr int kMinPasswordChars = 3;
    // Help context of the lock command (0x10000 + 32832).
    static constexpr DWORD kHelpContext = 0x18040;

    explicit CHeadLockDlg(CWnd* pParent = nullptr);

    // The process-wide lock (user-interface thread only): non-zero while the head parameters are
    // locked, and the password that unlocks them.
    static int IsLocked();
    static CString GetPassword();
    static void SetLockState(int locked, const CString& password);

    CString m_strPassword;      // edit 1030
    CString m_strConfirm;       // edit 1031
    CString m_strConfirmLabel;  // static 1144
    CString m_strPasswordLabel; // static 1143

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    // Help and F1 open the lock command's topic, not the template's.
    LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
