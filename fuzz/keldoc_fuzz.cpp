// Fuzz target: a whole document file loaded into a document. Damaged input must end in an archive
// exception that leaves the document as it was, never in a crash or a leak.
#include "FuzzSupport.h"

#include "displays/DisplayKinds.h"
#include "doc/KelDoc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    // The display kinds a file may name are made by their class records; keep them linked.
    DisplayKinds(nullptr);
    // One document for the run: a good file replaces its models, a bad one must leave them whole.
    static CKelDoc* doc = []
    {
        auto* d = new CKelDoc;
        d->m_bAutoDelete = FALSE;
        return d;
    }();
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    try
    {
        CArchive ar(&file, CArchive::load);
        doc->Serialize(ar);
    }
    catch (CException* e)
    {
        e->Delete();
    }
    return 0;
}
