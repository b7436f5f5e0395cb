// Fuzz target: a binary scan log (.ana or .hst) read as the analog or histogram scan reads it for
// viewing: header check, then every record forward and back. The first byte picks the kind; the
// rest is the file. Prompts are answered with their default button, silently.
#include "FuzzSupport.h"

#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "scans/AnalogScan.h"
#include "scans/HistogramScan.h"
#include "scans/ScanLogHeader.h"
#include "units/Units.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{
class NullDisplay : public CDisplay
{
public:
    void UpdateData(void*, int) override {}
    int ReadData(float*, int) override { return 0; }
    BOOL Rebuild() override { return TRUE; }
    int BuildPage() override { return 1; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    if (size < 1)
        return 0;
    const bool histogram = data[0] & 1;

    // The header parser alone, on every prefix length the reader can meet.
    CScanLogHeader header(histogram ? CScanLogHeader::kHistogram : CScanLogHeader::kAnalog);
    header.Parse(data + 1, size - 1);

    CUnits units;
    CAnalogData settings(histogram ? CAnalogData::kModeHistogram : CAnalogData::kModeAnalog, &units, nullptr);
    settings.m_startMass = 1;
    settings.m_stopMass = 10;
    settings.m_pointCount = settings.ExpectedPointCount();
    NullDisplay display;
    std::unique_ptr<CSpectrumScan> scan;
    if (histogram)
        scan = std::make_unique<CHistogramScan>(&settings, nullptr, &display);
    else
        scan = std::make_unique<CAnalogScan>(&settings, nullptr, &display);

    std::vector<BYTE> bytes(data + 1, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    scan->m_bViewingLog = 1;
    if (!scan->ReadLogFile(file))
        return 0;
    int wrapped = 0;
    for (int i = 0; i < 8 && scan->ReadLogScan(LOG_RECORD_NEXT, file, 0, wrapped); ++i)
    {
    }
    scan->ReadLogScan(LOG_RECORD_PREVIOUS, file, 1, wrapped);
    return 0;
}
