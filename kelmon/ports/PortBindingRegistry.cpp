#include "ports/PortBindingRegistry.h"

#include <algorithm>

CPortBindingRegistry& CPortBindingRegistry::GetInstance()
{
    // Never destroyed: the idle watcher may still ask while the program ends.
    static CPortBindingRegistry* registry = new CPortBindingRegistry();
    return *registry;
}

void CPortBindingRegistry::Add(CPortEntry* entry, IPortDocument* document)
{
    std::shared_ptr<CPortEntry> hold = entry ? entry->weak_from_this().lock() : nullptr;
    std::lock_guard guard(m_lock);
    m_bindings.push_back({std::move(hold), entry, document});
}

IPortDocument* CPortBindingRegistry::Lookup(const CPortEntry* entry)
{
    std::lock_guard guard(m_lock);
    for (const Binding& b : m_bindings)
        if (b.entry == entry)
            return b.document;
    return nullptr;
}

CPortEntry* CPortBindingRegistry::FindEntry(const IPortDocument* document)
{
    std::lock_guard guard(m_lock);
    for (const Binding& b : m_bindings)
        if (b.document == document)
            return const_cast<CPortEntry*>(b.entry);
    return nullptr;
}

BOOL CPortBindingRegistry::SetDocument(const CPortEntry* entry, IPortDocument* document)
{
    std::lock_guard guard(m_lock);
    for (Binding& b : m_bindings)
    {
        if (b.entry == entry)
        {
            b.document = document;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CPortBindingRegistry::Contains(const CPortEntry* entry)
{
    std::lock_guard guard(m_lock);
    return std::any_of(m_bindings.begin(), m_bindings.end(),
                       [&](const Binding& b) { return b.entry == entry; });
}

int CPortBindingRegistry::Activity(const CPortEntry* entry)
{
    if (!entry || !entry->GetDescriptor())
        return -1;
    // Asked under the lock: a document leaves the registry before it goes away.
    std::lock_guard guard(m_lock);
    for (const Binding& b : m_bindings)
        if (b.entry == entry)
            return b.document ? (b.document->IsScanning() ? 1 : 0) : -1;
    return -1;
}

std::string CPortBindingRegistry::GetStatusText(const CPortEntry* entry)
{
    switch (Activity(entry))
    {
    case 1:
        return "Running";
    case 0:
        return "Idle";
    default:
        return "None";
    }
}

BOOL CPortBindingRegistry::IsRunning(const CPortEntry* entry)
{
    return Activity(entry) == 1 ? TRUE : FALSE;
}

BOOL CPortBindingRegistry::RemoveMatching(std::vector<Binding>::iterator first)
{
    if (first == m_bindings.end())
        return FALSE;
    const CPortEntry* entry = first->entry;
    IPortDocument* document = first->document;
    std::erase_if(m_bindings, [&](const Binding& b) { return b.entry == entry && b.document == document; });
    return TRUE;
}

BOOL CPortBindingRegistry::RemoveEntry(const CPortEntry* entry)
{
    std::lock_guard guard(m_lock);
    return RemoveMatching(std::find_if(m_bindings.begin(), m_bindings.end(),
                                       [&](const Binding& b) { return b.entry == entry; }));
}

BOOL CPortBindingRegistry::RemoveDocument(const IPortDocument* document)
{
    std::lock_guard guard(m_lock);
    return RemoveMatching(std::find_if(m_bindings.begin(), m_bindings.end(),
                                       [&](const Binding& b) { return b.document == document; }));
}
