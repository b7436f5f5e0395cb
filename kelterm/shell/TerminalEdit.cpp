#include "shell/TerminalEdit.h"

#include "engine/TerminalEngine.h"
#include "engine/TerminalMessages.h"

BEGIN_MESSAGE_MAP(CTerminalEdit, CEdit)
ON_WM_CHAR()
ON_MESSAGE(WM_KEL_RECEIVEDTEXT, OnReceivedTextMessage)
END_MESSAGE_MAP()

void CTerminalEdit::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    CEdit::OnChar(nChar, nRepCnt, nFlags);
    CTerminalEngine::GetInstance()->SendChar(static_cast<int>(nChar));
}

std::string CTerminalEdit::TurnLineEnds(const char* buffer, size_t count)
{
    std::string text(buffer, count);
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '\n' && text[i + 1] == '\r')
        {
            text[i] = '\r';
            text[i + 1] = '\n';
            ++i; // a turned pair is not looked at again
        }
    return text;
}

LRESULT CTerminalEdit::OnReceivedText(const char* buffer, int count)
{
    if (!buffer || count <= 0)
        return 0;
    const std::string text = TurnLineEnds(buffer, static_cast<size_t>(count));
    const int end = GetWindowTextLength() + 1;
    SendMessage(EM_SETSEL, end, end);
    SendMessage(EM_SCROLLCARET);
    SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
}

LRESULT CTerminalEdit::OnReceivedTextMessage(WPARAM wParam, LPARAM lParam)
{
    return OnReceivedText(reinterpret_cast<const char*>(lParam), static_cast<int>(wParam));
}
