// The gas library: the reader of gaslib.dat with its checks and messages, the gases' peak lists,
// the library display's bars and stepping, the archive form, and the shipped gaslib.dat.
#include "analysis/Gas.h"
#include "analysis/Library.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kel::testkit::ScriptedPrompts;

namespace
{

class GasLibTest : public ::testing::Test
{
protected:
    std::string Write(const std::string& text, const std::string& name = "gaslib.dat")
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    kel::testkit::TempDir m_dir{"kel-gaslib-"};
};

const char* const kNitrogen = "\"Nitrogen\" 1.0\n28 14 29 0 0 0 0 0 0 0\n100 7.2 0.8 0 0 0 0 0 0 0\n";

std::string Block(const std::string& header, const std::string& masses = "28 14 29 0 0 0 0 0 0 0",
                  const std::string& intensities = "100 7.2 0.8 0 0 0 0 0 0 0")
{
    return header + "\n" + masses + "\n" + intensities + "\n";
}

struct BadFile
{
    const char* what;
    std::string text;
    const char* message; // part of the message shown
};

} // namespace

TEST_F(GasLibTest, ReadsValidFiles)
{
    struct Good
    {
        const char* what;
        std::string text;
        const char* name;
        float value1, value2;
    };
    const Good cases[] = {
        {"one value", std::string("1\n") + kNitrogen, "Nitrogen", 1.0f, 0.0f},
        {"two values and more", "1\n" + Block("\"Nitrogen\" 2.5 0.46 77"), "Nitrogen", 2.5f, 0.46f},
        {"trailing blank after the value", "1\n" + Block("\"Nitrogen\" 1.0 "), "Nitrogen", 1.0f, 0.0f},
        {"CR LF line ends",
         "1\r\n\"Nitrogen\" 1.0\r\n28 14 29 0 0 0 0 0 0 0\r\n100 7.2 0.8 0 0 0 0 0 0 0\r\n", "Nitrogen", 1.0f,
         0.0f},
        {"limits of the header values", "1\n" + Block("\"Nitrogen\" 0.1 100"), "Nitrogen", 0.1f, 100.0f},
        {"exponent", "1\n" + Block("\"Nitrogen\"\t1e1"), "Nitrogen", 10.0f, 0.0f},
        {"blank inside the name", "1\n" + Block("\"Carbon dioxide\" 1.4"), "Carbon dioxide", 1.4f, 0.0f},
        {"19-character name", "1\n" + Block("\"abcdefghijklmnopqrs\" 1"), "abcdefghijklmnopqrs", 1.0f, 0.0f},
        {"eleven masses, extra lines after the last block",
         "1 gases\n" + Block("\"Nitrogen\" 1", "28 14 29 0 0 0 0 0 0 0 99", "100 7.2 0.8 0 0 0 0 0 0 0 5") +
             "junk\n",
         "Nitrogen", 1.0f, 0.0f},
        {"no line end at the end", "1\n\"Nitrogen\" 1.0\n28 14 29 0 0 0 0 0 0 0\n100 7.2 0.8 0 0 0 0 0 0 0",
         "Nitrogen", 1.0f, 0.0f},
    };
    for (const Good& c : cases)
    {
        SCOPED_TRACE(c.what);
        ScriptedPrompts prompts;
        CLibrary library;
        ASSERT_TRUE(library.ReadLibraryPath(Write(c.text).c_str()));
        EXPECT_TRUE(library.IsLoaded());
        ASSERT_EQ(library.GetSize(), 1);
        CGas* gas = nullptr;
        ASSERT_TRUE(library.GetGasAt(0, gas));
        EXPECT_STREQ(gas->GetName(), c.name);
        EXPECT_FLOAT_EQ(gas->GetValue1(), c.value1);
        EXPECT_FLOAT_EQ(gas->GetValue2(), c.value2);
        EXPECT_EQ(gas->GetPeakCount(), 3);
        EXPECT_EQ(gas->GetMass(0), 28);
        EXPECT_NEAR(gas->GetIntensity(0), 100.0 / 108.0 * 100.0, 1e-4);
    }
}

