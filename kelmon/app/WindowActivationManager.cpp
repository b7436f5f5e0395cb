#include "app/WindowActivationManager.h"

#include "KelMessages.h"
#include "view/KelView.h"

#include <afxwin.h>

#include <vector>

namespace
{
class CLockScope
{
public:
    explicit CLockScope(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~CLockScope() { ::LeaveCriticalSection(&m_cs); }
    CLockScope(const CLockScope&) = delete;
    CLockScope& operator=(const CLockScope&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};

HWND FirstChild(HWND frame)
{
    return ::GetWindow(frame, GW_CHILD);
}
} // namespace

CWindowActivationManager* CWindowActivationManager::s_instance = nullptr;

CWindowActivationManager* CWindowActivationManager::Instance()
{
    if (!s_instance)
        s_instance = new CWindowActivationManager;
    return s_instance;
}

void CWindowActivationManager::Destroy()
{
    delete s_instance;
    s_instance = nullptr;
}

CWindowActivationManager::CWindowActivationManager()
{
    ::InitializeCriticalSection(&m_lock);
}

CWindowActivationManager::~CWindowActivationManager()
{
    ::DeleteCriticalSection(&m_lock);
}

int CWindowActivationManager::Register(HWND window)
{
    CLockScope lock(m_lock);
    m_frames.emplace(window, 0);
    return 1;
}

int CWindowActivationManager::Unregister(HWND window)
{
    CLockScope lock(m_lock);
    return m_frames.erase(window) != 0 ? 1 : 0;
}

int CWindowActivationManager::GetFlag(HWND window)
{
    CLockScope lock(m_lock);
    const auto it = m_frames.find(window);
    return it == m_frames.end() ? -1 : it->second;
}

void CWindowActivationManager::OnNcActivate(HWND window, BOOL active)
{
    CLockScope lock(m_lock);
    const auto it = m_frames.find(window);
    if (it == m_frames.end() || !active || it->second == 1)
        return;
    it->second = 1;
    // The handles first: a view may unregister a frame while it handles the message.
    std::vector<HWND> others;
    for (auto& [frame, flag] : m_frames)
        if (frame != window)
        {
            flag = 0;
            others.push_back(frame);
        }
    for (HWND frame : others)
    {
        if (!::IsWindow(frame))
            continue;
        if (HWND view = FirstChild(frame))
            ::SendMessage(view, WM_KEL_GROUPACTIVATE, 0, 0);
        ::SendMessage(frame, WM_NCACTIVATE, FALSE, kFromManager);
    }
    if (HWND view = FirstChild(window))
        ::SendMessage(view, WM_KEL_GROUPACTIVATE, 1, 0);
}

void CWindowActivationManager::OnActivateApp(BOOL active)
{
    CLockScope lock(m_lock);
    const std::map<HWND, int> frames = m_frames;
    for (const auto& [frame, flag] : frames)
    {
        if (!::IsWindow(frame))
            continue;
        if (active)
        {
            if (flag == 1)
                ActivateViewDialogs(frame, TRUE);
            continue;
        }
        ::SendMessage(frame, WM_NCACTIVATE, FALSE, kFromManager);
        if (flag == 1)
            ActivateViewDialogs(frame, FALSE);
    }
}

void CWindowActivationManager::ActivateViewDialogs(HWND frame, BOOL active)
{
    CWnd* child = CWnd::FromHandlePermanent(FirstChild(frame));
    if (child && child->IsKindOf(RUNTIME_CLASS(CKelView)))
        static_cast<CKelView*>(child)->NcActivateDialogs(active);
}
