// "Library Search": finds the library gases that hold every one of up to ten fragment masses,
// shows a gas's fragment pattern, and plots a gas on the library display. Modal.
#pragma once

#include "res/resource.h"

#include <afxcmn.h>
#include <afxwin.h>

#include <cstdint>

class CGas;
class CLibrary;

class CLibrarySearchDlg : public CDialog
{
    DECLARE_DYNAMIC(CLibrarySearchDlg)
public:
    enum
    {
        IDD = IDD_LIBRARY_SEARCH
    };
    static constexpr int kMasses = 10;
    static constexpr int kHighestMass = 300;
    static constexpr UINT kHelpContext = 98336;
    // The mass edits, in search order.
    static const int kMassIds[kMasses];

    explicit CLibrarySearchDlg(CWnd* pParent = nullptr);

    CLibrary* m_pLibrary = nullptr; // not owned
    CGas* m_pSelectedGas = nullptr;
    int32_t m_masses[kMasses] = {}; // 0 = no mass
    CString m_strFragmentMasses;
    CString m_strFragmentIntensities;
    int m_nGasCount = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    void OnSearch();
    void OnShowAll();
    void OnClear();
    void OnPlot();
    void OnHelp();
    void OnGasSelected();
    void AddGas(CGas* gas);
    void ClearTexts();
    void FillPeaks();

    CListBox m_gases;
    CListCtrl m_peaks;
    BOOL m_bFieldRefused = FALSE; // a mass edit was left with a value out of range

    DECLARE_MESSAGE_MAP()
};
