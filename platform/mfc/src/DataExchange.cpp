#include "mfc/DataExchange.h"
#include "mfc/Exception.h"
#include "mfc/ModuleState.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace
{

// The framework's validation texts; %1 and %2 are replaced by the limits.
constexpr const char* kParseInt = "Please enter an integer.";
constexpr const char* kParseUInt = "Please enter a positive integer.";
constexpr const char* kParseReal = "Please enter a number.";
constexpr const char* kRangeInt = "Please enter an integer between %1 and %2.";
constexpr const char* kRangeReal = "Please enter a number between %1 and %2.";
constexpr const char* kMaxChars = "Enter no more than %1 characters.";

std::string Substitute(const char* text, const std::string& a, const std::string& b = std::string())
{
    std::string out = text;
    for (auto [key, value] : {std::pair<const char*, const std::string*>{"%1", &a}, {"%2", &b}})
    {
        const auto pos = out.find(key);
        if (pos != std::string::npos)
            out.replace(pos, 2, *value);
    }
    return out;
}

[[noreturn]] void FailWith(CDataExchange* pDX, const std::string& text)
{
    AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION);
    pDX->Fail();
}

std::string FormatReal(double value, int digits)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return std::string(buffer, result.ptr);
}

CString WindowText(HWND hWnd)
{
    CString text;
    CWnd::FromHandle(hWnd)->GetWindowText(text);
    return text;
}

// The text without the blanks around it; false when nothing is left.
bool Trimmed(const CString& text, std::string& out)
{
    std::string s(static_cast<LPCTSTR>(text));
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    const auto last = s.find_last_not_of(" \t");
    out = s.substr(first, last - first + 1);
    return true;
}

// A whole decimal integer with an optional sign; false for anything else or an overflow.
bool ParseInteger(const CString& text, long long& value)
{
    std::string s;
    if (!Trimmed(text, s))
        return false;
    const char* p = s.c_str();
    const char* end = p + s.size();
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    unsigned long long magnitude = 0;
    auto [ptr, ec] = std::from_chars(p, end, magnitude);
    if (ec != std::errc() || ptr != end || p == end || magnitude > (1ULL << 40))
        return false;
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

bool ParseReal(const CString& text, double& value)
{
    std::string s;
    if (!Trimmed(text, s))
        return false;
    const char* p = s.c_str();
    const char* end = p + s.size();
    if (*p == '+')
        ++p;
    auto [ptr, ec] = std::from_chars(p, end, value, std::chars_format::general);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

template <class T>
void ExchangeInteger(CDataExchange* pDX, int nIDC, T& value, long long lo, long long hi, const char* failText)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        long long parsed = 0;
        if (!ParseInteger(WindowText(hWndCtrl), parsed) || parsed < lo || parsed > hi)
            FailWith(pDX, failText);
        value = static_cast<T>(parsed);
    }
    else
    {
        ::SetWindowText(hWndCtrl, std::to_string(static_cast<long long>(value)).c_str());
    }
}

template <class T> void ExchangeReal(CDataExchange* pDX, int nIDC, T& value, int digits, double limit)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        double parsed = 0;
        if (!ParseReal(WindowText(hWndCtrl), parsed) || std::fabs(parsed) > limit)
            FailWith(pDX, kParseReal);
        value = static_cast<T>(parsed);
    }
    else
    {
        ::SetWindowText(hWndCtrl, FormatReal(static_cast<double>(value), digits).c_str());
    }
}

template <class T> void CheckRange(CDataExchange* pDX, T value, T minVal, T maxVal)
{
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    FailWith(pDX, Substitute(kRangeInt, std::to_string(minVal), std::to_string(maxVal)));
}

void CheckRealRange(CDataExchange* pDX, double value, double minVal, double maxVal, int digits)
{
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    FailWith(pDX, Substitute(kRangeReal, FormatReal(minVal, digits), FormatReal(maxVal, digits)));
}

