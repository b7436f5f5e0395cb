#include "testkit/Image.h"

#include <cstdlib>
#include <limits>
#include <mutex>

namespace kel::testkit
{

namespace
{

std::mutex g_lock;
ImageBackend g_backend;

ImageBackend Backend()
{
    std::lock_guard lock(g_lock);
    return g_backend;
}

int Channel(uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

} // namespace

DWORD Image::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0xFFFFFFFF;
    const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    // 0xAARRGGBB to 0x00BBGGRR
    return static_cast<DWORD>(Channel(p, 16) | (Channel(p, 8) << 8) | (Channel(p, 0) << 16));
}

int Image::CountColor(DWORD color, int left, int top, int right, int bottom) const
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (Pixel(x, y) == color)
                ++count;
    return count;
}

void SetImageBackend(ImageBackend backend)
{
    std::lock_guard lock(g_lock);
    g_backend = std::move(backend);
}

Image CaptureWindow(HWND hwnd)
{
    const ImageBackend backend = Backend();
    return backend.capture ? backend.capture(hwnd) : Image{};
}

bool SavePng(const Image& image, const std::string& path)
{
    const ImageBackend backend = Backend();
    return !image.Empty() && backend.save && backend.save(image, path);
}

Image LoadPng(const std::string& path)
{
    const ImageBackend backend = Backend();
    return backend.load ? backend.load(path) : Image{};
}

int CountDifferences(const Image& a, const Image& b, int tolerance)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size())
        return std::numeric_limits<int>::max();
    int differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift : {0, 8, 16})
            if (std::abs(Channel(a.pixels[i], shift) - Channel(b.pixels[i], shift)) > tolerance)
            {
                ++differing;
                break;
            }
    return differing;
}

::testing::AssertionResult MatchesGolden(const Image& actual, const std::string& goldenPath, int tolerance,
                                         int maxDiffering)
{
    if (actual.Empty())
        return ::testing::AssertionFailure() << "nothing captured for " << goldenPath;
    const char* update = std::getenv("KEL_UPDATE_GOLDEN");
    if (update && std::string(update) == "1")
    {
        if (!SavePng(actual, goldenPath))
            return ::testing::AssertionFailure() << "cannot write " << goldenPath;
        return ::testing::AssertionSuccess() << "wrote " << goldenPath;
    }
    const Image golden = LoadPng(goldenPath);
    const std::string actualPath = goldenPath.substr(0, goldenPath.rfind('.')) + ".actual.png";
    if (golden.Empty())
    {
        SavePng(actual, actualPath);
        return ::testing::AssertionFailure()
               << "golden image " << goldenPath << " missing or unreadable; actual in " << actualPath;
    }
    const int differing = CountDifferences(actual, golden, tolerance);
    if (differing > maxDiffering)
    {
        SavePng(actual, actualPath);
        if (actual.width != golden.width || actual.height != golden.height)
            return ::testing::AssertionFailure()
                   << "size " << actual.width << "x" << actual.height << " != golden " << golden.width << "x"
                   << golden.height << "; actual in " << actualPath;
        return ::testing::AssertionFailure() << differing << " pixels differ by more than " << tolerance
                                             << " from " << goldenPath << "; actual in " << actualPath;
    }
    return ::testing::AssertionSuccess();
}

} // namespace kel::testkit
