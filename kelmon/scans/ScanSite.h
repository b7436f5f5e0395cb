// What a scan needs of the document that holds it: the models it works with, the view window that
// receives its points, the logging settings, and the run bookkeeping of the document's tasks. The
// document class implements it; a scan holds it without owning it. The head layer never calls
// back into the document; the scans do, through this.
#pragma once

#include <windows.h>

#include <afx.h>

class CCbBoard;
class CHead;
class CLeakData;
class CLibrary;
class CScanLogSettings;
class CTable;
class CUnits;

class CScanSite
{
public:
    virtual ~CScanSite() = default;

    // ---- The document's models (null when it holds none) ----
    virtual CHead* GetHead() = 0;
    virtual CUnits* GetUnits() = 0;
    virtual CTable* GetTable() = 0;
    virtual CLeakData* GetLeakData() = 0;
    virtual CLibrary* GetLibrary() = 0;
    virtual CCbBoard* GetIoBoard() = 0;

    // The window of the view that receives WM_KEL_SCANDATA and WM_KEL_NEWSWEEP; NULL: none.
    virtual HWND GetViewWindow() = 0;
    // Posts WM_PAINT to the view window.
    virtual void PostPaint() = 0;
    // The document's title (the name part of automatic log files).
    virtual CString GetTitle() = 0;
    // The logging settings of a scan kind (kind codes of CScan::GetScanKind; the split kind's
    // record holds the split children's settings).
    virtual CScanLogSettings& GetLogSettings(int kind) = 0;

    // Set while a step of the document's scan runs.
    virtual BOOL IsBusy() = 0;
    // Set while a repeated (triggered) run goes on: a finished sweep then neither re-enables the
    // scan's dialogs nor closes its logs.
    virtual BOOL IsRepeating() = 0;
    // The scan mode of the document's current scan, -1 without one.
    virtual int GetCurrentScanMode() = 0;
    // Clean-up after a run ended by failure: repeat timer, alarm sounds, board outputs.
    virtual void OnScanFinished() = 0;
    // Signals the document's scan event (a run ended, or a stop was honoured).
    virtual void SetScanEvent() = 0;
    // Lets go of a head that is absent or does not stop scanning; returns 1.
    virtual BOOL RebindInstrument() = 0;
    // Writes the whole document, in the document file's form.
    virtual void Serialize(CArchive& ar) = 0;
    // Marks the document modified (a scan changed settings the document file keeps).
    virtual void MarkModified() = 0;
};

// The document of the active window, as the application knows it; null when there is none or no
// lookup is installed. Scans without a document of their own use it.
CScanSite* GetActiveScanSite();
// Installs the lookup (null removes it); returns the previous one.
using ActiveScanSiteLookup = CScanSite* (*)();
ActiveScanSiteLookup SetActiveScanSiteLookup(ActiveScanSiteLookup lookup);
