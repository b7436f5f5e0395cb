// Keeps a dialog's controls placed by rules when the dialog is resized. Each control has one rule
// per edge (left, top, right, bottom, in that order): keep the distance to an edge of the dialog's
// client area or of a control registered before it, scale that distance with the reference's
// size, or keep the control's registered width or height.
#pragma once

#include <afxwin.h>

#include <vector>

class CControlAnchor
{
public:
    // Edge codes of a reference.
    enum : int
    {
        kEdgeLeft = 1,
        kEdgeTop = 2,
        kEdgeRight = 3,
        kEdgeBottom = 4,
        kEdgeHCenter = 5, // (left + right) / 2
        kEdgeVCenter = 6, // (top + bottom) / 2
    };
    // Rule types.
    enum : int
    {
        kKeepDistance = 1,  // new := reference now + (registered - reference registered)
        kScaleDistance = 2, // the distance scaled by the reference's extent now / registered
        kKeepWidth = 3,     // right := new left + registered width
        kKeepHeight = 4,    // bottom := new top + registered height
    };

    struct EdgeRule
    {
        int type;
        int reference; // control id, 0: the dialog's client area
        int edge;
    };
    struct Rule
    {
        int id;
        EdgeRule left, top, right, bottom;
    };
    struct Result
    {
        int id = 0;
        CRect rect;
        bool visible = false;
        bool overlap = false;
    };

    // Registers the rules' controls of dialog as they are now. reference: the client rectangle
    // the registered positions belong to (NULL: the dialog's client rectangle now).
    void Init(CWnd* dialog, const CRect* reference, const Rule* rules, int count);
    // Places every registered control for the dialog's present size.
    void Resize();
    // Computes the rectangle of control i (its rule may use the dialog and the controls before it).
    void ComputeRect(int i);
    // Moves the controls to the computed rectangles; a visible control that overlaps an earlier
    // visible one is shrunk to nothing.
    void MoveControls();

    const std::vector<Result>& GetResults() const { return m_results; }

    // The value of an edge code on a rectangle (0 for an unknown code) and the extent it measures.
    static int Edge(const CRect& rect, int code);
    static int Extent(const CRect& rect, int code);

private:
    struct Registered
    {
        CRect rect;
        const Rule* rule;
    };

    CRect GetControlRect(int id) const;
    // The reference's rectangle now and as registered; false for a reference not computed yet.
    bool Reference(int id, int computed, CRect& now, CRect& registered) const;

    CWnd* m_pDialog = nullptr;
    CRect m_reference;
    std::vector<Registered> m_controls;
    std::vector<Result> m_results;
    int m_computed = 0;
};
