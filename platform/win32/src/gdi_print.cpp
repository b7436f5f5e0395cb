// Printing: DEVMODE/DEVNAMES blocks, PrintDlg, printer DCs on the backend's printers, print jobs
// and the escapes the code uses.
#include "gdi_internal.h"

#include "win32/memory.h"
#include "win32/prompt.h"
#include "win32/user.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kel::gdi
{

namespace
{

constexpr const char* kDriver = "spool";
constexpr const char* kFilePort = "FILE:";
constexpr const char* kQueuePort = "CUPS:";

bool IsPdfPrinter(const std::string& name)
{
    return name == KEL_PDF_PRINTER_NAME;
}

// Where a printer's output goes when nothing else is said: the PDF printer asks for a file.
std::string DefaultPort(const std::string& device)
{
    return IsPdfPrinter(device) ? kFilePort : kQueuePort;
}

// A port that names a file to write (not "FILE:", not a queue).
bool PortIsPath(const std::string& port)
{
    return !port.empty() && port != kFilePort && port != kQueuePort;
}

// Whether the backend knows the printer.
bool PrinterExists(const std::string& name)
{
    PrinterSetup ignored;
    return GetDeviceFactory().PrinterDefaults(name, ignored);
}

// ---- DEVMODE and DEVNAMES blocks

HGLOBAL MakeDevNames(const std::string& device, const std::string& port, bool isDefault)
{
    const std::string driver = kDriver;
    const size_t header = sizeof(DEVNAMES);
    const size_t size = header + driver.size() + 1 + device.size() + 1 + port.size() + 1;
    if (size > 0xFFFF)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* names = static_cast<DEVNAMES*>(GlobalLock(block));
    if (!names)
        return nullptr;
    char* base = reinterpret_cast<char*>(names);
    size_t at = header;
    auto put = [&](const std::string& s) -> WORD
    {
        std::memcpy(base + at, s.c_str(), s.size() + 1);
        const WORD offset = static_cast<WORD>(at);
        at += s.size() + 1;
        return offset;
    };
    names->wDriverOffset = put(driver);
    names->wDeviceOffset = put(device);
    names->wOutputOffset = put(port);
    names->wDefault = isDefault ? DN_DEFAULTPRN : 0;
    GlobalUnlock(block);
    return block;
}

// The names in a DEVNAMES block; false for a bad handle or offsets outside the block.
bool ReadDevNames(HGLOBAL block, std::string& device, std::string& port)
{
    const SIZE_T size = GlobalSize(block);
    const auto* names = static_cast<const DEVNAMES*>(GlobalLock(block));
    if (!names)
        return false;
    bool ok = size >= sizeof(DEVNAMES);
    const char* base = reinterpret_cast<const char*>(names);
    auto get = [&](WORD offset, std::string& out)
    {
        if (!ok || offset < sizeof(DEVNAMES) || offset >= size)
        {
            ok = false;
            return;
        }
        const void* end = std::memchr(base + offset, 0, size - offset);
        if (!end)
            ok = false;
        else
            out.assign(base + offset, static_cast<const char*>(end));
    };
    get(names->wDeviceOffset, device);
    get(names->wOutputOffset, port);
    GlobalUnlock(block);
    return ok;
}

DEVMODE DevModeOf(const std::string& device, const PrinterSetup& setup)
{
    DEVMODE dm{};
    std::strncpy(reinterpret_cast<char*>(dm.dmDeviceName), device.c_str(), CCHDEVICENAME - 1);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmSize = sizeof(DEVMODE);
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_COLOR;
    dm.dmOrientation = static_cast<SHORT>(setup.orientation);
    dm.dmPaperSize = static_cast<SHORT>(setup.paperSize);
    dm.dmScale = 100;
    dm.dmCopies = static_cast<SHORT>(setup.copies);
    dm.dmPrintQuality = kPdfPrinterDpi;
    dm.dmYResolution = kPdfPrinterDpi;
    dm.dmColor = DMCOLOR_COLOR;
    return dm;
}

HGLOBAL MakeDevMode(const DEVMODE& dm)
{
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DEVMODE));
    if (void* p = GlobalLock(block))
    {
        std::memcpy(p, &dm, sizeof dm);
        GlobalUnlock(block);
    }
    return block;
}

// The set-up a DEVMODE asks for, over `setup` (fields not marked in dmFields stay).
void ApplyDevMode(const DEVMODE& dm, PrinterSetup& setup)
{
    if ((dm.dmFields & DM_ORIENTATION) &&
        (dm.dmOrientation == DMORIENT_PORTRAIT || dm.dmOrientation == DMORIENT_LANDSCAPE))
        setup.orientation = dm.dmOrientation;
    if ((dm.dmFields & DM_PAPERSIZE) && dm.dmPaperSize > 0)
        setup.paperSize = dm.dmPaperSize;
    if ((dm.dmFields & DM_COPIES) && dm.dmCopies > 0)
        setup.copies = dm.dmCopies;
}

