// The prompt service switch and the headless default service.
#include "win32/prompt.h"

#include <cstdio>
#include <mutex>

namespace kel
{

namespace
{

// No window system: say what would have been asked and take the default answer.
class HeadlessPromptService : public IPromptService
{
public:
    PromptReply Prompt(const PromptRequest& r) override
    {
        PromptReply reply;
        reply.result = r.kind == PromptKind::MessageBox ? DefaultMessageBoxResult(r.flags) : IDCANCEL;
        std::string what = r.kind == PromptKind::Dialog && r.templateName.empty()
                               ? std::to_string(r.templateId)
                               : r.templateName;
        std::lock_guard lock(m_mutex); // one prompt per block of lines
        std::fprintf(stderr, "[prompt %s%s%s] %s%s%s -> %d\n", PromptKindName(r.kind),
                     r.kind == PromptKind::Dialog ? " " : "",
                     r.kind == PromptKind::Dialog ? what.c_str() : "", r.caption.c_str(),
                     r.caption.empty() ? "" : ": ", r.text.c_str(), reply.result);
        return reply;
    }

private:
    std::mutex m_mutex;
};

std::mutex g_mutex;
IPromptService* g_service = nullptr;
PromptRouter g_router;
BeepHandler g_beep;

IPromptService& Headless()
{
    static HeadlessPromptService* service = new HeadlessPromptService; // outlives static destructors
    return *service;
}

} // namespace

const char* PromptKindName(PromptKind kind)
{
    switch (kind)
    {
    case PromptKind::MessageBox:
        return "MessageBox";
    case PromptKind::Dialog:
        return "Dialog";
    case PromptKind::FileOpen:
        return "FileOpen";
    case PromptKind::FileSave:
        return "FileSave";
    case PromptKind::Folder:
        return "Folder";
    case PromptKind::Color:
        return "Color";
    case PromptKind::Font:
        return "Font";
    case PromptKind::Print:
        return "Print";
    case PromptKind::PrintSetup:
        return "PrintSetup";
    }
    return "?";
}

IPromptService* SetPromptService(IPromptService* service)
{
    std::lock_guard lock(g_mutex);
    IPromptService* previous = g_service;
    g_service = service;
    return previous;
}

PromptRouter SetPromptRouter(PromptRouter router)
{
    std::lock_guard lock(g_mutex);
    std::swap(router, g_router);
    return router;
}

BeepHandler SetBeepHandler(BeepHandler handler)
{
    std::lock_guard lock(g_mutex);
    std::swap(g_beep, handler);
    return handler;
}

PromptReply Prompt(const PromptRequest& request)
{
    PromptRouter router;
    {
        std::lock_guard lock(g_mutex);
        router = g_router;
    }
    // The service is looked up when the prompt is shown: routing may run it on another thread.
    auto show = [](const PromptRequest& r)
    {
        IPromptService* service;
        {
            std::lock_guard lock(g_mutex);
            service = g_service;
        }
        // Called without the lock: a prompt may block for long or raise further prompts.
        return (service ? *service : Headless()).Prompt(r);
    };
    return router ? router(request, show) : show(request);
}

std::vector<int> MessageBoxButtons(UINT flags)
{
    switch (flags & MB_TYPEMASK)
    {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
        return {IDOK};
    }
}

int DefaultMessageBoxResult(UINT flags)
{
    std::vector<int> buttons = MessageBoxButtons(flags);
    size_t index = (flags & MB_DEFMASK) >> 8;
    return buttons[index < buttons.size() ? index : 0];
}

} // namespace kel

int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    kel::PromptRequest r;
    r.kind = kel::PromptKind::MessageBox;
    r.owner = hWnd;
    r.text = lpText ? lpText : "";
    r.caption = lpCaption ? lpCaption : "Error"; // Windows' caption when none is given
    r.flags = uType;
    return kel::Prompt(r).result;
}

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    return MessageBox(hWnd, lpText, lpCaption, uType);
}

BOOL MessageBeep(UINT uType)
{
    kel::BeepHandler handler;
    {
        std::lock_guard lock(kel::g_mutex);
        handler = kel::g_beep; // called unlocked: a handler may beep again or swap itself
    }
    if (handler)
        handler(uType);
    return TRUE;
}
