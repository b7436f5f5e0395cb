// The printers behind PrintDlg and CreateDC: the desktop's (CUPS) printers and the PDF printer,
// as Qt printers set up from DEVMODE values.
#include <QtCore/QMarginsF>
#include <QtGui/QPageLayout>
#include <QtGui/QPageSize>
#include <QtPrintSupport/QPrinter>
#include <QtPrintSupport/QPrinterInfo>

#include "GdiPrint.h"

#include "win32/codepage.h"

#include <atomic>

namespace kel::qt
{

namespace
{

std::atomic<bool> g_pdfOnly{false};

constexpr double kPdfMarginMm = 6.35;

QString Utf8Of(const std::string& cp1252)
{
    return QString::fromStdString(kel::Cp1252ToUtf8(cp1252));
}

std::string Cp1252Of(const QString& text)
{
    return kel::Utf8ToCp1252(text.toStdString());
}

struct PaperMap
{
    int dm;
    QPageSize::PageSizeId qt;
};
constexpr PaperMap kPapers[] = {
    {DMPAPER_LETTER, QPageSize::Letter}, {DMPAPER_TABLOID, QPageSize::Tabloid},
    {DMPAPER_LEGAL, QPageSize::Legal},   {DMPAPER_EXECUTIVE, QPageSize::Executive},
    {DMPAPER_A3, QPageSize::A3},         {DMPAPER_A4, QPageSize::A4},
    {DMPAPER_A5, QPageSize::A5},         {DMPAPER_B5, QPageSize::JisB5},
};

} // namespace

std::unique_ptr<QPrinter> MakePrinter(const std::string& name, const kel::gdi::PrinterSetup& setup)
{
    std::unique_ptr<QPrinter> printer;
    if (IsPdfPrinter(name))
    {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setResolution(kel::gdi::kPdfPrinterDpi);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageMargins(QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                                QPageLayout::Millimeter);
    }
    else
    {
        if (g_pdfOnly || name.empty())
            return nullptr;
        QPrinterInfo info = QPrinterInfo::printerInfo(Utf8Of(name));
        if (info.isNull())
            return nullptr;
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    for (const PaperMap& paper : kPapers)
        if (paper.dm == setup.paperSize)
            printer->setPageSize(QPageSize(paper.qt));
    printer->setPageOrientation(setup.orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait);
    printer->setCopyCount(std::max(1, setup.copies));
    return printer;
}

kel::gdi::PrinterSetup SetupOf(const QPrinter& printer)
{
    kel::gdi::PrinterSetup setup;
    const QPageLayout layout = printer.pageLayout();
    setup.orientation =
        layout.orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    for (const PaperMap& paper : kPapers)
        if (paper.qt == layout.pageSize().id())
            setup.paperSize = paper.dm;
    setup.copies = std::max(1, printer.copyCount());
    return setup;
}

std::vector<std::string> PrinterNames()
{
    std::vector<std::string> names;
    if (!g_pdfOnly)
        for (const QString& name : QPrinterInfo::availablePrinterNames())
            names.push_back(Cp1252Of(name));
    names.push_back(KEL_PDF_PRINTER_NAME);
    return names;
}

std::string DefaultPrinterName()
{
    if (!g_pdfOnly)
    {
        const QString name = QPrinterInfo::defaultPrinterName();
        if (!name.isEmpty())
            return Cp1252Of(name);
    }
    return KEL_PDF_PRINTER_NAME;
}

bool SetPdfPrinterOnly(bool only)
{
    return g_pdfOnly.exchange(only);
}

} // namespace kel::qt