// A DEVMODE from a block; false for a bad handle or a block too small to be one.
bool ReadDevMode(HGLOBAL block, DEVMODE& dm)
{
    const SIZE_T size = GlobalSize(block);
    const void* p = GlobalLock(block);
    if (!p)
        return false;
    const bool ok = size >= offsetof(DEVMODE, dmFormName);
    dm = DEVMODE{};
    if (ok)
        std::memcpy(&dm, p, std::min<SIZE_T>(size, sizeof dm));
    GlobalUnlock(block);
    return ok;
}

} // namespace

HDC CreatePrinterDc(LPCSTR device, LPCSTR port, const void* devmode, bool info)
{
    if (!device || !*device)
        return nullptr;
    PrinterSetup setup;
    if (devmode)
        ApplyDevMode(*static_cast<const DEVMODE*>(devmode), setup);
    const std::string portName = port && *port ? port : DefaultPort(device);
    std::unique_ptr<Device> printer = GetDeviceFactory().CreatePrinter(device, portName, setup, info);
    if (!printer)
        return nullptr;
    return AddDc(std::move(printer), nullptr, nullptr, false);
}

} // namespace kel::gdi

namespace kel
{

std::vector<std::string> PrinterNames()
{
    return gdi::GetDeviceFactory().PrinterNames();
}

std::string DefaultPrinterName()
{
    return gdi::GetDeviceFactory().DefaultPrinterName();
}

bool SetPdfPrinterOnly(bool only)
{
    return gdi::GetDeviceFactory().SetPdfPrinterOnly(only);
}

} // namespace kel

using namespace kel::gdi;

// ---- PrintDlg

BOOL PrintDlg(LPPRINTDLG pd)
{
    if (!pd)
        return FALSE;
    const bool returnDefault = (pd->Flags & PD_RETURNDEFAULT) != 0;
    const std::string defaultName = kel::DefaultPrinterName();

    std::string device, port;
    DEVMODE dm{};
    if (returnDefault)
    {
        if (pd->hDevMode || pd->hDevNames)
            return FALSE; // as Windows: the caller must hand in no blocks
        device = defaultName;
    }
    else if (!pd->hDevNames || !ReadDevNames(pd->hDevNames, device, port) || !PrinterExists(device))
    {
        device = defaultName; // no choice yet, or the chosen printer is gone
        port.clear();
    }
    PrinterSetup setup;
    if (!GetDeviceFactory().PrinterDefaults(device, setup))
        return FALSE;
    if (!returnDefault && pd->hDevMode && ReadDevMode(pd->hDevMode, dm))
        ApplyDevMode(dm, setup);

    kel::PromptPrint chosen;
    chosen.printer = device;
    chosen.flags = pd->Flags;
    chosen.fromPage = pd->nFromPage;
    chosen.toPage = pd->nToPage;
    chosen.minPage = pd->nMinPage;
    chosen.maxPage = pd->nMaxPage;
    chosen.copies = (pd->Flags & PD_USEDEVMODECOPIES) ? setup.copies : std::max<int>(1, pd->nCopies);
    chosen.orientation = setup.orientation;
    chosen.paperSize = setup.paperSize;
    if (IsPdfPrinter(device) && PortIsPath(port))
        chosen.outputFile = port;
    if (!returnDefault)
    {
        kel::PromptRequest request;
        request.kind = (pd->Flags & PD_PRINTSETUP) ? kel::PromptKind::PrintSetup : kel::PromptKind::Print;
        request.owner = pd->hwndOwner;
        request.caption = (pd->Flags & PD_PRINTSETUP) ? "Print Setup" : "Print";
        request.flags = pd->Flags;
        request.print = chosen;
        kel::PromptReply reply = kel::Prompt(request);
        if (reply.result != IDOK)
            return FALSE;
        if (reply.print)
            chosen = *reply.print;
    }

    if (!chosen.outputFile.empty() || (chosen.flags & PD_PRINTTOFILE))
    {
        // Output to a file: the PDF printer, with the file as its port ("FILE:" asks at StartDoc).
        device = KEL_PDF_PRINTER_NAME;
        port = chosen.outputFile.empty() ? kFilePort : chosen.outputFile;
    }
    else
    {
        device = chosen.printer;
        port = DefaultPort(device);
    }
    if (!PrinterExists(device))
        return FALSE;

    setup.orientation = chosen.orientation;
    setup.paperSize = chosen.paperSize;
    setup.copies = (pd->Flags & PD_USEDEVMODECOPIES) ? std::max(1, chosen.copies) : 1;
    DEVMODE out = DevModeOf(device, setup);
    HGLOBAL names = MakeDevNames(device, port, device == defaultName);
    HGLOBAL mode = MakeDevMode(out);
    if (!names || !mode)
    {
        GlobalFree(names);
        GlobalFree(mode);
        return FALSE;
    }
    if (pd->hDevNames)
        GlobalFree(pd->hDevNames);
    if (pd->hDevMode)
        GlobalFree(pd->hDevMode);
    pd->hDevNames = names;
    pd->hDevMode = mode;

    if (!returnDefault)
    {
        constexpr DWORD chosenBits = PD_SELECTION | PD_PAGENUMS | PD_PRINTTOFILE;
        pd->Flags = (pd->Flags & ~chosenBits) | (chosen.flags & chosenBits);
        if (chosen.flags & PD_PAGENUMS)
        {
            pd->nFromPage = static_cast<WORD>(chosen.fromPage);
            pd->nToPage = static_cast<WORD>(chosen.toPage);
        }
        pd->nCopies = (pd->Flags & PD_USEDEVMODECOPIES) ? 1 : static_cast<WORD>(std::max(1, chosen.copies));
    }
    if (pd->Flags & (PD_RETURNDC | PD_RETURNIC))
    {
        pd->hDC = CreatePrinterDc(device.c_str(), port.c_str(), &out, !(pd->Flags & PD_RETURNDC));
        if (!pd->hDC)
            return FALSE;
    }
    return TRUE;
}

