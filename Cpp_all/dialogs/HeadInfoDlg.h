// CHeadInfoDlg: shows what the head told about itself; the head layer fills the texts.
#pragma once

#include "head/Head.h"

#include "dialogs/ControlHelpDlg.h"

class CHeadInfoDlg : public CControlHelpDlg
{
    DECLARE_DYNAMIC(CHeadInfoDlg)
public:
    enum
    {
        IDD = 228
    };

    explicit CHeadInfoDlg(CWnd* pParent = nullptr);

    HeadInfoTexts m_texts;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
