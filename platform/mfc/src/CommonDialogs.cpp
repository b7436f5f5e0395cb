#include "mfc/CommonDialogs.h"
#include "mfc/ModuleState.h"
#include "mfc/Templates.h"
#include "win32/prompt.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)
IMPLEMENT_DYNAMIC(CColorDialog, CDialog)
IMPLEMENT_DYNAMIC(CFontDialog, CDialog)

namespace
{

// The filter in its '|' form, from the NUL-separated one the settings may hold.
std::string FilterFromPairs(LPCSTR pairs)
{
    std::string out;
    for (LPCSTR p = pairs; p != nullptr && *p != '\0'; p += std::strlen(p) + 1)
        out.append(p).push_back('|');
    if (!out.empty())
        out.push_back('|');
    return out;
}

HWND OwnerOf(CWnd* pParentWnd, HWND hwndOwner)
{
    if (hwndOwner != nullptr)
        return hwndOwner;
    return pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : ::GetActiveWindow();
}

std::string NamePart(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

// ---- CFileDialog ---------------------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog)
{
    m_pParentWnd = pParentWnd;
    if (lpszDefExt != nullptr)
        m_defExt = lpszDefExt;
    if (lpszFilter != nullptr)
        m_filter = lpszFilter;
    if (lpszFileName != nullptr)
    {
        std::strncpy(m_szFileName, lpszFileName, sizeof m_szFileName - 1);
    }
    m_ofn.Flags = dwFlags | OFN_EXPLORER;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    m_ofn.lpstrDefExt = m_defExt.empty() ? nullptr : m_defExt.c_str();
}

INT_PTR CFileDialog::DoModal()
{
    kel::PromptRequest request;
    request.kind = m_bOpenFileDialog ? kel::PromptKind::FileOpen : kel::PromptKind::FileSave;
    request.owner = OwnerOf(m_pParentWnd, m_ofn.hwndOwner);
    request.flags = m_ofn.Flags;
    if (m_ofn.lpstrTitle != nullptr)
        request.caption = request.text = m_ofn.lpstrTitle;
    request.fileName = m_ofn.lpstrFile != nullptr ? m_ofn.lpstrFile : "";
    request.filter = m_ofn.lpstrFilter != nullptr ? FilterFromPairs(m_ofn.lpstrFilter) : m_filter;
    request.defaultExt = m_ofn.lpstrDefExt != nullptr ? m_ofn.lpstrDefExt : "";
    if (m_ofn.lpstrInitialDir != nullptr)
        request.initialDir = m_ofn.lpstrInitialDir;
    const kel::PromptReply reply = kel::Prompt(request);
    m_paths.clear();
    if (reply.result != IDOK || reply.paths.empty())
        return IDCANCEL;
    if ((m_ofn.Flags & OFN_ALLOWMULTISELECT) == 0 && reply.paths.size() > 1)
        m_paths.assign(reply.paths.begin(), reply.paths.begin() + 1);
    else
        m_paths = reply.paths;
    // The program's buffer gets the first path; one that does not fit is refused, not cut.
    const std::string& first = m_paths.front();
    if (m_ofn.lpstrFile != nullptr && m_ofn.nMaxFile > 0)
    {
        if (first.size() >= m_ofn.nMaxFile)
        {
            AfxMessageBox(("The path is too long:\n" + first).c_str(), MB_ICONEXCLAMATION);
            m_paths.clear();
            return IDCANCEL;
        }
        std::memcpy(m_ofn.lpstrFile, first.c_str(), first.size() + 1);
        const auto slash = first.find_last_of('/');
        m_ofn.nFileOffset = static_cast<WORD>(slash == std::string::npos ? 0 : slash + 1);
        const auto dot = first.find_last_of('.');
        m_ofn.nFileExtension =
            static_cast<WORD>(dot == std::string::npos || dot < m_ofn.nFileOffset ? first.size() : dot + 1);
    }
    if (m_ofn.lpstrFileTitle != nullptr && m_ofn.nMaxFileTitle > 0)
    {
        const std::string name = NamePart(first);
        std::strncpy(m_ofn.lpstrFileTitle, name.c_str(), m_ofn.nMaxFileTitle - 1);
        m_ofn.lpstrFileTitle[m_ofn.nMaxFileTitle - 1] = '\0';
    }
    return IDOK;
}

CString CFileDialog::GetPathName() const
{
    return m_paths.empty() ? CString() : CString(m_paths.front().c_str());
}

CString CFileDialog::GetFileName() const
{
    return m_paths.empty() ? CString() : CString(NamePart(m_paths.front()).c_str());
}

CString CFileDialog::GetFileExt() const
{
    const std::string name = m_paths.empty() ? std::string() : NamePart(m_paths.front());
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? CString() : CString(name.substr(dot + 1).c_str());
}

CString CFileDialog::GetFileTitle() const
{
    const std::string name = m_paths.empty() ? std::string() : NamePart(m_paths.front());
    const auto dot = name.find_last_of('.');
    return CString(name.substr(0, dot).c_str());
}

CString CFileDialog::GetFolderPath() const
{
    if (m_paths.empty())
        return CString();
    const auto slash = m_paths.front().find_last_of('/');
    return slash == std::string::npos ? CString() : CString(m_paths.front().substr(0, slash).c_str());
}

POSITION CFileDialog::GetStartPosition() const
{
    return m_paths.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<INT_PTR>(1));
}

CString CFileDialog::GetNextPathName(POSITION& pos) const
{
    const auto index = static_cast<size_t>(reinterpret_cast<INT_PTR>(pos)) - 1;
    if (pos == nullptr || index >= m_paths.size())
    {
        pos = nullptr;
        return CString();
    }
    pos = index + 1 < m_paths.size() ? reinterpret_cast<POSITION>(static_cast<INT_PTR>(index + 2)) : nullptr;
    return CString(m_paths[index].c_str());
}

// ---- CColorDialog --------------------------------------------------------------------------------------

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, CWnd* pParentWnd)
{
    m_pParentWnd = pParentWnd;
    m_cc.Flags = dwFlags;
    m_cc.rgbResult = clrInit;
    if (clrInit != 0)
        m_cc.Flags |= CC_RGBINIT;
}

