// Recording DCs: making one, ending it, and the brush descriptions recorders get.
#include "MetaRecorder.h"

#include "GdiDrawing.h"

#include "win32/user.h"

namespace kel::gdi
{

QImage PatternOf(const BrushObject* brush)
{
    if (!brush || brush->log.lbStyle != BS_PATTERN || brush->pattern.isNull())
        return QImage();
    if (!brush->monoPattern)
        return brush->pattern.convertToFormat(QImage::Format_RGB32);
    return brush->pattern.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

bool DescribeBrush(HBRUSH hbr, LOGBRUSH& log, QImage& pattern)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(hbr);
    if (value > 0 && value <= COLOR_MENUBAR + 1)
    {
        log = LOGBRUSH{BS_SOLID, GetSysColor(static_cast<int>(value - 1)), 0};
        pattern = QImage();
        return true;
    }
    std::lock_guard lock(TableLock());
    auto* brush = static_cast<BrushObject*>(LookupObject(hbr, OBJ_BRUSH));
    if (!brush)
        return false;
    log = brush->log;
    pattern = PatternOf(brush);
    return true;
}

HDC CreateRecordingDc(std::unique_ptr<MetaRecorder> recorder, std::unique_ptr<Device> device)
{
    if (!recorder || !device)
        return nullptr;
    std::lock_guard lock(TableLock());
    HDC hdc = CreateDc(std::move(device), nullptr);
    DeviceContext* dc = LookupDc(hdc);
    recorder->state_ = &dc->state;
    dc->recorder = std::move(recorder);
    return hdc;
}

bool CloseRecordingDc(HDC hdc, DWORD kind, std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    if (!dc || !dc->recorder || dc->recorder->Kind() != kind)
        return false;
    bytes = dc->recorder->Close();
    DestroyDc(hdc);
    return true;
}

} // namespace kel::gdi
