// The document file: a round trip gives the same bytes, a damaged file is refused with a message
// and changes nothing, a failed save leaves the old file whole, and the loaded words are checked.
#include "doc/KelDoc.h"

#include "analysis/Library.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "scans/AnalogScan.h"
#include "testkit/Faults.h"
#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "units/Units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using kel::testkit::ScriptedPrompts;
using kel::testkit::TempDir;

static bool g_failStore = false;

// A display kind for the tests: stores its kind code; its store can be made to fail.
class CTestDisplay : public CDisplay
{
    DECLARE_SERIAL(CTestDisplay)
public:
    CTestDisplay() { m_nKind = 1; }
    explicit CTestDisplay(int kind) { m_nKind = kind; }
    void UpdateData(void*, int) override {}
    int ReadData(float*, int) override { return 0; }
    BOOL Rebuild() override { return 1; }
    int BuildPage() override { return 1; }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
        {
            if (g_failStore)
                AfxThrowFileException(CFileException::diskFull);
            ar << static_cast<LONG>(m_nKind);
        }
        else
        {
            LONG kind = 0;
            ar >> kind;
            m_nKind = kind;
        }
        CDisplay::Serialize(ar);
    }
};
IMPLEMENT_SERIAL(CTestDisplay, CDisplay, 1)

namespace
{

std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class KelDocTest : public ::testing::Test
{
protected:
    void TearDown() override { g_failStore = false; }

    // A new document; the caller closes it.
    static CKelDoc* NewDoc()
    {
        auto* doc = new CKelDoc;
        doc->m_bAutoDelete = FALSE;
        EXPECT_TRUE(doc->OnNewDocument());
        return doc;
    }
    static void Close(CKelDoc* doc)
    {
        doc->OnCloseDocument();
        delete doc;
    }

    TempDir m_dir{"keldoc-"};
};

TEST_F(KelDocTest, AnUnchangedDocumentStoredAgainGivesTheSameBytes)
{
    CKelDoc* doc = NewDoc();
    doc->m_nCursorColor = 7;
    doc->m_optionWords[3] = -5;
    doc->m_strings[2] = "note";
    doc->m_fPrintTop = 0.25f;
    const auto first = m_dir / "first.kel";
    ASSERT_TRUE(doc->OnSaveDocument(first.c_str()));
    Close(doc);

    CKelDoc* loaded = NewDoc();
    ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
    EXPECT_EQ(loaded->m_bOpenedFromFile, 1);
    EXPECT_EQ(loaded->m_nCursorColor, 7);
    EXPECT_EQ(loaded->m_strings[2], "note");
    // Without display and scan the document still has its models, bound to the loaded head.
    EXPECT_EQ(loaded->GetCurrentDisplay(), nullptr);
    EXPECT_EQ(loaded->GetCurrentScan(), nullptr);
    ASSERT_NE(loaded->GetUnits(), nullptr);
    EXPECT_EQ(loaded->GetUnits()->m_pHead, loaded->GetHead());
    if (loaded->GetLibrary())
    {
        EXPECT_EQ(loaded->GetLibrary()->GetRangeSettings(), loaded->GetAnalogSettings(4));
    }
    const auto second = m_dir / "second.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));
    Close(loaded);

    const auto a = ReadBytes(first), b = ReadBytes(second);
    ASSERT_GT(a.size(), 100u);
    ASSERT_EQ(a.size(), b.size());
    const auto diff = std::mismatch(a.begin(), a.end(), b.begin());
    EXPECT_EQ(diff.first, a.end()) << "first difference at byte " << (diff.first - a.begin());
}

TEST_F(KelDocTest, TheStoredDisplayIsFiledByItsKindAndSetsTheMode)
{
    struct Case
    {
        int kind;
        int mode; // after the load; the split display keeps the stored mode
    } cases[] = {{1, 0}, {2, 4}, {3, 2}, {5, 1}, {7, 3}, {8, 7}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.kind);
        CKelDoc* doc = NewDoc();
        doc->m_nMode = 3;
        auto* display = new CTestDisplay(c.kind);
        doc->SetDisplayOfKind(display);
        doc->SetCurrentDisplay(display);
        const auto path = m_dir / "display.kel";
        ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
        Close(doc);

        CKelDoc* loaded = NewDoc();
        ASSERT_TRUE(loaded->OnOpenDocument(path.c_str()));
        ASSERT_NE(loaded->GetCurrentDisplay(), nullptr);
        EXPECT_EQ(loaded->GetCurrentDisplay(), loaded->GetDisplayOfKind(c.kind));
        EXPECT_EQ(loaded->m_nMode, c.mode);
        Close(loaded);
    }
}