TEST_F(GasLibTest, RefusesFaultyFilesNamingTheLine)
{
    const std::string longLine = "28 14 29 0 0 0 0 0 0 0" + std::string(190, ' ');
    const BadFile cases[] = {
        {"empty file", "", "Unexpected end of file:  \""},
        {"count not a number", "abc\n", "Line 1: the gas count is not a number"},
        {"count 0", std::string("0\n") + kNitrogen, "Line 1: the gas count 0 is outside 1..1000"},
        {"count 1001", std::string("1001\n") + kNitrogen, "Line 1: the gas count 1001 is outside 1..1000"},
        {"count line too long", "1" + std::string(30, ' ') + "\n" + kNitrogen, "Line 1: the line is longer"},
        {"three gases, two blocks", std::string("3\n") + kNitrogen + kNitrogen,
         "The header line of gas 3 of 3 is missing"},
        {"block cut short", "1\n\"Nitrogen\" 1.0\n28 14 29 0 0 0 0 0 0 0\n",
         "The intensity line of gas 1 of 1 is missing"},
        {"blank before the quote", "1\n" + Block(" \"Nitrogen\" 1.0"),
         "Line 2: the gas header does not begin"},
        {"no closing quote", "1\n" + Block("\"Nitrogen 1.0"), "Line 2: the gas name has no closing"},
        {"empty name", "1\n" + Block("\"\" 1.0"), "Line 2: the gas name is empty"},
        {"name of 20 characters", "1\n" + Block("\"abcdefghijklmnopqrst\" 1"),
         "Line 2: the gas name is longer"},
        {"name beginning with NUL", "1\n" + Block(std::string("\"\0Nitrogen\" 1", 13)),
         "Line 2: the gas name holds a NUL character"},
        {"NUL inside the name", "1\n" + Block(std::string("\"Nitro\0gen\" 1", 13)),
         "Line 2: the gas name holds a NUL character"},
        {"no value", "1\n" + Block("\"Nitrogen\"   "), "Line 2: no value follows"},
        {"value 0.09", "1\n" + Block("\"Nitrogen\" 0.09"), "Line 2: header value 0.09 is outside 0.1..100"},
        {"value 100.01", "1\n" + Block("\"Nitrogen\" 1 100.01"), "Line 2: header value 100.01 is outside"},
        {"value not a number", "1\n" + Block("\"Nitrogen\" 1.0x"), "Line 2: header value \"1.0x\" is not"},
        {"nine masses", "1\n" + Block("\"Nitrogen\" 1", "28 14 29 0 0 0 0 0 0"),
         "Line 3: the mass line holds 9"},
        {"mass 301", "1\n" + Block("\"Nitrogen\" 1", "301 14 29 0 0 0 0 0 0 0"),
         "Line 3: mass 301 is outside"},
        {"negative mass", "1\n" + Block("\"Nitrogen\" 1", "28 -14 29 0 0 0 0 0 0 0"),
         "Line 3: mass -14 is outside"},
        {"mass not a number", "1\n" + Block("\"Nitrogen\" 1", "28 1.4 29 0 0 0 0 0 0 0"),
         "Line 3: mass \"1.4\""},
        {"nine intensities", "1\n" + Block("\"Nitrogen\" 1", "28 14 29 0 0 0 0 0 0 0", "100 7 1 0 0 0 0 0 0"),
         "Line 4: the intensity line holds 9"},
        {"intensity 100.5",
         "1\n" + Block("\"Nitrogen\" 1", "28 14 29 0 0 0 0 0 0 0", "100.5 7 1 0 0 0 0 0 0 0"),
         "Line 4: intensity 100.5 is outside"},
        {"all intensities 0",
         "1\n" + Block("\"Nitrogen\" 1", "28 14 29 0 0 0 0 0 0 0", "0 0 0 0 0 0 0 0 0 0"),
         "Line 4: the intensities are all 0"},
        {"over-long mass line", "1\n" + Block("\"Nitrogen\" 1", longLine),
         "Line 3: the line is longer than 198"},
        {"fault in the second gas",
         std::string("2\n") + kNitrogen + Block("\"Argon\" 1", "40 20 0 0 0 0 0 0 0"),
         "Line 6: the mass line holds 9"},
    };
    for (const BadFile& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string path = Write(c.text);
        ScriptedPrompts prompts;
        prompts.Expect(c.message).Reply(IDOK);
        CLibrary library;
        EXPECT_FALSE(library.ReadLibraryPath(path.c_str()));
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_EQ(library.GetSize(), 0);
        const auto shown = prompts.Prompts();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].text.find(path), std::string::npos) << shown[0].text;
        EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    }
}

