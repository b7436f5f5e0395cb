// The Qt backend's device factory: devices on pixmaps, the printers, fonts and their metrics, PNG
// pictures. Installed with the driver.
#include <QtCore/QByteArray>
#include <QtGui/QFontDatabase>
#include <QtGui/QFontInfo>
#include <QtPrintSupport/QPrinter>

#include "GdiPrint.h"
#include "PainterDevice.h"
#include "QtGdi.h"

#include "win32/codepage.h"
#include "win32qt/QtBackend.h"

using namespace kel::gdi;

namespace kel::qt
{

namespace
{

QString QStringOf(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

class QtDeviceFactory : public DeviceFactory
{
public:
    std::unique_ptr<Device> CreatePixelDevice() override { return std::make_unique<ImageDevice>(); }

    std::vector<std::string> PrinterNames() override { return kel::qt::PrinterNames(); }
    std::string DefaultPrinterName() override { return kel::qt::DefaultPrinterName(); }
    bool SetPdfPrinterOnly(bool only) override { return kel::qt::SetPdfPrinterOnly(only); }
    bool PrinterDefaults(const std::string& name, PrinterSetup& setup) override
    {
        std::unique_ptr<QPrinter> printer = MakePrinter(name, PrinterSetup{});
        if (!printer)
            return false;
        setup = SetupOf(*printer);
        return true;
    }
    std::unique_ptr<Device> CreatePrinter(const std::string& name, const std::string& port,
                                          const PrinterSetup& setup, bool info) override
    {
        return CreatePrinterDevice(name, port, setup, info);
    }

    FontMetrics Metrics(const Font& font) override { return Realized(font).gdiMetrics; }
    int TextWidth(const Font& font, std::u16string_view text) override
    {
        return Realized(font).metrics.horizontalAdvance(QStringOf(text));
    }
    std::u16string ElideRight(const Font& font, std::u16string_view text, int width) override
    {
        const QString shown = Realized(font).metrics.elidedText(QStringOf(text), Qt::ElideRight, width);
        return std::u16string(reinterpret_cast<const char16_t*>(shown.utf16()),
                              static_cast<size_t>(shown.size()));
    }
    std::vector<FaceInfo> Faces() override
    {
        std::vector<FaceInfo> faces;
        for (const QString& family : QFontDatabase::families())
            faces.push_back(
                FaceInfo{kel::Utf8ToCp1252(family.toStdString()), QFontDatabase::isFixedPitch(family)});
        return faces;
    }

    bool DecodePng(const uint8_t* data, size_t size, Pixmap& out) override
    {
        const QImage image = QImage::fromData(data, static_cast<int>(size), "PNG");
        if (image.isNull())
            return false;
        out = PixmapOf(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        return true;
    }
};

} // namespace

QFont FontFromLog(const LOGFONT& lf)
{
    QFont font(QString::fromStdString(kel::Cp1252ToUtf8(FamilyOf(lf))));
    font.setStyleHint((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH ? QFont::TypeWriter : QFont::AnyStyle);
    const int weight = lf.lfWeight <= 0 ? FW_NORMAL : (lf.lfWeight > 1000 ? 1000 : lf.lfWeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfQuality == NONANTIALIASED_QUALITY)
        font.setStyleStrategy(QFont::NoAntialias);
    // Negative: character height (em); positive: cell height (ascent + descent); 0: a default size.
    // Heights beyond kMaxSide pixels are saturated: no glyph that large is drawable.
    const int height = std::clamp<int>(lf.lfHeight, -kMaxSide, kMaxSide);
    if (height < 0)
        font.setPixelSize(-height);
    else if (height > 0)
    {
        font.setPixelSize(height);
        const int cell = QFontMetrics(font).height();
        if (cell > height)
            font.setPixelSize(std::max(1, height * height / cell));
    }
    else
        font.setPixelSize(13);
    return font;
}

QtFont::QtFont(const LOGFONT& lf) : font(FontFromLog(lf)), metrics(font)
{
    gdiMetrics.height = metrics.height();
    gdiMetrics.ascent = metrics.ascent();
    gdiMetrics.descent = metrics.descent();
    gdiMetrics.leading = metrics.leading();
    gdiMetrics.averageCharWidth = metrics.averageCharWidth();
    gdiMetrics.maxCharWidth = metrics.maxWidth();
    gdiMetrics.pixelSize = font.pixelSize();
    gdiMetrics.fixedPitch = QFontInfo(font).fixedPitch();
}

const QtFont& Realized(const Font& font)
{
    if (auto* made = dynamic_cast<const QtFont*>(font.realized.get()))
        return *made;
    auto made = std::make_unique<QtFont>(font.log);
    const QtFont& realized = *made;
    font.realized = std::move(made);
    return realized;
}

void InstallDrawing()
{
    static QtDeviceFactory factory;
    kel::gdi::SetDeviceFactory(&factory);
}

} // namespace kel::qt
