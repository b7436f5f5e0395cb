// The print and print set-up prompts with Qt's dialogs.
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QWidget>

#include "GdiPrint.h"

#include "win32/codepage.h"
#include "win32/uidriver.h"
#include "win32/user.h"

namespace kel::qt
{

namespace
{

// The owner's top-level widget, disabled while the dialog is up (the dialog itself stays enabled).
class OwnerScope
{
public:
    explicit OwnerScope(HWND owner)
    {
        HWND top = owner && IsWindow(owner) ? GetAncestor(owner, GA_ROOT) : nullptr;
        if (top)
            widget_ = static_cast<QWidget*>(kel::ui::GetSurface(top));
        if (top && IsWindowEnabled(top))
        {
            EnableWindow(top, FALSE);
            disabled_ = top;
        }
    }
    ~OwnerScope()
    {
        if (disabled_ && IsWindow(disabled_))
            EnableWindow(disabled_, TRUE);
    }
    OwnerScope(const OwnerScope&) = delete;
    OwnerScope& operator=(const OwnerScope&) = delete;
    QWidget* Widget() const { return widget_ ? widget_->window() : nullptr; }

private:
    QWidget* widget_ = nullptr;
    HWND disabled_ = nullptr;
};

// Runs a dialog while our queue keeps running (cross-thread sends, timers, worker prompts).
int Exec(QDialog& dialog)
{
    QTimer serve;
    if (kel::ui::UiThreadId() != 0)
    {
        QObject::connect(&serve, &QTimer::timeout, [] { kel::ui::ServeMessagesWhileModal(); });
        serve.start(50);
    }
    dialog.setEnabled(true);
    return dialog.exec();
}

} // namespace

PromptReply PrintPrompt(const PromptRequest& request)
{
    const PromptPrint& in = request.print;
    const kel::gdi::PrinterSetup setup{in.orientation, in.paperSize, in.copies};
    std::unique_ptr<QPrinter> printer = MakePrinter(in.printer, setup);
    if (!printer)
        printer = MakePrinter(KEL_PDF_PRINTER_NAME, setup);
    if (printer->outputFormat() == QPrinter::PdfFormat && !in.outputFile.empty())
        printer->setOutputFileName(QString::fromStdString(kel::Cp1252ToUtf8(in.outputFile)));

    OwnerScope owner(request.owner);
    PromptReply reply;
    reply.result = IDCANCEL;
    int accepted = QDialog::Rejected;
    QPrintDialog::PrintRange range = QPrintDialog::AllPages;
    int from = in.fromPage, to = in.toPage;
    {
        // Set-up uses the print dialog too: it chooses the printer, and Qt's page set-up dialog
        // works on system printers only, not on PDF output.
        const bool setupOnly = request.kind == PromptKind::PrintSetup;
        QPrintDialog dialog(printer.get(), owner.Widget());
        QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintShowPageSize;
        if (!setupOnly)
        {
            options |= QAbstractPrintDialog::PrintCollateCopies;
            if (!(in.flags & PD_NOSELECTION))
                options |= QAbstractPrintDialog::PrintSelection;
            if (!(in.flags & PD_NOPAGENUMS))
                options |= QAbstractPrintDialog::PrintPageRange;
        }
        if (!(in.flags & (PD_DISABLEPRINTTOFILE | PD_HIDEPRINTTOFILE)))
            options |= QAbstractPrintDialog::PrintToFile;
        dialog.setOptions(options);
        if (!request.caption.empty())
            dialog.setWindowTitle(QString::fromStdString(kel::Cp1252ToUtf8(request.caption)));
        if (!setupOnly && in.minPage > 0 && in.maxPage >= in.minPage)
            dialog.setMinMax(in.minPage, in.maxPage);
        if (!setupOnly && (in.flags & PD_PAGENUMS))
        {
            dialog.setFromTo(in.fromPage, in.toPage);
            dialog.setPrintRange(QPrintDialog::PageRange);
        }
        else if (!setupOnly && (in.flags & PD_SELECTION))
            dialog.setPrintRange(QPrintDialog::Selection);
        accepted = Exec(dialog);
        if (!setupOnly)
        {
            range = dialog.printRange();
            from = dialog.fromPage();
            to = dialog.toPage();
        }
        else
            range = (in.flags & PD_PAGENUMS)    ? QPrintDialog::PageRange
                    : (in.flags & PD_SELECTION) ? QPrintDialog::Selection
                                                : QPrintDialog::AllPages;
    }
    if (accepted != QDialog::Accepted)
        return reply;

    PromptPrint out = in;
    out.flags &= ~(PD_SELECTION | PD_PAGENUMS | PD_PRINTTOFILE);
    if (range == QPrintDialog::Selection)
        out.flags |= PD_SELECTION;
    else if (range == QPrintDialog::PageRange)
    {
        out.flags |= PD_PAGENUMS;
        out.fromPage = from;
        out.toPage = to;
    }
    if (printer->outputFormat() == QPrinter::PdfFormat)
    {
        // The PDF printer writes to the file named in the dialog; without a usable one (Qt may
        // offer just a folder) the job asks for it when it starts.
        out.printer = KEL_PDF_PRINTER_NAME;
        const QString file = printer->outputFileName();
        out.outputFile.clear();
        if (request.kind == PromptKind::Print && !file.isEmpty() && !file.endsWith(QLatin1Char('/')) &&
            !QFileInfo(file).isDir())
            out.outputFile = kel::Utf8ToCp1252(file.toStdString());
    }
    else
        out.printer = kel::Utf8ToCp1252(printer->printerName().toStdString());
    const kel::gdi::PrinterSetup chosen = SetupOf(*printer);
    out.orientation = chosen.orientation;
    out.paperSize = chosen.paperSize;
    out.copies = chosen.copies;
    reply.result = IDOK;
    reply.print = out;
    return reply;
}

} // namespace kel::qt
