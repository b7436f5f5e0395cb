// Fuzz target: the leak-test settings' part of a document file (the record with its units and head
// references, strings cut to their fields, levels, fonts, layout words and audio settings), then a
// leak scan that refers to it, loaded as the document loads them. Damaged input must end in an
// archive exception or a repaired record, never in a crash.
#include "FuzzSupport.h"

#include "displays/Display.h"
#include "doc/LeakData.h"
#include "head/Head.h"
#include "scans/LeakScans.h"
#include "units/Units.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    std::unique_ptr<CLeakData> leak;
    std::unique_ptr<CObject> scan;
    try
    {
        CArchive ar(&file, CArchive::load);
        CLeakData* loaded = nullptr;
        ar >> loaded;
        leak.reset(loaded);
        scan.reset(ar.ReadObject(RUNTIME_CLASS(CScan)));
    }
    catch (CException* e)
    {
        e->Delete();
    }
    if (leak)
    {
        // A loaded record is used as the leak scan uses it.
        leak->UpdateTimeAxis();
        leak->CheckAlarm(1.0f);
        leak->StopAlarmSound();
    }
    // What the archive created for the record and the scan is the document's to free.
    CHead* head = leak ? leak->m_pHead : nullptr;
    if (auto* s = dynamic_cast<CLeakScans*>(scan.get()); s && s->m_pSettings != leak.get())
        delete s->m_pSettings;
    if (auto* s = dynamic_cast<CScan*>(scan.get()))
    {
        if (s->m_pHead != head)
            delete s->m_pHead;
        delete s->m_pDisplay;
    }
    if (leak)
    {
        if (leak->m_pUnits && leak->m_pUnits->m_pHead != head)
            delete leak->m_pUnits->m_pHead;
        delete leak->m_pUnits;
        delete head;
    }
    return 0;
}
