#include "testkit/RecordingDevice.h"

#include "win32/codepage.h"

#include <cstdio>

using namespace kel::gdi;

namespace kel::testkit
{

namespace
{

std::string Colour(COLORREF c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

std::string Rect(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string Point(const POINT& p)
{
    return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::string PenOf(const DevicePen& pen)
{
    static const char* const styles[] = {"solid",      "dash", "dot",        "dashdot",
                                         "dashdotdot", "null", "insideframe"};
    if (pen.style == PS_NULL)
        return "pen none";
    const std::string style = pen.style < 7 ? styles[pen.style] : std::to_string(pen.style);
    return "pen " + style + " " + std::to_string(pen.width) + " " + Colour(pen.color);
}

std::string BrushOf(const DeviceBrush& brush)
{
    switch (brush.kind)
    {
    case DeviceBrush::Kind::Solid:
        return "brush " + Colour(brush.color);
    case DeviceBrush::Kind::Tile:
        return "brush tile " + std::to_string(brush.tile->Width()) + "x" +
               std::to_string(brush.tile->Height());
    default:
        return "brush none";
    }
}

} // namespace

RecordingDevice::RecordingDevice(std::shared_ptr<std::vector<std::string>> log) : log_(std::move(log)) {}

bool RecordingDevice::Ready(Pixmap*)
{
    return true;
}

void RecordingDevice::Add(const DrawContext& context, std::string line)
{
    if (context.clip)
        line += " clip " + Rect(context.clip->Bounds()) + "/" + std::to_string(context.clip->RectCount());
    log_->push_back(std::move(line));
}

void RecordingDevice::Polyline(const DrawContext& c, const POINT* points, size_t count)
{
    std::string line = "polyline " + PenOf(c.pen);
    for (size_t i = 0; i < count; ++i)
        line += " " + Point(points[i]);
    Add(c, std::move(line));
}

void RecordingDevice::Polygons(const DrawContext& c, const POINT* points, const int* counts, size_t polygons)
{
    std::string line = "polygons " + PenOf(c.pen) + " " + BrushOf(c.brush) +
                       (c.polyFillMode == WINDING ? " winding" : " alternate");
    for (size_t i = 0; i < polygons; points += counts[i], ++i)
    {
        line += " [";
        for (int k = 0; k < counts[i]; ++k)
            line += (k ? " " : "") + Point(points[k]);
        line += "]";
    }
    Add(c, std::move(line));
}

void RecordingDevice::DrawShape(const DrawContext& c, const Shape& shape)
{
    static const char* const kinds[] = {"rectangle", "ellipse", "roundrect", "arc", "pie", "chord"};
    Add(c, std::string(kinds[static_cast<int>(shape.kind)]) + " " + Rect(shape.box) + " " + PenOf(c.pen) +
               " " + BrushOf(c.brush));
}

void RecordingDevice::FillRect(const DrawContext& c, const RECT& rect, const DeviceBrush& brush)
{
    Add(c, "fill " + Rect(rect) + " " + BrushOf(brush) + " rop " + std::to_string(c.rop2));
}

void RecordingDevice::Points(const DrawContext& c, const POINT*, size_t count, COLORREF color)
{
    Add(c, "points " + std::to_string(count) + " " + Colour(color) + " rop " + std::to_string(c.rop2));
}

void RecordingDevice::Text(const DrawContext& c, const TextRun& run)
{
    std::string text;
    for (char16_t u : run.text)
    {
        const int byte = kel::CodePointToCp1252(u);
        text.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    const POINT at{run.pivot.x + run.offset.x, run.pivot.y + run.offset.y};
    Add(c, "text \"" + text + "\" at " + Point(at) + " box " +
               Rect(RECT{at.x, at.y, at.x + run.width, at.y + run.height}) + " escapement " +
               std::to_string(run.escapement));
}

void RecordingDevice::DrawPixmap(const DrawContext& c, const RECT& target, const Pixmap& image)
{
    Add(c, "pixmap " + Rect(target) + " " + std::to_string(image.Width()) + "x" +
               std::to_string(image.Height()));
}

RecordingDevices::RecordingDevices()
    : log_(std::make_shared<std::vector<std::string>>()), previous_(&kel::gdi::GetDeviceFactory())
{
    kel::gdi::SetDeviceFactory(this);
}

RecordingDevices::~RecordingDevices()
{
    kel::gdi::SetDeviceFactory(previous_);
}

std::unique_ptr<Device> RecordingDevices::CreatePixelDevice()
{
    return std::make_unique<RecordingDevice>(log_);
}

} // namespace kel::testkit
