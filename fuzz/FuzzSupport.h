// What the fuzz targets of the program's readers share: prompts answered with their default button,
// silently, a settings store of the process's own, and the bytes a document archive holds for
// objects.
#pragma once

#include "testkit/ScopedSettings.h"
#include "win32/prompt.h"

#include <afx.h>

#include <cstdlib>
#include <vector>

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

// Installs the silent prompts and points the settings store at a folder of this process's own
// (what the readers look up never reaches the user's settings), once.
inline void PrepareProcess()
{
    static SilentPrompts prompts;
    static kel::testkit::ScopedSettings settings;
    static const bool installed = (kel::SetPromptService(&prompts), true);
    (void)installed;
}

// What a storing archive writes for the objects, one after another.
inline std::vector<BYTE> StoreObjects(const std::vector<const CObject*>& objects)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        for (const CObject* object : objects)
            ar << object;
        ar.Close();
    }
    const UINT size = static_cast<UINT>(file.GetLength());
    BYTE* bytes = file.Detach();
    std::vector<BYTE> out(bytes, bytes + size);
    std::free(bytes);
    return out;
}

} // namespace fuzz