void CColorDialog::SetCurrentColor(COLORREF clr)
{
    m_cc.rgbResult = clr;
}

INT_PTR CColorDialog::DoModal()
{
    kel::PromptRequest request;
    request.kind = kel::PromptKind::Color;
    request.owner = OwnerOf(m_pParentWnd, m_cc.hwndOwner);
    request.flags = m_cc.Flags;
    request.color = m_cc.rgbResult;
    const kel::PromptReply reply = kel::Prompt(request);
    if (reply.result != IDOK)
        return IDCANCEL;
    m_cc.rgbResult = reply.color;
    return IDOK;
}

CFontDialog::CFontDialog(LPLOGFONT lplfInitial, DWORD dwFlags, HDC hdcPrinter, CWnd* pParentWnd)
{
    m_pParentWnd = pParentWnd;
    m_cf.Flags = dwFlags;
    m_cf.hDC = hdcPrinter;
    m_cf.lpLogFont = &m_lf;
    if (lplfInitial != nullptr)
    {
        m_lf = *lplfInitial;
        m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
    }
}

INT_PTR CFontDialog::DoModal()
{
    kel::PromptRequest request;
    request.kind = kel::PromptKind::Font;
    request.owner = OwnerOf(m_pParentWnd, m_cf.hwndOwner);
    request.flags = m_cf.Flags;
    request.color = m_cf.rgbColors;
    if (m_cf.Flags & CF_INITTOLOGFONTSTRUCT)
    {
        request.font.face = m_lf.lfFaceName;
        request.font.height = m_lf.lfHeight;
        request.font.weight = m_lf.lfWeight;
        request.font.italic = m_lf.lfItalic != 0;
        request.font.underline = m_lf.lfUnderline != 0;
    }
    const kel::PromptReply reply = kel::Prompt(request);
    if (reply.result != IDOK)
        return IDCANCEL;
    // A face that does not fit the record is refused rather than cut to another name.
    if (reply.font.face.size() >= LF_FACESIZE)
    {
        AfxMessageBox("The chosen font name is too long.", MB_ICONEXCLAMATION);
        return IDCANCEL;
    }
    std::memset(m_lf.lfFaceName, 0, sizeof m_lf.lfFaceName);
    std::memcpy(m_lf.lfFaceName, reply.font.face.c_str(), reply.font.face.size());
    m_lf.lfHeight = reply.font.height;
    m_lf.lfWidth = 0;
    m_lf.lfWeight = reply.font.weight;
    m_lf.lfItalic = reply.font.italic ? 1 : 0;
    m_lf.lfUnderline = reply.font.underline ? 1 : 0;
    m_cf.iPointSize = reply.font.pointSize10;
    if (m_cf.Flags & CF_EFFECTS)
        m_cf.rgbColors = reply.color;
    return IDOK;
}
