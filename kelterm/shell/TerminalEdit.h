// The raw terminal: every character typed shows in the edit and goes to the head; every block the
// head sends is appended at the end.
#pragma once

#include <afxwin.h>

#include <string>

class CTerminalEdit : public CEdit
{
public:
    // Appends count received bytes (a "\n\r" pair turned into "\r\n"), not undoable. Returns 0.
    LRESULT OnReceivedText(const char* buffer, int count);
    // The received bytes with every "\n\r" pair turned into "\r\n", left to right.
    static std::string TurnLineEnds(const char* buffer, size_t count);

protected:
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    LRESULT OnReceivedTextMessage(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
