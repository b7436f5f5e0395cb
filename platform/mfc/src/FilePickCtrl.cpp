#include "widgetlib/FilePickCtrl.h"

#include "win32/prompt.h"

#include <cstring>

int CFilePickCtrl::DoModal(LPCTSTR lpszTitle)
{
    kel::PromptRequest request;
    request.kind = m_bDirOnly ? kel::PromptKind::Folder : kel::PromptKind::FileOpen;
    request.owner = m_hOwner;
    request.text = lpszTitle ? lpszTitle : "";
    request.caption = request.text;
    request.fileName = m_startPath;
    request.initialDir = m_startPath;
    if (!m_bDirOnly)
        request.flags = kel::kPromptPathMustExist | kel::kPromptFileMustExist;

    const kel::PromptReply reply = kel::Prompt(request);
    if (reply.result != IDOK || reply.paths.empty() || reply.paths.front().empty())
        return 0;
    if (reply.paths.front().size() >= MAX_PATH)
    {
        const std::string text = "The path is too long (at most " + std::to_string(MAX_PATH - 1) +
                                 " characters):\n" + reply.paths.front();
        ::MessageBox(m_hOwner, text.c_str(), request.text.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    m_selected = reply.paths.front();
    return IDOK;
}

BOOL CFilePickCtrl::GetSelectedItem(LPTSTR lpszBuffer, int nBufferSize) const
{
    if (!lpszBuffer || nBufferSize <= 0)
        return FALSE;
    lpszBuffer[0] = '\0';
    if (m_selected.empty() || m_selected.size() >= static_cast<size_t>(nBufferSize))
        return FALSE;
    std::memcpy(lpszBuffer, m_selected.c_str(), m_selected.size() + 1);
    return TRUE;
}
