// The dlgpack resource library holder.
#include "ResourceDll.h"

#include "mfc/ModuleState.h"
#include "win32/resources.h"

#include <mutex>

namespace
{
std::mutex g_instanceMutex;
CResourceDll* g_instance = nullptr;
} // namespace

CResourceDll* CResourceDll::Instance()
{
    std::lock_guard lock(g_instanceMutex);
    if (g_instance == nullptr)
    {
        g_instance = new CResourceDll;
        g_instance->Load("dlgpack.dll");
    }
    return g_instance;
}

void CResourceDll::Unload()
{
    CResourceDll* holder;
    {
        std::lock_guard lock(g_instanceMutex);
        holder = g_instance;
        g_instance = nullptr;
    }
    delete holder;
}

CResourceDll::~CResourceDll()
{
    Free();
}

bool CResourceDll::Load(LPCTSTR lpszFileName)
{
    if (m_hModule != nullptr)
        Free(); // a second load must not leak the first library's reference
    m_hPrevious = AfxGetResourceHandle();
    m_hModule = LoadLibrary(lpszFileName);
    return m_hModule != nullptr;
}

void CResourceDll::SwitchToDll()
{
    if (m_hModule != nullptr)
        AfxSetResourceHandle(m_hModule);
}

void CResourceDll::RestoreHandle()
{
    if (m_hModule != nullptr && AfxGetResourceHandle() == m_hModule)
        AfxSetResourceHandle(m_hPrevious);
}

void CResourceDll::SetResourceHandle(HINSTANCE hInstance)
{
    AfxSetResourceHandle(hInstance);
}

BOOL CResourceDll::Free()
{
    BOOL result = 0;
    if (m_hModule != nullptr)
    {
        RestoreHandle();
        result = FreeLibrary(m_hModule);
    }
    m_hModule = nullptr;
    m_hPrevious = nullptr;
    return result;
}
