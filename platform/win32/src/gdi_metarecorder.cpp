// Recording DCs: making one and ending it.
#include "gdi_metarecorder.h"

namespace kel::gdi
{

HDC CreateRecordingDc(std::unique_ptr<MetaRecorder> recorder)
{
    if (!recorder)
        return nullptr;
    std::lock_guard lock(TableLock());
    MetaRecorder* raw = recorder.get();
    HDC hdc = AddDc(std::move(recorder), nullptr, nullptr, false);
    DeviceContext* dc = LookupDc(hdc);
    raw->state_ = &dc->state;
    dc->recorder = raw;
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
