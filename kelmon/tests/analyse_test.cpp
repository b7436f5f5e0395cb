// The spectrum analysis: mass rows from the analysis gas list, decomposition of known mixtures
// (with and without noise), singular choices of gases, the pivot rule, the mass-range rule and
// the peak pick at the ends of a sweep.
#include "analysis/Analyse.h"
#include "analysis/Gas.h"
#include "analysis/Library.h"
#include "analysis/Matrix.h"
#include "settings/AppSettings.h"

#include "Random.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>
#include "windows.h"

#include <algorithm>
#include <bit>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kel::testkit::ScriptedPrompts;

namespace
{

const char* const kDefaultGases[CAnalyse::kListSize] = {"Hydrogen", "Helium", "Methane",         "Water",
                                                        "Nitrogen", "Oxygen", "Carbon monoxide", "NO",
                                                        "Neon",     "Argon",  "Carbon dioxide",  "MP Oil"};

// Result window that records what it was given.
struct FakeView : CAnalysisView
{
    static inline std::vector<std::vector<float>> results;
    static inline int created = 0;
    int32_t* selection = nullptr;
    BOOL CreateView(int32_t* flags, int32_t*, const CStringArray* names, int32_t*) override
    {
        ++created;
        selection = flags;
        return names && names->GetSize() == CAnalyse::kListSize;
    }
    BOOL HasWindow() const override { return TRUE; }
    BOOL IsVisible() const override { return TRUE; }
    void ShowResult(float* const* rows, uint32_t gases) override
    {
        const int n = std::popcount(gases);
        std::vector<float> values;
        for (int k = 0; k < n; ++k)
            values.push_back(rows[k][0]);
        results.push_back(values);
    }
    static CAnalysisView* Create() { return new FakeView; }
};

class AnalyseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetGasList(kDefaultGases);
        m_previousFactory = SetAnalysisViewFactory(&FakeView::Create);
        FakeView::results.clear();
        FakeView::created = 0;
        ScriptedPrompts prompts;
        ASSERT_TRUE(m_shipped.ReadLibraryFile(KEL_GASLIB_DIR));
    }
    void TearDown() override
    {
        SetAnalysisViewFactory(m_previousFactory);
        CAppSettings::DestroyInstance();
    }

    static void SetGasList(const char* const* names)
    {
        for (int i = 0; i < CAnalyse::kListSize; ++i)
            CAppSettings::GetInstance()->m_analyzeGas[i] = names[i];
    }

    // A library from (name, "masses", "intensities") rows.
    static void ReadLibrary(CLibrary& library, const std::vector<std::array<std::string, 3>>& gases)
    {
        std::string text = std::to_string(gases.size()) + "\n";
        for (const auto& g : gases)
            text += "\"" + g[0] + "\" 1\n" + g[1] + "\n" + g[2] + "\n";
        const kel::testkit::TempDir dir("kel-analyse-");
        const fs::path path = dir / "gaslib.dat";
        std::ofstream(path, std::ios::binary) << text;
        ScriptedPrompts prompts;
        ASSERT_TRUE(library.ReadLibraryPath(path.string().c_str()));
    }

    // The spectrum at the analysis rows of a mixture: pressure x intensity / 100 per pattern mass.
    static std::vector<float> Spectrum(const CAnalyse& analyse, const CLibrary& library,
                                       const std::map<std::string, double>& mixture)
    {
        std::vector<double> y(analyse.GetMassCount(), 0.0);
        for (const auto& [name, pressure] : mixture)
        {
            for (int g = 0; g < library.GetSize(); ++g)
            {
                CGas* gas = nullptr;
                library.GetGasAt(g, gas);
                if (name != gas->GetName().GetString())
                    continue;
                for (int s = 0; s < CGas::kSlots; ++s)
                    if (gas->GetMass(s) > 1 && analyse.GetMassRow(gas->GetMass(s)) >= 0)
                        y[analyse.GetMassRow(gas->GetMass(s))] += pressure * gas->GetIntensity(s) * 0.01;
            }
        }
        return std::vector<float>(y.begin(), y.end());
    }

    CLibrary m_shipped;
    AnalysisViewFactory m_previousFactory = nullptr;
};

} // namespace

