// What the instrument link asks of a document that uses a head: the document class implements it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class CInstrumentDesc;

class IPortDocument
{
public:
    virtual ~IPortDocument() = default;
    // Non-zero while the document's scan runs.
    virtual BOOL IsScanning() = 0;
    // The document's title, as the connector list shows it.
    virtual std::string GetTitle() = 0;
    // When the scan runs: says "Stop the running scan first!" and returns non-zero; else 0.
    virtual BOOL WarnIfScanRunning() = 0;
    // Takes the head of its connector's entry again (none when unbound) and updates its status.
    virtual void RefreshHead() = 0;
    // Binds the descriptor's head (no effect when unchanged); the document holds the descriptor.
    virtual void SetHead(std::shared_ptr<CInstrumentDesc> desc) = 0;
    // Shows the head's information dialog when the document has a head.
    virtual void ShowHeadInfo() = 0;
};
