// CPercentBar: a static control drawn as a progress bar with its percentage written across it,
// the text in inverse colours where the bar has passed. The control it takes over is a window of
// the class kClassName (a plain window that paints nothing itself), so the bar's own painting is
// what shows.
#pragma once

#include <afxwin.h>

class CPercentBar : public CStatic
{
    DECLARE_DYNAMIC(CPercentBar)
public:
    CPercentBar() = default;

    static constexpr const char* kClassName = "KelPercentBar";
    // Registers kClassName for every module's dialogs (once; later calls find it). FALSE on failure.
    static BOOL RegisterWindowClass();

    // Subclasses control nID of pParent and takes the range (0 counts as 1) and the colours.
    // Returns 0 when the control cannot be subclassed, else 1.
    int Attach(UINT nID, CWnd* pParent, int nRange, COLORREF barColor, COLORREF backColor);
    // Moves the bar; a position beyond the range stands at the range.
    void SetPos(int nPos);

    int GetPos() const { return m_nPos; }
    int GetRange() const { return m_nRange; }

    int m_nRange = 100;
    int m_nPos = 0;
    COLORREF m_barColor = RGB(0, 0, 255);
    COLORREF m_backColor = RGB(255, 255, 255);

protected:
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};
