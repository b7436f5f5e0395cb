// Which document uses which port entry: one process-wide list of (entry, document) pairs in the
// order they were added. The connector list adds, rebinds and removes pairs; the idle watcher asks
// from its own thread whether any bound document is scanning, so every operation is locked.
// A pair holds its entry, so an entry that a refresh dropped stays valid while it is bound.
#pragma once

#include "ports/PortDocument.h"
#include "ports/PortList.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CPortBindingRegistry
{
public:
    // The registry, created on the first call and kept for the life of the process.
    static CPortBindingRegistry& GetInstance();

    CPortBindingRegistry() = default;
    CPortBindingRegistry(const CPortBindingRegistry&) = delete;
    CPortBindingRegistry& operator=(const CPortBindingRegistry&) = delete;

    // A document removes itself (RemoveDocument) before it is destroyed.

    // Appends the pair (document may be null: the entry is known but unbound).
    void Add(CPortEntry* entry, IPortDocument* document);
    // The document of the first pair with entry; null when there is none.
    IPortDocument* Lookup(const CPortEntry* entry);
    // The entry of the first pair with document; null when there is none.
    CPortEntry* FindEntry(const IPortDocument* document);
    // Replaces the document of the entry's first pair; FALSE (and nothing added) when the entry
    // has no pair.
    BOOL SetDocument(const CPortEntry* entry, IPortDocument* document);
    BOOL Contains(const CPortEntry* entry);
    // "None" for a null entry, an entry without a descriptor (not connected) or without a bound
    // document; else "Running" while that document scans, else "Idle".
    std::string GetStatusText(const CPortEntry* entry);
    // Entry connected, a document bound, and that document scanning.
    BOOL IsRunning(const CPortEntry* entry);
    // Removes every pair equal to the entry's first pair; FALSE when the entry has none.
    BOOL RemoveEntry(const CPortEntry* entry);
    // The same, found by document.
    BOOL RemoveDocument(const IPortDocument* document);

private:
    struct Binding
    {
        std::shared_ptr<CPortEntry> hold; // keeps the entry alive while it is bound
        const CPortEntry* entry;
        IPortDocument* document;
    };

    // -1: not connected or no document bound; else 1 while the bound document scans, 0 not.
    int Activity(const CPortEntry* entry);
    BOOL RemoveMatching(std::vector<Binding>::iterator first);

    std::mutex m_lock;
    std::vector<Binding> m_bindings;
};