TEST_F(GasLibTest, KeepsMassesBehindAZeroAndRescalesIntensities)
{
    ScriptedPrompts prompts;
    CLibrary library;
    ASSERT_TRUE(library.ReadLibraryPath(
        Write("2\n" + Block("\"Carbon dioxide\" 1.4", "44 28 0 16 0 0 0 0 0 0", "50 25 0 25 0 0 0 0 0 0") +
              Block("\"Half\" 1", "10 20 0 0 0 0 0 0 0 0", "10 10 0 0 0 0 0 0 0 0"))
            .c_str()));
    CGas* co2 = nullptr;
    ASSERT_TRUE(library.GetGasAt(0, co2));
    EXPECT_EQ(co2->GetPeakCount(), 2);
    EXPECT_TRUE(co2->HasMass(16));
    EXPECT_FALSE(co2->HasMass(12));
    EXPECT_TRUE(co2->IsMainMass(44));
    EXPECT_FALSE(co2->IsMainMass(28));
    std::vector<PeakRecord> peaks{{1, 1.0}};
    co2->GetPeaks(peaks);
    ASSERT_EQ(peaks.size(), 3u);
    EXPECT_EQ(peaks[2].mass, 16);
    EXPECT_DOUBLE_EQ(peaks[2].intensity, 25.0);
    CString masses, intensities;
    co2->FormatPeaks(masses, intensities);
    EXPECT_STREQ(masses, "44 28 16 ");
    EXPECT_STREQ(intensities, "50.0 25.0 25.0 ");
    char name[CGas::kMaxName + 1];
    co2->GetName(name);
    EXPECT_STREQ(name, "Carbon dioxide");

    CGas* half = nullptr;
    ASSERT_TRUE(library.GetGasAt(1, half));
    EXPECT_FLOAT_EQ(half->GetIntensity(0), 50.0f);
    EXPECT_FLOAT_EQ(half->GetIntensity(1), 50.0f);
    EXPECT_EQ(half->GetIndex(), 1);
    EXPECT_FALSE(library.GetGasAt(2, half));
    EXPECT_FALSE(library.GetGasAt(-1, half));
}

TEST_F(GasLibTest, LooksNamesUpExactly)
{
    ScriptedPrompts prompts;
    CLibrary library;
    ASSERT_TRUE(library.ReadLibraryPath(
        Write("2\n" + Block("\"Nitrogen\" 1") + Block("\"Argon\" 1", "40 20 0 0 0 0 0 0 0 0")).c_str()));
    CStringArray names;
    names.Add("stale");
    library.GetGasNames(names);
    ASSERT_EQ(names.GetSize(), 2);
    EXPECT_STREQ(names[1], "Argon");

    CStringArray wanted;
    CObArray patterns;
    EXPECT_TRUE(library.GetPatterns(wanted, patterns));
    wanted.Add("Argon");
    wanted.Add("Nitrogen");
    patterns.SetSize(2);
    ASSERT_TRUE(library.GetPatterns(wanted, patterns));
    EXPECT_STREQ(static_cast<CGas*>(patterns[0])->GetName(), "Argon");
    EXPECT_STREQ(static_cast<CGas*>(patterns[1])->GetName(), "Nitrogen");
    wanted[1] = "nitrogen";
    EXPECT_FALSE(library.GetPatterns(wanted, patterns));

    CLibrary empty;
    EXPECT_FALSE(empty.GetPatterns(wanted, patterns));
}

