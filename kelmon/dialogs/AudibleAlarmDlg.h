// "Audible Alarm Setup": whether crossing an alarm level plays a sound, and which wave file. Modal;
// the document presets it from the table's alarm sound and applies the result to both the table's
// and the leak test's alarms (ApplyAudibleAlarm).
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CLeakData;
class CTable;

class CAudibleAlarmDlg : public CDialog
{
    DECLARE_DYNAMIC(CAudibleAlarmDlg)
public:
    enum
    {
        IDD = IDD_AUDIBLE_ALARM
    };

    explicit CAudibleAlarmDlg(CWnd* pParent = nullptr);

    CString m_strWaveFile;
    int m_bEnabled = 0;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnEnableClicked();
    void OnSelectFile();

    DECLARE_MESSAGE_MAP()
};

// What the document does after OK: the flag and file become the table's alarm sound (its alarm
// state cleared) and the leak test's audible alarm (not playing). Either record may be NULL.
void ApplyAudibleAlarm(const CAudibleAlarmDlg& dlg, CTable* table, CLeakData* leak);
