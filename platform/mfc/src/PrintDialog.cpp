#include "mfc/PrintDialog.h"

#include "win32/gdi.h"
#include "win32/memory.h"

IMPLEMENT_DYNAMIC(CPrintDialog, CDialog)

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd) : m_pd{}
{
    m_pParentWnd = pParentWnd;
    m_pd.lStructSize = sizeof(PRINTDLG);
    m_pd.Flags = dwFlags | (bPrintSetupOnly ? PD_PRINTSETUP : PD_RETURNDC);
    m_pd.nFromPage = 1;
    m_pd.nToPage = 0xFFFF;
    m_pd.nMinPage = 1;
    m_pd.nMaxPage = 0xFFFF;
    m_pd.nCopies = 1;
}

INT_PTR CPrintDialog::DoModal()
{
    if (m_pd.hwndOwner == nullptr)
        m_pd.hwndOwner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : ::GetActiveWindow();
    return ::PrintDlg(&m_pd) ? IDOK : IDCANCEL;
}

BOOL CPrintDialog::GetDefaults()
{
    m_pd.Flags |= PD_RETURNDEFAULT;
    const BOOL ok = ::PrintDlg(&m_pd);
    m_pd.Flags &= ~static_cast<DWORD>(PD_RETURNDEFAULT);
    return ok;
}

HDC CPrintDialog::CreatePrinterDC()
{
    if (m_pd.hDevNames == nullptr)
        return nullptr;
    const CString driver = GetDriverName(), device = GetDeviceName(), port = GetPortName();
    const auto* mode = static_cast<const DEVMODE*>(m_pd.hDevMode ? ::GlobalLock(m_pd.hDevMode) : nullptr);
    m_pd.hDC = ::CreateDC(driver, device, port, mode);
    if (mode)
        ::GlobalUnlock(m_pd.hDevMode);
    return m_pd.hDC;
}

CString CPrintDialog::DevName(WORD DEVNAMES::*field) const
{
    const SIZE_T size = ::GlobalSize(m_pd.hDevNames);
    const auto* names = static_cast<const DEVNAMES*>(m_pd.hDevNames ? ::GlobalLock(m_pd.hDevNames) : nullptr);
    if (!names)
        return CString();
    CString name;
    const WORD offset = names->*field;
    const char* base = reinterpret_cast<const char*>(names);
    if (offset >= sizeof(DEVNAMES) && offset < size)
        name = CString(base + offset, static_cast<int>(strnlen(base + offset, size - offset)));
    ::GlobalUnlock(m_pd.hDevNames);
    return name;
}

CString CPrintDialog::GetDeviceName() const
{
    return DevName(&DEVNAMES::wDeviceOffset);
}

CString CPrintDialog::GetDriverName() const
{
    return DevName(&DEVNAMES::wDriverOffset);
}

CString CPrintDialog::GetPortName() const
{
    return DevName(&DEVNAMES::wOutputOffset);
}

LPDEVMODE CPrintDialog::GetDevMode() const
{
    return m_pd.hDevMode ? static_cast<LPDEVMODE>(::GlobalLock(m_pd.hDevMode)) : nullptr;
}

int CPrintDialog::GetCopies() const
{
    if (m_pd.Flags & PD_USEDEVMODECOPIES)
    {
        if (const DEVMODE* mode = GetDevMode())
        {
            const int copies = mode->dmCopies;
            ::GlobalUnlock(m_pd.hDevMode);
            return copies;
        }
    }
    return m_pd.nCopies;
}
