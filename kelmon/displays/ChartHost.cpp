#include "displays/ChartHost.h"

#include <trendkit.h>

namespace
{
TopDesc g_top;               // zero at load; InitTop marks it started
DevDesc* g_device = nullptr; // plotkit's device block, taken at the first start
} // namespace

TopDesc* ChartHostTop()
{
    return &g_top;
}

DevDesc* ChartHostDevice()
{
    return g_device;
}

void ChartHostInitRT()
{
    InitRTDll(&g_top);
}

void ChartHostCleanup(BOOL freeArrays)
{
    RTCleanup(&g_top);
    Cleanup(&g_top, freeArrays);
}
