// Export tables of the system's shared libraries. Each library keeps one table of (ordinal, name)
// for its exported functions; the build generates the library's export list from it and a
// function `kel_exports_<module>` that returns the table, through which GetProcAddress resolves
// ordinals. Names without an ordinal (0) are exported by name only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kel
{

struct ExportEntry
{
    uint16_t ordinal; // 0: exported by name only
    const char* name;
};

struct ExportTable
{
    const ExportEntry* entries;
    size_t count;
};

} // namespace kel
