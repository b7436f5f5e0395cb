// The common dialog classes: file open/save, colour and font. Each asks the prompt service (the Qt
// dialogs, or a scripted responder in tests) and keeps the answer.
#pragma once

#include "mfc/Dialog.h"
#include "mfc/Templates.h"
#include "win32/gdi.h"

#include <string>
#include <vector>

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_ENABLESIZING 0x00800000

#define CC_RGBINIT 0x00000001
#define CC_FULLOPEN 0x00000002
#define CC_PREVENTFULLOPEN 0x00000004
#define CC_SHOWHELP 0x00000008
#define CC_ANYCOLOR 0x00000100
#define CC_SOLIDCOLOR 0x00000080

// The fields of the file dialog's settings the program sets or reads.
struct OPENFILENAME
{
    DWORD lStructSize = sizeof(OPENFILENAME);
    HWND hwndOwner = nullptr;
    LPCSTR lpstrFilter = nullptr; // NUL-separated pairs, ending with two NULs
    DWORD nFilterIndex = 0;       // 1-based
    LPSTR lpstrFile = nullptr;    // in: initial name; out: the path (or folder and names)
    DWORD nMaxFile = 0;
    LPSTR lpstrFileTitle = nullptr;
    DWORD nMaxFileTitle = 0;
    LPCSTR lpstrInitialDir = nullptr;
    LPCSTR lpstrTitle = nullptr;
    DWORD Flags = 0;
    WORD nFileOffset = 0;
    WORD nFileExtension = 0;
    LPCSTR lpstrDefExt = nullptr;
};
typedef OPENFILENAME* LPOPENFILENAME;

struct CHOOSECOLOR
{
    DWORD lStructSize = sizeof(CHOOSECOLOR);
    HWND hwndOwner = nullptr;
    COLORREF rgbResult = 0;
    COLORREF* lpCustColors = nullptr;
    DWORD Flags = 0;
};

#define CF_SCREENFONTS 0x00000001
#define CF_PRINTERFONTS 0x00000002
#define CF_BOTH (CF_SCREENFONTS | CF_PRINTERFONTS)
#define CF_SHOWHELP 0x00000004
#define CF_INITTOLOGFONTSTRUCT 0x00000040
#define CF_EFFECTS 0x00000100
#define CF_TTONLY 0x00040000
#define CF_NOVERTFONTS 0x01000000

// The fields of the font dialog's settings the program sets or reads.
struct CHOOSEFONT
{
    DWORD lStructSize = sizeof(CHOOSEFONT);
    HWND hwndOwner = nullptr;
    HDC hDC = nullptr;
    LPLOGFONT lpLogFont = nullptr;
    INT iPointSize = 0; // tenths of a point, set on OK
    DWORD Flags = 0;
    COLORREF rgbColors = 0;
};

class CFileDialog : public CDialog
{
    DECLARE_DYNAMIC(CFileDialog)
public:
    // lpszFilter: "Text (*.txt)|*.txt|All files (*.*)|*.*||"; lpszDefExt without the dot.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);

    // IDOK with the chosen path(s), IDCANCEL otherwise. A chosen path that does not fit m_ofn's
    // buffer is refused with a message (IDCANCEL), never cut.
    INT_PTR DoModal() override;

    CString GetPathName() const;  // the full path (the first one with several)
    CString GetFileName() const;  // name with extension
    CString GetFileExt() const;   // extension without the dot
    CString GetFileTitle() const; // name without extension
    CString GetFolderPath() const;
    BOOL GetReadOnlyPref() const { return (m_ofn.Flags & OFN_READONLY) != 0; }
    // Walks the chosen paths (OFN_ALLOWMULTISELECT).
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& pos) const;

    OPENFILENAME m_ofn;
    BOOL m_bOpenFileDialog;

private:
    std::string m_defExt;
    std::string m_filter; // '|' form
    std::string m_title;
    char m_szFileName[260] = {};
    std::vector<std::string> m_paths;
};

class CColorDialog : public CDialog
{
    DECLARE_DYNAMIC(CColorDialog)
public:
    explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd* pParentWnd = nullptr);
    INT_PTR DoModal() override;
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF clr);

    CHOOSECOLOR m_cc;
};

class CFontDialog : public CDialog
{
    DECLARE_DYNAMIC(CFontDialog)
public:
    // lplfInitial: the font shown first (NULL: the dialog's default); dwFlags: CF_* bits.
    explicit CFontDialog(LPLOGFONT lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                         HDC hdcPrinter = nullptr, CWnd* pParentWnd = nullptr);
    INT_PTR DoModal() override;

    void GetCurrentFont(LPLOGFONT lplf) const { *lplf = m_lf; }
    CString GetFaceName() const { return CString(m_lf.lfFaceName); }
    int GetSize() const { return m_cf.iPointSize; } // tenths of a point
    COLORREF GetColor() const { return m_cf.rgbColors; }
    int GetWeight() const { return m_lf.lfWeight; }
    BOOL IsBold() const { return m_lf.lfWeight >= FW_SEMIBOLD; }
    BOOL IsItalic() const { return m_lf.lfItalic != 0; }
    BOOL IsUnderline() const { return m_lf.lfUnderline != 0; }

    CHOOSEFONT m_cf;
    LOGFONT m_lf{};
};
