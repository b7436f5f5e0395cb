#include "mfc/WinApp.h"

#include "win32/registry.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace
{
std::atomic<CWinApp*> g_app{nullptr};
}

CWinApp* AfxGetApp()
{
    return g_app.load();
}

namespace kel::mfc
{
void RegisterApp(CWinApp* pApp, bool bRegister)
{
    if (bRegister)
        g_app = pApp;
    else
        g_app.compare_exchange_strong(pApp, nullptr);
}
} // namespace kel::mfc

// The constructor and the rest of the class are in WinApp.cpp: only the profile part is here, so
// code that only reads the profile needs no window system.

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey)
{
    m_registryKey = lpszRegistryKey ? lpszRegistryKey : "";
    m_profileName = m_pszAppName ? m_pszAppName : "";
    m_pszRegistryKey = m_registryKey.c_str();
    m_pszProfileName = m_profileName.c_str();
}

std::string CWinApp::ProfileKey() const
{
    if (!m_pszRegistryKey || !*m_pszRegistryKey || !m_pszProfileName)
        return std::string();
    return std::string("Software\\") + m_pszRegistryKey + "\\" + m_pszProfileName;
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault)
{
    std::string key = ProfileKey();
    if (key.empty() || !lpszSection || !lpszEntry)
        return UINT(nDefault);
    return kel::ProfileGetInt(key.c_str(), lpszSection, lpszEntry, nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue)
{
    std::string key = ProfileKey();
    if (key.empty() || !lpszSection || !lpszEntry)
        return FALSE;
    return kel::ProfileWriteInt(key.c_str(), lpszSection, lpszEntry, nValue);
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault)
{
    std::string key = ProfileKey();
    if (key.empty() || !lpszSection || !lpszEntry)
        return CString(lpszDefault ? lpszDefault : "");
    std::string value = kel::ProfileGetString(key.c_str(), lpszSection, lpszEntry, lpszDefault);
    return CString(value.c_str(), int(value.size()));
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue)
{
    std::string key = ProfileKey();
    if (key.empty() || !lpszSection)
        return FALSE;
    return kel::ProfileWriteString(key.c_str(), lpszSection, lpszEntry, lpszValue);
}

BOOL CWinApp::GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE* ppData, UINT* pBytes)
{
    if (!ppData || !pBytes)
        return FALSE;
    *ppData = nullptr;
    *pBytes = 0;
    std::string key = ProfileKey();
    if (key.empty() || !lpszSection || !lpszEntry)
        return FALSE;
    std::vector<BYTE> data;
    if (!kel::ProfileGetBinary(key.c_str(), lpszSection, lpszEntry, data))
        return FALSE;
    *ppData = new BYTE[data.empty() ? 1 : data.size()];
    if (!data.empty())
        std::memcpy(*ppData, data.data(), data.size());
    *pBytes = UINT(data.size());
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE pData, UINT nBytes)
{
    std::string key = ProfileKey();
    if (key.empty() || !lpszSection || !lpszEntry || (!pData && nBytes))
        return FALSE;
    return kel::ProfileWriteBinary(key.c_str(), lpszSection, lpszEntry, pData, nBytes);
}
