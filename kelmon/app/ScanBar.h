// The scan bar: a dialog bar with the zoom, resume-scrolling and history buttons and a scroll bar
// that moves the current display back through its history.
#pragma once

#include <afxext.h>
#include <afxwin.h>

class CDisplay;

class CScanBar : public CDialogBar
{
    DECLARE_DYNAMIC(CScanBar)
public:
    static constexpr int kScrollMin = 0;
    static constexpr int kScrollMax = 1000;

    CScanBar();
    ~CScanBar() override;

    // The bar from its template with its four picture buttons; the scroll bar at its right end.
    BOOL Create(CWnd* pParentWnd, UINT nIDTemplate, UINT nStyle, UINT nID);

    // Once the display shows its history: the scroll bar at the latest data, the page step from the
    // display's screen length against the values it holds.
    void SetupHistoryScroll();
    // The display the scroll bar moves: the active document's current one, or null.
    virtual CDisplay* GetHistoryDisplay();

    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    LRESULT OnSetupHistoryScroll(WPARAM, LPARAM);

    int GetCurrentPos() const { return m_nCurrent; }
    int GetPageStep() const { return m_nPage; }

    CBitmapButton m_zoomIn;
    CBitmapButton m_zoomOut;
    CBitmapButton m_scroll;
    CBitmapButton m_history;
    int m_nMin = kScrollMin;
    int m_nMax = kScrollMax;
    int m_nCurrent = kScrollMax;
    int m_nPage = 10;

protected:
    // Points of history one step of the scroll bar stands for.
    int PointsPerStep(CDisplay* display) const;

    DECLARE_MESSAGE_MAP()
};