bool IsRadioButton(HWND hWnd)
{
    if ((::SendMessage(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0)
        return true;
    char className[16] = {};
    ::GetClassName(hWnd, className, static_cast<int>(sizeof className));
    const DWORD type = static_cast<DWORD>(::GetWindowLong(hWnd, GWL_STYLE)) & BS_TYPEMASK;
    return CString(className).CompareNoCase("Button") == 0 &&
           (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

CString ListText(HWND hWnd, UINT lenMsg, UINT textMsg, int index)
{
    CString text;
    const int nLen = static_cast<int>(::SendMessage(hWnd, lenMsg, static_cast<WPARAM>(index), 0));
    if (nLen <= 0)
        return text;
    const int nCopied = static_cast<int>(::SendMessage(
        hWnd, textMsg, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.GetBufferSetLength(nLen))));
    text.ReleaseBuffer(nCopied < 0 ? 0 : nCopied);
    return text;
}

} // namespace

// ---- CDataExchange -------------------------------------------------------------------------------------

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (hWndCtrl == nullptr)
        AfxThrowNotSupportedException();
    m_idLastControl = nIDC;
    m_bEditLastControl = FALSE;
    return hWndCtrl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWndCtrl = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWndCtrl;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_idLastControl != 0)
    {
        HWND hWndLast = ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl);
        if (hWndLast != nullptr)
        {
            ::SetFocus(hWndLast);
            if (m_bEditLastControl)
                ::SendMessage(hWndLast, EM_SETSEL, 0, -1);
        }
    }
    AfxThrowUserException();
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    BOOL bOK = FALSE;
    TRY
    {
        DoDataExchange(&dx);
        bOK = TRUE;
    }
    CATCH(CUserException, e)
    {
        // The user was told already; the dialog stays as it is.
        (void)e;
    }
    AND_CATCH_ALL(e)
    {
        e->ReportError(MB_ICONEXCLAMATION);
    }
    END_CATCH_ALL
    return bOK;
}

// ---- DDX -----------------------------------------------------------------------------------------------

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = WindowText(hWndCtrl);
    else
        ::SetWindowText(hWndCtrl, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, LPTSTR value, int nMaxLen)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        ::GetWindowText(hWndCtrl, value, nMaxLen);
    else
        ::SetWindowText(hWndCtrl, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    ExchangeInteger(pDX, nIDC, value, INT_MIN, INT_MAX, kParseInt);
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value)
{
    ExchangeInteger(pDX, nIDC, value, 0, UINT_MAX, kParseUInt);
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value)
{
    ExchangeInteger(pDX, nIDC, value, INT32_MIN, INT32_MAX, kParseInt);
}

