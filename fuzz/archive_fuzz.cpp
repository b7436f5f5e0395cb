// Fuzz target: a document file's objects, of any class the program stores (head, units, settings
// records, gas library and gases, analysis, scans, I/O board), read one after another as the
// document reads its parts, with the references between them. Damaged input must end in an archive
// exception, never in a crash, a leak or an object freed twice.
//
// Here the objects read are owned as the document owns its parts; an object a damaged file put
// where only a reference belongs (a scan's head, a library's range settings) is adopted and freed
// once, as the document does. What was read is stored, loaded and stored again: the same bytes.
#include "FuzzSupport.h"

#include "analysis/Library.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "head/Head.h"
#include "scans/SpectrumScan.h"
#include "units/Units.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

namespace
{

constexpr int kMaxObjects = 16;

class Document
{
public:
    ~Document()
    {
        // The parts last read first: what refers to another part goes before it.
        for (auto it = m_parts.rbegin(); it != m_parts.rend(); ++it)
            delete *it;
        for (CObject* object : m_adopted)
            delete object;
    }

    // Reads objects until the data ends or is refused; returns whether it ended cleanly.
    bool Load(const BYTE* data, size_t size)
    {
        std::vector<BYTE> bytes(data, data + size);
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        bool clean = true;
        try
        {
            CArchive ar(&file, CArchive::load);
            while (m_parts.size() < kMaxObjects &&
                   !(ar.IsBufferEmpty() && file.GetPosition() == file.GetLength()))
            {
                // The document owns its parts: a part that is a reference to another is refused.
                CObject* part = ar.ReadOwnedObject(NULL);
                if (part)
                    m_parts.push_back(part);
            }
        }
        catch (CException* e)
        {
            e->Delete();
            clean = false;
        }
        for (CObject* part : m_parts)
            AdoptReferences(part);
        return clean;
    }

    std::vector<BYTE> Store() const
    {
        return fuzz::StoreObjects(std::vector<const CObject*>(m_parts.begin(), m_parts.end()));
    }

private:
    // The objects a part points at without owning them belong to the document: its own parts, or
    // else objects the file held in their place, adopted here.
    void Adopt(CObject* object)
    {
        if (object && std::find(m_parts.begin(), m_parts.end(), object) == m_parts.end())
            m_adopted.insert(object);
    }
    void AdoptReferences(CObject* part)
    {
        if (auto* library = dynamic_cast<CLibrary*>(part))
        {
            Adopt(library->GetRangeSettings());
            Adopt(library->GetDisplay());
        }
        if (auto* scan = dynamic_cast<CScan*>(part))
        {
            Adopt(scan->m_pHead);
            Adopt(scan->m_pDisplay);
        }
        if (auto* spectrum = dynamic_cast<CSpectrumScan*>(part))
            Adopt(spectrum->GetAnalogData());
        if (auto* units = dynamic_cast<CUnits*>(part))
            Adopt(units->m_pHead);
        if (auto* analog = dynamic_cast<CAnalogData*>(part))
        {
            Adopt(analog->m_pUnits);
            Adopt(analog->m_pHead);
            if (analog->m_pUnits != nullptr)
                Adopt(analog->m_pUnits->m_pHead);
        }
    }

    std::vector<CObject*> m_parts;
    std::set<CObject*> m_adopted;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    Document first;
    first.Load(data, size);
    const std::vector<BYTE> stored = first.Store();

    Document second;
    if (!second.Load(stored.data(), stored.size()))
        std::abort(); // what the program stored, it cannot read back
    if (second.Store() != stored)
        std::abort();
    return 0;
}
