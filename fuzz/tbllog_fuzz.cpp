// Fuzz target: a table scan log (.tbl) read as the table scan reads it for viewing: the header
// parser on the bytes, then the file opened through the scan (header checks against a table of
// two channels, the question of other channels answered with its default button) and its records
// viewed forward and back. Prompts are answered with their default button, silently.
#include "FuzzSupport.h"

#include "displays/Display.h"
#include "scans/Table.h"
#include "scans/TableLogHeader.h"
#include "scans/TableScan.h"
#include "units/Units.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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

    CTableLogHeader header;
    header.Parse(data, size);

    char path[] = "/tmp/kel-tbllog-fuzz-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return 0;
    const bool written = size == 0 || write(fd, data, size) == static_cast<ssize_t>(size);
    close(fd);
    if (written)
    {
        CUnits units;
        units.SetDefaults();
        CTable table(&units, nullptr);
        table.SetDefaults();
        table.m_configured[1].m_enabled = 1;
        table.m_configured[1].m_mass = 4;
        table.CollectEnabledChannels();
        NullDisplay display;
        CTableScans scan(&table, nullptr, &display);
        if (scan.OpenLogAt(path))
        {
            for (int i = 0; i < 8 && scan.IsViewingLog(); ++i)
                scan.ViewLogScan(LOG_RECORD_NEXT);
            scan.ViewLogScan(LOG_RECORD_PREVIOUS);
            scan.CloseBinaryLog();
        }
    }
    unlink(path);
    return 0;
}
