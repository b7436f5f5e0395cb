// Times one spectrum analysis of a full 1-300 amu sweep (10 points per amu) with twelve gases:
// picking the peaks, rebuilding the projection (PrepareMatrix) and projecting the sweep (Analyse).
// The baseline, timed in the same run, is the projection alone.
#include "analysis/Analyse.h"
#include "analysis/Library.h"
#include "settings/AppSettings.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace
{
struct NullView : CAnalysisView
{
    BOOL CreateView(int32_t*, int32_t*, const CStringArray*, int32_t*) override { return TRUE; }
    BOOL HasWindow() const override { return FALSE; }
    BOOL IsVisible() const override { return FALSE; }
    void ShowResult(float* const*, uint32_t) override {}
};

template <class F> double MicrosecondsPerRun(int runs, F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        f();
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / runs;
}
} // namespace

int main()
{
    const char* names[CAnalyse::kListSize] = {"Hydrogen", "Helium", "Methane",         "Water",
                                              "Nitrogen", "Oxygen", "Carbon monoxide", "NO",
                                              "Neon",     "Argon",  "Carbon dioxide",  "MP Oil"};
    for (int i = 0; i < CAnalyse::kListSize; ++i)
        CAppSettings::GetInstance()->m_analyzeGas[i] = names[i];
    CLibrary library;
    if (!library.ReadLibraryPath(KEL_GASLIB_PATH))
        return 1;
    SetAnalysisViewFactory([]() -> CAnalysisView* { return new NullView; });
    CAnalyse analyse(&library);
    int32_t flags[CAnalyse::kListSize];
    std::fill(flags, flags + CAnalyse::kListSize, 1);
    int32_t changed = 0;
    if (!analyse.Start(flags, &changed))
        return 1;

    const int ppa = 10;
    std::vector<float> sweep((300 - 1) * ppa + 1);
    for (size_t i = 0; i < sweep.size(); ++i)
        sweep[i] = 1e-9f * static_cast<float>(1 + (i * 7919) % 1000);
    std::vector<float> values(analyse.GetMassCount());

    const int runs = 20000;
    const double full = MicrosecondsPerRun(
        runs,
        [&]
        {
            analyse.PickValues(sweep.data(), static_cast<int>(sweep.size()), 1, ppa, values.data());
            changed = 1; // rebuild the projection as after a new choice of gases
            analyse.Analyse(values.data());
        });
    const double projection = MicrosecondsPerRun(runs, [&] { analyse.Analyse(values.data()); });
    std::printf("analyse_bench: 1-300 amu, %d points, %d gases, %d masses\n", static_cast<int>(sweep.size()),
                CAnalyse::kListSize, analyse.GetMassCount());
    std::printf("  pick + PrepareMatrix + Analyse: %8.2f us\n", full);
    std::printf("  Analyse alone (baseline):       %8.2f us\n", projection);
    std::printf("  ratio to baseline:              %8.1f\n", full / projection);
    // The summary line of `make bench`: name, figure, unit, ratio to the reference, goal.
    std::printf("BENCH analyse %.2f us %.2f -\n", full, full / projection);
    CAppSettings::DestroyInstance();
    return 0;
}
