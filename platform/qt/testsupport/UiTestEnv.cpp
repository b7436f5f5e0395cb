// Ui test start-up: Qt on the main thread for the whole run, the window manager per test, and the
// image helpers' Qt side.
#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include "testkit/Image.h"
#include "testkit/UiTest.h"
#include "win32/user.h"
#include "win32qt/Prompt.h"
#include "win32qt/QtBackend.h"

#include <gtest/gtest.h>

namespace kel::testkit
{

namespace
{

Image FromQImage(const QImage& source)
{
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    Image image;
    image.width = argb.width();
    image.height = argb.height();
    image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
    {
        const auto* line = reinterpret_cast<const uint32_t*>(argb.constScanLine(y));
        std::copy(line, line + image.width, image.pixels.begin() + static_cast<ptrdiff_t>(y) * image.width);
    }
    return image;
}

QImage ToQImage(const Image& image)
{
    QImage out(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y)
        std::copy(image.pixels.begin() + static_cast<ptrdiff_t>(y) * image.width,
                  image.pixels.begin() + static_cast<ptrdiff_t>(y + 1) * image.width,
                  reinterpret_cast<uint32_t*>(out.scanLine(y)));
    return out;
}

Image Capture(HWND hwnd)
{
    auto* widget = static_cast<QWidget*>(kel::ui::GetSurface(hwnd));
    if (!widget)
        return Image{};
    // Backing images first (so what the windows drew is what the widgets show), then the widget tree.
    return FromQImage(widget->grab().toImage());
}

class QtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(kel::qt::StartUi());
        kel::qt::StopUi();
        ImageBackend backend;
        backend.capture = Capture;
        backend.save = [](const Image& image, const std::string& path)
        { return ToQImage(image).save(QString::fromStdString(path), "PNG"); };
        backend.load = [](const std::string& path)
        {
            QImage image;
            return image.load(QString::fromStdString(path), "PNG") ? FromQImage(image) : Image{};
        };
        SetImageBackend(std::move(backend));
    }
    void TearDown() override
    {
        SetImageBackend(ImageBackend{});
        kel::qt::EndQt();
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

void UiTest::SetUp()
{
    ASSERT_TRUE(kel::qt::StartUi()) << "the window manager is running or the driver did not start";
    // Tests answer prompts with ScriptedPrompts; a stray prompt takes the headless default answer
    // rather than a Qt dialog that would wait for a person.
    kel::qt::RemovePromptService();
}

void UiTest::TearDown()
{
    kel::qt::StopUi();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool UiTest::PumpUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred())
    {
        if (timer.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return true;
}

void UiTest::Pump(int ms)
{
    QElapsedTimer timer;
    timer.start();
    PumpUntil([&] { return timer.elapsed() >= ms; }, ms + 1000);
}

} // namespace kel::testkit
