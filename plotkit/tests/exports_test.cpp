// plotkit as a host sees it: the shared library found by name, its exports by name and by ordinal.
#include "plotkit.h"

#include "win32/exports.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

// An export as the function it is.
template <typename F> F As(FARPROC proc)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

TEST(PlotkitExports, FoundByNameAndByOrdinal)
{
    HMODULE module = LoadLibrary(PLOTKIT_MODULE_NAME);
    ASSERT_NE(module, nullptr);
    const FARPROC byName = GetProcAddress(module, "GetDevDesc");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName, GetProcAddress(module, MAKEINTRESOURCE(58)));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCE(228))),
              reinterpret_cast<void*>(&ErrHdlr));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, "PlotRegisterObjectType")),
              reinterpret_cast<void*>(&PlotRegisterObjectType));

    // An ordinal nobody has, and one whose function is not built yet.
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCE(400)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCE(0)), nullptr);

    // Calling through the ordinal reaches the library.
    auto version = As<int(WINAPI*)(int*)>(GetProcAddress(module, MAKEINTRESOURCE(52)));
    ASSERT_NE(version, nullptr);
    int minor = 0;
    EXPECT_EQ(version(&minor), 2);
    EXPECT_EQ(minor, 53);
    FreeLibrary(module);
}

// A host that set up a top block (which lists the installed faces) and ends without unloading the
// library leaves the process cleanly: the library lets go of its faces after the program's statics.
TEST(PlotkitExports, AHostEndingWithTheLibraryLoadedExitsCleanly)
{
    HMODULE module = LoadLibrary(PLOTKIT_MODULE_NAME);
    ASSERT_NE(module, nullptr);
    auto initTop = As<ATOM(WINAPI*)(TopDesc*, WNDPROC, WNDPROC, UINT)>(GetProcAddress(module, "InitTop"));
    auto cleanup = As<void(WINAPI*)(TopDesc*, BOOL)>(GetProcAddress(module, "Cleanup"));
    ASSERT_NE(initTop, nullptr);
    ASSERT_NE(cleanup, nullptr);
    static TopDesc top{};
    top.realType = PK_REAL_TYPE;
    ASSERT_NE(initTop(&top, DefWindowProc, DefWindowProc, 0), 0);
    cleanup(&top, TRUE);
}

TEST(PlotkitExports, TheTableHasUniqueOrdinalsAndNames)
{
    using TableFn = const kel::ExportTable* (*)();
    const std::string symbol = std::string("kel_exports_") + PLOTKIT_MODULE_NAME;
    HMODULE module = GetModuleHandle(PLOTKIT_MODULE_NAME);
    ASSERT_NE(module, nullptr);
    auto fn = As<TableFn>(GetProcAddress(module, symbol.c_str()));
    ASSERT_NE(fn, nullptr);
    const kel::ExportTable* table = fn();
    std::set<int> ordinals;
    std::set<std::string> names;
    int numbered = 0;
    for (size_t i = 0; i < table->count; ++i)
    {
        const kel::ExportEntry& e = table->entries[i];
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        if (e.ordinal == 0)
            continue;
        ++numbered;
        EXPECT_TRUE(ordinals.insert(e.ordinal).second) << e.ordinal;
    }
    // 357 numbered functions: ordinals 1 to 357.
    EXPECT_EQ(numbered, 357);
    EXPECT_EQ(*ordinals.begin(), 1);
    EXPECT_EQ(*ordinals.rbegin(), 357);
}

} // namespace
