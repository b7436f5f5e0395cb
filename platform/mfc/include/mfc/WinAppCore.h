// CWinApp, application-profile part: the one application object and its settings under
// "Software\<company>\<application>". The window-system part is added to this class later.
#pragma once

#include "mfc/String.h"
#include "win32/types.h"

#include <string>

class CWinApp
{
public:
    // Becomes the application object that AfxGetApp returns. lpszAppName NULL gives "".
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    virtual ~CWinApp();

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Keeps the profile in the settings store under "Software\<lpszRegistryKey>\<app name>".
    void SetRegistryKey(LPCTSTR lpszRegistryKey);

    // Profile values of entry in section. Without a registry key the reads give the default and
    // writes fail (FALSE).
    UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
    CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
    // lpszValue NULL removes the entry; lpszEntry NULL removes the section.
    BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);
    // *ppData receives a new[] block the caller deletes with delete[]; NULL and 0 bytes when missing.
    BOOL GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE* ppData, UINT* pBytes);
    BOOL WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE pData, UINT nBytes);

    LPCTSTR m_pszAppName;
    LPCTSTR m_pszRegistryKey; // NULL until SetRegistryKey
    LPCTSTR m_pszProfileName;

private:
    // "Software\<company>\<profile name>", or "" without a registry key.
    std::string ProfileKey() const;

    std::string m_appName;
    std::string m_registryKey;
    std::string m_profileName;
};

// The application object, or NULL when none exists.
CWinApp* AfxGetApp();
