// Fuzz target: ASCII data-set files as the charting library reads them. Any file gives a data set
// or a refusal (answered silently here) that leaves no data set behind; a data set read holds whole
// rows, and written out again and read back it has the same points.
#include "FuzzSupport.h"

#include "PlotkitInternal.h"
#include "testkit/TempDir.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

const std::string& FilePath(const char* name)
{
    static const kel::testkit::TempDir folder("asciidataset-fuzz-");
    static std::string paths[2] = {(folder / "in.dat").string(), (folder / "out.dat").string()};
    return paths[name[0] == 'o' ? 1 : 0];
}

TopDesc& Top()
{
    static TopDesc top{};
    static const bool started = []
    {
        plotkit::Library& lib = plotkit::Lib();
        lib.exitProcess = [](int) {};
        top.realType = PK_REAL_TYPE;
        top.initialised = 1;
        top.errorBoxesOn = 1;
        lib.top = &top;
        return true;
    }();
    (void)started;
    return top;
}

int SetsInUse()
{
    int n = 0;
    for (int k = 1; k <= PK_MAX_DATASETS; ++k)
        n += plotkit::DataSetAt(k) != nullptr;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    TopDesc& top = Top();
    top.abortFlag = 0;
    FILE* f = std::fopen(FilePath("in").c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();

    const int number = WGLoadASCIIDataSet(FilePath("in").c_str(), "fuzz");
    if (number == 0)
    {
        if (SetsInUse() != 0)
            std::abort(); // a refused file leaves nothing behind
        return 0;
    }
    const plotkit::DataSetDesc* set = plotkit::DataSetAt(number);
    if (set == nullptr || set->count < 1 || set->yPerX < 1)
        std::abort();
    bool finite = true;
    for (int i = 0; i < set->count; ++i)
        finite = finite && std::isfinite(set->x[i]);
    for (int i = 0; i < set->count * set->yPerX; ++i)
        finite = finite && std::isfinite(set->y[i]);

    if (finite && set->count < 20000)
    {
        // Ten significant digits bring every float back as it was.
        if (!WGSaveASCIIDataSet(number, FilePath("out").c_str(), "%16g"))
            std::abort();
        const int again = WGLoadASCIIDataSet(FilePath("out").c_str(), "again");
        const plotkit::DataSetDesc* copy = plotkit::DataSetAt(again);
        if (copy == nullptr || copy->count != set->count || copy->yPerX != set->yPerX)
            std::abort();
        for (int i = 0; i < set->count; ++i)
            if (copy->x[i] != set->x[i])
                std::abort();
        for (int i = 0; i < set->count * set->yPerX; ++i)
            if (copy->y[i] != set->y[i])
                std::abort();
        WGFreeDataSet(again, TRUE);
    }
    WGFreeDataSet(number, TRUE);
    return 0;
}
