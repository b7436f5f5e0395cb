// The About box: the program's name and version, and a link to the maker's web site.
#pragma once

#include <afxwin.h>
#include <widgetlib/Hyperlink.h>

constexpr UINT IDC_ABOUT_LINK = 9999;
// Where the About box's link leads.
constexpr const char* kMakerWebAddress = "https://www.zol-instruments.example/";

class CAboutDlg : public CDialog
{
public:
    enum
    {
        IDD = 100
    };
    static constexpr COLORREF kLinkColour = 0x00FF0C00;
    static constexpr COLORREF kLinkActiveColour = 0x00F0700A;

    explicit CAboutDlg(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;

    CHyperlink m_link;
};
