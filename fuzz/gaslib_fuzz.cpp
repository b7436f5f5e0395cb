// Fuzz target: the gas library file ("gaslib.dat"), which users edit by hand, read as the program
// reads it; a fault is shown with its line (answered silently here) and leaves no gas behind. A
// library that reads is stored in a document archive, loaded and stored again: the same bytes.
#include "FuzzSupport.h"

#include "analysis/Library.h"
#include "testkit/TempDir.h"

#include <afx.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

// A file of this process's own, written for each input.
const std::string& LibraryPath()
{
    static const kel::testkit::TempDir folder("gaslib-fuzz-");
    static const std::string path = (folder / "gaslib.dat").string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    FILE* f = std::fopen(LibraryPath().c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();

    CLibrary library;
    if (!library.ReadLibraryPath(LibraryPath().c_str()))
    {
        if (library.GetSize() != 0)
            std::abort(); // a refused file leaves no gas behind
        return 0;
    }
    for (int i = 0; i < library.GetSize(); ++i)
    {
        CGas* gas = nullptr;
        library.GetGasAt(i, gas);
        char name[CGas::kMaxName + 1];
        gas->GetName(name);
        if (name[0] == '\0')
            std::abort(); // every gas read has a name that can be shown and found
    }

    const std::vector<BYTE> stored = fuzz::StoreObjects({&library});
    std::vector<BYTE> copy = stored;
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()));
    CArchive ar(&file, CArchive::load);
    std::unique_ptr<CObject> loaded(ar.ReadObject(RUNTIME_CLASS(CLibrary)));
    if (fuzz::StoreObjects({loaded.get()}) != stored)
        std::abort();
    return 0;
}
