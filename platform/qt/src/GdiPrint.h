// Printing on Qt: the printers behind PrintDlg and CreateDC, their device, and the print dialogs.
#pragma once

#include "win32/gdidevice.h"
#include "win32/print.h"
#include "win32/prompt.h"

#include <memory>
#include <string>
#include <vector>

class QPrinter;

namespace kel::qt
{

inline bool IsPdfPrinter(const std::string& name)
{
    return name == KEL_PDF_PRINTER_NAME;
}

// A Qt printer for a printer name (the PDF printer for KEL_PDF_PRINTER_NAME); nullptr for an unknown
// name. PDF output is at 600 dpi with 1/4 inch margins, as a typical office printer.
std::unique_ptr<QPrinter> MakePrinter(const std::string& name, const kel::gdi::PrinterSetup& setup);
// Reads a Qt printer's orientation and paper back as DEVMODE values.
kel::gdi::PrinterSetup SetupOf(const QPrinter& printer);
// The desktop's printers and the PDF printer (cp1252 names), the default one, and the switch that
// hides the desktop's printers (tests).
std::vector<std::string> PrinterNames();
std::string DefaultPrinterName();
bool SetPdfPrinterOnly(bool only);

// The device of a printer DC (info: an information context) for a printer, with output to `port`;
// nullptr for an unknown printer.
std::unique_ptr<kel::gdi::Device> CreatePrinterDevice(const std::string& name, const std::string& port,
                                                      const kel::gdi::PrinterSetup& setup, bool info);

// Shows Qt's print dialog for PromptKind::Print and PrintSetup (the latter without page range and
// selection) on the calling thread.
PromptReply PrintPrompt(const PromptRequest& request);

} // namespace kel::qt
