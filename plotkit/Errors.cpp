// The one error reporter of the charting libraries.
//
// Classes by code: 0 information (up to 15), 1 serious (16-47), 2 serious (48-63), 3 critical
// (64-99); codes of 100 and above (the real-time library's) are recorded only. A serious box asks
// whether to go on; No sets the abort flag for good.
//
// Only a broken library state ends the process: a failed class registration (64), a wrong Windows
// version (66) and a host whose floating type disagrees with the library's (69). The other
// critical codes are the caller's errors (a bad graph descriptor, no plotting area, equal scale
// limits, a fault while a page is built): they are asked about like serious errors, so the caller
// gets its failure back and the host lives on.
#include "PlotkitInternal.h"
#include "res/resource.h"

#include <string>

namespace plotkit
{
namespace
{

constexpr size_t kMessageMax = 79;
constexpr size_t kSuffixMax = 33;
constexpr size_t kCaptionMax = 18;
constexpr size_t kTextMax = 107;

int ClassOf(int code)
{
    if (code <= 15)
        return 0;
    if (code <= 47)
        return 1;
    if (code <= 63)
        return 2;
    return 3;
}

bool EndsProcess(int code)
{
    return code == 64 || code == 66 || code == 69;
}

std::string Limited(UINT id, size_t max)
{
    std::string text = LoadText(id);
    if (text.size() > max)
        text.resize(max);
    return text;
}

// Message and suffix always show whole; an extra text that would not fit is cut.
std::string Compose(int code, int mode, const char* extra, UINT suffixId)
{
    const std::string message = Limited(static_cast<UINT>(code), kMessageMax);
    const std::string suffix = suffixId ? Limited(suffixId, kSuffixMax) : std::string();
    std::string more = (mode == 1 || mode == 2) && extra ? extra : "";
    const size_t room = kTextMax - message.size() - suffix.size();
    if (more.size() > room)
        more.resize(room);
    if (mode == 1)
        return more + message + suffix;
    if (mode == 2)
        return message + more + suffix;
    return message + suffix;
}

void DropPendingKeys()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
    {
    }
}

} // namespace
} // namespace plotkit

using namespace plotkit;

int WINAPI ErrHdlr(int code, int mode, const char* text)
{
    Library& lib = Lib();
    lib.lastError = code;
    TopDesc* top = lib.top;
    if (top && top->abortFlag)
        return 1;
    if (code >= 100 || lib.boxOpen)
        return 0;
    int cls = ClassOf(code);
    const bool fatal = EndsProcess(code);
    if (cls == 3 && !fatal)
        cls = 2;
    if (!top || !top->errorBoxesOn)
    {
        // Messages switched off: only the end of the process is still announced.
        if (!fatal)
            return 0;
    }

    UINT style = MB_TASKMODAL;
    UINT captionId = IDS_CAPTION_INFORMATION;
    UINT suffixId = 0;
    if (cls == 0)
        style |= MB_ICONINFORMATION;
    else if (cls == 3)
    {
        style |= MB_ICONEXCLAMATION;
        captionId = IDS_CAPTION_CRITICAL;
        suffixId = IDS_MSG_TERMINATE;
    }
    else
    {
        style |= MB_ICONQUESTION | MB_YESNO;
        captionId = IDS_CAPTION_SERIOUS;
        suffixId = IDS_MSG_CONTINUE;
    }
    const std::string caption = Limited(captionId, kCaptionMax);
    const std::string message = Compose(code, mode, text, suffixId);

    lib.boxOpen = true;
    const int answer = MessageBoxA(nullptr, message.c_str(), caption.c_str(), style);
    lib.boxOpen = false;

    if (answer == IDNO || answer == IDCANCEL || cls == 3)
    {
        DropPendingKeys();
        if (top)
            top->abortFlag = 1;
        if (cls == 3)
            lib.exitProcess(code);
        return 1;
    }
    return 0;
}

int WINAPI WGGetLastError()
{
    return Lib().lastError;
}

TopDesc* WINAPI WGEnableErrorMessages(BOOL on)
{
    TopDesc* top = Lib().top;
    if (top)
        top->errorBoxesOn = on ? 1 : 0;
    return top;
}

int WINAPI ReportIllFunc(ObjDesc* object)
{
    std::string name;
    if (object)
    {
        const int type = object->type;
        name = LoadText(static_cast<UINT>(type < 100 ? type + IDS_TYPE_BASE : type + IDS_RT_TYPE_BASE));
        if (name.size() > 14)
            name.resize(14);
    }
    return ErrHdlr(29, 2, name.c_str());
}
