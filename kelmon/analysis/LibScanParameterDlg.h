// "Library Scan Parameters": the mass range of the library display, a modeless parameter dialog
// owned by the gas library.
#pragma once

#include "dialogs/BaseParameterDlg.h"
#include "res/resource.h"

class CLibScanParameterDlg : public CBaseParameterDlg
{
    DECLARE_DYNAMIC(CLibScanParameterDlg)
public:
    enum
    {
        IDD = IDD_LIB_SCAN_PARAMETERS
    };
    static constexpr int kLowestMass = 1;
    static constexpr int kHighestMass = 300;

    explicit CLibScanParameterDlg(CWnd* pParent = nullptr);

    int m_startMass = 1;
    int m_stopMass = 50;

    // Greys or enables every control but Help.
    void EnableControls(BOOL bEnable) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Apply: checks the fields and tells the main window the parameters changed; the document
    // then has the library take them.
    void OnOK() override;
};
