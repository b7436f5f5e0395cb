// Dialog data exchange: DDX_ functions move values between controls and members, DDV_ functions
// check them. On a bad value the user is told (a message box), the focus goes to the control and
// CDataExchange::Fail throws CUserException, which UpdateData turns into FALSE.
#pragma once

#include "mfc/Wnd.h"

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate; // TRUE: controls -> members (and validate); FALSE: members -> controls
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;

    // The control nIDC (remembered as the one to focus on failure). Throws CNotSupportedException
    // when the window has no such control.
    HWND PrepareCtrl(int nIDC);
    // As PrepareCtrl, for an edit whose text is selected on failure.
    HWND PrepareEditCtrl(int nIDC);
    // Puts the focus on the last control prepared and throws CUserException.
    [[noreturn]] void Fail();
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
// LONG and DWORD are int and UINT here; a plain long is read in the LONG range.
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, short& value);
void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value);
// Floating point: read in the "C" locale, written with %.*g (6 digits for float, 15 for double).
void DDX_Text(CDataExchange* pDX, int nIDC, float& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, LPTSTR value, int nMaxLen);

void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// nIDC is the first radio button of a group; value the index of the checked one, -1 for none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBStringExact(CDataExchange* pDX, int nIDC, CString& value);
// Subclasses the control into rControl the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Slider(CDataExchange* pDX, int nIDC, int& value);
void DDX_Scroll(CDataExchange* pDX, int nIDC, int& value);

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxLong(CDataExchange* pDX, LONG value, LONG minVal, LONG maxVal);
void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal);
void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal);
void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal);
void DDV_MinMaxFloat(CDataExchange* pDX, float const& value, float minVal, float maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal);
// Saving: refuses a text longer than nChars. Loading: limits the edit to nChars.
void DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars);
// Loading: sets the slider's range.
void DDV_MinMaxSlider(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal);
