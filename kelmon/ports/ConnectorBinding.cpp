#include "ports/ConnectorBinding.h"

ConnectorRow DescribeConnector(CPortEntry& entry, CPortBindingRegistry& registry)
{
    ConnectorRow row;
    row.connector = entry.GetConnector();
    row.instrument = entry.GetName();
    row.id = entry.GetInstrument();
    row.status = entry.GetStatus();
    row.activity = registry.GetStatusText(&entry);
    if (IPortDocument* document = registry.Lookup(&entry))
        row.bindTo = document->GetTitle();
    row.image = entry.GetConnected() ? 0 : 1;
    return row;
}

namespace
{
void Unbind(CPortEntry& entry, CPortBindingRegistry& registry)
{
    IPortDocument* bound = registry.Lookup(&entry);
    entry.Disconnect();
    if (bound)
        bound->RefreshHead();
    registry.SetDocument(&entry, nullptr);
}
} // namespace

ToggleResult ToggleConnector(CPortEntry& entry, IPortDocument* document, CPortList& ports,
                             CPortBindingRegistry& registry)
{
    if (entry.GetConnected())
    {
        IPortDocument* bound = registry.Lookup(&entry);
        if (bound && bound->WarnIfScanRunning())
            return ToggleResult::Refused;
        Unbind(entry, registry);
        return ToggleResult::Disconnected;
    }

    if (document && document->WarnIfScanRunning())
        return ToggleResult::Refused;
    if (!entry.GetInstrumentState())
        return ToggleResult::Refused;
    if (document)
    {
        for (int i = 0; i < ports.GetCount(); ++i)
        {
            std::shared_ptr<CPortEntry> other = ports.HoldAt(i);
            if (other && other.get() != &entry && other->GetConnected() &&
                registry.Lookup(other.get()) == document)
                Unbind(*other, registry);
        }
        // An entry a refresh dropped may still be bound to the document.
        if (CPortEntry* old = registry.FindEntry(document); old && old != &entry && old->GetConnected())
            Unbind(*old, registry);
    }
    if (!registry.SetDocument(&entry, document))
        registry.Add(&entry, document);
    if (!entry.Connect(entry.GetConnector()))
    {
        registry.SetDocument(&entry, nullptr);
        return ToggleResult::ConnectFailed;
    }
    if (document)
        document->SetHead(entry.GetDescriptor());
    return ToggleResult::Connected;
}

BOOL ReleaseUnboundDocument(IPortDocument* document, CPortList& ports, CPortBindingRegistry& registry)
{
    if (!document)
        return FALSE;
    for (int i = 0; i < ports.GetCount(); ++i)
    {
        std::shared_ptr<CPortEntry> entry = ports.HoldAt(i);
        if (entry && registry.Lookup(entry.get()) == document)
            return FALSE;
    }
    document->RefreshHead();
    registry.RemoveDocument(document);
    return TRUE;
}
