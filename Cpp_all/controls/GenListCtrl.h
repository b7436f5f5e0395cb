// A report-view list whose header can lock columns against resizing, with small editor windows
// (a number edit, a button, a list box) placed over single cells.
#pragma once

#include <afxcmn.h>

#include <memory>
#include <vector>

class CGenHeaderCtrl : public CHeaderCtrl
{
    DECLARE_DYNAMIC(CGenHeaderCtrl)
public:
    // Locks (non-zero) or frees a column's right divider; the flags grow with zeros as needed.
    void SetColumnLock(int nColumn, BOOL bLock);
    BOOL IsColumnLocked(int nColumn) const;
    // TRUE when client x lies strictly within half the cursor width of a locked column's divider.
    BOOL IsOverLockedDivider(int x) const;

    // 1 while the mouse is not over a locked divider, 0 while it is (from the last hit test).
    int32_t m_bNotOnLockedDivider = 1;

protected:
    LRESULT OnNcHitTest(CPoint point);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    BOOL OnBeginTrack(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    std::vector<int32_t> m_locks;
};

class CGenListCtrl : public CListCtrl
{
    DECLARE_DYNAMIC(CGenListCtrl)
public:
    // Cell editor kinds and their control ids.
    enum
    {
        kEditorNumber = 1, // digits-only edit, id 500
        kEditorButton = 2, // button without text, id 501
        kEditorList = 3    // list box, id 502
    };

    CGenListCtrl() = default;
    ~CGenListCtrl() override;

    // Subclasses the list's header as m_header (done on creation; an owner that subclassed a
    // dialog item calls it). TRUE when the header is ours.
    BOOL SubclassHeader();
    void SetColumnLock(int nColumn, BOOL bLock) { m_header.SetColumnLock(nColumn, bLock); }

    // Places an editor of nKind over the cell, replacing one already there; any other kind only
    // removes it. Returns the editor window, NULL when none was made.
    CWnd* AddEditor(int nRow, int nColumn, int nKind);
    // Destroys the cell's editor; FALSE when it has none.
    BOOL RemoveEditor(int nRow, int nColumn);
    CWnd* GetEditor(int nRow, int nColumn) const;
    int GetEditorCount() const { return static_cast<int>(m_editors.size()); }
    // Moves every editor onto its cell's label rectangle.
    void LayoutEditors();
    void ShowEditors(int nCmdShow);

    // Where the right mouse button was last pressed (client coordinates).
    CPoint GetLastRightClick() const { return m_lastRightClick; }

    CGenHeaderCtrl m_header;

protected:
    void PreSubclassWindow() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnItemActivate(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    struct CellEditor
    {
        int row;
        int column;
        int kind;
        std::unique_ptr<CWnd> wnd;
    };

    CPoint m_lastRightClick{0, 0};
    std::vector<CellEditor> m_editors;
};
