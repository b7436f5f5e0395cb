// Base class of the modeless dialogs that float over the main window: a click on the caption
// icon collapses the dialog to its caption bar and expands it again, the caption stays active
// while the user works in the main window, the placement is remembered relative to the main
// window in one record per kind of dialog, and notices go to the main window.
#pragma once

#include <afxwin.h>

#include <cstdint>

// Where the last dialog of a kind stood: offsets from the main window's top-left corner and
// whether it was expanded.
struct CDlgPlacement
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t expanded = 1;
};

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
} // namespace kel::basedlg

class CCollapsibleDlg : public CDialog
{
    DECLARE_DYNAMIC(CCollapsibleDlg)
public:
    // `placement` is the record of the dialog's kind; NotifyClosed posts `closedMessage`.
    CCollapsibleDlg(UINT nIDTemplate, CWnd* pParent, CDlgPlacement& placement, UINT closedMessage,
                    BOOL bEnabled);

    // Stores the enabled flag; derived dialogs also grey or enable their controls.
    virtual void EnableControls(BOOL bEnable);
    // Refreshes the controls from the members.
    virtual void RefreshControls();

    // Shows the caption icon of the current state.
    void UpdateStateIcon();
    // Sets the height for the current state (caption bar alone when collapsed), keeping position,
    // width and Z order.
    virtual void ApplyExpandState();
    // Records the offset from the main window and the state.
    virtual void SavePlacement();
    // Moves to the recorded offset from the parent (the main window when there is none; each axis
    // falls back to its edge when the result is off the full screen) and takes the recorded state.
    virtual void RestorePlacement();
    // Posts the closed notice to the main window.
    void NotifyClosed();

    BOOL OnInitDialog() override;

    UINT m_nTemplateId;
    BOOL m_bEnabled;
    BOOL m_bExpanded = TRUE;
    HICON m_hIconCollapsed = nullptr;
    HICON m_hIconExpanded = nullptr;
    int m_nFullHeight = 0;
    int m_nWidth = 0;
    int m_nCollapsedHeight = 0;

protected:
    // RestorePlacement without the resize: position, state and icon.
    void RestorePosition();

    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    void OnSysCommand(UINT nID, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    CDlgPlacement& m_placement;
    const UINT m_closedMessage;
};
