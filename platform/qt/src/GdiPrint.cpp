// The printer device: printer DCs draw through a QPrinter (vector output) between StartPage and
// EndPage, and run their jobs on it.
#include <QtGui/QPageLayout>
#include <QtGui/QPageSize>
#include <QtGui/QPainter>
#include <QtPrintSupport/QPrinter>

#include "GdiPrint.h"
#include "PainterDevice.h"

#include "win32/codepage.h"
#include "win32/memory.h"
#include "win32/user.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <strings.h>

namespace kel::qt
{

namespace
{

std::atomic<int> g_nextJob{1};

constexpr const char* kFilePort = "FILE:";
constexpr const char* kQueuePort = "CUPS:";

QString Utf8Of(const std::string& cp1252)
{
    return QString::fromStdString(kel::Cp1252ToUtf8(cp1252));
}

// A port that names a file to write (not "FILE:", not a queue).
bool PortIsPath(const std::string& port)
{
    return !port.empty() && port != kFilePort && port != kQueuePort;
}

// The printer behind a printer DC and the job running on it.
class PrinterDevice : public LivePainterDevice, public kel::gdi::PrintJob
{
public:
    PrinterDevice(std::unique_ptr<QPrinter> printer, std::string device, std::string port, bool info)
        : printer_(std::move(printer)), device_(std::move(device)), port_(std::move(port)), info_(info)
    {
    }
    ~PrinterDevice() override
    {
        Release();
        if (painter_.isActive())
            Abort(); // a DC deleted mid-job prints nothing
    }

    int Technology() const override { return DT_RASPRINTER; }
    int DpiX() const override { return printer_->resolution(); }
    int DpiY() const override { return printer_->resolution(); }
    SIZE PixelSize() const override
    {
        return SizeOf(printer_->pageLayout().paintRectPixels(printer_->resolution()).size());
    }
    SIZE PhysicalSize() const override
    {
        return SizeOf(printer_->pageLayout().fullRectPixels(printer_->resolution()).size());
    }
    POINT PhysicalOffset() const override
    {
        const QPageLayout layout = printer_->pageLayout();
        const int dpi = printer_->resolution();
        const QPoint offset = layout.paintRectPixels(dpi).topLeft() - layout.fullRectPixels(dpi).topLeft();
        return POINT{offset.x(), offset.y()};
    }
    kel::gdi::PrintJob* Job() override { return this; }

    int StartDoc(const DOCINFO& di) override
    {
        if (info_ || painter_.isActive())
            return SP_ERROR;
        std::string output = di.lpszOutput ? di.lpszOutput : "";
        if (output == kFilePort || (output.empty() && IsPdfPrinter(device_)))
        {
            if (output.empty() && PortIsPath(port_))
                output = port_;
            else if (!AskOutputFile(output))
                return SP_USERABORT;
        }
        printer_->setDocName(Utf8Of(di.lpszDocName ? di.lpszDocName : ""));
        if (!output.empty())
        {
            printer_->setOutputFormat(QPrinter::PdfFormat);
            printer_->setOutputFileName(Utf8Of(output));
            if (printer_->resolution() != kel::gdi::kPdfPrinterDpi && IsPdfPrinter(device_))
                printer_->setResolution(kel::gdi::kPdfPrinterDpi);
        }
        if (!painter_.begin(printer_.get()))
            return SP_ERROR;
        output_ = output;
        pages_ = 0;
        pageOpen_ = false;
        return g_nextJob.fetch_add(1);
    }
    int StartPage() override
    {
        if (!painter_.isActive())
            return SP_ERROR;
        if (pageOpen_)
            return 1;
        if (pages_ > 0 && !printer_->newPage())
            return SP_ERROR;
        ++pages_;
        pageOpen_ = true;
        return 1;
    }
    int EndPage() override
    {
        if (!painter_.isActive())
            return SP_ERROR;
        pageOpen_ = false;
        return 1;
    }
    int EndDoc() override
    {
        if (!painter_.isActive())
            return SP_ERROR;
        pageOpen_ = false;
        return painter_.end() ? 1 : SP_ERROR;
    }
    int Abort() override
    {
        if (!painter_.isActive())
            return SP_ERROR;
        pageOpen_ = false;
        printer_->abort();
        painter_.end();
        if (!output_.empty())
        {
            std::error_code ignored;
            std::filesystem::remove(std::filesystem::u8path(kel::Cp1252ToUtf8(output_)), ignored);
        }
        return 1;
    }

protected:
    // Drawing reaches the page only between StartPage and EndPage.
    QPainter* Live() override { return painter_.isActive() && pageOpen_ ? &painter_ : nullptr; }

private:
    static SIZE SizeOf(QSize size) { return SIZE{size.width(), size.height()}; }

    // The file a PDF job goes to, asked for as Windows does when printing to "FILE:".
    bool AskOutputFile(std::string& path)
    {
        PromptRequest request;
        request.kind = PromptKind::FileSave;
        request.text = "Save Print Output As";
        request.filter = "PDF files (*.pdf)|*.pdf||";
        request.defaultExt = "pdf";
        request.flags = kPromptOverwritePrompt;
        PromptReply reply = kel::Prompt(request);
        if (reply.result != IDOK || reply.paths.empty())
            return false;
        path = reply.paths.front();
        return true;
    }

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    std::string device_;
    std::string port_;
    bool info_;
    std::string output_;
    int pages_ = 0;
    bool pageOpen_ = false;
};

} // namespace

std::unique_ptr<kel::gdi::Device> CreatePrinterDevice(const std::string& name, const std::string& port,
                                                      const kel::gdi::PrinterSetup& setup, bool info)
{
    std::unique_ptr<QPrinter> printer = MakePrinter(name, setup);
    if (!printer)
        return nullptr;
    return std::make_unique<PrinterDevice>(std::move(printer), name, port, info);
}

} // namespace kel::qt
