// "Logging settings" (IDD 176) of the leak, panel, pressure-versus-time and table scans, whose logs
// are real-time text files. In layout mode 1 it also offers the file type (text or the document
// format) and its check box reads "Enable logging".
#pragma once

#include "scans/LoggingDialogBase.h"

class CDynamicLoggingDialog : public CLoggingDialogBase
{
    DECLARE_DYNAMIC(CDynamicLoggingDialog)
public:
    explicit CDynamicLoggingDialog(CWnd* pParent = nullptr);

    int m_nLayoutMode = 0;
    int m_nFileType = 0; // 0 txt, 1 kel

protected:
    void Load(const CScanLogSettings& settings) override;
    void Store(CScanLogSettings& settings) const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};
