// The ask policy of the programs: every question and message of a head in a message box.
#pragma once

#include "head/Head.h"

class CHeadBoxPolicy : public IHeadAskPolicy
{
public:
    // The process-wide instance; Install hands it to CHead.
    static CHeadBoxPolicy& Instance();
    static void Install();

    // Retry/Cancel with the error icon, Cancel the default.
    BOOL AskRetry(LPCTSTR text) override;
    // Abort/Retry/Ignore with the error icon, Retry the default.
    int AskAbortRetryIgnore(LPCTSTR text) override;
    void Tell(LPCTSTR text, UINT type) override;
};