TEST_F(AnalyseTest, RowsAreTheFirstThreeMassesOfTheListedGases)
{
    CAnalyse analyse(&m_shipped);
    const std::vector<int> expected = {2,  4,  12, 14, 15, 16, 17, 18, 20, 21, 22,
                                       28, 29, 30, 32, 34, 36, 40, 41, 43, 44, 57};
    ASSERT_EQ(analyse.GetMassCount(), static_cast<int>(expected.size()));
    for (int row = 0; row < analyse.GetMassCount(); ++row)
    {
        EXPECT_EQ(analyse.GetRowMass(row), expected[row]);
        EXPECT_EQ(analyse.GetMassRow(expected[row]), row);
    }
    // Hydrogen lists mass 1, which never takes part; nor do masses past the table.
    EXPECT_EQ(analyse.GetMassRow(1), -1);
    EXPECT_EQ(analyse.GetMassRow(58), -1);
    EXPECT_EQ(analyse.GetMassTableSize(), 58);

    struct Range
    {
        int start, stop;
        BOOL usable;
    };
    for (const Range& r : {Range{1, 57, TRUE}, Range{1, 300, TRUE}, Range{2, 57, TRUE}, Range{1, 56, FALSE},
                           Range{3, 100, FALSE}, Range{0, 100, FALSE}})
        EXPECT_EQ(analyse.IsMassRangeUsable(r.start, r.stop), r.usable) << r.start << ".." << r.stop;
}

TEST_F(AnalyseTest, MissingListedGasLeavesNoRowsAndRefusesToStart)
{
    const char* list[CAnalyse::kListSize];
    std::copy(kDefaultGases, kDefaultGases + CAnalyse::kListSize, list);
    list[7] = "Nitric oxide";
    SetGasList(list);
    CAnalyse analyse(&m_shipped);
    EXPECT_EQ(analyse.GetMassTableSize(), 0);
    EXPECT_FALSE(analyse.IsMassRangeUsable(1, 300));
    int32_t flags[CAnalyse::kListSize] = {1, 1};
    int32_t changed = 0;
    ScriptedPrompts prompts;
    EXPECT_FALSE(analyse.Start(flags, &changed));
    EXPECT_EQ(FakeView::created, 0);
}

TEST_F(AnalyseTest, DecomposesAKnownMixture)
{
    const std::map<std::string, double> mixture = {
        {"Hydrogen", 2e-7}, {"Helium", 5e-9},   {"Methane", 3e-9},           {"Water", 4e-7},
        {"Nitrogen", 6e-8}, {"Oxygen", 1.5e-8}, {"Carbon monoxide", 2.5e-8}, {"NO", 1e-9},
        {"Neon", 2e-9},     {"Argon", 7e-9},    {"Carbon dioxide", 3e-8},    {"MP Oil", 4e-9}};
    CAnalyse analyse(&m_shipped);
    int32_t flags[CAnalyse::kListSize];
    std::fill(flags, flags + CAnalyse::kListSize, 1);
    int32_t changed = 0;
    ScriptedPrompts prompts;
    ASSERT_TRUE(analyse.Start(flags, &changed));
    EXPECT_EQ(FakeView::created, 1);

    const std::vector<float> clean = Spectrum(analyse, m_shipped, mixture);
    ASSERT_TRUE(analyse.Analyse(clean.data()));
    ASSERT_EQ(FakeView::results.size(), 1u);
    ASSERT_EQ(FakeView::results[0].size(), 12u);
    // Without noise only single-precision rounding remains: within 0.1 % of the largest pressure.
    for (int k = 0; k < CAnalyse::kListSize; ++k)
        EXPECT_NEAR(FakeView::results[0][k], mixture.at(kDefaultGases[k]), 4e-7 * 1e-3) << kDefaultGases[k];

    // With 0.1 % Gaussian noise on every mass (relative to the largest peak) each pressure stays
    // within 2 % of the largest pressure.
    int32_t seed = -17;
    const float sigma = 1e-3f * *std::max_element(clean.begin(), clean.end());
    for (int sweep = 0; sweep < 20; ++sweep)
    {
        std::vector<float> noisy = clean;
        for (float& v : noisy)
            v += sigma * static_cast<float>(GaussianDeviate(seed));
        ASSERT_TRUE(analyse.Analyse(noisy.data()));
        for (int k = 0; k < CAnalyse::kListSize; ++k)
            EXPECT_NEAR(FakeView::results.back()[k], mixture.at(kDefaultGases[k]), 4e-7 * 0.02)
                << kDefaultGases[k];
    }
}

