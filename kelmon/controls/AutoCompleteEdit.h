// An edit box that completes what the user types from a list of words: the first word (in the order
// added) that starts with the text, compared without case, replaces it with the untyped rest
// selected, so typing goes on over it.
#pragma once

#include <afxwin.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// WM_NOTIFY code sent to the notify window after a completion.
#define ACN_COMPLETED 1001

// The notice: the header, then the completed text.
struct NMAUTOCOMPLETE
{
    NMHDR hdr;
    char szText[1];
};

class CAutoCompleteEdit : public CEdit
{
    DECLARE_DYNAMIC(CAutoCompleteEdit)
public:
    CAutoCompleteEdit() = default;
    ~CAutoCompleteEdit() override = default;

    // Appends a copy of the word; NULL and words shorter than 2 characters are ignored.
    void AddWord(LPCTSTR lpszWord);
    // TRUE switches completion off (the owner does while the field must not complete).
    void SuppressCompletion(BOOL bSuppress);
    int GetWordCount() const { return static_cast<int>(m_words.size()); }

    // Set by the owner: with m_bNotify non-zero, m_hNotifyWnd gets ACN_COMPLETED notices.
    int32_t m_bNotify = 0;
    HWND m_hNotifyWnd = nullptr;

protected:
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    BOOL OnUpdate();

    DECLARE_MESSAGE_MAP()

private:
    void Notify(const std::string& text);

    CString m_text;
    std::vector<std::unique_ptr<std::string>> m_words;
    BYTE m_bSuppressed = 0;
    BYTE m_bDeleting = 0;
    BYTE m_bBusy = 0;
};
