// Resource and instance handles of the framework, and AfxMessageBox.
#include "mfc/ModuleState.h"

#include "win32/prompt.h"
#include "win32/resources.h"

#include <atomic>
#include <string>
#include <string_view>

namespace
{
// NULL means "the main module", resolved at each call so a module registered late still counts.
std::atomic<HINSTANCE> g_resource{nullptr};
std::atomic<HINSTANCE> g_instance{nullptr};

HINSTANCE OrMain(HINSTANCE h)
{
    return h ? h : GetModuleHandle(nullptr);
}

std::string AppTitle()
{
    std::string_view title;
    if (kel::rc::FindString(AfxGetResourceHandle(), 0xE000 /* AFX_IDS_APP_TITLE */, &title) ||
        kel::rc::FindString(AfxGetInstanceHandle(), 0xE000, &title))
        return std::string(title);
    return kel::rc::GetModuleName(AfxGetInstanceHandle());
}
} // namespace

HINSTANCE AfxGetResourceHandle()
{
    return OrMain(g_resource.load());
}

void AfxSetResourceHandle(HINSTANCE hInstResource)
{
    g_resource.store(hInstResource);
}

HINSTANCE AfxGetInstanceHandle()
{
    return OrMain(g_instance.load());
}

void AfxSetInstanceHandle(HINSTANCE hInstance)
{
    g_instance.store(hInstance);
}

HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType)
{
    HINSTANCE resource = AfxGetResourceHandle();
    if (FindResource(resource, lpszName, lpszType) != nullptr)
        return resource;
    HINSTANCE instance = AfxGetInstanceHandle();
    if (instance != resource && FindResource(instance, lpszName, lpszType) != nullptr)
        return instance;
    return resource;
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp)
{
    if ((nType & MB_ICONMASK) == 0)
    {
        switch (nType & MB_TYPEMASK)
        {
        case MB_OK:
        case MB_OKCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    kel::PromptRequest r;
    r.kind = kel::PromptKind::MessageBox;
    r.text = lpszText ? lpszText : "";
    r.caption = AppTitle();
    r.flags = nType;
    r.helpId = nIDHelp;
    return kel::Prompt(r).result;
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    std::string_view text;
    if (!kel::rc::FindString(AfxGetResourceHandle(), nIDPrompt, &text))
        kel::rc::FindString(AfxGetInstanceHandle(), nIDPrompt, &text);
    return AfxMessageBox(std::string(text).c_str(), nType, nIDHelp == UINT(-1) ? nIDPrompt : nIDHelp);
}
