// A drawing device for tests that need no pixels: it draws nothing and writes each call the
// drawing core hands it as a line of text, in device pixels, so a test sees what mapping, objects,
// clipping and SaveDC made of its GDI calls without a window system in its link.
//
// Lines, one per call ("#rrggbb" colours, rectangles as left,top,right,bottom, right and bottom
// exclusive; a clip, when there is one, ends the line as " clip <bounds>/<rectangles>"):
//   polyline <pen> <x,y> <x,y> ...
//   polygons <pen> <brush> <fill> [<x,y> ...] [...]
//   <rectangle|ellipse|roundrect|arc|pie|chord> <box> <pen> <brush>
//   fill <rect> <brush> rop <n>
//   points <count> <colour> rop <n>
//   text "<text>" at <x,y> box <rect> escapement <n>
//   pixmap <rect> <width>x<height>
// where <pen> is "pen <style> <width> <colour>" or "pen none", <brush> "brush <colour>",
// "brush tile <width>x<height>" or "brush none".
#pragma once

#include "win32/gdidevice.h"

#include <memory>
#include <string>
#include <vector>

namespace kel::testkit
{

class RecordingDevice : public kel::gdi::Device
{
public:
    explicit RecordingDevice(std::shared_ptr<std::vector<std::string>> log);
    bool Ready(kel::gdi::Pixmap* target) override;
    void Polyline(const kel::gdi::DrawContext& context, const POINT* points, size_t count) override;
    void Polygons(const kel::gdi::DrawContext& context, const POINT* points, const int* counts,
                  size_t polygons) override;
    void DrawShape(const kel::gdi::DrawContext& context, const kel::gdi::Shape& shape) override;
    void FillRect(const kel::gdi::DrawContext& context, const RECT& rect,
                  const kel::gdi::DeviceBrush& brush) override;
    void Points(const kel::gdi::DrawContext& context, const POINT* points, size_t count,
                COLORREF color) override;
    void Text(const kel::gdi::DrawContext& context, const kel::gdi::TextRun& run) override;
    void DrawPixmap(const kel::gdi::DrawContext& context, const RECT& target,
                    const kel::gdi::Pixmap& image) override;

private:
    void Add(const kel::gdi::DrawContext& context, std::string line);
    std::shared_ptr<std::vector<std::string>> log_;
};

// While it lives, every DC on pixels (memory DCs, window DCs) draws through a RecordingDevice
// writing to its log; the factory installed before comes back afterwards. Text is measured by the
// drawing core's rule for no backend.
class RecordingDevices : public kel::gdi::DeviceFactory
{
public:
    RecordingDevices();
    ~RecordingDevices() override;
    RecordingDevices(const RecordingDevices&) = delete;
    RecordingDevices& operator=(const RecordingDevices&) = delete;

    std::unique_ptr<kel::gdi::Device> CreatePixelDevice() override;
    // The lines logged so far, and forgetting them.
    const std::vector<std::string>& Lines() const { return *log_; }
    void Clear() { log_->clear(); }

private:
    std::shared_ptr<std::vector<std::string>> log_;
    kel::gdi::DeviceFactory* previous_;
};

} // namespace kel::testkit
