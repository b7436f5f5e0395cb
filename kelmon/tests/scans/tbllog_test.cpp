// The table scan's binary log (.tbl): the header and records byte for byte, the maximum and the
// interval, viewing with wrap-around, and every reason the reader refuses a file.
#include "ChannelTestSupport.h"

#include <cstring>

using namespace scantest;
using kel::PromptKind;

namespace
{

using Bytes = std::vector<unsigned char>;

void Put(Bytes& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void PutFloat(Bytes& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    Put(out, bits);
}

void PutText(Bytes& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
}

struct Channel
{
    std::string name;
    int mass;
    float cal;
    int noiseFloor, cem;
};

Bytes Header(const std::vector<Channel>& channels, const std::string& units = "Torr", int count = -1,
             const std::string& tag = "TABLE_KEL_SCAN")
{
    Bytes out;
    PutText(out, tag, 30);
    Put(out, static_cast<uint32_t>(count >= 0 ? count : static_cast<int>(channels.size())));
    PutText(out, units, 10);
    for (const Channel& c : channels)
    {
        PutText(out, c.name, 30);
        Put(out, static_cast<uint32_t>(c.mass));
        PutFloat(out, c.cal);
        Put(out, static_cast<uint32_t>(c.noiseFloor));
        Put(out, static_cast<uint32_t>(c.cem));
    }
    return out;
}

void PutRecord(Bytes& out, const std::string& time, const std::vector<float>& values)
{
    PutText(out, time, 50);
    for (float v : values)
        PutFloat(out, v);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

const std::vector<Channel> kChannels = {{"Gas1", 2, 1.0f, 0, 0}, {"Gas2", 4, 1.0f, 0, 1}};

class TableLogTest : public ChannelScanFixture
{
protected:
    void SetUp() override { Build(SCAN_KIND_TABLE, {{2}, {4, 1}}); }
    CTableScans& Scan() { return static_cast<CTableScans&>(*m_scan); }

    std::string MakeLog(const Bytes& header, int records)
    {
        Bytes bytes = header;
        for (int r = 0; r < records; ++r)
            PutRecord(bytes, "Jan 0" + std::to_string(r + 1) + ", 2024  01:02:03 PM",
                      {100.0f * r + 1.0f, 100.0f * r + 2.0f});
        const std::string path = m_folder.Path("view.tbl");
        WriteFile(path, bytes);
        return path;
    }
};

TEST_F(TableLogTest, EverySweepIsAppendedWholeAndReadsBackByteForByte)
{
    const std::string path = m_folder.Path("run.tbl");
    ASSERT_TRUE(Scan().CreateBinaryLogAt(path.c_str(), 10, 1, 1));
    EXPECT_EQ(ReadFile(path), Header(kChannels));
    Run(SCAN_MODE_NSCANS, 3);
    const Bytes bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 44u + 2 * 46 + 3 * (50 + 8)) << "the header and three records";
    EXPECT_TRUE(Scan().IsBinaryLogOn());
    EXPECT_EQ(Scan().m_nSweepsSinceLogging, 3) << "the append counter advances with each sweep";
    float first = 0.0f, second = 0.0f;
    std::memcpy(&first, bytes.data() + 136 + 50, 4);
    std::memcpy(&second, bytes.data() + 136 + 54, 4);
    EXPECT_FLOAT_EQ(first, 200.0f * Factor());
    EXPECT_FLOAT_EQ(second, 400.0f * Factor() / m_head.GetCemGain());

    // Viewing: the same channels, so the first record shows at once.
    ASSERT_TRUE(Scan().OpenLogAt(path.c_str()));
    EXPECT_EQ(Scan().GetViewCount(), 3);
    EXPECT_EQ(Scan().GetViewIndex(), 0);
    EXPECT_FLOAT_EQ(m_display->Current()[0], first);
    Scan().ViewLogScan(LOG_RECORD_PREVIOUS);
    EXPECT_EQ(Scan().GetViewIndex(), 2) << "previous at the first record shows the last";
    Scan().ViewLogScan(LOG_RECORD_NEXT);
    EXPECT_EQ(Scan().GetViewIndex(), 0) << "next at the last wraps to the first";
    EXPECT_EQ(m_display->CallsStartingWith("ShowInfoText 1 ").size(), 3u);
    Scan().CloseBinaryLog();
    EXPECT_FALSE(Scan().IsViewingLog());
    EXPECT_EQ(m_display->CallsStartingWith("ShowInfoText 0 (none)").size(), 1u);
}

TEST_F(TableLogTest, MaximumAndIntervalLimitTheRecords)
{
    const struct
    {
        const char* name;
        int maximum, every, everySweep;
        size_t records;
        bool onAfter;
    } cases[] = {{"maximum 2", 2, 1, 1, 2, false}, {"every 2nd of 5", 10, 2, 0, 2, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = m_folder.Path(std::string(c.name) + ".tbl");
        ASSERT_TRUE(Scan().CreateBinaryLogAt(path.c_str(), c.maximum, c.every, c.everySweep));
        Run(SCAN_MODE_NSCANS, 5);
        EXPECT_EQ(ReadFile(path).size(), 136u + c.records * 58);
        EXPECT_EQ(Scan().IsBinaryLogOn(), c.onAfter);
        ASSERT_TRUE(Scan().AttachDocument(m_document.get()));
    }
}

TEST_F(TableLogTest, ThreeChannelsAndTenRecordsMake802Bytes)
{
    EXPECT_EQ(CTableLogHeader::HeaderSize(3) + 10 * CTableLogHeader::RecordSize(3), 802u);
    EXPECT_EQ(CTableLogHeader::RecordCount(802, 3), 10u);
    EXPECT_EQ(CTableLogHeader::RecordCount(801, 3), 9u) << "a partial record is not a record";
}

TEST_F(TableLogTest, ReaderRefusesWhatIsNotALogOfTheseUnits)
{
    Bytes shortTag(10, 'T');
    Bytes shortUnits = Header(kChannels);
    shortUnits.resize(38);
    Bytes shortChannels = Header(kChannels);
    shortChannels.resize(44 + 46 + 20);
    Bytes tagTail = Header(kChannels);
    std::memcpy(tagTail.data() + 15, "garbage after..", 15); // no terminator inside the rest
    const struct
    {
        const char* name;
        Bytes header;
        int records;
        const char* message; // empty: accepted
    } cases[] = {
        {"short tag", shortTag, 0, "Unexpected end of file"},
        {"wrong tag", Header(kChannels, "Torr", -1, "ANALOG_KEL_SCAN"), 2, "not a Table Scan Log File"},
        {"short units", shortUnits, 0, "Unexpected end of file"},
        {"other units", Header(kChannels, "mbar"), 2, "was saved using the mbar units"},
        {"other units before short channels", [&] { Bytes b = Header(kChannels, "Pa"); b.resize(60); return b; }(),
         0, "was saved using the Pa units"},
        {"no channels", Header({}, "Torr", 0), 2, "Incorrect file format"},
        {"eleven channels", Header(kChannels, "Torr", 11), 2, "Incorrect file format"},
        {"huge count", Header(kChannels, "Torr", 0x7FFFFFF0), 2, "Incorrect file format"},
        {"short channels", shortChannels, 0, "Unexpected end of file"},
        {"no records", Header(kChannels), 0, "No Scan Data Present"},
        {"tag tail without terminator", tagTail, 1, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = MakeLog(c.header, c.records);
        if (*c.message)
            m_prompts.Expect(c.message).Reply(IDOK);
        EXPECT_EQ(Scan().OpenLogAt(path.c_str()), *c.message == 0);
        EXPECT_EQ(Scan().IsViewingLog(), *c.message == 0);
        Scan().CloseBinaryLog();
        EXPECT_EQ(m_table->m_activeCount, 2) << "the table is untouched";
    }
}

TEST_F(TableLogTest, OtherChannelsAreTakenOnlyWhenTheUserAgrees)
{
    const std::vector<Channel> stored = {{"Argon", 40, 1.5f, 2, 0}};
    const std::string path = MakeLog(Header(stored), 2);
    m_prompts.Expect("Would you like KEL to modify").Reply(IDCANCEL);
    EXPECT_FALSE(Scan().OpenLogAt(path.c_str()));
    EXPECT_EQ(m_table->m_activeCount, 2);

    m_prompts.Expect("Would you like KEL to modify").Reply(IDOK);
    ASSERT_TRUE(Scan().OpenLogAt(path.c_str()));
    ASSERT_EQ(m_table->m_activeCount, 1) << "exactly the stored channels are enabled";
    EXPECT_STREQ(m_table->m_active[0].m_szGasName, "Argon");
    EXPECT_EQ(m_table->m_active[0].m_mass, 40);
    EXPECT_FLOAT_EQ(m_table->m_active[0].m_calFactor, 1.5f);
    EXPECT_EQ(m_table->m_configured[1].m_enabled, 0);
    EXPECT_EQ(m_display->CallsStartingWith("Rebuild").size(), 1u);
    EXPECT_EQ(Scan().GetViewCount(), 2);
}

} // namespace
