// Fuzz target: an analog or histogram scan's part of a document file (its settings record, then
// the scan with its display and head references, stored strings and averaging block), loaded as
// the document loads it. Damaged input must end in an archive exception, never in a crash.
#include "FuzzSupport.h"

#include "doc/AnalogData.h"
#include "displays/Display.h"
#include "head/Head.h"
#include "scans/AnalogScan.h"
#include "scans/HistogramScan.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
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
    if (auto* s = dynamic_cast<CSpectrumScan*>(scan.get()))
    {
        // What the file held where the scan refers to the document's objects (instead of a
        // reference) is the document's to free.
        delete s->m_pHead;
        delete s->m_pDisplay;
        if (s->GetAnalogData() != settings.get())
            delete s->GetAnalogData();
    }
    return 0;
}
