// Image helpers for ui and drawing tests: capture what a window shows, probe pixels, write PNG
// files and compare with small golden PNGs within a tolerance. The pixel side is plain data; the
// capture and PNG coding come from the window-system backend's test support (installed by the ui
// test start-up), so these helpers never expose a toolkit type.
#pragma once

#include "win32/types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kel::testkit
{

struct Image
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // row by row, 0xAARRGGBB

    bool Empty() const { return width <= 0 || height <= 0; }
    // The pixel as a COLORREF (alpha dropped); CLR_INVALID (0xFFFFFFFF) outside the image.
    DWORD Pixel(int x, int y) const;
    // How many pixels of rectangle [left, right) x [top, bottom) have the colour (COLORREF).
    int CountColor(DWORD color, int left, int top, int right, int bottom) const;
};

// What the backend provides.
struct ImageBackend
{
    std::function<Image(HWND)> capture;                         // the window with its children
    std::function<bool(const Image&, const std::string&)> save; // PNG
    std::function<Image(const std::string&)> load;              // PNG; empty on failure
};
void SetImageBackend(ImageBackend backend);

// What the window shows now (client area, children included); empty for a bad window.
Image CaptureWindow(HWND hwnd);
// Writes a PNG; false on failure.
bool SavePng(const Image& image, const std::string& path);
// Reads a PNG; empty when missing or unreadable.
Image LoadPng(const std::string& path);

// Pixels whose channels differ by more than tolerance (0..255); INT_MAX when the sizes differ, so
// a bound on the count fails.
int CountDifferences(const Image& a, const Image& b, int tolerance);

// Compares with a golden PNG: passes when at most maxDiffering pixels differ by more than tolerance.
// On failure the actual image is written next to the golden file as <name>.actual.png. With
// KEL_UPDATE_GOLDEN=1 in the environment the golden file is (re)written instead.
::testing::AssertionResult MatchesGolden(const Image& actual, const std::string& goldenPath, int tolerance,
                                         int maxDiffering = 0);

} // namespace kel::testkit