// ---- Jobs

// Looks up a printer DC and its job under the table lock for the rest of the call.
#define KEL_PRINTER(hdc, fail)                                                                               \
    std::unique_lock lock(TableLock());                                                                      \
    DeviceContext* dc = LookupDc(hdc);                                                                       \
    PrintJob* printer = dc ? dc->device->Job() : nullptr;                                                    \
    if (!printer)                                                                                            \
        return fail;

int StartDoc(HDC hdc, const DOCINFO* lpdi)
{
    KEL_PRINTER(hdc, SP_ERROR);
    DOCINFO none{};
    none.cbSize = sizeof none;
    dc->ReleaseDevice();
    return printer->StartDoc(lpdi ? *lpdi : none);
}

int StartPage(HDC hdc)
{
    KEL_PRINTER(hdc, SP_ERROR);
    return printer->StartPage();
}

int EndPage(HDC hdc)
{
    KEL_PRINTER(hdc, SP_ERROR);
    dc->ReleaseDevice();
    int result = printer->EndPage();
    ABORTPROC proc = dc->abortProc;
    if (result <= 0 || !proc)
        return result;
    // The procedure pumps messages and may draw or delete windows: it runs without the table lock.
    lock.unlock();
    if (proc(hdc, 0))
        return result;
    lock.lock();
    if (DeviceContext* again = LookupDc(hdc); again && again->device->Job())
        again->device->Job()->Abort();
    return SP_APPABORT;
}

int EndDoc(HDC hdc)
{
    KEL_PRINTER(hdc, SP_ERROR);
    dc->ReleaseDevice();
    return printer->EndDoc();
}

int AbortDoc(HDC hdc)
{
    KEL_PRINTER(hdc, SP_ERROR);
    dc->ReleaseDevice();
    return printer->Abort();
}

int SetAbortProc(HDC hdc, ABORTPROC proc)
{
    KEL_PRINTER(hdc, SP_ERROR);
    dc->abortProc = proc;
    return 1;
}

int Escape(HDC hdc, int iEscape, int cjIn, LPCSTR pvIn, LPVOID pvOut)
{
    switch (iEscape)
    {
    case NEWFRAME:
    {
        const int ended = EndPage(hdc);
        return ended > 0 ? StartPage(hdc) : ended;
    }
    case ABORTDOC:
        return AbortDoc(hdc);
    case SETABORTPROC:
        return SetAbortProc(hdc, reinterpret_cast<ABORTPROC>(const_cast<char*>(pvIn)));
    case STARTDOC:
    {
        DOCINFO di{};
        di.cbSize = sizeof di;
        di.lpszDocName = pvIn;
        const int job = StartDoc(hdc, &di);
        return job > 0 ? StartPage(hdc) : job;
    }
    case ENDDOC:
        return EndDoc(hdc);
    default:
        break;
    }

    KEL_PRINTER(hdc, 0);
    POINT* point = static_cast<POINT*>(pvOut);
    switch (iEscape)
    {
    case QUERYESCSUPPORT:
    {
        if (!pvIn || cjIn < static_cast<int>(sizeof(int)))
            return 0;
        int asked = 0;
        std::memcpy(&asked, pvIn, sizeof asked);
        static constexpr int supported[] = {NEWFRAME,          ABORTDOC,         SETABORTPROC,
                                            STARTDOC,          ENDDOC,           GETPHYSPAGESIZE,
                                            GETPRINTINGOFFSET, GETSCALINGFACTOR, QUERYESCSUPPORT};
        for (int s : supported)
            if (s == asked)
                return 1;
        return 0;
    }
    case GETPHYSPAGESIZE:
    case GETPRINTINGOFFSET:
    {
        if (!point)
            return SP_ERROR;
        const SIZE page = dc->device->PhysicalSize();
        *point = iEscape == GETPRINTINGOFFSET ? dc->device->PhysicalOffset() : POINT{page.cx, page.cy};
        return 1;
    }
    case GETSCALINGFACTOR:
        if (!point)
            return SP_ERROR;
        *point = POINT{0, 0}; // the printer takes the DC's pixels as they are
        return 1;
    default:
        return 0;
    }
}
