// What the fuzz targets share: prompts answered with their default button, silently.
#pragma once

#include "win32/prompt.h"

namespace fuzz
{

class SilentPrompts : public kel::IPromptService
{
public:
    kel::PromptReply Prompt(const kel::PromptRequest& request) override
    {
        kel::PromptReply reply;
        reply.result = kel::DefaultMessageBoxResult(request.flags);
        return reply;
    }
};

// Installs one service for the process, once.
inline void InstallSilentPrompts()
{
    static SilentPrompts prompts;
    static const bool installed = (kel::SetPromptService(&prompts), true);
    (void)installed;
}

} // namespace fuzz