TEST_F(GasLibTest, MissingFileOffersAnotherOnce)
{
    const std::string other = Write(std::string("1\n") + kNitrogen, "other.dat");
    const std::string missingDir = (m_dir / "nowhere").string();
    {
        ScriptedPrompts prompts;
        prompts.Expect("Could not open file \"" + missingDir + "/gaslib.dat\"\n").Reply(IDOK);
        prompts.Expect("", kel::PromptKind::FileOpen).Reply(IDCANCEL);
        CLibrary library;
        EXPECT_FALSE(library.ReadLibraryFile(missingDir.c_str()));
        EXPECT_EQ(prompts.Prompts()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
        EXPECT_EQ(prompts.Prompts()[1].filter, "Library Files (*.dat) | *.dat||");
    }
    {
        ScriptedPrompts prompts;
        prompts.Expect("Could not open file").Reply(IDOK);
        prompts.Expect("", kel::PromptKind::FileOpen).ReplyPath(other);
        CLibrary library;
        EXPECT_TRUE(library.ReadLibraryFile((missingDir + "/").c_str()));
        EXPECT_EQ(library.GetSize(), 1);
    }
    {
        ScriptedPrompts prompts;
        prompts.Expect("Could not open file").Reply(IDOK).Times(2);
        prompts.Expect("", kel::PromptKind::FileOpen).ReplyPath((m_dir / "gone.dat").string());
        CLibrary library;
        EXPECT_FALSE(library.ReadLibraryFile(missingDir.c_str()));
    }
}

TEST_F(GasLibTest, ShippedLibraryLoadsCleanly)
{
    ScriptedPrompts prompts; // any message fails the test
    CLibrary library;
    ASSERT_TRUE(library.ReadLibraryFile(KEL_GASLIB_DIR));
    ASSERT_GE(library.GetSize(), 30);
    std::set<std::string> names;
    for (int i = 0; i < library.GetSize(); ++i)
    {
        CGas* gas = nullptr;
        ASSERT_TRUE(library.GetGasAt(i, gas));
        SCOPED_TRACE(gas->GetName().GetString());
        EXPECT_TRUE(names.insert(gas->GetName().GetString()).second);
        EXPECT_GE(gas->GetPeakCount(), 1);
        float sum = 0.0f;
        for (int s = 0; s < CGas::kSlots; ++s)
            sum += gas->GetIntensity(s);
        EXPECT_NEAR(sum, 100.0f, 1e-3f);
        // Strongest first: the main mass carries the largest intensity.
        for (int s = 1; s < gas->GetPeakCount(); ++s)
            EXPECT_LE(gas->GetIntensity(s), gas->GetIntensity(0));
    }
    for (const char* name : {"Hydrogen", "Helium", "Methane", "Water", "Nitrogen", "Oxygen",
                             "Carbon monoxide", "NO", "Neon", "Argon", "Carbon dioxide", "MP Oil"})
        EXPECT_TRUE(names.count(name)) << name;
}

namespace
{

struct FakeHost : CLibraryHost
{
    BOOL libraryMode = TRUE;
    BOOL displayCurrent = TRUE;
    int entered = 0;
    BOOL IsLibraryMode() override { return libraryMode; }
    void EnterLibraryMode() override { ++entered; }
    BOOL IsLibraryDisplayCurrent() override { return displayCurrent; }
};

struct FakeDisplay : CDisplay
{
    std::vector<std::string> shown;
    std::vector<float> lastBars;
    void UpdateData(void* record, int arg) override
    {
        EXPECT_EQ(arg, 0);
        const auto* bars = static_cast<LibraryBarRecord*>(record);
        shown.push_back(bars->name);
        lastBars.assign(bars->bars, bars->bars + 50);
    }
    int ReadData(float*, int) override { return 0; }
    int BuildPage() override { return 1; }
    int rebuilt = 0;
    BOOL Rebuild() override
    {
        ++rebuilt;
        return TRUE;
    }
};

class HostScope
{
public:
    explicit HostScope(CLibraryHost* host) : m_previous(CLibrary::SetHost(host)) {}
    ~HostScope() { CLibrary::SetHost(m_previous); }

private:
    CLibraryHost* m_previous;
};

} // namespace

TEST_F(GasLibTest, ShowsBarsAndStepsThroughTheGases)
{
    ScriptedPrompts prompts;
    CAnalogData range;
    range.m_startMass = 1;
    range.m_stopMass = 50;
    range.m_barScale = 2.0f;
    CLibrary library(&range);
    ASSERT_TRUE(library.ReadLibraryPath(
        Write("3\n" + Block("\"A\" 1", "1 51 50 0 0 0 0 0 0 0", "50 25 25 0 0 0 0 0 0 0") +
              Block("\"B\" 1", "2 0 0 0 0 0 0 0 0 0", "1 0 0 0 0 0 0 0 0 0") +
              Block("\"C\" 1", "3 0 0 0 0 0 0 0 0 0", "1 0 0 0 0 0 0 0 0 0"))
            .c_str()));
    FakeHost host;
    HostScope scope(&host);
    FakeDisplay display;
    library.SetDisplay(&display);
    ASSERT_EQ(display.shown, std::vector<std::string>{"A"});
    // Mass 1 is bar 0, mass 50 the last bar, mass 51 is outside the range.
    EXPECT_FLOAT_EQ(display.lastBars[0], 50.0f * 2.0f * 0.01f);
    EXPECT_FLOAT_EQ(display.lastBars[49], 25.0f * 2.0f * 0.01f);
    EXPECT_FLOAT_EQ(library.GetBars()[50], 0.0f);

    library.PreviousGas();
    library.PreviousGas();
    library.NextGas();
    library.NextGas();
    EXPECT_EQ(display.shown, (std::vector<std::string>{"A", "C", "B", "C", "A"}));

    CGas* b = nullptr;
    ASSERT_TRUE(library.GetGasAt(1, b));
    library.ShowGas(b);
    EXPECT_EQ(library.GetCurrentGas(), 1);
    EXPECT_FLOAT_EQ(display.lastBars[1], 2.0f);
    EXPECT_FLOAT_EQ(display.lastBars[0], 0.0f);

    // A new mass range rebuilds the display and shows the current gas over it; a bad one is refused.
    EXPECT_FALSE(library.ApplyScanParameters(0, 50));
    EXPECT_FALSE(library.ApplyScanParameters(20, 301));
    EXPECT_FALSE(library.ApplyScanParameters(30, 20));
    EXPECT_EQ(display.rebuilt, 0);
    ASSERT_TRUE(library.ApplyScanParameters(2, 40));
    EXPECT_EQ(range.m_pointCount, 39);
    EXPECT_EQ(display.rebuilt, 1);
    EXPECT_EQ(display.shown.back(), "B");
    EXPECT_FLOAT_EQ(display.lastBars[0], 2.0f); // mass 2 is now bar 0
    display.shown.pop_back();

    // Outside library mode the document is asked to switch, and nothing is stepped.
    host.libraryMode = FALSE;
    library.NextGas();
    library.ShowGas(nullptr);
    EXPECT_EQ(host.entered, 1);
    EXPECT_EQ(display.shown.size(), 6u);
    library.SetDisplay(nullptr);
}

TEST_F(GasLibTest, ArchiveRoundTrip)
{
    ScriptedPrompts prompts;
    CAnalogData range;
    range.m_startMass = 2;
    range.m_stopMass = 60;
    range.m_pointCount = 59;
    range.m_barScale = 3.0f;
    CLibrary library(&range);
    ASSERT_TRUE(library.ReadLibraryPath(
        Write("2\n" +
              Block("\"Carbon dioxide\" 1.4 0.7", "44 28 0 16 0 0 0 0 0 0", "50 25 0 25 0 0 0 0 0 0") +
              Block("\"Argon\" 1", "40 20 0 0 0 0 0 0 0 0"))
            .c_str()));
    FakeHost host;
    host.displayCurrent = FALSE;
    HostScope scope(&host);
    FakeDisplay display;
    library.SetDisplay(&display);
    library.NextGas();

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        library.Serialize(ar);
        ar.Close();
    }
    // A display that is no longer the document's current one is not kept.
    EXPECT_EQ(library.GetDisplay(), nullptr);

    file.SeekToBegin();
    CLibrary loaded;
    {
        CArchive ar(&file, CArchive::load);
        loaded.Serialize(ar);
    }
    std::unique_ptr<CAnalogData> loadedRange(loaded.GetRangeSettings());
    ASSERT_TRUE(loadedRange);
    EXPECT_EQ(loadedRange->m_startMass, 2);
    EXPECT_EQ(loadedRange->m_stopMass, 60);
    EXPECT_EQ(loadedRange->m_pointCount, 59);
    EXPECT_FLOAT_EQ(loadedRange->m_barScale, 3.0f);
    EXPECT_EQ(loaded.GetDisplay(), nullptr);
    EXPECT_TRUE(loaded.IsLoaded());
    EXPECT_EQ(loaded.GetCurrentGas(), 1);
    ASSERT_EQ(loaded.GetSize(), 2);
    for (int i = 0; i < 2; ++i)
    {
        CGas *a = nullptr, *b = nullptr;
        library.GetGasAt(i, a);
        loaded.GetGasAt(i, b);
        EXPECT_STREQ(a->GetName(), b->GetName());
        EXPECT_EQ(a->GetPeakCount(), b->GetPeakCount());
        EXPECT_EQ(a->GetValue1(), b->GetValue1());
        EXPECT_EQ(a->GetValue2(), b->GetValue2());
        EXPECT_EQ(a->GetIndex(), b->GetIndex());
        for (int s = 0; s < CGas::kSlots; ++s)
        {
            EXPECT_EQ(a->GetMass(s), b->GetMass(s));
            EXPECT_EQ(a->GetIntensity(s), b->GetIntensity(s));
        }
    }
    for (int i = 0; i < CLibrary::kMaxBars; ++i)
        ASSERT_EQ(library.GetBars()[i], loaded.GetBars()[i]) << i;
}

