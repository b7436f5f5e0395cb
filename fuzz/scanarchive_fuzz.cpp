// Fuzz target: an analog or histogram scan's part of a document file (its settings record, then
// the scan with its display and head references, stored strings and averaging block), loaded as
// the document loads it. Damaged input must end in an archive exception, never in a crash.
#include "doc/AnalogData.h"
#include "scans/AnalogScan.h"
#include "scans/HistogramScan.h"
#include "win32/prompt.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace
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
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SilentPrompts prompts;
    static const bool installed = (kel::SetPromptService(&prompts), true);
    (void)installed;
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    std::unique_ptr<CObject> settings;
    std::unique_ptr<CObject> scan;
    try
    {
        CArchive ar(&file, CArchive::load);
        settings.reset(ar.ReadObject(RUNTIME_CLASS(CAnalogData)));
        scan.reset(ar.ReadObject(RUNTIME_CLASS(CScan)));
    }
    catch (CException* e)
    {
        e->Delete();
    }
    if (auto* s = dynamic_cast<CScan*>(scan.get()))
    {
        // What the archive created for the scan is the document's to free.
        delete s->m_pHead;
        delete s->m_pDisplay;
    }
    return 0;
}
