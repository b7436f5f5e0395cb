// trendkit as a host sees it: the shared library found by name, its exports by name and by ordinal.
#include "trendkit.h"

#include "win32/exports.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

template <typename F> F As(FARPROC proc)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

TEST(TrendkitExports, FoundByNameAndByOrdinal)
{
    HMODULE module = LoadLibrary(TRENDKIT_MODULE_NAME);
    ASSERT_NE(module, nullptr);
    const FARPROC byName = GetProcAddress(module, "InitRTDll");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName, GetProcAddress(module, MAKEINTRESOURCE(108)));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCE(81))),
              reinterpret_cast<void*>(&WRUpdateData));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, "WRUpdateBlockData")),
              reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCE(164))));

    // The meter dialogs are reached by their ordinals, as a host's edit path finds them.
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCE(105))),
              reinterpret_cast<void*>(&MeterBackgndDlgProc));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCE(106))),
              reinterpret_cast<void*>(&MeterDlgProc));

    // Ordinals nobody has (the table's gaps and beyond its end).
    for (int ordinal : {11, 148, 169})
    {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCE(ordinal)), nullptr) << ordinal;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }

    // Calling through the ordinal reaches the library: a record size by type.
    auto size = As<UINT(WINAPI*)(int)>(GetProcAddress(module, MAKEINTRESOURCE(27)));
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size(RT_TYPE_ALARM_LINES), sizeof(AlarmLinesDesc));
    FreeLibrary(module);
}

TEST(TrendkitExports, TheTableHasUniqueOrdinalsAndNames)
{
    using TableFn = const kel::ExportTable* (*)();
    const std::string symbol = std::string("kel_exports_") + TRENDKIT_MODULE_NAME;
    HMODULE module = LoadLibrary(TRENDKIT_MODULE_NAME);
    ASSERT_NE(module, nullptr);
    auto fn = As<TableFn>(GetProcAddress(module, symbol.c_str()));
    ASSERT_NE(fn, nullptr);
    const kel::ExportTable* table = fn();
    std::set<int> ordinals;
    std::set<std::string> names;
    for (size_t i = 0; i < table->count; ++i)
    {
        const kel::ExportEntry& e = table->entries[i];
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        EXPECT_NE(e.ordinal, 0) << e.name;
        EXPECT_TRUE(ordinals.insert(e.ordinal).second) << e.ordinal;
    }
    // 150 functions, numbered from 1 to 168 with gaps.
    EXPECT_EQ(names.size(), 150u);
    EXPECT_EQ(*ordinals.begin(), 1);
    EXPECT_EQ(*ordinals.rbegin(), 168);
    FreeLibrary(module);
}

} // namespace
