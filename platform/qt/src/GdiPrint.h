// Printing internals: the printers behind PrintDlg and CreateDC, and the printer device.
#pragma once

#include "win32/print.h"
#include "win32/prompt.h"

#include <memory>
#include <string>

class QPrinter;

namespace kel::gdi
{

// The PDF printer's resolution.
inline constexpr int kPdfDpi = 600;

inline bool IsPdfPrinter(const std::string& name)
{
    return name == KEL_PDF_PRINTER_NAME;
}

// What a printer is set up with (from DEVMODE, or the print dialog).
struct PrinterSetup
{
    int orientation = DMORIENT_PORTRAIT;
    int paperSize = 0; // DMPAPER_*, 0: the printer's default
    int copies = 1;
};

// A Qt printer for a printer name (the PDF printer for KEL_PDF_PRINTER_NAME); nullptr for an unknown
// name. PDF output is at 600 dpi with 1/4 inch margins, as a typical office printer.
std::unique_ptr<QPrinter> MakePrinter(const std::string& name, const PrinterSetup& setup);
// Reads a Qt printer's orientation and paper back as DEVMODE values.
PrinterSetup SetupOf(const QPrinter& printer);

// A DC (info: an information context) for a printer; nullptr for an unknown printer. For CreateDC.
HDC CreatePrinterDc(LPCSTR device, LPCSTR port, const void* devmode, bool info);

} // namespace kel::gdi

namespace kel::qt
{

// Shows Qt's print dialog for PromptKind::Print and PrintSetup (the latter without page range and
// selection) on the calling thread.
PromptReply PrintPrompt(const PromptRequest& request);

} // namespace kel::qt