TEST_F(GasLibTest, AnEmptyGasEntryInADamagedFileIsDropped)
{
    ScriptedPrompts prompts;
    CLibrary library;
    ASSERT_TRUE(
        library.ReadLibraryPath(Write("1\n" + Block("\"Argon\" 1", "40 20 0 0 0 0 0 0 0 0")).c_str()));
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        library.Serialize(ar);
        ar.Close();
    }
    // Two entries where one was stored: a null object first, then the gas.
    const auto length = static_cast<UINT>(file.GetLength());
    std::vector<BYTE> bytes(length);
    file.SeekToBegin();
    file.Read(bytes.data(), length);
    ASSERT_EQ(bytes[0], 1);
    bytes[0] = 2;
    bytes.insert(bytes.begin() + 2, {0, 0});
    CMemFile damaged(bytes.data(), static_cast<UINT>(bytes.size()));
    CLibrary loaded;
    {
        CArchive ar(&damaged, CArchive::load);
        loaded.Serialize(ar);
    }
    ASSERT_EQ(loaded.GetSize(), 1);
    CStringArray names;
    loaded.GetGasNames(names);
    ASSERT_EQ(names.GetSize(), 1);
    EXPECT_STREQ(names[0], "Argon");
}

namespace
{

// The bytes a document archive holds for the library as an object: CLibrary is index 1, the
// library 2, CGas 3, the first gas 4.
std::vector<BYTE> StoredLibrary(CLibrary& library)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<const CObject*>(&library);
        ar.Close();
    }
    std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}

