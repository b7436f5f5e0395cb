// "Spectrum Analysis": the modeless window that shows the result of each analysed sweep, one row
// per selected gas, as percentages or partial pressures.
#pragma once

#include "analysis/Analyse.h"
#include "res/resource.h"

#include <afxcoll.h>
#include <afxwin.h>

#include <cstdint>

// Posted to the active view after a set-up change (the scan analyses its sweep again) and when
// the analysis window goes (the scan closes its analysis).
#define WM_KEL_ANALYSISSETUPCHANGED (WM_USER + 203)
#define WM_KEL_ANALYSISCLOSED (WM_USER + 204)

// The window that gets the analysis window's notices: the active view. The view installs the
// lookup; without one the notices are dropped.
using ActiveViewLookup = HWND (*)();
ActiveViewLookup SetAnalysisViewLookup(ActiveViewLookup lookup);

class CAnalysisDlg : public CDialog, public CAnalysisView
{
    DECLARE_DYNAMIC(CAnalysisDlg)
public:
    enum
    {
        IDD = IDD_ANALYSIS
    };
    static constexpr int kRows = 12;
    static constexpr int kHelpContext = 98366;

    explicit CAnalysisDlg(CWnd* pParent = nullptr);
    // Destroys a window still open without notifying the view (its owner is going anyway).
    ~CAnalysisDlg() override;

    // The factory for SetAnalysisViewFactory.
    static CAnalysisView* New() { return new CAnalysisDlg; }

    BOOL CreateView(int32_t* selectionFlags, int32_t* changedFlag, const CStringArray* gasNames,
                    int32_t* unitsMode) override;
    BOOL HasWindow() const override { return ::IsWindow(m_hWnd); }
    BOOL IsVisible() const override { return HasWindow() && IsWindowVisible(); }
    // Sends WM_KEL_ANALYSISRESULT (rows, gases) to the window (from any thread); returns once it
    // is shown.
    void ShowResult(float* const* rows, uint32_t gases) override;

    CString m_nameText[kRows];
    CString m_valueText[kRows];

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override { OnDone(); }
    LRESULT OnAnalysisResult(WPARAM wParam, LPARAM lParam);
    LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);
    void OnSetup();
    void OnDone();
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    // Fills the name rows from the selected gases in list order, without gaps.
    void BuildNameRows();
    void ShowTexts();

    int32_t* m_pSelection = nullptr;
    int32_t* m_pChanged = nullptr;
    const CStringArray* m_pGasNames = nullptr;
    int32_t* m_pUnitsMode = nullptr;
    bool m_quiet = false; // destroyed by its owner: no notice
};
