// Base classes of the modeless scan dialogs: collapsing to the caption bar by the caption icon,
// placement remembered relative to the main window, notices posted to the main window, and for
// parameter dialogs a second dialog docked below and the parameter-message hub.
#pragma once

#include "dialogs/ParamMessage.h"

#include <afxwin.h>

#include <cstdint>

class CAppSettings;

// Where the last dialog of a kind stood: offsets from the main window's top-left corner and
// whether it was expanded. One record for all parameter dialogs, one for all schedule dialogs.
struct CDlgPlacement
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t expanded = 1;
};

// Copies the placement values of the settings into the two records, moving an offset below 0 or
// beyond the full-screen width (x) or height (y) back to 0.
void LoadDialogPlacements(const CAppSettings& settings);
// Copies the two records into the settings before they are stored.
void StoreDialogPlacements(CAppSettings& settings);

namespace kel::basedlg
{
// Icon resources of the caption: collapsed and expanded state.
constexpr UINT kIconCollapsed = 130;
constexpr UINT kIconExpanded = 131;

// The application's main window, which gets the notices and anchors the placements; NULL when
// there is none. The main frame names itself here when it is created and NULL when it goes.
void SetMainWindow(HWND hMain);
HWND MainWindow();
// Posts message (0, 0) to the main window; nothing when there is none.
void PostToMainWindow(UINT message);

// What a WM_SYSCOMMAND means to a collapsible dialog.
enum class SysCommandAction
{
    Toggle,           // a click on the caption icon: collapse or expand
    ValidateAndClose, // a close: validate first, then default processing
    Default
};
SysCommandAction ClassifySysCommand(HWND hDlg, UINT nID, LPARAM lParam);

// Full height, width and collapsed height (caption and borders alone) of a dialog, in pixels.
void MeasureHeights(HWND hDlg, int* fullHeight, int* width, int* collapsedHeight);
// Sets the height for the state, keeping position, width and Z order.
void ResizeForState(HWND hDlg, BOOL expanded, int fullHeight, int collapsedHeight);
// Sets the caption's big icon for the state.
void SetStateIcon(HWND hDlg, BOOL expanded, HICON hCollapsed, HICON hExpanded);
// Records the dialog's offset from the main window and its state.
void SavePlacementTo(HWND hDlg, BOOL expanded, CDlgPlacement* record);
// Moves the dialog to the recorded offset from hParent (each axis falls back to the parent's edge
// when the result is off the full screen), keeping its size.
void MoveToPlacement(HWND hDlg, HWND hParent, const CDlgPlacement& record);
} // namespace kel::basedlg

class CBaseParameterDlg : public CDialog, public CParamMessage, public CParamMessageSink
{
    DECLARE_DYNAMIC(CBaseParameterDlg)
public:
    CBaseParameterDlg(UINT nIDTemplate, CWnd* pParent = nullptr);
    ~CBaseParameterDlg() override;

    // Stores the enabled flag; derived dialogs also grey or enable their controls.
    virtual void EnableControls(BOOL bEnable);
    // Refreshes the docked dialog first, then this dialog's controls from its members.
    virtual void RefreshControls();

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

    void UpdateStateIcon();
    void ApplyExpandState();
    void SavePlacement();
    void RestorePlacement();
    void NotifyClosed();
    void NotifyParametersChanged();

    BOOL OnInitDialog() override;

    static CDlgPlacement s_placement; // shared by all parameter dialogs

    UINT m_nTemplateId;
    BOOL m_bEnabled = TRUE;
    BOOL m_bExpanded = TRUE;
    HICON m_hIconCollapsed = nullptr;
    HICON m_hIconExpanded = nullptr;
    int m_nFullHeight = 0;
    int m_nWidth = 0;
    int m_nCollapsedHeight = 0;
    CString m_strCaptionSuffix;
    int32_t m_params[4] = {0, 0, 0, 0};

protected:
    // Close step: the docked dialog's close step first, then default processing.
    void OnClose();
    // Destroy step: the docked dialog's first; drops this dialog's hub pairs.
    void OnDestroy();
    void OnMove(int x, int y);
    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    void OnSysCommand(UINT nID, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void CloseStep();
    void DestroyStep();

    CBaseParameterDlg* m_pSubDlg = nullptr;
    CBaseParameterDlg* m_pOwnerDlg = nullptr;
};