TEST_F(KelDocTest, ADocumentWithItsDisplayAndScanComesBackBoundToItsOwnObjects)
{
    CKelDoc* doc = NewDoc();
    auto* display = new CTestDisplay(1);
    doc->SetDisplayOfKind(display);
    doc->SetCurrentDisplay(display);
    doc->SetCurrentScan(new CAnalogScan(doc->GetAnalogSettings(0), doc->GetHead(), display));
    const auto first = m_dir / "scan.kel";
    ASSERT_TRUE(doc->OnSaveDocument(first.c_str()));
    Close(doc);

    CKelDoc* loaded = NewDoc();
    ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
    auto* scan = dynamic_cast<CAnalogScan*>(loaded->GetCurrentScan());
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->GetAnalogData(), loaded->GetAnalogSettings(0));
    EXPECT_EQ(scan->m_pHead, loaded->GetHead());
    EXPECT_EQ(scan->m_pDisplay, loaded->GetCurrentDisplay());
    EXPECT_EQ(loaded->m_nMode, 0);
    const auto second = m_dir / "scan2.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));
    // Destroyed without a close (the head the file brought goes last).
    const int open = CKelDoc::GetOpenDocumentCount();
    delete loaded;
    EXPECT_EQ(CKelDoc::GetOpenDocumentCount(), open - 1);
    EXPECT_EQ(ReadBytes(first), ReadBytes(second));
}

TEST_F(KelDocTest, OutOfRangeCursorWordsAreClampedOnLoad)
{
    struct Case
    {
        int colour, width, type;
        int wantColour, wantWidth, wantType;
    } cases[] = {{20, 5, 5, 0, 0, 0}, {19, 4, 4, 19, 4, 4}, {-1, -1, 8, 0, 0, 0}};
    for (const Case& c : cases)
    {
        CKelDoc* doc = NewDoc();
        doc->m_nCursorColor = c.colour;
        doc->m_nCursorWidth = c.width;
        doc->m_nCursorType = c.type;
        const auto path = m_dir / "cursor.kel";
        ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
        Close(doc);
        CKelDoc* loaded = NewDoc();
        ASSERT_TRUE(loaded->OnOpenDocument(path.c_str()));
        EXPECT_EQ(loaded->m_nCursorColor, c.wantColour);
        EXPECT_EQ(loaded->m_nCursorWidth, c.wantWidth);
        EXPECT_EQ(loaded->m_nCursorType, c.wantType);
        Close(loaded);
    }
}

TEST_F(KelDocTest, ADamagedFileIsRefusedAndTheDocumentKeepsWhatItHad)
{
    CKelDoc* doc = NewDoc();
    auto* display = new CTestDisplay(1);
    doc->SetDisplayOfKind(display);
    doc->SetCurrentDisplay(display);
    const auto good = m_dir / "good.kel";
    ASSERT_TRUE(doc->OnSaveDocument(good.c_str()));
    Close(doc);
    const std::vector<char> bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 200u);

    std::vector<std::pair<std::string, std::vector<char>>> damaged;
    for (size_t n :
         {size_t(0), size_t(1), size_t(4), size_t(40), bytes.size() / 2, bytes.size() - 4, bytes.size() - 1})
        damaged.emplace_back("cut at " + std::to_string(n),
                             std::vector<char>(bytes.begin(), bytes.begin() + n));
    // Class tags and names overwritten: the first object's tag, a class name, a late object tag.
    for (size_t at : {size_t(0), size_t(1), size_t(6), bytes.size() / 3, bytes.size() / 2})
    {
        auto copy = bytes;
        for (size_t i = at; i < at + 4 && i < copy.size(); ++i)
            copy[i] = static_cast<char>(0xFF);
        damaged.emplace_back("0xFF at " + std::to_string(at), copy);
    }
    {
        auto copy = bytes;
        const std::string name = "CUnits";
        auto it = std::search(copy.begin(), copy.end(), name.begin(), name.end());
        ASSERT_NE(it, copy.end());
        it[1] = 'X'; // a class nobody knows
        damaged.emplace_back("unknown class", copy);
    }

    CKelDoc* target = NewDoc();
    target->m_nMode = 5;
    target->m_strings[0] = "kept";
    CUnits* units = target->GetUnits();
    CHead* head = target->GetHead();
    for (const auto& [what, data] : damaged)
    {
        SCOPED_TRACE(what);
        const auto path = m_dir / "damaged.kel";
        WriteBytes(path, data);
        {
            ScriptedPrompts prompts;
            prompts.Expect("").Reply(IDOK);
            EXPECT_FALSE(target->OnOpenDocument(path.c_str()));
        }
        EXPECT_EQ(target->GetUnits(), units);
        EXPECT_EQ(target->GetHead(), head);
        EXPECT_EQ(target->m_nMode, 5);
        EXPECT_EQ(target->m_strings[0], "kept");
        EXPECT_EQ(target->GetCurrentDisplay(), nullptr);
    }
    Close(target);
}

