// The channel parameters of the table, panel and pressure-versus-time scans: for each of the ten
// channels whether it is measured, its gas and mass, scaling, detector, speed, alarms and whether
// it is shown. Modeless; the rows are edited here and written into the table's configured channels
// on Apply, except the show buttons and the alarm set-up, which act at once.
#pragma once

#include "controls/AutoCompleteEdit.h"
#include "dialogs/BaseParameterDlg.h"
#include "res/resource.h"

#include <afxcmn.h>

#include <utility>
#include <vector>

class CTable;

class CChannelParameterDlg : public CBaseParameterDlg
{
    DECLARE_DYNAMIC(CChannelParameterDlg)
public:
    enum
    {
        IDD = IDD_CHANNEL_PARAMETERS
    };
    static constexpr int kRows = 10;
    static constexpr float kMinScale = 0.01f;
    static constexpr float kMaxScale = 100.0f;
    // The speed Clear All selects.
    static constexpr int kClearedSpeed = 7;

    // The controls of row k (0-based), in row order.
    static const int kEnableIds[kRows];
    static const int kViewIds[kRows];
    static const int kNameIds[kRows];
    static const int kMassIds[kRows];
    static const int kScaleIds[kRows];
    static const int kCemIds[kRows];
    static const int kSpeedIds[kRows];
    static const int kAlarmIds[kRows];

    explicit CChannelParameterDlg(CWnd* pParent = nullptr);

    // The table the rows come from and go to (not owned) and the window that is told when the
    // shown channels change (the scan's view; NULL: none).
    void SetTable(CTable* pTable, HWND hNotifyWnd);
    // Offers name in the gas-name edits; choosing it puts number into the row's mass.
    void AddGasName(LPCTSTR name, int number);
    int GetGasNameCount() const { return static_cast<int>(m_gasNames.size()); }
    // The view buttons' tool tips.
    int GetToolTipCount() const { return m_tips.m_hWnd ? m_tips.GetToolCount() : 0; }

    // The common speed (words 0, 1) and detector (words 2, 3) of an applied scan parameter dialog:
    // each value whose flag is set goes into the table's all-channels field and every row.
    void OnParamMessage(CParamMessage* pMessage) override;
    // Every control but Help and the View label follows the flag (an alarm button only while its
    // row is on); a view button is enabled exactly while its channel is on in the table.
    void EnableControls(BOOL bEnable) override;
    // Re-reads the rows from the table.
    void RefreshControls() override;

    BOOL PreTranslateMessage(MSG* pMsg) override;

    struct Row
    {
        int enabled = 0;
        int cem = 0;
        int speed = 3;
        CString name;
        int mass = 1;
        float scale = 1.0f;
    };
    Row m_rows[kRows];
    int m_bShown[kRows];
    int m_bAllCem = 0;
    int m_nAllSpeed = 3;
    int m_bAutoComplete = 1;
    int m_nHighestMass = 100;
    CTable* m_pTable = nullptr;
    HWND m_hNotifyWnd = nullptr;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Apply: the dialog stays open.
    void OnOK() override;
    // Escape closes as the caption's close button does.
    void OnCancel() override;
    void OnClose();
    // The placement is kept when the window goes with its scan.
    void OnDestroy();
    void OnHelp();
    void OnEnableClicked(UINT id);
    void OnViewClicked(UINT id);
    void OnAlarmClicked(UINT id);
    void OnSetAllSpeed();
    void OnSetAllCem();
    void OnClearAll();
    void OnAutoComplete();
    void OnNameCompleted(UINT id, NMHDR* pNotify, LRESULT* pResult);

    void LoadFromTable();
    void ShowViewIcon(int row);
    void UpdateRowStates();
    static int RowOf(const int (&ids)[kRows], UINT id);

    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::pair<CString, int>> m_gasNames;
    CAutoCompleteEdit m_nameEdits[kRows];
    CToolTipCtrl m_tips;
    HICON m_hShownIcon = nullptr;
    HICON m_hHiddenIcon = nullptr;
    BOOL m_bClosing = FALSE;
};