void DDX_Text(CDataExchange* pDX, int nIDC, short& value)
{
    ExchangeInteger(pDX, nIDC, value, SHRT_MIN, SHRT_MAX,
                    "Please enter an integer between -32768 and 32767.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value)
{
    ExchangeInteger(pDX, nIDC, value, 0, 255, "Please enter an integer between 0 and 255.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, float& value)
{
    ExchangeReal(pDX, nIDC, value, FLT_DIG, FLT_MAX);
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value)
{
    ExchangeReal(pDX, nIDC, value, DBL_DIG, DBL_MAX);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessage(hWndCtrl, BM_GETCHECK, 0, 0));
    else
        ::SendMessage(hWndCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int iButton = 0;
    do
    {
        if (IsRadioButton(hWndCtrl))
        {
            if (pDX->m_bSaveAndValidate)
            {
                if (::SendMessage(hWndCtrl, BM_GETCHECK, 0, 0) != BST_UNCHECKED)
                    value = iButton;
            }
            else
            {
                ::SendMessage(hWndCtrl, BM_SETCHECK, iButton == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++iButton;
        }
        hWndCtrl = ::GetWindow(hWndCtrl, GW_HWNDNEXT);
    } while (hWndCtrl != nullptr && (::GetWindowLong(hWndCtrl, GWL_STYLE) & WS_GROUP) == 0);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessage(hWndCtrl, CB_GETCURSEL, 0, 0));
    else
        ::SendMessage(hWndCtrl, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    const bool dropList = (::GetWindowLong(hWndCtrl, GWL_STYLE) & 0x3) == CBS_DROPDOWNLIST;
    if (pDX->m_bSaveAndValidate)
    {
        if (dropList)
        {
            const int i = static_cast<int>(::SendMessage(hWndCtrl, CB_GETCURSEL, 0, 0));
            value = i < 0 ? CString() : ListText(hWndCtrl, CB_GETLBTEXTLEN, CB_GETLBTEXT, i);
        }
        else
        {
            value = WindowText(hWndCtrl);
        }
    }
    else if (::SendMessage(hWndCtrl, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(value))) == CB_ERR &&
             !dropList)
    {
        ::SetWindowText(hWndCtrl, value);
    }
}

void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value)
{
    if (pDX->m_bSaveAndValidate)
    {
        DDX_CBString(pDX, nIDC, value);
        return;
    }
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    const int i = static_cast<int>(::SendMessage(hWndCtrl, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                 reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(value))));
    if (i >= 0)
        ::SendMessage(hWndCtrl, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    else if ((::GetWindowLong(hWndCtrl, GWL_STYLE) & 0x3) != CBS_DROPDOWNLIST)
        ::SetWindowText(hWndCtrl, value);
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessage(hWndCtrl, LB_GETCURSEL, 0, 0));
    else
        ::SendMessage(hWndCtrl, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

static void ExchangeListString(CDataExchange* pDX, int nIDC, CString& value, bool exact)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        const int i = static_cast<int>(::SendMessage(hWndCtrl, LB_GETCURSEL, 0, 0));
        value = i < 0 ? CString() : ListText(hWndCtrl, LB_GETTEXTLEN, LB_GETTEXT, i);
        return;
    }
    int i = static_cast<int>(::SendMessage(hWndCtrl, exact ? LB_FINDSTRINGEXACT : LB_FINDSTRING,
                                           static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(value))));
    // A value not in the list leaves nothing selected.
    ::SendMessage(hWndCtrl, LB_SETCURSEL, static_cast<WPARAM>(i < 0 ? -1 : i), 0);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value)
{
    ExchangeListString(pDX, nIDC, value, false);
}

void DDX_LBStringExact(CDataExchange* pDX, int nIDC, CString& value)
{
    ExchangeListString(pDX, nIDC, value, true);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    if (!rControl.SubclassWindow(pDX->PrepareCtrl(nIDC)))
        AfxThrowNotSupportedException();
}

void DDX_Slider(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessage(hWndCtrl, TBM_GETPOS, 0, 0));
    else
        ::SendMessage(hWndCtrl, TBM_SETPOS, TRUE, value);
}

void DDX_Scroll(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ::GetScrollPos(hWndCtrl, SB_CTL);
    else
        ::SetScrollPos(hWndCtrl, SB_CTL, value, TRUE);
}

// ---- DDV -----------------------------------------------------------------------------------------------

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void DDV_MinMaxLong(CDataExchange* pDX, LONG value, LONG minVal, LONG maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal)
{
    CheckRange<int>(pDX, value, minVal, maxVal);
}

void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal)
{
    CheckRange<int>(pDX, value, minVal, maxVal);
}

void DDV_MinMaxFloat(CDataExchange* pDX, float const& value, float minVal, float maxVal)
{
    CheckRealRange(pDX, value, minVal, maxVal, FLT_DIG);
}

void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal)
{
    CheckRealRange(pDX, value, minVal, maxVal, DBL_DIG);
}

void DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars)
{
    if (pDX->m_bSaveAndValidate)
    {
        if (value.GetLength() > nChars)
            FailWith(pDX, Substitute(kMaxChars, std::to_string(nChars)));
    }
    else if (pDX->m_idLastControl != 0 && pDX->m_bEditLastControl)
    {
        ::SendMessage(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, pDX->m_idLastControl), EM_LIMITTEXT,
                      static_cast<WPARAM>(nChars), 0);
    }
}

void DDV_MinMaxSlider(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal)
{
    (void)value;
    if (pDX->m_bSaveAndValidate || pDX->m_idLastControl == 0)
        return;
    HWND hWndCtrl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, pDX->m_idLastControl);
    ::SendMessage(hWndCtrl, TBM_SETRANGEMIN, FALSE, static_cast<LPARAM>(minVal));
    ::SendMessage(hWndCtrl, TBM_SETRANGEMAX, TRUE, static_cast<LPARAM>(maxVal));
}
