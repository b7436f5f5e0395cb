#include "controls/AutoCompleteEdit.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CAutoCompleteEdit, CEdit)

BEGIN_MESSAGE_MAP(CAutoCompleteEdit, CEdit)
ON_WM_KEYDOWN()
ON_CONTROL_REFLECT_EX(EN_UPDATE, OnUpdate)
END_MESSAGE_MAP()

void CAutoCompleteEdit::AddWord(LPCTSTR lpszWord)
{
    if (!lpszWord || std::strlen(lpszWord) < 2)
        return;
    m_words.push_back(std::make_unique<std::string>(lpszWord));
}

void CAutoCompleteEdit::SuppressCompletion(BOOL bSuppress)
{
    m_bSuppressed = bSuppress != FALSE;
    m_bDeleting = 0;
}

void CAutoCompleteEdit::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (nChar == VK_DELETE || nChar == VK_BACK)
        m_bDeleting = 1;
    else if (m_bDeleting)
    {
        m_bDeleting = 0;
        UpdateWindow();
    }
    CEdit::OnKeyDown(nChar, nRepCnt, nFlags);
}

BOOL CAutoCompleteEdit::OnUpdate()
{
    if (m_bBusy || m_bSuppressed)
        return FALSE;
    m_bBusy = 1;
    const int n = GetWindowTextLength();
    if (!m_words.empty() && n > 0 && !m_bDeleting)
    {
        GetWindowText(m_text);
        const std::string* match = nullptr;
        for (const auto& word : m_words)
        {
            // A word shorter than the text cannot complete it.
            if (static_cast<int>(word->size()) >= n &&
                _strnicmp(word->c_str(), m_text, static_cast<size_t>(n)) == 0)
            {
                match = word.get();
                break;
            }
        }
        if (match)
        {
            int nStart = 0, nEnd = 0;
            GetSel(nStart, nEnd);
            SetWindowText(match->c_str());
            SetSel(nStart, -1, FALSE);
            if (m_bNotify && m_hNotifyWnd)
                Notify(*match);
            UpdateWindow();
        }
    }
    m_bBusy = 0;
    return TRUE;
}

void CAutoCompleteEdit::Notify(const std::string& text)
{
    std::vector<char> buffer(sizeof(NMAUTOCOMPLETE) + text.size(), '\0');
    auto* nm = reinterpret_cast<NMAUTOCOMPLETE*>(buffer.data());
    nm->hdr.hwndFrom = m_hWnd;
    nm->hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    nm->hdr.code = ACN_COMPLETED;
    std::memcpy(nm->szText, text.c_str(), text.size() + 1);
    ::SendMessage(m_hNotifyWnd, WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID()), reinterpret_cast<LPARAM>(nm));
}