int LoadCause(std::vector<BYTE> bytes)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    try
    {
        CArchive ar(&file, CArchive::load);
        delete ar.ReadObject(RUNTIME_CLASS(CLibrary));
    }
    catch (CArchiveException* e)
    {
        const int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return CArchiveException::none;
}

} // namespace

TEST_F(GasLibTest, ADamagedDocumentListingAGasTwiceIsRefused)
{
    // The library owns its gases: a second entry referring back to the first would be owned, and
    // freed, twice (AddressSanitizer checks). The document file is refused as damaged instead.
    ScriptedPrompts prompts;
    CLibrary library;
    ASSERT_TRUE(library.ReadLibraryPath(Write("1\n" + Block("\"Ar\" 1", "40 20 0 0 0 0 0 0 0 0")).c_str()));
    const std::vector<BYTE> stored = StoredLibrary(library);
    const size_t countAt = 2 + 2 + 2 + 8; // after the class tag, schema, name length and "CLibrary"
    ASSERT_EQ(stored[countAt], 1);
    const size_t gasEnd = countAt + 2 + 10 + 3 + 4 + 8 + 40 + 40 + 4; // count, CGas tag, "Ar", fields

    std::vector<BYTE> twice(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(gasEnd));
    twice[countAt] = 2;
    twice.insert(twice.end(), {0x04, 0x00}); // the same gas again
    EXPECT_EQ(LoadCause(twice), CArchiveException::badIndex) << "cut after the second entry";
    twice.insert(twice.end(), stored.begin() + static_cast<std::ptrdiff_t>(gasEnd), stored.end());
    EXPECT_EQ(LoadCause(twice), CArchiveException::badIndex) << "the whole library after it";
    EXPECT_EQ(LoadCause(stored), CArchiveException::none);
}

TEST_F(GasLibTest, AGasNameWithANulInADocumentIsRefused)
{
    // Cut at the NUL the gas could no longer be shown or found by its name.
    ScriptedPrompts prompts;
    CLibrary library;
    ASSERT_TRUE(library.ReadLibraryPath(Write("1\n" + Block("\"Ar\" 1", "40 20 0 0 0 0 0 0 0 0")).c_str()));
    std::vector<BYTE> bytes = StoredLibrary(library);
    const BYTE name[] = {2, 'A', 'r'};
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(name), std::end(name));
    ASSERT_NE(at, bytes.end());
    for (const BYTE nul : {1, 2})
    {
        std::vector<BYTE> damaged = bytes;
        damaged[static_cast<size_t>(at - bytes.begin()) + nul] = 0;
        EXPECT_EQ(LoadCause(damaged), CArchiveException::genericException);
    }
}
