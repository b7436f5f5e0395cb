// What the connector list does with the port list and the binding registry, apart from its
// window: the texts of one row, connecting or disconnecting an entry for a document, and letting a
// document go once no entry is bound to it any more. The dialog calls these; tests call them
// without a window.
#pragma once

#include "ports/PortBindingRegistry.h"
#include "ports/PortList.h"

#include <string>

struct ConnectorRow
{
    std::string connector;  // "Connector"
    std::string instrument; // "Instrument": the entry's name
    std::string id;         // "ID": the identification text
    std::string status;     // "Status"
    std::string activity;   // "Activity": "None", "Idle" or "Running"
    std::string bindTo;     // "Bind to": the bound document's title, or empty
    int image = 1;          // 0 connected, 1 not
};

// The row of one entry.
ConnectorRow DescribeConnector(CPortEntry& entry, CPortBindingRegistry& registry);

enum class ToggleResult
{
    Connected,
    Disconnected,
    ConnectFailed,
    Refused, // a running scan, or no instrument on the entry
};

// Connects the entry for document, or disconnects it when it is connected. A running scan of the
// bound document (disconnecting) or of document (connecting) refuses with the document's warning;
// an entry without an instrument is refused. Connecting first disconnects every other entry of
// ports bound to document, so a document keeps a single instrument; a failed connect leaves the
// entry unbound. document may be null (the entry is connected for nobody).
ToggleResult ToggleConnector(CPortEntry& entry, IPortDocument* document, CPortList& ports,
                             CPortBindingRegistry& registry);

// After the list was refreshed: when no entry of ports is bound to document any more, the document
// takes its head again and its pair leaves the registry. TRUE when it did.
BOOL ReleaseUnboundDocument(IPortDocument* document, CPortList& ports, CPortBindingRegistry& registry);
