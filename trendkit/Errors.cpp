// trendkit's error reporter. Codes below 100 are plotkit's and go to its reporter alone; trendkit's
// own codes (100 and above) are recorded by plotkit first and shown here: 100-147 ask whether to go
// on (captions "DDE Error" up to 119, "SERIOUS ERROR" from 120), 148 and above are critical.
#include "TrendkitInternal.h"

namespace trendkit
{
namespace
{

constexpr size_t kCaptionMax = 18;
constexpr size_t kMessageMax = 79;
constexpr size_t kTextMax = 99; // the text before the suffix
constexpr size_t kSuffixMax = 33;

std::string Limited(UINT id, size_t max)
{
    std::string text = LoadText(id);
    if (text.size() > max)
        text.resize(max);
    return text;
}

} // namespace

int RTErrHdlr(int code, int mode, const char* name)
{
    code &= 0xFFF; // DDE errors arrive as their DDEML value plus 100
    if (code < 100)
        return ErrHdlr(code, mode, name);
    ErrHdlr(code, mode, name); // records the code for WGGetLastError
    Library& lib = Lib();
    if (lib.boxOpen)
        return 0;
    lib.boxOpen = true;
    const bool critical = code >= 148;
    TopDesc* top = lib.top;
    if ((top == nullptr || !top->errorBoxesOn) && !critical)
    {
        lib.boxOpen = false;
        return 0;
    }
    UINT style = MB_TASKMODAL;
    UINT captionId;
    if (critical)
    {
        captionId = 3;
        style |= MB_OK | MB_ICONEXCLAMATION;
    }
    else
    {
        captionId = code <= 119 ? 5 : 2;
        style |= MB_YESNO | MB_ICONQUESTION;
    }
    const std::string caption = Limited(captionId, kCaptionMax);
    const std::string message = Limited(static_cast<UINT>(code - 90), kMessageMax);
    const std::string extra = name ? name : "";
    std::string text = mode == 1 ? extra + message : mode == 2 ? message + extra : message;
    if (text.size() > kTextMax)
        text.resize(kTextMax);
    text += Limited(critical ? 1 : 0, kSuffixMax);

    const int answer = MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
    lib.boxOpen = false;
    if (answer == IDNO || answer == IDABORT)
    {
        if (lib.top)
            lib.top->abortFlag = 1;
        return 1;
    }
    return 0;
}

} // namespace trendkit