TEST_F(AnalyseTest, NewSelectionTakesEffectAtTheNextSweep)
{
    const std::map<std::string, double> mixture = {{"Nitrogen", 3.0}, {"Argon", 1.0}, {"Water", 2.0}};
    CAnalyse analyse(&m_shipped);
    int32_t flags[CAnalyse::kListSize] = {0, 0, 0, 1, 1, 0, 0, 0, 0, 1};
    int32_t changed = 1;
    ScriptedPrompts prompts;
    ASSERT_TRUE(analyse.Start(flags, &changed));
    EXPECT_EQ(changed, 0);
    const std::vector<float> y = Spectrum(analyse, m_shipped, mixture);

    flags[3] = 0;
    changed = 1;
    EXPECT_EQ(analyse.GetSelectedCount(), 3);
    ASSERT_TRUE(analyse.Analyse(y.data()));
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(analyse.GetSelectedCount(), 2);
    ASSERT_EQ(FakeView::results.back().size(), 2u);
    EXPECT_NEAR(FakeView::results.back()[0], 3.0f, 0.05f); // nitrogen
    EXPECT_NEAR(FakeView::results.back()[1], 1.0f, 0.05f); // argon
}

TEST_F(AnalyseTest, IndistinguishableGasesGiveAMessageNotNumbers)
{
    struct Case
    {
        const char* what;
        std::vector<std::array<std::string, 3>> gases; // the first three are selected
    };
    const Case cases[] = {
        {"nitrogen and carbon monoxide with nothing but 28 and 29",
         {{"Nitrogen", "28 29 0 0 0 0 0 0 0 0", "100 0.73 0 0 0 0 0 0 0 0"},
          {"Carbon monoxide", "28 29 0 0 0 0 0 0 0 0", "33.3 0.2431 0 0 0 0 0 0 0 0"},
          {"Argon", "40 0 0 0 0 0 0 0 0 0", "1 0 0 0 0 0 0 0 0 0"}}},
        // The third pattern is the mean of the first two: rounding leaves a tiny pivot, not 0.
        {"one pattern a mix of two others",
         {{"A", "28 29 0 0 0 0 0 0 0 0", "100 10 0 0 0 0 0 0 0 0"},
          {"B", "28 29 0 0 0 0 0 0 0 0", "10 100 0 0 0 0 0 0 0 0"},
          {"C", "28 29 0 0 0 0 0 0 0 0", "55 55 0 0 0 0 0 0 0 0"}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        FakeView::results.clear();
        CLibrary library;
        std::vector<std::array<std::string, 3>> gases = c.gases;
        static std::string names[CAnalyse::kListSize];
        const char* list[CAnalyse::kListSize];
        for (int i = 0; i < CAnalyse::kListSize; ++i)
        {
            if (i >= 3)
                gases.push_back({"G" + std::to_string(i), std::to_string(40 + i) + " 0 0 0 0 0 0 0 0 0",
                                 "1 0 0 0 0 0 0 0 0 0"});
            names[i] = gases[i][0];
            list[i] = names[i].c_str();
        }
        ReadLibrary(library, gases);
        SetGasList(list);
        CAnalyse analyse(&library);
        int32_t flags[CAnalyse::kListSize] = {1, 1, 1};
        int32_t changed = 0;
        {
            ScriptedPrompts prompts;
            prompts.Expect("A nonfatal math error occured in the Analysis routine").Reply(IDOK);
            EXPECT_FALSE(analyse.Start(flags, &changed));
            ASSERT_EQ(prompts.Prompts().size(), 1u);
            EXPECT_EQ(prompts.Prompts()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
        }
        std::vector<float> y(analyse.GetMassCount(), 1.0f);
        EXPECT_FALSE(analyse.Analyse(y.data()));

        // A choice that can be told apart works again at the next sweep; the bad one was
        // reported once only (any further message would fail here).
        flags[1] = 0;
        changed = 1;
        ScriptedPrompts prompts;
        EXPECT_TRUE(analyse.Analyse(y.data()));
        EXPECT_EQ(analyse.GetSelectedCount(), 2);
        // No window was created by the failed start, so nothing was shown.
        EXPECT_TRUE(FakeView::results.empty());
    }
}

TEST_F(AnalyseTest, PatternRulesForTheMatrix)
{
    // "Dup" lists mass 4 twice: only the later slot counts. "Far" has a mass beyond every row.
    CLibrary library;
    std::vector<std::array<std::string, 3>> gases = {
        {"A", "2 0 0 0 0 0 0 0 0 0", "1 0 0 0 0 0 0 0 0 0"},
        {"Dup", "4 4 0 0 0 0 0 0 0 0", "25 75 0 0 0 0 0 0 0 0"},
        {"Far", "6 290 0 0 0 0 0 0 0 0", "50 50 0 0 0 0 0 0 0 0"}};
    static std::string names[CAnalyse::kListSize];
    const char* list[CAnalyse::kListSize] = {"A", "Dup", "Far"};
    for (int i = 3; i < CAnalyse::kListSize; ++i)
    {
        names[i] = "G" + std::to_string(i);
        gases.push_back({names[i], std::to_string(10 + i) + " 0 0 0 0 0 0 0 0 0", "1 0 0 0 0 0 0 0 0 0"});
        list[i] = names[i].c_str();
    }
    ReadLibrary(library, gases);
    SetGasList(list);
    CAnalyse analyse(&library);
    EXPECT_EQ(analyse.GetMassTableSize(), 291); // 290 is among Far's first three masses
    int32_t flags[CAnalyse::kListSize] = {1, 1, 1};
    int32_t changed = 0;
    ScriptedPrompts prompts;
    ASSERT_TRUE(analyse.Start(flags, &changed));
    std::vector<float> y(analyse.GetMassCount(), 0.0f);
    y[analyse.GetMassRow(2)] = 1.0f;
    y[analyse.GetMassRow(4)] = 0.75f;
    y[analyse.GetMassRow(6)] = 0.5f;
    y[analyse.GetMassRow(290)] = 0.5f;
    ASSERT_TRUE(analyse.Analyse(y.data()));
    EXPECT_NEAR(FakeView::results.back()[0], 1.0f, 1e-5f);
    EXPECT_NEAR(FakeView::results.back()[1], 1.0f, 1e-5f);
    EXPECT_NEAR(FakeView::results.back()[2], 1.0f, 1e-5f);
}

TEST(MatrixTest, PivotSearchTakesTheLastOfEqualLargest)
{
    struct Case
    {
        std::vector<std::vector<float>> a;
        std::vector<int> used;
        bool found;
        int row, column;
    };
    const Case cases[] = {
        {{{2, -2}, {1, 2}}, {0, 0}, true, 1, 1}, {{{2, -2}, {1, 2}}, {0, 1}, true, 0, 0},
        {{{0, 0}, {0, 0}}, {0, 0}, true, 1, 1},  {{{1, 5, 5}, {5, 0, 1}, {0, 0, 0}}, {0, 0, 0}, true, 1, 0},
        {{{1, 2}, {3, 4}}, {2, 0}, false, 0, 0},
    };
    for (const Case& c : cases)
    {
        const int n = static_cast<int>(c.a.size());
        std::vector<const float*> rows;
        for (const auto& r : c.a)
            rows.push_back(r.data());
        int row = -1, column = -1;
        EXPECT_EQ(MatrixFindPivot(rows.data(), n, c.used, row, column), c.found);
        if (c.found)
        {
            EXPECT_EQ(row, c.row);
            EXPECT_EQ(column, c.column);
        }
    }
}

TEST(MatrixTest, InvertsWithPivotingAndRefusesNearSingular)
{
    const float source[3][3] = {{0, 2, 1}, {1, 0, 3}, {4, -1, 0}};
    auto a = AllocMatrix(3, 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            a->Rows()[r][c] = source[r][c];
    ASSERT_TRUE(MatrixInvert(a->Rows(), 3));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
        {
            float sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += source[r][k] * a->Rows()[k][c];
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-5f);
        }

    // AᵀA of two proportional columns: singular in exact arithmetic, but rounding leaves a pivot
    // near 1e-8 instead of 0.
    auto a2 = AllocMatrix(2, 2), at2 = AllocMatrix(2, 2), s = AllocMatrix(2, 2);
    const float columns[2][2] = {{0.1f, 0.1f * 7.0f}, {0.2f, 0.2f * 7.0f}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            a2->Rows()[r][c] = columns[r][c];
    MatrixTranspose(a2->Rows(), at2->Rows(), 2, 2);
    MatrixMultiply(at2->Rows(), a2->Rows(), s->Rows(), 2, 2, 2);
    EXPECT_FALSE(MatrixInvert(s->Rows(), 2));
    auto z = AllocMatrix(2, 2);
    EXPECT_FALSE(MatrixInvert(z->Rows(), 2));
}

TEST_F(AnalyseTest, PicksPeaksUpToTheLastPointOfTheSweep)
{
    CAnalyse analyse(&m_shipped);
    const int ppa = 10, start = 1, stop = analyse.GetHighestMass();
    // The sweep ends exactly at the highest analysis mass; a window past it would overrun.
    std::vector<float> sweep((stop - start) * ppa + 1, 0.0f);
    for (int row = 0; row < analyse.GetMassCount(); ++row)
    {
        const int centre = (analyse.GetRowMass(row) - start) * ppa;
        // Peaks slightly off the mass, inside the window (3 before to 1 after).
        sweep[centre + (row % 2 ? -3 : (centre + 1 < static_cast<int>(sweep.size()) ? 1 : 0))] = 10.0f + row;
    }
    std::vector<float> values(analyse.GetMassCount());
    ASSERT_TRUE(analyse.PickValues(sweep.data(), static_cast<int>(sweep.size()), start, ppa, values.data()));
    for (int row = 0; row < analyse.GetMassCount(); ++row)
        EXPECT_FLOAT_EQ(values[row], 10.0f + row) << analyse.GetRowMass(row);

    // A sweep that stops short of the highest mass is refused, as the range rule says.
    EXPECT_FALSE(
        analyse.PickValues(sweep.data(), static_cast<int>(sweep.size()) - ppa, start, ppa, values.data()));
    // One point per amu: each mass is its own bar, and a peak never counts for the mass above.
    std::vector<float> bars(stop, 1.0f);
    bars[40 - 1] = 50.0f;
    ASSERT_TRUE(analyse.PickValues(bars.data(), stop, 1, 1, values.data()));
    EXPECT_FLOAT_EQ(values.back(), 1.0f);
    EXPECT_FLOAT_EQ(values[analyse.GetMassRow(40)], 50.0f);
    EXPECT_FLOAT_EQ(values[analyse.GetMassRow(41)], 1.0f);
}
