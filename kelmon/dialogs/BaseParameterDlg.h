// Base class of the modeless parameter dialogs: a collapsible floating dialog with a second
// dialog docked below and the parameter-message hub; and the placement records' settings.
#pragma once

#include "dialogs/CollapsibleDlg.h"
#include "dialogs/ParamMessage.h"

#include <cstdint>

class CAppSettings;

// Copies the placement values of the settings into the parameter and schedule dialogs' records,
// moving an offset below 0 or beyond the full-screen width (x) or height (y) back to 0.
void LoadDialogPlacements(const CAppSettings& settings);
// Copies the two records into the settings before they are stored.
void StoreDialogPlacements(CAppSettings& settings);

class CBaseParameterDlg : public CCollapsibleDlg, public CParamMessage, public CParamMessageSink
{
    DECLARE_DYNAMIC(CBaseParameterDlg)
public:
    CBaseParameterDlg(UINT nIDTemplate, CWnd* pParent = nullptr);
    ~CBaseParameterDlg() override;

    // Refreshes the docked dialog first, then this dialog's controls from its members.
    void RefreshControls() override;

    // The parameter block published through the hub.
    const int32_t* GetData() const override { return m_params; }

    // Docks pSub below this dialog (NULL undocks); returns pSub.
    CBaseParameterDlg* LinkSubDialog(CBaseParameterDlg* pSub);
    CBaseParameterDlg* GetSubDialog() const { return m_pSubDlg; }
    CBaseParameterDlg* GetOwningDialog() const { return m_pOwnerDlg; }

    // Docks pLower below pUpper as one block: creates missing windows (template ids kept, no
    // parent), links them, takes the caption and system menu off the lower one, places both, shows
    // or hides them by the parameter-dialog-shown flag, and registers the lower dialog under the
    // upper's message in the hub (once, however often it is docked).
    static void DockSubDialog(CBaseParameterDlg* pUpper, CBaseParameterDlg* pLower);

    // The docked dialog follows the state: shown when expanded, hidden when collapsed.
    void ApplyExpandState() override;
    // A docked dialog leaves the record to the dialog it is docked to.
    void SavePlacement() override;
    // With a docked dialog the size is left for DockSubDialog to set.
    void RestorePlacement() override;
    void NotifyParametersChanged();

    BOOL OnInitDialog() override;

    static CDlgPlacement s_placement; // shared by all parameter dialogs

    CString m_strCaptionSuffix;
    int32_t m_params[4] = {0, 0, 0, 0};

protected:
    // Close step: the docked dialog's close step first, then default processing.
    void OnClose();
    // Destroy step: the docked dialog's first; drops this dialog's hub pairs.
    void OnDestroy();
    void OnMove(int x, int y);

    DECLARE_MESSAGE_MAP()

private:
    void CloseStep();
    void DestroyStep();

    CBaseParameterDlg* m_pSubDlg = nullptr;
    CBaseParameterDlg* m_pOwnerDlg = nullptr;
};