TEST_F(KelDocTest, AFailedSaveLeavesTheOldFileWhole)
{
    CKelDoc* doc = NewDoc();
    const auto path = m_dir / "kept.kel";
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    const auto before = ReadBytes(path);

    auto* display = new CTestDisplay(1);
    doc->SetDisplayOfKind(display);
    doc->SetCurrentDisplay(display);
    g_failStore = true;
    {
        ScriptedPrompts prompts;
        prompts.Expect("").Reply(IDOK);
        EXPECT_FALSE(doc->OnSaveDocument(path.c_str()));
    }
    EXPECT_EQ(ReadBytes(path), before);
    // No temporary file is left beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
    Close(doc);
}

// Only the document itself in the folder (no temporary left beside it).
int FilesIn(const std::filesystem::path& folder)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files += entry.is_regular_file() ? 1 : 0;
    return files;
}

TEST_F(KelDocTest, ASaveOnAFullDiskSaysSoAndLeavesTheOldFileWhole)
{
    CKelDoc* doc = NewDoc();
    const auto path = m_dir / "kept.kel";
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    const auto before = ReadBytes(path);
    ASSERT_GT(before.size(), 64u);
    doc->SetModifiedFlag(TRUE);
    {
        ScriptedPrompts prompts;
        prompts.Expect("The disk is full").Reply(IDOK);
        kel::testkit::FileSizeLimit limit(before.size() / 2);
        EXPECT_FALSE(doc->OnSaveDocument(path.c_str()));
    }
    EXPECT_TRUE(doc->IsModified()) << "nothing was saved";
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(FilesIn(m_dir.path()), 1);
    EXPECT_TRUE(doc->OnSaveDocument(path.c_str())) << "with room again the save goes through";
    Close(doc);
}

TEST_F(KelDocTest, ASaveKilledAtAnyPointLeavesTheOldFileOrTheNewOneWhole)
{
    CKelDoc* doc = NewDoc();
    const auto path = m_dir / "doc.kel";
    const auto other = m_dir / "other.kel";
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    const auto before = ReadBytes(path);
    auto* display = new CTestDisplay(1);
    doc->SetDisplayOfKind(display);
    doc->SetCurrentDisplay(display);
    ASSERT_TRUE(doc->OnSaveDocument(other.c_str()));
    const auto after = ReadBytes(other);
    ASSERT_NE(before, after);
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE(round);
        WriteBytes(path, before);
        EXPECT_TRUE(kel::testkit::KillWhileRunning([&] { doc->OnSaveDocument(path.c_str()); },
                                                   static_cast<int>(random() % 20000)));
        const auto now = ReadBytes(path);
        EXPECT_TRUE(now == before || now == after) << now.size() << " bytes";
    }
    Close(doc);
}

TEST_F(KelDocTest, ThePressureReductionFactorComesFromTheProfileAndGoesBackOnClose)
{
    kel::testkit::ScopedSettings settings;
    CWinApp app("kelmon");
    app.SetRegistryKey("Test KelDoc");
    app.WriteProfileString("Pressure Reduction", "PR Factor", "0.5");
    CKelDoc* doc = NewDoc();
    EXPECT_FLOAT_EQ(doc->GetUnits()->m_fReductionFactor, 0.5f);
    doc->GetUnits()->m_fReductionFactor = 2.5f;
    Close(doc);
    EXPECT_EQ(std::string(app.GetProfileString("Pressure Reduction", "PR Factor")), "2.5000e+00");
}

TEST_F(KelDocTest, EachScanKindHasItsOwnLoggingRecord)
{
    CKelDoc doc;
    // Records: analog, leak, P-vs-T, table, annunciator, histogram, split.
    const int records[] = {SCAN_KIND_ANALOG, SCAN_KIND_LEAK,      SCAN_KIND_PVST, SCAN_KIND_TABLE,
                           SCAN_KIND_PANEL,  SCAN_KIND_HISTOGRAM, SCAN_KIND_SPLIT};
    for (int i = 0; i < CKelDoc::kLogSettings; ++i)
        EXPECT_EQ(&doc.GetLogSettings(records[i]), &doc.m_logSettings[i]) << records[i];
}

TEST_F(KelDocTest, ANinthDocumentIsRefused)
{
    std::vector<CKelDoc*> docs;
    const int before = CKelDoc::GetOpenDocumentCount();
    for (int i = before; i < CKelDoc::kMaxDocuments; ++i)
        docs.push_back(NewDoc());
    auto* ninth = new CKelDoc;
    ninth->m_bAutoDelete = FALSE;
    {
        ScriptedPrompts prompts;
        prompts.Expect("Maximum number of KEL windows reached").Reply(IDOK);
        EXPECT_FALSE(ninth->OnNewDocument());
    }
    Close(ninth);
    EXPECT_EQ(CKelDoc::GetOpenDocumentCount(), CKelDoc::kMaxDocuments);
    for (CKelDoc* d : docs)
        Close(d);
    EXPECT_EQ(CKelDoc::GetOpenDocumentCount(), before);
}

} // namespace
